// The simulated unit's shell (plat_shell): a small command interpreter that runs nothing on the
// host. It starts in "/mnt", resolves every path inside the data root and answers the file tools
// the application uses (echo, cat, cp, mv, rm, mkdir, rmdir, touch, sync, cd, exit, kill of
// itself) through the seam, so the flash sees their writes; tools that would touch the machine
// (mount, network) succeed without effect unless a handler answers them; "reboot" reboots the
// unit, "unzip" unpacks an archive inside the unit and the microcontroller's flasher
// "/mnt/usr/stm32fl" says what it flashed; any other program is refused with status 127.
//
// Grammar: words with '...', "..." and \ quoting; ; && || | between commands; redirections > >>
// < 2> 2>> 2>&1; $$ and $? expand; unquoted * ? [ match names inside the data root. Command
// substitution, other expansions and background jobs are refused (status 2).
#include <errno.h>
#include <fcntl.h>
#include <glob.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "platform/seam.h"
#include "sim/backend.h"
#include "sim/flash.h"
#include "sim/request_log.h"
#include "sim/scheduler.h"
#include "sim/shell_tool.h"

using namespace sim;

namespace
{

namespace fs = std::filesystem;

struct Token {
    enum Kind { Word, Op } kind;
    std::string text;
    bool glob = false; // an unquoted pattern character
};

struct Refused {
    std::string why;
};

std::vector<Token> tokenize(const std::string& s)
{
    std::vector<Token> out;
    size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (c == ' ' || c == '\t') {
            ++i;
            continue;
        }
        static const char* ops[] = {"2>&1", "2>>", "&&", "||", ">>", "2>", ";", "|", ">", "<", "&", "\n"};
        bool op = false;
        for (const char* o : ops) {
            size_t n = std::strlen(o);
            if (s.compare(i, n, o) == 0) {
                if (!std::strcmp(o, "&")) throw Refused{"background jobs are not run"};
                out.push_back({Token::Op, std::strcmp(o, "\n") ? o : ";"});
                i += n;
                op = true;
                break;
            }
        }
        if (op) continue;
        if (c == '(' || c == ')' || c == '{' || c == '}') throw Refused{"sub-shells are not run"};
        Token w{Token::Word, ""};
        while (i < s.size() && !std::strchr(" \t\n;&|<>()", s[i])) {
            char d = s[i];
            if (d == '`') throw Refused{"command substitution is not run"};
            if (d == '\\' && i + 1 < s.size()) {
                w.text += s[i + 1];
                i += 2;
            } else if (d == '\'') {
                size_t e = s.find('\'', i + 1);
                if (e == std::string::npos) throw Refused{"unterminated quote"};
                w.text += s.substr(i + 1, e - i - 1);
                i = e + 1;
            } else if (d == '"') {
                size_t e = i + 1;
                for (; e < s.size() && s[e] != '"'; ++e) {
                    if (s[e] == '`' || !s.compare(e, 2, "$("))
                        throw Refused{"command substitution is not run"};
                    if (s[e] == '$' && s.compare(e, 2, "$$") && s.compare(e, 2, "$?"))
                        throw Refused{"expansions are not run"};
                    if (s[e] == '\\' && e + 1 < s.size() && std::strchr("\"\\$`", s[e + 1])) ++e;
                    w.text += s[e];
                }
                if (e >= s.size()) throw Refused{"unterminated quote"};
                i = e + 1;
            } else if (d == '$') {
                if (!s.compare(i, 2, "$(")) throw Refused{"command substitution is not run"};
                if (s.compare(i, 2, "$$") && s.compare(i, 2, "$?")) throw Refused{"expansions are not run"};
                w.text += s.substr(i, 2);
                i += 2;
            } else {
                if (std::strchr("*?[", d)) w.glob = true;
                w.text += d;
                ++i;
            }
        }
        out.push_back(std::move(w));
    }
    return out;
}

struct Shell {
    std::string cwd = "/mnt"; // instrument path
    int last = 0;
    int killed_by = 0; // signal that ended the shell itself

    // Instrument path of a word; it must stay inside the data root also through links.
    std::string path(const std::string& word) const
    {
        std::string p = word.empty() || word[0] != '/' ? cwd + "/" + word : word;
        std::string host = host_path(p);
        std::error_code ec;
        std::string real = fs::weakly_canonical(host, ec).string();
        const std::string& root = data_root();
        if (root.empty()) throw Refused{"no data root"};
        if (ec || real.compare(0, root.size(), root) != 0 ||
            (real.size() > root.size() && real[root.size()] != '/'))
            throw Refused{"path leads out of the unit: " + word};
        return fs::path(p).lexically_normal().string();
    }

    bool exists(const std::string& ipath, bool* dir = nullptr)
    {
        struct stat st {
        };
        if (plat_lstat(ipath.c_str(), &st) != 0) return false;
        if (dir) *dir = S_ISDIR(st.st_mode);
        return true;
    }

    static std::string base(const std::string& p) { return fs::path(p).filename().string(); }

    // ---- The tools ----
    using Args = std::vector<std::string>;

    static void split_flags(Args& args, std::set<char>& flags)
    {
        Args rest;
        bool opts = true;
        for (auto& a : args) {
            if (opts && a == "--") {
                opts = false;
            } else if (opts && a.size() > 1 && a[0] == '-') {
                for (char f : a.substr(1))
                    flags.insert(f);
            } else {
                rest.push_back(a);
            }
        }
        args = rest;
    }

    bool write_file(const std::string& ipath, const std::string& data, bool append)
    {
        int fd = plat_open(ipath.c_str(), O_WRONLY | O_CREAT | (append ? O_APPEND : O_TRUNC), 0644);
        if (fd < 0) return false;
        bool ok = true;
        for (size_t done = 0; ok && done < data.size();) {
            ssize_t w = plat_write(fd, data.data() + done, data.size() - done);
            ok = w > 0;
            if (ok) done += size_t(w);
        }
        return plat_close(fd) == 0 && ok;
    }

    bool read_file(const std::string& ipath, std::string& out)
    {
        int fd = plat_open(ipath.c_str(), O_RDONLY);
        if (fd < 0) return false;
        char buf[8192];
        ssize_t n;
        while ((n = plat_read(fd, buf, sizeof buf)) > 0)
            out.append(buf, size_t(n));
        plat_close(fd);
        return n == 0;
    }

    bool remove_tree(const std::string& ipath)
    {
        struct stat st {
        };
        if (plat_lstat(ipath.c_str(), &st) != 0) return false;
        if (!S_ISDIR(st.st_mode)) return plat_unlink(ipath.c_str()) == 0;
        std::vector<std::string> names;
        if (PlatDir* d = plat_opendir(ipath.c_str())) {
            while (const char* n = plat_readdir(d))
                names.emplace_back(n);
            plat_closedir(d);
        }
        bool ok = true;
        for (auto& n : names)
            ok = remove_tree(ipath + "/" + n) && ok;
        return plat_rmdir(ipath.c_str()) == 0 && ok;
    }

    bool copy(const std::string& from, const std::string& to, bool recursive, std::string& err)
    {
        struct stat st {
        };
        if (plat_lstat(from.c_str(), &st) != 0) {
            err += "cp: can't stat '" + from + "'\n";
            return false;
        }
        path(to);                             // the target too stays inside the unit
        if (S_ISLNK(st.st_mode)) return true; // links are never followed
        if (S_ISDIR(st.st_mode)) {
            if (!recursive) {
                err += "cp: omitting directory '" + from + "'\n";
                return false;
            }
            bool dir = false;
            if (!exists(to, &dir)) plat_mkdir(to.c_str(), 0755);
            std::vector<std::string> names;
            if (PlatDir* d = plat_opendir(from.c_str())) {
                while (const char* n = plat_readdir(d))
                    names.emplace_back(n);
                plat_closedir(d);
            }
            bool ok = true;
            for (auto& n : names)
                ok = copy(from + "/" + n, to + "/" + n, true, err) && ok;
            return ok;
        }
        std::string data;
        if (!read_file(from, data) || !write_file(to, data, false)) {
            err += "cp: can't copy '" + from + "' to '" + to + "'\n";
            return false;
        }
        return true;
    }

    // The resource archive is really unpacked, by the host's unzip run without a shell on paths
    // inside the unit (it refuses members that would climb out of the target).
    int unzip(const Args& in, std::string& err)
    {
        Args args = in;
        std::string dir, zip;
        bool overwrite = false;
        for (size_t i = 0; i < args.size(); ++i) {
            if (args[i] == "-o") {
                overwrite = true;
            } else if (args[i] == "-d" && i + 1 < args.size()) {
                dir = path(args[++i]);
            } else if (zip.empty() && args[i][0] != '-') {
                zip = path(args[i]);
            }
        }
        if (zip.empty() || !exists(zip)) {
            err += "unzip: cannot find " + (args.empty() ? std::string("archive") : zip) + "\n";
            return 9;
        }
        std::vector<std::string> argv = {"unzip", "-q", overwrite ? "-o" : "-n", host_path(zip)};
        if (!dir.empty()) {
            argv.push_back("-d");
            argv.push_back(host_path(dir));
        }
        std::vector<char*> av;
        for (auto& a : argv)
            av.push_back(a.data());
        av.push_back(nullptr);
        pid_t pid;
        if (posix_spawnp(&pid, "unzip", nullptr, nullptr, av.data(), environ) != 0) {
            err += "unzip: not installed on this machine\n";
            return 127;
        }
        int st = 0;
        while (waitpid(pid, &st, 0) < 0 && errno == EINTR) {
        }
        return WIFEXITED(st) ? WEXITSTATUS(st) : 1;
    }

    // The microcontroller's flasher: "-w FILE -v -g ADDRESS DEVICE". It reads the firmware file
    // whole and says what it flashed; a missing or empty file fails as the real tool does.
    int stm32fl(const Args& args, std::string& out, std::string& err)
    {
        std::string file, device;
        for (size_t i = 0; i < args.size(); ++i) {
            if (args[i] == "-w" && i + 1 < args.size())
                file = args[++i];
            else if (args[i] == "-g" && i + 1 < args.size())
                ++i;
            else if (args[i][0] != '-')
                device = args[i];
        }
        std::string data;
        if (file.empty() || !read_file(path(file), data) || data.empty()) {
            err += "stm32fl: cannot read firmware '" + file + "'\n";
            return 1;
        }
        if (device != "/dev/ttyS2") {
            err += "stm32fl: no microcontroller on '" + device + "'\n";
            return 1;
        }
        out += "stm32fl: wrote " + std::to_string(data.size()) + " bytes of " + file + " to " + device +
               ", verified, started\n";
        return 0;
    }

    // Runs one simple command; returns its exit status.
    int tool(Args args, const std::string& in, std::string& out, std::string& err)
    {
        std::string prog = args[0];
        for (const char* dir : {"/bin/", "/sbin/", "/usr/bin/", "/usr/sbin/"})
            if (prog.compare(0, std::strlen(dir), dir) == 0 &&
                prog.find('/', std::strlen(dir)) == std::string::npos)
                prog = prog.substr(std::strlen(dir));
        if (auto emulated = shell_tool(prog)) return emulated(args, in, out, err);
        args.erase(args.begin());
        if (auto handler = shell_emulation(prog)) {
            std::string line = prog;
            for (auto& a : args)
                line += " " + a;
            return handler(line);
        }
        std::set<char> f;
        if (prog == "true" || prog == ":") return 0;
        if (prog == "false") return 1;
        if (prog == "exit") return args.empty() ? last : std::atoi(args[0].c_str()) & 0xFF;
        if (prog == "echo") {
            bool nl = !(args.size() && args[0] == "-n");
            for (size_t i = nl ? 0 : 1; i < args.size(); ++i)
                out += (i > (nl ? 0u : 1u) ? " " : "") + args[i];
            if (nl) out += "\n";
            return 0;
        }
        if (prog == "cd") {
            std::string to = path(args.empty() ? "/mnt" : args[0]);
            bool dir = false;
            if (!exists(to, &dir) || !dir) {
                err += "cd: can't cd to " + (args.empty() ? to : args[0]) + "\n";
                return 2;
            }
            cwd = to;
            return 0;
        }
        if (prog == "kill") {
            int sig = SIGTERM;
            if (!args.empty() && args[0].size() > 1 && args[0][0] == '-') {
                sig = std::atoi(args[0].c_str() + 1);
                args.erase(args.begin());
            }
            if (args.size() == 1 && args[0] == "$$" && sig > 0 && sig < 32) {
                killed_by = sig;
                return 128 + sig;
            }
            err += "kill: no such process\n";
            return 1;
        }
        if (prog == "sync") {
            flash_note(FlashEvent::Sync, -1, "");
            return 0;
        }
        if (prog == "reboot") return plat_reboot() == 0 ? 0 : 1;
        if (prog == "unzip") return unzip(args, err);
        if (prog == "/mnt/usr/stm32fl") return stm32fl(args, out, err);
        static const std::set<std::string> machine = {"mount",    "umount",         "poweroff", "killall",
                                                      "ifconfig", "hwclock",        "insmod",   "rmmod",
                                                      "wpa_cli",  "wpa_supplicant", "udhcpc"};
        if (machine.count(prog)) return 0;
        split_flags(args, f);
        int status = 0;
        auto fail = [&](const std::string& what) {
            err += prog + ": " + what + "\n";
            status = 1;
        };
        if (prog == "cat") {
            if (args.empty()) out += in;
            for (auto& a : args) {
                std::string data;
                if (read_file(path(a), data))
                    out += data;
                else
                    fail("can't open '" + a + "'");
            }
            return status;
        }
        if (prog == "mkdir") {
            for (auto& a : args) {
                std::string p = path(a);
                if (f.count('p')) {
                    std::string at;
                    for (auto& part : fs::path(p)) {
                        if (part == "/") continue;
                        at += "/" + part.string();
                        bool dir = false;
                        if (!exists(at, &dir) && plat_mkdir(at.c_str(), 0755) != 0)
                            fail("can't create '" + a + "'");
                    }
                } else if (plat_mkdir(p.c_str(), 0755) != 0) {
                    fail("can't create directory '" + a + "'");
                }
            }
            return status;
        }
        if (prog == "rmdir") {
            for (auto& a : args)
                if (plat_rmdir(path(a).c_str()) != 0) fail("'" + a + "': " + std::strerror(errno));
            return status;
        }
        if (prog == "rm") {
            for (auto& a : args) {
                std::string p = path(a);
                bool dir = false;
                if (!exists(p, &dir)) {
                    if (!f.count('f')) fail("can't remove '" + a + "': No such file or directory");
                } else if (dir && !f.count('r') && !f.count('R')) {
                    fail("'" + a + "' is a directory");
                } else if (!(dir ? remove_tree(p) : plat_unlink(p.c_str()) == 0)) {
                    fail("can't remove '" + a + "'");
                }
            }
            return status;
        }
        if (prog == "touch") {
            for (auto& a : args) {
                std::string p = path(a);
                if (exists(p)) continue;
                int fd = plat_open(p.c_str(), O_WRONLY | O_CREAT, 0644);
                if (fd < 0 || plat_close(fd) != 0) fail("'" + a + "': " + std::strerror(errno));
            }
            return status;
        }
        if (prog == "cp" || prog == "mv") {
            if (args.size() < 2) {
                fail("missing file operand");
                return status;
            }
            std::string dest = path(args.back());
            bool dest_dir = false;
            exists(dest, &dest_dir);
            if (args.size() > 2 && !dest_dir) {
                fail("'" + args.back() + "' is not a directory");
                return status;
            }
            for (size_t i = 0; i + 1 < args.size(); ++i) {
                std::string from = path(args[i]);
                std::string to = dest_dir ? path(args.back() + "/" + base(from)) : dest;
                if (prog == "mv") {
                    if (plat_rename(from.c_str(), to.c_str()) != 0) fail("can't rename '" + args[i] + "'");
                } else if (!copy(from, to, f.count('r') || f.count('R') || f.count('a'), err)) {
                    status = 1;
                }
            }
            return status;
        }
        err += "sh: " + prog + ": not answered by the simulated unit\n";
        return 127;
    }

    // A simple command: words and redirections, up to an operator.
    struct Simple {
        std::vector<Token> words;
        std::vector<std::pair<std::string, std::string>> redirs; // operator, target word
    };

    std::vector<std::string> expand(const Token& t)
    {
        std::string w = t.text;
        for (size_t at; (at = w.find("$?")) != std::string::npos;)
            w.replace(at, 2, std::to_string(last));
        if (!t.glob) return {w};
        // Patterns match names inside the unit only: the pattern is resolved first, the matches
        // are shown as the unit's paths.
        std::string ip = w[0] == '/' ? w : cwd + "/" + w;
        std::string host = host_path(ip);
        glob_t g{};
        std::vector<std::string> out;
        if (::glob(host.c_str(), 0, nullptr, &g) == 0) {
            for (size_t i = 0; i < g.gl_pathc; ++i)
                out.push_back(instrument_path_of(g.gl_pathv[i]));
        }
        ::globfree(&g);
        if (out.empty()) out.push_back(w);
        return out;
    }

    int run_simple(const Simple& sc, const std::string& in, std::string& out, bool piped)
    {
        Args args;
        for (auto& t : sc.words)
            for (auto& w : expand(t))
                args.push_back(w);
        std::string o, e;
        std::string input = in;
        int st;
        try {
            for (auto& [op, target] : sc.redirs)
                if (op == "<") {
                    input.clear();
                    if (target != "/dev/null" && !read_file(path(target), input)) throw Refused{"can't open " + target};
                }
            st = args.empty() ? 0 : tool(args, input, o, e);
            for (auto& [op, target] : sc.redirs) {
                if (op == "2>&1") {
                    o += e;
                    e.clear();
                } else if (op == ">" || op == ">>" || op == "2>" || op == "2>>") {
                    bool is_err = op[0] == '2';
                    std::string& data = is_err ? e : o;
                    if (target != "/dev/null" && !write_file(path(target), data, op == ">>" || op == "2>>"))
                        throw Refused{"can't create " + target};
                    data.clear();
                }
            }
        } catch (const Refused& r) {
            e += "sh: " + r.why + "\n";
            st = 1;
        }
        if (!e.empty()) std::fputs(e.c_str(), stdout);
        if (piped)
            out += o;
        else if (!o.empty())
            std::fputs(o.c_str(), stdout);
        return st;
    }

    int run(const std::vector<Token>& toks)
    {
        size_t i = 0;
        std::string pending_and_or;
        while (i < toks.size() && !killed_by) {
            // A pipeline: simple commands joined by '|'.
            std::vector<Simple> pipe(1);
            for (; i < toks.size(); ++i) {
                const Token& t = toks[i];
                if (t.kind == Token::Word) {
                    pipe.back().words.push_back(t);
                } else if (t.text == "|") {
                    pipe.emplace_back();
                } else if (t.text == "2>&1") {
                    pipe.back().redirs.emplace_back(t.text, "");
                } else if (t.text == ">" || t.text == ">>" || t.text == "<" || t.text == "2>" ||
                           t.text == "2>>") {
                    if (i + 1 >= toks.size() || toks[i + 1].kind != Token::Word)
                        throw Refused{"syntax error"};
                    pipe.back().redirs.emplace_back(t.text, toks[++i].text);
                } else {
                    break; // ; && ||
                }
            }
            bool skip = (pending_and_or == "&&" && last != 0) || (pending_and_or == "||" && last == 0);
            if (!skip) {
                std::string data;
                for (size_t k = 0; k < pipe.size() && !killed_by; ++k) {
                    std::string next;
                    last = run_simple(pipe[k], data, next, k + 1 < pipe.size());
                    data = std::move(next);
                }
            }
            if (i < toks.size()) {
                pending_and_or = toks[i].text == ";" ? "" : toks[i].text;
                ++i;
            }
            // "exit" ends the shell.
            if (!skip && !pipe.back().words.empty() && pipe.back().words[0].text == "exit") break;
        }
        return last;
    }
};

} // namespace

int plat_shell(const char* command)
{
    if (!command) return -1;
    const std::string cmd = command;
    int status;
    // A program with a handler of its own answers the whole command.
    size_t b = cmd.find_first_not_of(" \t");
    std::string prog = b == std::string::npos ? "" : cmd.substr(b, cmd.find_first_of(" \t;", b) - b);
    if (auto handler = shell_emulation(prog)) {
        status = (handler(cmd) & 0xFF) << 8;
    } else {
        Shell sh;
        int code;
        try {
            code = sh.run(tokenize(cmd));
        } catch (const Refused& r) {
            std::printf("sh: %s\n", r.why.c_str());
            code = 2;
        }
        status = sh.killed_by ? sh.killed_by : (code & 0xFF) << 8;
    }
    LoggedCall c;
    c.t_us = Scheduler::instance().now_us();
    c.thread = Scheduler::instance().current_name();
    c.device = "shell";
    c.call = command;
    c.result = status;
    log_call(c);
    Scheduler::instance().advance(10000);
    return status;
}
