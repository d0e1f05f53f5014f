// The software update screen: an update started by Confirm (no stick: the failure state; a
// package: installed and the unit rebooted), the downgrade prompt answered by touch, and its
// screens at every step.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "formflow.h"
#include "forms/frmmaintupdate.h"
#include "formtest.h"
#include "sim/backend.h"
#include "tests/support/screens.h"
#include "update/updatepackage.h"
#include "update/updater.h"

namespace
{

namespace fs = std::filesystem;

std::vector<uint8_t> slurp(const std::string& p)
{
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Puts a stick in with a package of the installed files and the application at version `app`.
void stick_with_app(formtest::Unit& u, const std::string& app)
{
    std::array<std::vector<uint8_t>, UPD_FILE_COUNT> img;
    std::array<std::string, UPD_FILE_COUNT> ver;
    for (int f = 0; f < UPD_FILE_COUNT; ++f) {
        img[f] = slurp(u.tb.path(UpdFileOf(f).installed));
        ver[f] = UpdTrailerVersion(img[f]);
    }
    ver[UPD_APP] = app;
    auto pkg = UpdBuildPackage(img, ver);
    fs::create_directories(u.tb.root() + "/usb");
    std::ofstream(u.tb.root() + "/usb/K7Q2_sw_m6.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(pkg.data()), std::streamsize(pkg.size()));
    sim::set_usb_present(true);
}

TEST(MaintUpdate, ConfirmRunsTheUpdateFromTheStick)
{
    formtest::Unit u;
    // No stick: the failure state, nothing installed.
    u.tap(300, "confirm");
    u.tap(2000, "cancel");
    EXPECT_EQ(formtest::run_form(frmMaintUpdate), 6u);
    EXPECT_EQ(GetUpdateState(), UPD_STATE_FAILED);

    // A stick with a new application: installed, then the reboot.
    stick_with_app(u, "1.20");
    u.tap(300, "confirm");
    u.tap(9000, "cancel");
    EXPECT_EQ(formtest::run_form(frmMaintUpdate), 6u);
    EXPECT_EQ(GetUpdateState(), UPD_STATE_DONE);
    EXPECT_TRUE(u.tb.powered_off()) << "rebooted";
    EXPECT_EQ(UpdTrailerVersion(slurp(u.tb.path("/mnt/appmain"))), "1.20");
}

TEST(MaintUpdate, TouchAnswersTheDowngradePrompt)
{
    formtest::Unit u;
    formtest::Touch touch(u);
    const std::string installed = UpdTrailerVersion(slurp(u.tb.path("/mnt/appmain")));
    stick_with_app(u, "0.90");
    // Cancel touched: nothing installed, the screen stays.
    u.tap(300, "confirm");
    u.tb.after_ms(2500, [] { EXPECT_SCREEN("maintupdate_ask"); });
    touch.tap(3000, 490, 175);
    u.tap(5000, "cancel");
    EXPECT_EQ(formtest::run_form(frmMaintUpdate), 6u);
    EXPECT_EQ(UpdTrailerVersion(slurp(u.tb.path("/mnt/appmain"))), installed);
    EXPECT_FALSE(u.tb.powered_off());
    // OK touched: the older application is installed.
    u.tap(300, "confirm");
    touch.tap(3000, 310, 175);
    u.tap(12000, "cancel");
    EXPECT_EQ(formtest::run_form(frmMaintUpdate), 6u);
    EXPECT_EQ(UpdTrailerVersion(slurp(u.tb.path("/mnt/appmain"))), "0.90");
    EXPECT_TRUE(u.tb.powered_off()) << "rebooted";
}

TEST(Screens, MaintUpdate)
{
    formtest::Unit u;
    WND_ACTIVE = frmMaintUpdate;
    frmMaintUpdate->fnInitialize();
    frmMaintUpdate->fnPaint();
    EXPECT_SCREEN("maintupdate");
    UpdateView& v = MaintUpdateView();
    v.ShowCaution();
    for (int step = 1; step <= 7; ++step) {
        v.ShowState(step == 1 ? UPD_STATE_IDLE : step == 7 ? UPD_STATE_DONE : UPD_STATE_RUNNING);
        v.ShowStep(step);
        EXPECT_SCREEN("maintupdate_step" + std::to_string(step));
    }
    v.ShowUsbOut();
    EXPECT_SCREEN("maintupdate_usbout");
    frmMaintUpdate->fnRelease();

    frmMaintUpdate->fnInitialize();
    frmMaintUpdate->fnPaint();
    v.ShowCaution();
    v.ShowStep(2);
    v.ShowMessage("May crash by 1.10, press 'O' to continue");
    EXPECT_SCREEN("maintupdate_downgrade");
    v.ShowState(UPD_STATE_FAILED);
    EXPECT_SCREEN("maintupdate_failed");
    frmMaintUpdate->fnRelease();
}

} // namespace
