// The simulated unit's shell is contained: whatever a command line tries, nothing outside the
// data root is written or run; what it may do lands inside the root, seen from "/mnt".
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "platform/seam.h"
#include "sim/testbed.h"

namespace fs = std::filesystem;

namespace
{

std::string read_file(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

std::set<std::string> names(const fs::path& dir)
{
    std::set<std::string> out;
    for (auto& e : fs::directory_iterator(dir))
        out.insert(e.path().filename().string());
    return out;
}

int exit_code(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SimShell, HostileCommandLinesLeaveTheHostUntouched)
{
    sim::Testbed tb;
    char tmpl[] = "/tmp/splicer-host-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string host = tmpl, canary = host + "/canary", empty = host + "/empty";
    std::ofstream(canary) << "keep";
    fs::create_directory(empty);
    // A link inside the unit that points out of it.
    fs::create_directory_symlink(host, tb.path("/mnt/usr/out"));
    const std::string cwd = fs::current_path();
    const std::string depth = "../../../../../../../..";

    const std::string lines[] = {
        "mkdir -p " + empty + " /usr /etc /bin /lib",
        "echo pwned > " + canary,
        "echo pwned >> " + canary + " 2> " + empty + "/err",
        "mv " + canary + " /mnt/usr/stolen",
        "rm -rf " + host,
        "cp /etc/hostname " + empty + "/",
        "cd " + depth + " && touch ." + empty + "/rel; cd /; mkdir -p " + depth + empty + "/dir",
        "touch " + depth + empty + "/rel2",
        "touch $(echo " + empty + "/subst)",
        "touch `echo " + empty + "/backquote`",
        "touch \"$(echo " + empty + ")/quoted\"",
        "touch " + host + "/c* " + empty + "/[a-z]*; rm -rf " + host + "/*",
        "sh -c 'touch " + empty + "/sh'; /bin/sh -c 'touch " + empty + "/binsh'",
        "bash -c 'touch " + empty + "/bash' || env touch " + empty + "/env",
        "busybox rm -rf " + host + "; exec touch " + empty + "/exec",
        "true & touch " + empty + "/background",
        "echo $HOME > " + empty + "/home",
        "echo x > /mnt/usr/out/canary; cp /mnt/usr/out/canary /mnt/usr/out/copy",
        "rm -rf /mnt/usr/out/; rm -rf /mnt/usr/out/canary",
        "touch /mnt/usr/out/../out/new; echo x > /mnt/usr/out/../../../" + empty + "/up",
        "ln -s " + empty + " /mnt/usr/lnk; python3 -c 'open(\"" + empty + "/py\",\"w\")'",
        "touch /usr/pwned-by-sim /etc/pwned-by-sim /bin/pwned-by-sim /proc/pwned /lib/pwned",
        "echo x > /usr/pwned-by-sim < /etc/passwd",
    };
    testing::internal::CaptureStdout();
    for (auto& l : lines)
        plat_shell(l.c_str());
    testing::internal::GetCapturedStdout();

    EXPECT_EQ(read_file(canary), "keep");
    EXPECT_EQ(names(host), (std::set<std::string>{"canary", "empty"}));
    EXPECT_TRUE(names(empty).empty());
    for (const char* p : {"/usr/pwned-by-sim", "/etc/pwned-by-sim", "/bin/pwned-by-sim", "/lib/pwned"})
        EXPECT_FALSE(fs::exists(p)) << p;
    EXPECT_EQ(fs::current_path().string(), cwd);
    // The same words, as the unit's own paths, landed inside the root.
    EXPECT_EQ(read_file(tb.path("/mnt/usr/stolen")), "pwned\npwned\n");
    EXPECT_TRUE(fs::exists(tb.root() + "/usr/pwned-by-sim"));
    fs::remove_all(host);
}

TEST(SimShell, RunsFromMntAndRefusesWhatItDoesNotAnswer)
{
    sim::Testbed tb;
    EXPECT_EQ(exit_code(plat_shell(
                  "echo ok > rel.txt && mkdir -p d/e && cp rel.txt d/e/ && cat d/e/rel.txt > ../tmp/c")),
              0);
    EXPECT_EQ(read_file(tb.path("/mnt/rel.txt")), "ok\n");
    EXPECT_EQ(read_file(tb.path("/tmp/c")), "ok\n");
    const struct {
        const char* line;
        int code;
        const char* says;
    } cases[] = {
        {"sh -c true", 127, "sh: sh: not answered by the simulated unit"},
        {"/usr/bin/python3 -V", 127, "sh: python3: not answered by the simulated unit"},
        {"./run.sh", 127, "sh: ./run.sh: not answered"},
        {"echo $(id)", 2, "command substitution is not run"},
        {"cat /mnt/usr/out/x", 1, ""},
        {"mount -t vfat /dev/sda1 /media && killall -9 wpa_supplicant", 0, ""},
        {"false || echo fallback", 0, "fallback"},
        {"cat rel.txt | cat > piped && cat piped", 0, "ok"},
        {"rm missing; rm -f missing; exit $?", 0, "can't remove 'missing'"},
    };
    for (auto& c : cases) {
        testing::internal::CaptureStdout();
        int st = plat_shell(c.line);
        std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(exit_code(st), c.code) << c.line;
        EXPECT_NE(out.find(c.says), std::string::npos) << c.line << " said: " << out;
    }
}

} // namespace
