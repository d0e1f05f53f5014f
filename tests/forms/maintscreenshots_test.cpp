// The maintenance screens drawn in English and in Simplified Chinese: the menu, the start-up dust
// check of a clean unit, the dust check with dust found on the Y camera, manual motor drive, motor
// calibration and the diagnostic after a run. With SPLICER_SCREENS_DIR set, each is written there
// as PNG (docs/screens/maint-*; "-zh" for Chinese). The dust check's picture is compared with its
// reference.
#include <png.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "devices/motor.h"
#include "fiber/dustcheck.h"
#include "formflow.h"
#include "forms/frmmaintdustscreen.h"
#include "formtest.h"
#include "sim/display.h"
#include "sim/instrument.h"
#include "sim/scene.h"
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

TEST(Screens, MaintenanceInEnglishAndChinese)
{
    formtest::Unit u;
    ASSERT_EQ(ResetAllMotor(), 0);
    const std::vector<sim::Dust> dust = {{250, 260, 2, 0.8}, {420, 190, 1.5, 0.7}};
    for (int language : {LANG_ENGLISH, LANG_CHINESE_SIMPLIFIED}) {
        ASSERT_EQ(SyncLanguageChange(language), 0);
        const std::string suffix = language == LANG_ENGLISH ? "" : "-zh";
        // Each screen is taken while it waits, just before the Cancel that ends it.
        auto shoot = [&](GUIWINDOW* w, const std::string& name, std::initializer_list<const char*> keys,
                         uint64_t settle) {
            uint64_t at = 300;
            for (const char* k : keys) {
                u.tap(at, k);
                at += 400;
            }
            u.tb.after_ms(at + settle, [&, name] { save(name + suffix); });
            u.tap(at + settle + 200, "cancel");
            formtest::run_form(w);
        };
        shoot(frmMaintain, "maint-menu", {"up", "up", "up"}, 500);
        u.inst().scene().set_dust(2, dust);
        // Run finds the dust on Y: its error; Cancel answers it; X/Y shows the Y view.
        u.tap(300, "run");
        u.tb.after_ms(900, [&] { save("maint-dust-error" + suffix); });
        u.tap(1000, "cancel");
        u.tap(1600, "view");
        u.tb.after_ms(2300, [&] {
            save("maint-dust" + suffix);
            if (language == LANG_ENGLISH) {
                EXPECT_SCREEN("maint-dust");
            }
        });
        u.tap(2500, "cancel");
        formtest::run_form(frmMaintDust);
        // The start-up check of a clean unit, once it has drawn its picture and verdict (it shows
        // them a moment and goes on by itself).
        u.inst().scene().set_dust(2, {});
        bool shot = false;
        std::function<void()> checked = [&] {
            if (DustScreenState() != DUST_STATE_PASSED) return void(u.tb.after_ms(50, checked));
            u.tb.after_ms(300, [&] {
                save("maint-dust-start" + suffix);
                shot = true;
            });
        };
        u.tb.after_ms(50, checked);
        formtest::run_form(frmMaintDustStart);
        EXPECT_TRUE(shot);
        u.inst().scene().set_dust(2, dust);
        shoot(frmMaintMotorDriver, "maint-motordrive", {"up", "up", "up", "up", "right", "right"}, 800);
        shoot(frmMaintMotor, "maint-motorcal", {"run"}, 90000);
        shoot(frmMaintDiagnostic, "maint-diagnostic", {"run"}, 30000);
    }
    SyncLanguageChange(LANG_ENGLISH);
}

} // namespace
