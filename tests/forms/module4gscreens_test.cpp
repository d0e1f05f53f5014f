// The 4G/GPS screens against the simulated module through the location service: user information
// asked for and shown, APN settings typed and acknowledged, the GPS switched off, a bind request
// accepted, the account changed; and their screens drawn from fixed module values.
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "formflow.h"
#include "forms/frmfactgpsinformation.h"
#include "forms/frmgpsswitch.h"
#include "forms/frminfotextedit.h"
#include "forms/frmsys4gbind.h"
#include "forms/frmsystem4gsetting.h"
#include "forms/frmuserinfochange.h"
#include "forms/frmuserinfoshow.h"
#include "forms/netstate.h"
#include "formtest.h"
#include "net/location.h"
#include "net/module4g.h"
#include "sim/dev_simple.h"
#include "sim/module4g.h"
#include "tests/support/screens.h"

namespace
{

struct WithModule {
    formtest::Unit& u;
    std::shared_ptr<sim::Module4G> module;
    explicit WithModule(formtest::Unit& unit) : u(unit)
    {
        sim::Module4GConfig cfg;
        cfg.csq = 18;
        cfg.latitude = 59.9139;
        cfg.longitude = 10.7522;
        cfg.satellites = 9;
        cfg.user_id = "u-1042";
        cfg.user_name = "Field team 3";
        cfg.country = "NO";
        cfg.company = "Northline";
        module = std::make_shared<sim::Module4G>(cfg);
        u.inst().serial().attach_module(module);
        EXPECT_EQ(SetMachineByte(&MachineParameter::b4GEnable, 1), 0);
        EXPECT_EQ(SetMachineByte(&MachineParameter::bGpsEnable, 1), 0);
        EXPECT_EQ(initLocationBaseService(), 0);
    }
    ~WithModule() { locationBaseServiceRelease(); }
    bool received(const std::string& prefix, const std::string& part = "") const
    {
        for (const std::string& l : module->received_lines())
            if (l.rfind(prefix, 0) == 0 && l.find(part) != std::string::npos) return true;
        return false;
    }
};

// The keyboard opened from a form with `start` filled in, confirmed with OK.
void keyboard_ok(formtest::Unit& u, GUIWINDOW* from, const INFOTEXTEDIT& start)
{
    InfoTextEditOpen(from, start);
    u.tap(300, "down");
    u.tap(700, "down");
    u.tap(1100, "right");
    u.tap(1500, "confirm");
    EXPECT_EQ(formtest::run_form(frmInfoTextEdit), 6u);
}

TEST(Module4GScreens, MainPathsThroughTheModule)
{
    formtest::Unit u;
    WithModule m(u);

    // User information: asked on entry, shown when the report came.
    u.tap(2000, "cancel");
    EXPECT_EQ(formtest::run_form(frmUserInfoShow), 6u);
    EXPECT_TRUE(m.received("AT+USER_INFO="));
    EXPECT_EQ(UserInfoShowMessage(), "");
    EXPECT_EQ(ModuleString(locationBaseServiceGetUserName), "Field team 3");

    // APN: the second row edited on the keyboard, then saved: stored and acknowledged.
    u.tap(300, "up"); // at the front: down
    u.tap(700, "confirm");
    EXPECT_EQ(formtest::run_form(frmSystem4GSetting), 4u);
    keyboard_ok(u, frmSystem4GSetting, {"APN", "telia.no", 63, false});
    u.tap(300, "left"); // at the front: right, to Save
    u.tap(700, "confirm");
    u.tap(2000, "cancel");
    EXPECT_EQ(formtest::run_back(frmSystem4GSetting), 6u);
    EXPECT_EQ(System4GSettingMessage(), "Stored and accepted by the module");
    EXPECT_TRUE(m.received("AT+APN=", "\"apn\":\"telia.no\""));
    APN_SETTING set{};
    ASSERT_EQ(locationBaseServiceGet4GSettingParaFromJson(&set), 0);
    EXPECT_STREQ(set.apn, "telia.no");

    // GPS: switched off, kept in the machine settings and sent.
    u.tap(300, "confirm");
    u.tap(700, "cancel");
    EXPECT_EQ(formtest::run_form(frmGpsSwitch), 6u);
    EXPECT_EQ(MachineByte(&MachineParameter::bGpsEnable), 0);
    EXPECT_TRUE(m.received("AT+GPSENABLE=OFF"));

    // A bind request from the service, accepted.
    u.tb.after_ms(500, [&] {
        m.module->send_now("AT+BIND={\"cmd_type\":\"bind\",\"bind\":\"request\",\"user_id\":\"u-7\"}");
    });
    u.tap(3000, "confirm");
    u.tap(3500, "cancel");
    EXPECT_EQ(formtest::run_form(frmSys4GBind), 6u);
    EXPECT_EQ(Sys4GBindMessage(), "Binding accepted");
    EXPECT_TRUE(m.received("AT+BIND=", "\"bind\":\"accept\""));
    EXPECT_EQ(locationBaseServiceQueryBindRequest(), 0);

    // The account: a password typed, then Send.
    u.tap(300, "up");
    u.tap(700, "confirm");
    EXPECT_EQ(formtest::run_form(frmUserInfoChange), 4u);
    keyboard_ok(u, frmUserInfoChange, {"Password", "s3cret", 63, true});
    u.tap(300, "left");
    u.tap(700, "confirm");
    u.tap(2000, "cancel");
    EXPECT_EQ(formtest::run_back(frmUserInfoChange), 6u);
    EXPECT_EQ(UserInfoChangeMessage(), "Account changed");
    EXPECT_TRUE(m.received("AT+CHANGE_USER=", "\"user_id\":\"u-1042\",\"password\":\"s3cret\""));
}

TEST(Module4GScreens, WithoutTheModuleNothingIsClaimed)
{
    formtest::Unit u; // the port answers nothing and the service is not started
    u.tap(300, "confirm");
    u.tap(700, "cancel");
    EXPECT_EQ(formtest::run_form(frmSys4GBind), 6u);
    EXPECT_EQ(Sys4GBindMessage(), "There is no bind request to answer");
    u.tap(300, "left");
    u.tap(700, "confirm");
    u.tap(1100, "cancel");
    EXPECT_EQ(formtest::run_form(frmSystem4GSetting), 6u);
    EXPECT_EQ(System4GSettingMessage(), "Stored; the 4G module is not reachable");
    u.tap(300, "cancel");
    EXPECT_EQ(formtest::run_form(frmUserInfoShow), 6u);
    EXPECT_EQ(UserInfoShowMessage(), "The 4G module is not reachable");
}

TEST(Screens, Module4GScreens)
{
    formtest::Unit u;
    LocationBaseService* s = locationBaseServiceObject();
    {
        PlatLock lk(s->stateMtx);
        MODULE_4G& m = s->module4G;
        m = MODULE_4G{};
        m.SIM = 1;
        m.GPS = 1;
        m.signalLevel = 3;
        m.online4G = 1;
        m.latitude = 59.9139f;
        m.longitude = 10.7522f;
        m.gpgsvLatitude = 59.9138f;
        m.gpgsvLongitude = 10.7521f;
        m.satelliteNum = 9;
        const int snr[4] = {41, 38, 35, 30};
        std::copy(std::begin(snr), std::end(snr), m.snr);
        std::snprintf(m.usedApn, sizeof m.usedApn, "telia.no");
        std::snprintf(m.usedOperator, sizeof m.usedOperator, "Telia");
        std::snprintf(m.userId, sizeof m.userId, "u-1042");
        std::snprintf(m.userName, sizeof m.userName, "Field team 3");
        std::snprintf(m.country, sizeof m.country, "NO");
        std::snprintf(m.company, sizeof m.company, "Northline Fiber AS");
        std::snprintf(m.IMEI, sizeof m.IMEI, "866512345678901");
        std::snprintf(m.mcuVersion, sizeof m.mcuVersion, "4GM-V1.07");
    }
    SetMachineByte(&MachineParameter::b4GEnable, 1);
    SetMachineByte(&MachineParameter::bGpsEnable, 1);
    const APN_SETTING apn = {"telia.no", "Telia", "mobile", "secret"};
    ASSERT_EQ(locationBaseServiceSave4GSettingParaToJson(&apn), 0);
    const struct {
        const char* name;
        GUIWINDOW*& form;
    } cases[] = {{"system4gsetting", frmSystem4GSetting},
                 {"gpsswitch", frmGpsSwitch},
                 {"userinfoshow", frmUserInfoShow},
                 {"userinfochange", frmUserInfoChange},
                 {"sys4gbind", frmSys4GBind},
                 {"factgpsinformation", frmFactGpsInformation}};
    for (auto& c : cases) {
        WND_ACTIVE = c.form;
        c.form->lReason = FORM_NEXT;
        c.form->fnInitialize();
        c.form->fnPaint();
        EXPECT_SCREEN(c.name);
        c.form->fnRelease();
    }
}

} // namespace
