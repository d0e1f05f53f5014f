// The registry of emulated shell programs (see shell_tool.h).
#include "sim/shell_tool.h"

#include <map>
#include <mutex>

namespace sim
{

namespace
{
std::mutex g_mu;
std::map<std::string, ShellTool>& tools()
{
    static std::map<std::string, ShellTool> t;
    return t;
}
} // namespace

void set_shell_tool(const std::string& program, ShellTool fn)
{
    std::lock_guard<std::mutex> lk(g_mu);
    if (fn)
        tools()[program] = std::move(fn);
    else
        tools().erase(program);
}

ShellTool shell_tool(const std::string& program)
{
    std::lock_guard<std::mutex> lk(g_mu);
    auto it = tools().find(program);
    return it == tools().end() ? ShellTool{} : it->second;
}

} // namespace sim
