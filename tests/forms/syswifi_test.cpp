// The WiFi screen with a double of the network: connecting with a typed password (saved once the
// connection is up), with a saved one, open networks by touch, refused passwords, forgetting.
#include "formflow.h"
#include "forms/frminfotextedit.h"
#include "forms/frmsyswifi.h"
#include "formtest.h"
#include "netdouble.h"
#include "tests/support/screens.h"

namespace
{

using formtest::NetDouble;

void air(NetDouble& net)
{
    net.air = {{"Fjord-Guest", 3, "northsea1"}, {"Lab", 1, "labpassw0rd"}, {"Café Nord", 2, ""}};
}

TEST(SysWifi, ConnectsWithThePasswordTypedAndSavesIt)
{
    formtest::Unit u;
    NetDouble net;
    air(net);
    // At the front the key named "left" is right (8): from Scan to Connect.
    u.tap(300, "left");
    u.tap(700, "confirm");
    EXPECT_EQ(formtest::run_form(frmSysWifi), 4u);
    ASSERT_EQ(frmSysWifi->pNext, frmInfoTextEdit);
    EXPECT_TRUE(net.attempts.empty());

    // On the keyboard: "q" nine times, then OK (up twice wraps to the function row, left to OK).
    for (int i = 0; i < 9; ++i)
        u.tap(300 + 400 * i, "confirm");
    u.tap(4000, "down");
    u.tap(4400, "down");
    u.tap(4800, "right");
    u.tap(5200, "confirm");
    EXPECT_EQ(formtest::run_form(frmInfoTextEdit), 6u);

    // Back on the WiFi screen the connection is tried with it: refused, nothing saved.
    u.tap(300, "cancel");
    EXPECT_EQ(formtest::run_back(frmSysWifi), 6u);
    ASSERT_EQ(net.attempts.size(), 1u);
    EXPECT_EQ(net.attempts[0], std::make_pair(std::string("Fjord-Guest"), std::string("qqqqqqqqq")));
    EXPECT_EQ(SysWifiMessage(), "Could not connect to Fjord-Guest");
    EXPECT_TRUE(net.saved.empty());

    // The right password connects and is saved ("northsea" given, "1" typed).
    u.tap(300, "left");
    u.tap(700, "confirm");
    EXPECT_EQ(formtest::run_form(frmSysWifi), 4u);
    InfoTextEditOpen(frmSysWifi, {"", "northsea", 63, true});
    u.tap(300, "down"); // the top row: digits
    u.tap(700, "confirm");
    u.tap(1100, "down");
    u.tap(1500, "right");
    u.tap(1900, "confirm");
    EXPECT_EQ(formtest::run_form(frmInfoTextEdit), 6u);
    u.tap(300, "cancel");
    EXPECT_EQ(formtest::run_back(frmSysWifi), 6u);
    ASSERT_EQ(net.attempts.size(), 2u);
    EXPECT_EQ(net.attempts[1].second, "northsea1");
    EXPECT_EQ(net.saved["Fjord-Guest"], "northsea1");
    EXPECT_EQ(SysWifiMessage(), "Connected to Fjord-Guest");
}

TEST(SysWifi, SavedPasswordsShortPasswordsAndForgetting)
{
    formtest::Unit u;
    NetDouble net;
    air(net);
    net.saved["Lab"] = "labpassw0rd";
    // "Lab" is the second row: down (key named "up"), Connect, then Forget.
    u.tap(300, "up");
    u.tap(700, "left");
    u.tap(1100, "confirm");
    u.tap(1500, "left");
    u.tap(1900, "confirm");
    u.tap(2300, "confirm");
    u.tap(2700, "cancel");
    EXPECT_EQ(formtest::run_form(frmSysWifi), 6u);
    ASSERT_EQ(net.attempts.size(), 1u) << "no keyboard for a saved network";
    EXPECT_EQ(net.attempts[0].second, "labpassw0rd");
    EXPECT_EQ(net.current, "Lab");
    EXPECT_TRUE(net.saved.empty());
    EXPECT_EQ(SysWifiMessage(), "Lab is not saved") << "forgotten once, then no more";

    // A password shorter than 8 characters is refused before any attempt.
    u.tap(300, "left");
    u.tap(700, "confirm");
    EXPECT_EQ(formtest::run_form(frmSysWifi), 4u);
    InfoTextEditOpen(frmSysWifi, {"", "short", 63, true});
    u.tap(300, "down");
    u.tap(700, "down");
    u.tap(1100, "right");
    u.tap(1500, "confirm"); // OK
    EXPECT_EQ(formtest::run_form(frmInfoTextEdit), 6u);
    u.tap(300, "cancel");
    formtest::run_back(frmSysWifi);
    EXPECT_EQ(net.attempts.size(), 1u);
    EXPECT_EQ(SysWifiMessage(), "The password needs 8 to 63 characters");
}

TEST(SysWifi, TouchConnectsAnOpenNetwork)
{
    formtest::Unit u;
    formtest::Touch touch(u);
    NetDouble net;
    air(net);
    touch.tap(300, 300, 230); // the third row: the open network
    touch.tap(700, 300, 400); // Connect
    u.tap(1500, "cancel");
    EXPECT_EQ(formtest::run_form(frmSysWifi), 6u);
    ASSERT_EQ(net.attempts.size(), 1u);
    EXPECT_EQ(net.attempts[0], std::make_pair(std::string("Café Nord"), std::string()));
    EXPECT_EQ(SysWifiMessage(), "Connected to Café Nord");
}

// The scan prints bytes outside ASCII as escapes: the screen shows the name, the connection gets
// the name as scanned (the network layer decodes it for wpa_cli).
TEST(SysWifi, EscapedNameShownDecoded)
{
    formtest::Unit u;
    formtest::Touch touch(u);
    NetDouble net;
    net.air = {{"Caf\\xc3\\xa9 Nord", 2, ""}};
    touch.tap(300, 300, 150); // the only row
    touch.tap(700, 300, 400); // Connect
    u.tap(1500, "cancel");
    EXPECT_EQ(formtest::run_form(frmSysWifi), 6u);
    ASSERT_EQ(net.attempts.size(), 1u);
    EXPECT_EQ(net.attempts[0].first, "Caf\\xc3\\xa9 Nord");
    EXPECT_EQ(SysWifiMessage(), "Connected to Café Nord");
}

TEST(Screens, SysWifi)
{
    formtest::Unit u;
    NetDouble net;
    air(net);
    net.saved["Lab"] = "labpassw0rd";
    net.current = "Lab";
    WND_ACTIVE = frmSysWifi;
    frmSysWifi->fnInitialize();
    frmSysWifi->fnPaint();
    EXPECT_SCREEN("syswifi");
    frmSysWifi->fnRelease();
}

} // namespace
