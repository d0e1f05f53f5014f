// Programs of the simulated unit's shell answered by an emulator with the command's argument
// vector (after the shell's quoting and expansion), its standard input, output and error: the
// WiFi tools and wget of the network world. The shell applies redirections to what they print.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace sim
{

using ShellTool = std::function<int(const std::vector<std::string>& argv, const std::string& in,
                                    std::string& out, std::string& err)>;
// Installs (or, with an empty function, removes) the tool answering `program`.
void set_shell_tool(const std::string& program, ShellTool fn);
ShellTool shell_tool(const std::string& program);

} // namespace sim
