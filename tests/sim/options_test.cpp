// splicer-sim's command line: what it does with no options, where its data files come from, and
// which root a run uses.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "sim/options.h"

namespace
{

sim::SimHost host(bool window, bool display)
{
    sim::SimHost h;
    h.has_window = window;
    h.has_display = display;
    h.state_home = "/home/op/.local/state";
    h.asset_candidates = {"/opt/bin/asset_root", "/build/asset_root", "/usr/share/splicer/asset_root"};
    h.is_asset_root = [](const std::string& d) { return d != "/opt/bin/asset_root"; };
    return h;
}

sim::SimStart parse(std::vector<std::string> args, const sim::SimHost& h, sim::SimOptions& o,
                    std::string* msg = nullptr)
{
    args.insert(args.begin(), "splicer-sim");
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    std::string m;
    auto r = sim::parse_sim_options(int(argv.size()), argv.data(), h, o, m);
    if (msg) *msg = m;
    return r;
}

TEST(SimOptions, WithoutAScenarioOnlyAWindowOnADisplayRunsElseTheUsage)
{
    struct Case {
        bool window, display;
        sim::SimStart want;
    } cases[] = {
        {false, false, sim::SimStart::Usage},
        {true, false, sim::SimStart::Usage},
        {false, true, sim::SimStart::Usage},
        {true, true, sim::SimStart::Run},
    };
    for (const auto& c : cases) {
        sim::SimOptions o;
        EXPECT_EQ(parse({}, host(c.window, c.display), o), c.want) << c.window << c.display;
    }
    sim::SimOptions o;
    ASSERT_EQ(parse({}, host(true, true), o), sim::SimStart::Run);
    EXPECT_TRUE(o.interactive && o.realtime && o.window);
    EXPECT_EQ(o.root, "/home/op/.local/state/splicer-sim");
    ASSERT_EQ(parse({"--root", "here"}, host(true, true), o), sim::SimStart::Run);
    EXPECT_EQ(o.root, "here");
    // The unit restarting itself (a reboot from its menu) brings the session back as it was.
    ASSERT_EQ(parse({"--resume", "/home/op/.local/state/splicer-sim/sim/restart.json"}, host(true, true), o),
              sim::SimStart::Run);
    EXPECT_TRUE(o.interactive && o.window);
    EXPECT_EQ(o.root, "/home/op/.local/state/splicer-sim");

    // Help wins over everything; a scenario runs on any host, into out/sim by default.
    EXPECT_EQ(parse({"--scenario", "s.json", "--help"}, host(true, true), o), sim::SimStart::Usage);
    ASSERT_EQ(parse({"--scenario", "s.json"}, host(true, true), o), sim::SimStart::Run);
    EXPECT_FALSE(o.interactive || o.window || o.realtime);
    EXPECT_EQ(o.root, "out/sim");
}

TEST(SimOptions, DataFilesFromTheOptionElseTheEnvironmentElseTheFirstFolderThatHoldsThem)
{
    sim::SimOptions o;
    auto h = host(false, false);
    ASSERT_EQ(parse({"--scenario", "s", "--assets", "/mine"}, h, o), sim::SimStart::Run);
    EXPECT_EQ(o.assets, "/mine");
    EXPECT_TRUE(o.assets_given);
    h.env_assets = "/env";
    ASSERT_EQ(parse({"--scenario", "s"}, h, o), sim::SimStart::Run);
    EXPECT_EQ(o.assets, "/env");
    EXPECT_FALSE(o.assets_given);
    h.env_assets.clear();
    ASSERT_EQ(parse({"--scenario", "s"}, h, o), sim::SimStart::Run);
    EXPECT_EQ(o.assets, "/build/asset_root"); // the one beside the binary holds no mnt/
    h.is_asset_root = [](const std::string&) { return false; };
    ASSERT_EQ(parse({"--scenario", "s"}, h, o), sim::SimStart::Run);
    EXPECT_EQ(o.assets, "");
}

TEST(SimOptions, BadArgumentsAreErrors)
{
    for (std::vector<std::string> args : std::vector<std::vector<std::string>>{
             {"--scenario"}, {"--speed", "0"}, {"--speed", "fast", "--scenario", "s"}, {"--frobnicate"}}) {
        sim::SimOptions o;
        std::string msg;
        EXPECT_EQ(parse(args, host(true, true), o, &msg), sim::SimStart::Error) << args[0];
        EXPECT_FALSE(msg.empty());
    }
    sim::SimOptions o;
    auto h = host(true, true);
    h.state_home.clear();
    EXPECT_EQ(parse({}, h, o), sim::SimStart::Error);
}

TEST(SimOptions, UsageListsEveryOptionAndWhereToReadOn)
{
    const std::string u = sim::sim_usage();
    for (const char* opt : {"--scenario", "--root", "--assets", "--realtime", "--speed", "--window",
                            "--frames", "--help", "docs/scenarios.md", "demo.json", "make run"})
        EXPECT_NE(u.find(opt), std::string::npos) << opt;
}

} // namespace
