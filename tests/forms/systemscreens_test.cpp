// Every settings and guide screen drawn in English and in Simplified Chinese. With
// SPLICER_SCREENS_DIR set, each is also written there as PNG (docs/screens/ holds them: system-*,
// help-*; "-zh" for Chinese). Three of them are compared with references.
#include <png.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "forms/frmhelpguid.h"
#include "forms/frmsyspassword.h"
#include "forms/password.h"
#include "sim/display.h"
#include "systemtest.h"
#include "tests/support/screens.h"
#include "texts/textres.h"

namespace
{

void save(const std::string& name)
{
    const char* dir = std::getenv("SPLICER_SCREENS_DIR");
    if (!dir || !*dir) return;
    std::vector<uint8_t> rgb = sim::display_compose();
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    img.width = sim::kPanelWidth;
    img.height = sim::kPanelHeight;
    img.format = PNG_FORMAT_RGB;
    const std::string path = std::string(dir) + "/" + name + ".png";
    EXPECT_NE(png_image_write_to_file(&img, path.c_str(), 0, rgb.data(), 0, nullptr), 0) << path;
}

void show(GUIWINDOW* w)
{
    WND_ACTIVE = w;
    w->lReason = FORM_NEXT;
    w->fnInitialize();
    w->fnPaint();
}

void sample_unit()
{
    TABLEUSERINFO user{};
    ASSERT_EQ(GetTable_UserInfo(&user), 0);
    user.dwSpliceCount = 1284;
    user.dwTotalArcCount = 3917;
    user.dwCurArcCount = 1530;
    ASSERT_EQ(SetTable_UserInfo(&user), 0);
    MachineParameter m{};
    ASSERT_EQ(GetTable_MachinePar(&m), 0);
    m.dwLcdSaveTime = 120;
    m.dwAutoPowerOff = 10;
    ASSERT_EQ(SetTable_MachineParEx(&m), 0);
    ASSERT_EQ(PasswordStore(PASSWORD_MENU_LOCK, "2468"), 0);
}

TEST(Screens, SettingsAndGuideInEnglishAndChinese)
{
    formtest::Unit u;
    sample_unit();
    const struct {
        const char* name;
        GUIWINDOW* form;
    } plain[] = {
        {"system-menu", frmSystem},
        {"system-power", frmSysPower},
        {"system-calendar", frmSysCalendar},
        {"system-menulock", frmMenuLock},
        {"system-information", frmInformation},
        {"help-menu", frmHelpGuid},
        {"help-functions", frmUserFunction},
        {"help-splicing", frmUserSpliceProcess},
    };
    const char* const kPageNames[GUIDE_PAGES] = {"power-supply",  "maintenance-menu",
                                                 "setup-menu",    "daily-maintenance",
                                                 "how-to-splice", "check-splice",
                                                 "run-splice",    "protect-splice",
                                                 "overview",      "modes",
                                                 "connectors",    "communication",
                                                 "contact",       "video",
                                                 "tools",         "fiber-preparation"};
    for (int language : {LANG_ENGLISH, LANG_CHINESE_SIMPLIFIED}) {
        ASSERT_EQ(SyncLanguageChange(language), 0);
        const std::string suffix = language == LANG_ENGLISH ? "" : "-zh";
        auto shoot = [&](const std::string& name, GUIWINDOW* w) {
            show(w);
            save(name + suffix);
            if (language == LANG_CHINESE_SIMPLIFIED && name == "system-menu") {
                EXPECT_SCREEN("system-menu-zh");
            }
            if (language == LANG_CHINESE_SIMPLIFIED && name == "help-setup-menu") {
                EXPECT_SCREEN("help-page-zh");
            }
            w->fnRelease();
        };
        for (const auto& s : plain)
            shoot(s.name, s.form);
        for (int p = 0; p < GUIDE_PAGES; ++p)
            shoot(std::string("help-") + kPageNames[p], GuidePageForm(p));

        frmSysPassword->lParam = PASSWORD_MODE_SETTINGS;
        shoot("system-password", frmSysPassword);
        frmSysPassword->lParam = PASSWORD_MODE_POWER_ON;
        shoot("system-password-poweron", frmSysPassword);

        // The prompt of a locked menu after a wrong password, and a new one half typed.
        SysPasswordAsk(frmRootmenu, PASSWORD_MENU_LOCK, frmSplice);
        frmSysPassword->lReason = FORM_NEXT;
        uint64_t at = systest::type_by_keys(u, 300, "1357");
        u.tap(at, systest::RIGHT);
        u.tap(at + 250, "confirm");
        u.tap(at + 500, "confirm");
        u.tb.after_ms(at + 1200, [&] {
            save("system-password-wrong" + suffix);
            if (language == LANG_ENGLISH) {
                EXPECT_SCREEN("system-password-wrong");
            }
        });
        u.tap(at + 1500, "cancel");
        EXPECT_EQ(formtest::run_form(frmSysPassword), 6u);
    }
    SyncLanguageChange(LANG_ENGLISH);
}

} // namespace
