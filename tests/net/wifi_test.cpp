// WiFi through the simulated wpa_cli, udhcpc and wget: the scan list, connections with hostile
// names and passwords (each reaches the tool as one literal argument), the saved-network file and
// the update-server check.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "net/wifi_parse.h"
#include "report_fixture.h"

namespace
{

using Wifi = ReportUnit;

sim::WifiNetwork station(const std::string& ssid, int signal, const std::string& security = "WPA2-PSK-CCMP",
                         const std::string& pw = "correct horse")
{
    sim::WifiNetwork n;
    n.ssid = ssid;
    n.signal = signal;
    n.security = security;
    n.password = pw;
    return n;
}

// The hostile names of the tests: quotes, separators, substitutions, line breaks, and a name of
// 32 bytes of multibyte UTF-8 (ten three-byte characters and two bytes).
const std::vector<std::string> kHostile = {
    "it's",
    "a;reboot",
    "$(reboot)",
    "`reboot`",
    "line\nbreak",
    "q\"uo\"te",
    "back\\slash",
    "tab\tname",
    "\xe4\xbd\xa0\xe5\xa5\xbd\xe4\xbd\xa0\xe5\xa5\xbd\xe4\xbd\xa0\xe5\xa5\xbd"
    "\xe4\xbd\xa0\xe5\xa5\xbd\xe4\xbd\xa0\xe5\xa5\xbd"
    "ab",
    "' ; rm -rf / ; '",
};

TEST_F(Wifi, ScanListsWpaNetworksFirstStrongestFirstWithNamesAsTheToolPrintsThem)
{
    sim::WifiConfig w;
    w.networks = {station("weak-wpa", -80), station("open-cafe", -40, "open"), station("strong-wpa", -45),
                  station("tab\tname", -60)};
    sim::NetworkConfig c;
    c.wifi = w;
    network(c);
    NETWORK_ITEM items[8] = {};
    int n = quiet([&] { return get_network_info(items, 8); });
    ASSERT_EQ(n, 4);
    const char* names[] = {"strong-wpa", "tab\\tname", "weak-wpa", "open-cafe"};
    int levels[] = {4, 3, 1, 4};
    for (int i = 0; i < n; ++i) {
        EXPECT_STREQ(items[i].szName, names[i]);
        EXPECT_EQ(items[i].iLevel, levels[i]);
        EXPECT_EQ(items[i].iNeedPassword, i < 3 ? 1 : 0);
    }
    EXPECT_STREQ(items[0].szSecurity, "WPA2-PSK-CCMP");
    // Nothing in reach.
    net.reset();
    sim::NetworkConfig empty;
    empty.wifi = sim::WifiConfig{};
    network(empty);
    EXPECT_EQ(quiet([&] { return get_network_info(items, 8); }), 0);
    EXPECT_NE(out.find("No AP was found!"), std::string::npos);
}

TEST_F(Wifi, HostileNamesAndPasswordsReachTheToolAsSingleLiteralArguments)
{
    for (const std::string& name : kHostile) {
        const std::string pw = "pw'\"$(x);`y` " + name.substr(0, 3);
        sim::WifiConfig w;
        std::string printable_pw;
        for (char ch : pw)
            if (ch >= 0x20 && ch <= 0x7e) printable_pw += ch;
        w.networks = {station(name, -50, "WPA2-PSK-CCMP", printable_pw)};
        sim::NetworkConfig c;
        c.wifi = w;
        network(c);
        NETWORK_ITEM items[2] = {};
        ASSERT_EQ(quiet([&] { return get_network_info(items, 2); }), 1) << name;
        EXPECT_EQ(quiet([&] { return connect_to_network(&items[0], printable_pw.c_str()); }), 0) << name;
        EXPECT_TRUE(net->wifi()->connected()) << name;
        EXPECT_EQ(NetInfo[1], 1);
        bool named = false;
        for (const auto& argv : net->wifi()->argv_log()) {
            ASSERT_FALSE(argv.empty());
            EXPECT_EQ(argv[0] == "wpa_cli" || argv[0] == "udhcpc", true) << argv[0];
            if (argv.size() > 3 && argv[1] == "set_network" && argv[3] == "ssid") {
                ASSERT_EQ(argv.size(), 5u) << name;
                std::string raw;
                if (argv[4][0] == '"') {
                    raw = argv[4].substr(1, argv[4].size() - 2);
                } else {
                    for (size_t i = 0; i + 1 < argv[4].size(); i += 2)
                        raw += char(std::stoi(argv[4].substr(i, 2), nullptr, 16));
                }
                EXPECT_EQ(raw, name);
                named = true;
            }
            if (argv.size() > 3 && argv[3] == "psk") {
                EXPECT_EQ(argv[4], "\"" + printable_pw + "\"");
            }
        }
        EXPECT_TRUE(named) << name;
        net.reset();
    }
}

TEST_F(Wifi, WrongPasswordOrUnusablePassphraseDoesNotConnect)
{
    sim::WifiConfig w;
    w.networks = {station("Lab", -50)};
    sim::NetworkConfig c;
    c.wifi = w;
    network(c);
    NETWORK_ITEM items[2] = {};
    ASSERT_EQ(quiet([&] { return get_network_info(items, 2); }), 1);
    for (const char* pw : {"wrong password", "short", "line\nbreak-in-it"})
        EXPECT_EQ(quiet([&] { return connect_to_network(&items[0], pw); }), -1) << pw;
    EXPECT_FALSE(net->wifi()->connected());
    EXPECT_EQ(quiet([] { return check_network_connect(); }), 0);
    EXPECT_EQ(NetInfo[0], 1);
    EXPECT_EQ(NetInfo[1], 0);
}

TEST_F(Wifi, SavedNetworksReplaceTheirOldEntryDropTheOldestWhenFullAndSurviveDamage)
{
    NETWORK_ITEM it{};
    it.iNeedPassword = 1;
    std::strcpy(it.szSecurity, "WPA2-PSK-CCMP");
    auto save = [&](const std::string& name, const char* pw) {
        std::snprintf(it.szName, sizeof it.szName, "%s", name.c_str());
        return save_network_config(&it, pw);
    };
    // Names that a sed address or a shell would take apart.
    ASSERT_EQ(save(".*", "password1"), 0);
    ASSERT_EQ(save("a/b\\x27'd", "password2"), 0);
    ASSERT_EQ(save("$(reboot)", "password3"), 0);
    ASSERT_EQ(save(".*", "password4"), 0);
    SAVED_NETWORK list[20] = {};
    ASSERT_EQ(read_saved_networks(list, 20), 3);
    EXPECT_STREQ(list[0].szName, "a/b\\x27'd");
    EXPECT_STREQ(list[2].szName, ".*");
    char pw[68] = {};
    EXPECT_EQ(check_if_network_saved(".*", pw, sizeof pw), 1);
    EXPECT_STREQ(pw, "password4");
    EXPECT_EQ(check_if_network_saved(".", pw, sizeof pw), 0);
    EXPECT_EQ(delete_network_item("$(reboot)"), 0);
    EXPECT_EQ(delete_network_item("$(reboot)"), -1);
    EXPECT_EQ(read_saved_networks(list, 20), 2);
    // A name or password that would break the line format is refused.
    EXPECT_EQ(save("tab\tname", "password5"), -1);
    EXPECT_EQ(save("ok", "pass\tword"), -1);
    // Full: the oldest goes first.
    for (int i = 0; i < 20; ++i)
        ASSERT_EQ(save("net" + std::to_string(i), "password0"), 0);
    int n = read_saved_networks(list, 20);
    EXPECT_EQ(n, 16);
    EXPECT_STREQ(list[0].szName, "net4");
    EXPECT_STREQ(list[n - 1].szName, "net19");
    // Damaged lines are skipped, the others kept.
    {
        std::ofstream f(tb.path("/mnt/usr/wifi/network_save"), std::ios::app);
        f << "broken line\n\tx\t1\n" << std::string(5000, 'z') << "\n";
    }
    EXPECT_EQ(read_saved_networks(list, 20), 16);
    EXPECT_EQ(check_if_network_saved("net19", pw, sizeof pw), 1);
}

TEST(WifiParse, VersionFileAndStatus)
{
    struct Case {
        const char* text;
        const char* version; // null: refused
    } cases[] = {
        {"K7Q2/1.20/4\n", "1.20"},  {"x/1.2/3", "1.2"},     {"x/1.2/4", nullptr},
        {"x/12.0/4", nullptr},      {"x/1.2X/4", nullptr},  {"x/1.234567/8", nullptr},
        {"x/1.2345678/9", nullptr}, {"x/1.20", nullptr},    {"", nullptr},
        {"x/1.20/-4", nullptr},     {"x/1.20/4x", nullptr}, {"/1/1", nullptr},
    };
    testing::internal::CaptureStdout();
    for (const Case& c : cases) {
        auto v = ParseVersionFile(c.text);
        EXPECT_EQ(v.has_value(), c.version != nullptr) << c.text;
        if (v && c.version) {
            EXPECT_EQ(*v, c.version);
        }
    }
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(WifiStatusUp("wpa_state=COMPLETED\nip_address=10.0.0.2\n"));
    EXPECT_FALSE(WifiStatusUp("wpa_state=COMPLETED\n"));
    EXPECT_FALSE(WifiStatusUp("wpa_state=SCANNING\nip_address=10.0.0.2\n"));
    EXPECT_FALSE(WifiStatusUp("xwpa_state=COMPLETED\nip_address=1\n"));
}

TEST_F(Wifi, UpdateCheckTakesTheOfferedVersionOnlyOverAConnection)
{
    sim::WifiConfig w;
    w.networks = {station("Lab", -50)};
    w.update_version = "K7Q2/1.20/4\n";
    sim::NetworkConfig c;
    c.wifi = w;
    network(c);
    plat_mkdir("/mnt/usr/wifi", 0755);
    std::ofstream(tb.path("/mnt/usr/wifi/url")) << "http://update.invalid/k7q2/'$(reboot)'/\n";
    quiet([] { return thread_download_from_server(reinterpret_cast<void*>(intptr_t(1))); });
    EXPECT_EQ(GetDownloadFinished(), 1);
    EXPECT_EQ(GetUpdateAvailable(), 0);
    NETWORK_ITEM items[2] = {};
    ASSERT_EQ(quiet([&] { return get_network_info(items, 2); }), 1);
    ASSERT_EQ(quiet([&] { return connect_to_network(&items[0], "correct horse"); }), 0);
    quiet([] { return thread_download_from_server(reinterpret_cast<void*>(intptr_t(1))); });
    EXPECT_EQ(GetUpdateAvailable(), 1);
    EXPECT_STREQ(GetDownloadVersion(), "1.20");
    auto log = net->wifi()->argv_log();
    ASSERT_EQ(log.back()[0], "wget");
    EXPECT_EQ(log.back().back(), "http://update.invalid/k7q2/'$(reboot)'/version");
}

} // namespace
