// Test bed of fibre feeding: the whole simulated unit lit, homed and focused, the factory tables
// matching the simulated optics (electrode columns, 200 steps per 100 pixels, 12 steps of play),
// and the truth of where the pictures show each fibre end.
#pragma once

#include <cerrno>
#include <cmath>
#include <optional>

#include "devices/motor.h"
#include "devices/platdev.h"
#include "sim/camera_render.h"
#include "sim/scene.h"
#include "splice/press.h"
#include "splice/quickmode.h"
#include "splice/spliceinfo.h"
#include "tests/fiber/fibertest.h"

namespace presstest
{

constexpr int kCoef = 200, kPlay = 12;
// An end within the dead band of its target, plus a pixel for the truncation to whole pixels and
// one for the measurement against the truth.
constexpr double kTolerance = 5.0;

class PressTest : public fibertest::FiberTest
{
  protected:
    void SetUp() override
    {
        FiberTest::SetUp();
        QUICK_MODE = 0;
        devtest::factsys([](TABLEFACTORYSYS& f) {
            f.lElecPosX = int32_t(sim::optics::kAxisColumn[0]);
            f.lElecPosY = int32_t(sim::optics::kAxisColumn[1]);
            f.lXLedVolt = f.lYLedVolt = 127;
            f.lRPressBacklashFB = f.lRPressBacklashBF = kPlay;
        });
        devtest::change<TABLEFACTMOTORPAR>(
            GetTable_FactMotorPar, SetTable_FactMotorPar, [](TABLEFACTMOTORPAR& m) {
                m.lLPressCl = m.lRPressCl = kPlay;
                m.lLPressCoef1 = m.lLPressCoef2 = m.lRPressCoef1 = m.lRPressCoef2 = kCoef;
            });
        ASSERT_EQ(LedOn(), 0);
        // The exposure the brightness calibration settles at: a background of 64.
        ASSERT_EQ(WriteCameraReg(3, 3, 0), 0);
        ASSERT_EQ(WriteCameraReg(3, 4, 28), 0);
        InitializeSpliceInformation();
    }
    void TearDown() override
    {
        inst().motors().set_fault_hook(nullptr);
        QUICK_MODE = 0;
        FiberTest::TearDown();
    }

    // The unit as the sequence leaves it before feeding: screen turned, motors homed, the focus
    // a little off the axis, speed 0; then the pair is laid in where the feed stages stand.
    void unit(bool rear, const sim::FibrePair& pair)
    {
        rear_ = rear;
        ASSERT_EQ(rear ? LcdTurnRear() : LcdTurnFront(), 0);
        ASSERT_EQ(ResetAllMotor(), 0);
        SetMotorOn(MOT_ALL);
        SetMotorSpeed(0);
        const int focus = int(sim::optics::kFocusOnAxisSteps + 15 / sim::optics::kFocusUmPerStep);
        ASSERT_EQ(RelocateFocusMotor(focus, focus), 0);
        SetMotorOff(MOT_ALL);
        inst().scene().set_fibres(pair);
        sim::clear_call_log();
    }

    // End column of the picture's left (side 0) or right fibre in view, as the scene draws it.
    double truth_end(int view, int side) const
    {
        const sim::ViewTruth t = inst().scene().truth(view);
        const sim::FibreTruth& f = t.fibre[size_t(rear_ ? 1 - side : side)];
        if (!f.present) return NAN;
        return rear_ ? 639.0 - f.tip_col : f.tip_col;
    }
    double truth_end(int side) const { return (truth_end(1, side) + truth_end(2, side)) / 2; }
    bool in_view(int side) const
    {
        for (int view : {1, 2}) {
            const double c = truth_end(view, side);
            if (!(c > 0 && c < 639)) return false;
        }
        return true;
    }
    sim::Instrument& inst() const { return bed_->instrument(); }

    bool motors_quiet()
    {
        uint32_t running = 1;
        return GetMotorRunMask(&running) == 0 && (running & MOT_ALL) == 0 &&
               !inst().motors().powered(int(MOT_LPRESS_ID.load())) &&
               !inst().motors().powered(int(MOT_RPRESS_ID.load()));
    }

    // Request `req` of the motor device fails with EIO the next `times` times (-1: always).
    void fail_request(unsigned long req, int times)
    {
        auto left = std::make_shared<int>(times);
        inst().motors().set_fault_hook([req, left](sim::DevCall call, unsigned long r,
                                                   void*) -> std::optional<int> {
            if ((call != sim::DevCall::Ioctl && call != sim::DevCall::IoctlValue) || r != req || *left == 0)
                return std::nullopt;
            if (*left > 0) --*left;
            errno = EIO;
            return -1;
        });
    }

    // Feeding and the gap as the sequence runs them (the shadow thresholds measured in between,
    // as the steps between them do).
    int feed_and_gap(int gap, int kerfOff = 50)
    {
        if (const int r = AutoPress(); r != 0) return r;
        if (GetGraphicsData(VIEWMASK_XY) != 0 || GetShadowBrightEx(VIEWMASK_XY) != 0) return -2;
        return SplicePrecisionPressAdjust(6, 0, kerfOff, gap, 0);
    }
    int centre(int kerfOff = 50) const
    {
        return (GetElectrodeLocationInLcdPosition(1) + GetElectrodeLocationInLcdPosition(2)) / 2 + kerfOff -
               50;
    }
    bool rear_ = false;
};

} // namespace presstest
