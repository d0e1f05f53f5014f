// Test bed of the alignment and focus: the simulated instrument lit, its stages placed, a pair of
// fibres laid in at the gap, the motor coefficients of the factory table, and the truth of where
// the fibres and their cores really are.
#pragma once

#include <cmath>
#include <cstdint>

#include "devices/motor.h"
#include "devices/platdev.h"
#include "sim/camera_render.h"
#include "sim/dev_motor.h"
#include "sim/scene.h"
#include "splice/aim.h"
#include "splice/spliceinfo.h"
#include "tests/fiber/fibertest.h"
#include "tests/sim/sim_util.h"

namespace aimtest
{

// Left minus right, um, across a view: the cladding axes and the core axes as they truly lie;
// and the two views combined.
inline double true_clad_um(const sim::Scene& scene, int view)
{
    const sim::ViewScene vs = scene.view_scene(view);
    return (vs.fibre[0].centre_row - vs.fibre[1].centre_row) * sim::optics::kUmPerPx;
}
inline double true_core_um(const sim::Scene& scene, int view)
{
    const sim::ViewScene vs = scene.view_scene(view);
    return true_clad_um(scene, view) + vs.fibre[0].core_um - vs.fibre[1].core_um;
}
inline double true_clad_um(const sim::Scene& scene)
{
    return std::hypot(true_clad_um(scene, 1), true_clad_um(scene, 2));
}
inline double true_core_um(const sim::Scene& scene)
{
    return std::hypot(true_core_um(scene, 1), true_core_um(scene, 2));
}

constexpr int kAlignCoef = 645;  // steps per 100 pixels: 0.1 um per step, 0.645 um per pixel
constexpr int kFocusCoef = 1200; // steps per 100 percent of focus ratio
constexpr int kXFocus = 0, kXAlign = 1, kYFocus = 3, kYAlign = 4;

class AimBed : public fibertest::FiberTest
{
  protected:
    void SetUp() override
    {
        FiberTest::SetUp();
        devtest::change<TABLEFACTMOTORPAR>(GetTable_FactMotorPar, SetTable_FactMotorPar,
                                           [](TABLEFACTMOTORPAR& p) {
                                               p.lXAlignCoef2 = p.lYAlignCoef2 = kAlignCoef;
                                               p.lXFocusCoef2 = p.lYFocusCoef2 = kFocusCoef;
                                           });
        InitializeSpliceInformation(); // the default image has no mode in use: set below
        info()->CurrentSplice.bAlignType = 1;
        info()->CurrentSplice.bLeftFocus = 30;
        info()->CurrentSplice.bCoreShiftCompensation = 100;
        XAimPrevDir = YAimPrevDir = 0;
    }
    SPLICE_INFORMATION* info() { return GetCurrentInformation(); }
    APPFIBER* fibre() { return GetFiberStruct(); }
    sim::MotorDevice& motors() { return inst().motors(); }

    // Backlight and exposure as the calibration leaves them, the screen turned as asked, the
    // align stages `x` and `y` steps from their switches and the focus stages `fx`, `fy` steps
    // off their on-axis position.
    void light(bool rear, int x = 0, int y = 0, int fx = 0, int fy = 0)
    {
        motors().place(kXAlign, 0, -x);
        motors().place(kYAlign, 0, -y);
        motors().place(kXFocus, 0, -(int(sim::optics::kFocusOnAxisSteps) + fx));
        motors().place(kYFocus, 0, -(int(sim::optics::kFocusOnAxisSteps) + fy));
        simtest::Dev led(DEV_LED), cam(DEV_CAMERA);
        led.set(LED_SET, 0x807F7F);
        for (unsigned long req : {CAM_SENSOR_WRITE_X, CAM_SENSOR_WRITE_Y}) {
            uint8_t e3[3] = {'B', 3, 0x00}, e4[3] = {'B', 4, 0x1C};
            PointerRecord p3{e3, 3}, p4{e4, 3};
            plat_ioctl(cam.fd, req, &p3);
            plat_ioctl(cam.fd, req, &p4);
        }
        // Turned both ways: a case after a rear one must not stay turned.
        rear ? LcdTurnRear() : LcdTurnFront();
        SetMotorOrientation(rear ? 1 : 0);
    }
    // A pair laid in with both tips `tips` um from the electrode axis (at the gap).
    void lay(sim::FibrePair pair, double tips = 12.0)
    {
        pair.tips_um = tips;
        inst().scene().set_fibres(pair);
    }

    double clad_offset(int view) { return true_clad_um(inst().scene(), view); }
    double core_offset(int view) { return true_core_um(inst().scene(), view); }
    double clad_offset() { return true_clad_um(inst().scene()); }
    double core_offset() { return true_core_um(inst().scene()); }

    // Combined moves sent to the motor device since the last clear.
    int pair_moves()
    {
        int n = 0;
        uint64_t last = UINT64_MAX;
        for (const auto& m : motors().moves())
            if (m.request == MOT_MOVE_TWO && m.t_us != last) ++n, last = m.t_us;
        return n;
    }
    bool any_running() { return (motors().running_word() & 0x3F) != 0; }
};

} // namespace aimtest
