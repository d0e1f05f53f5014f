// The alignment's and focus's rules at their edges: the step planner's dead bands, rounding and
// reversal hysteresis, the focus move, the target offsets of the attenuation modes, the seating
// codes and thresholds, and the combined move words.
#include <cmath>
#include <cstring>

#include "devices/motor_pair.h"
#include "fiber/corelines.h"
#include "fiber/profile.h"
#include "tests/splice/aimtest.h"

namespace
{
using aimtest::AimBed;

TEST(AimTables, StepPlannerDeadBandRoundingAndReversal)
{
    struct Case {
        float e;
        uint8_t def;
        float band;
        uint8_t prev;
        int steps;
        uint8_t dir, prevAfter;
    } cases[] = {
        {0.29f, 0, 0.3f, 1, 0, 1, 1}, // within the dead band: no step, the direction kept
        {0.31f, 0, 0.3f, 0, 0, 0, 0}, // outside, but rounds to no step
        {0.6f, 0, 0.3f, 0, 1, 0, 0},  // rounds up
        {-0.9f, 0, 0.3f, 0, 0, 0, 0}, // a reversal under one step is suppressed
        {-1.0f, 0, 0.3f, 0, 1, 1, 1}, // one step reverses
        {2.5f, 1, 0.3f, 1, 3, 1, 1},  // halves away from zero
        {-2.5f, 1, 0.3f, 0, 3, 0, 0}, // negative: the other direction
        {1.9f, 1, 2.0f, 0, 0, 0, 0},  // quick mode's dead band
        {2.4f, 1, 2.0f, 1, 2, 1, 1},  {NAN, 0, 0.3f, 1, 0, 1, 1}, // no measurement: no step
    };
    for (const Case& c : cases) {
        uint8_t prev = c.prev, dir = 9;
        EXPECT_EQ(PlanAimStep(c.e, c.def, c.band, &prev, &dir), c.steps) << c.e;
        EXPECT_EQ(dir, c.dir) << c.e;
        EXPECT_EQ(prev, c.prevAfter) << c.e;
    }
}

TEST(AimTables, FocusMoveFromTheRatio)
{
    struct Case {
        float r, target;
        int coef;
        uint8_t dir;
        float move;
    } cases[] = {
        {0.0f, 30, 1200, 0, 500.0f}, // no focus information
        {29.5f, 30, 1200, 1, 6.0f},  // band too narrow: down
        {30.0f, 30, 1200, 1, 0.0f},  // on target counts as at or below
        {31.0f, 30, 1200, 0, 12.0f}, // too wide: up
        {50.0f, 10, 100, 0, 40.0f},
    };
    for (const Case& c : cases) {
        uint8_t dir = 9;
        EXPECT_FLOAT_EQ(PlanFocusMove(c.r, c.target, c.coef, &dir), c.move) << c.r;
        EXPECT_EQ(dir, c.dir) << c.r;
    }
}

class AimBedTables : public AimBed
{
};

TEST_F(AimBedTables, TargetOffsetOfTheAttenuationModes)
{
    struct Case {
        uint8_t mode, loss;
        double um;
    } cases[] = {
        {9, 20, 17.675 * std::pow(2.0, 0.3971)},
        {10, 20, 4.4788 * std::pow(2.0, 0.502)},
        {11, 20, 3.5073 * std::pow(2.0, 0.6805)},
        {9, 100, 25.0}, // capped
        {11, 0, 0.0},
        {3, 20, 0.0},
    };
    for (const Case& c : cases) {
        info()->CurrentSplice.bTemplateIndex = c.mode;
        info()->CurrentSplice.bTargetLoss = c.loss;
        testing::internal::CaptureStdout();
        EXPECT_NEAR(GetTargetOffset(0.2f, 10.4f), std::min(c.um, 25.0) / 0.645, 1e-3) << int(c.mode);
        const std::string log = testing::internal::GetCapturedStdout();
        if (c.mode >= 9 && c.mode <= 11) {
            EXPECT_NE(log.find("Target:" + std::to_string(c.loss / 10) + "(dB)"), std::string::npos) << log;
        }
    }
}

TEST_F(AimBedTables, CombinedMoveWordsSplitAtTheFieldWidth)
{
    light(false);
    sim::clear_call_log();
    ASSERT_EQ(MoveMotorPairRaw(MOT_XALIGN_ID, 1, 5000, MOT_YALIGN_ID, 0, 10), 0);
    const std::vector<uint32_t> w = devtest::words(DEV_MOTOR, MOT_MOVE_TWO);
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0], 4u << 29 | 0u << 28 | 10u << 16 | 1u << 13 | 1u << 12 | 4095u);
    EXPECT_EQ(w[1], 4u << 29 | 0u << 28 | 0u << 16 | 1u << 13 | 1u << 12 | 905u);
}

TEST_F(AimBedTables, ManualKeysTapFourStepsAndRunWhileHeld)
{
    light(false);
    ManualFlag = 0;
    const int x0 = motors().position(aimtest::kXAlign);
    EXPECT_EQ(ManualAimUp(0, 4), 0); // not in manual mode: nothing
    EXPECT_EQ(motors().position(aimtest::kXAlign), x0);
    ManualFlag = 1;
    ASSERT_EQ(ManualAimUp(0, 4), 0);
    WaitMotorStop(MOT_ALL);
    EXPECT_EQ(motors().position(aimtest::kXAlign), x0 + 4);
    ASSERT_EQ(ManualAimDown(0, 3), 0);
    WaitMotorStop(MOT_ALL);
    EXPECT_EQ(motors().position(aimtest::kYFocus), -4);
    // Held: the motor runs until the key is let go, then every motor stops.
    ASSERT_EQ(ManualAimDown(1, 5), 0);
    plat_sleep_ms(200);
    EXPECT_TRUE(any_running());
    StopMotor(MOT_ALL);
    EXPECT_FALSE(any_running());
    EXPECT_LT(motors().position(aimtest::kYAlign), -4);
    EXPECT_EQ(ManualAimUp(2, 4), 0); // later repeats do not restart it
    EXPECT_FALSE(any_running());
    ManualFlag = 0;
}

TEST_F(AimBedTables, FocusPositionCheckFindsTheBandInTheShadow)
{
    int runX = -1, runY = -1;
    light(false);
    lay(sim::FibrePair{});
    EXPECT_EQ(CheckFocusPosition(3, &runX, &runY), 0);
    EXPECT_GE(runX, 16);
    EXPECT_GE(runY, 16);
    EXPECT_EQ(CheckFocusPosition(2, &runX, &runY), 0); // only the view asked for
    EXPECT_EQ(runX, 0);
    EXPECT_GE(runY, 16);
}

// The FPGA's column profiles of both views drawn as two fibres of 194 rows with centres at the
// given rows (-1: no fibre in that image).
class Seating : public AimBed
{
  protected:
    void serve(double xl, double xr, double yl, double yr)
    {
        rows_ = {xl, xr, yl, yr};
        inst().camera().set_fault_hook(
            [this](sim::DevCall call, unsigned long req, void* arg) -> std::optional<int> {
                if (call != sim::DevCall::Ioctl || req != CAM_BRIGHT_WAVE || !arg) return std::nullopt;
                auto* rec = static_cast<BrightWaveRecord*>(arg);
                if (!rec->pBuffer || rec->lLine > 9) return std::nullopt;
                const int index[] = {0, 3, 4, 7};
                int which = -1;
                for (int i = 0; i < 4; ++i)
                    if (int(rec->lLine) == index[i]) which = i;
                if (which < 0 || rows_[size_t(which)] < 0) {
                    std::memset(rec->pBuffer, 200, rec->lLine < 8 ? 480 : 640);
                    return 0;
                }
                fibertest::Fibre f;
                f.centre = rows_[size_t(which)];
                const auto p = fibertest::byte_profile(f);
                std::memcpy(rec->pBuffer, p.data(), 480);
                return 0;
            });
    }
    void TearDown() override
    {
        inst().camera().set_fault_hook(nullptr);
        AimBed::TearDown();
    }
    std::array<double, 4> rows_{};
};

TEST_F(Seating, CodesOfEachViewAndTheStrictLimit)
{
    light(false);
    struct Case {
        double xl, xr, yl, yr;
        int loose, strict;
    } cases[] = {
        {240, 240, 240, 240, 0, 0},
        {240, -1, 240, 240, 1, 1},  // X: a fibre missing
        {240, 60, 240, 240, 2, 2},  // X: its top cut off, compare the lower edges
        {240, 420, 240, 240, 3, 3}, // X: its bottom cut off
        {240, 240, -1, 240, 4, 4},
        {240, 240, 70, 240, 5, 5},
        {240, 240, 240, 410, 6, 6},
        {170, 330, 240, 240, 0, 0}, // 160 rows apart: seated
        {170, 331, 240, 240, 0, AIM_ERR_SEATING},
        {240, 240, 330, 169, 0, AIM_ERR_SEATING},
    };
    for (const Case& c : cases) {
        serve(c.xl, c.xr, c.yl, c.yr);
        SCOPED_TRACE(testing::Message() << c.xl << " " << c.xr << " " << c.yl << " " << c.yr);
        EXPECT_EQ(CheckPhotoCoupleState(fibre(), 0), c.loose);
        EXPECT_EQ(CheckPhotoCoupleState(fibre(), 1), c.strict);
    }
}

TEST_F(Seating, CorrectionsUnder301StepsAreNotMade)
{
    light(false);
    devtest::change<TABLEFACTMOTORPAR>(GetTable_FactMotorPar, SetTable_FactMotorPar,
                                       [](TABLEFACTMOTORPAR& p) { p.lXAlignCoef2 = p.lYAlignCoef2 = 80; });
    struct Case {
        int code, diff, moved, steps;
    } cases[] = {{2, 300, 0, 0}, {2, 301, 1, 301}, {3, -301, 1, 301}, {5, -300, 0, 0}, {6, 302, 1, 302}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        APPFIBER_INFO& l = c.code <= 3 ? fibre()->graX.infL : fibre()->graY.infL;
        APPFIBER_INFO& r = c.code <= 3 ? fibre()->graX.infR : fibre()->graY.infR;
        l.iCladUp = l.iCladDown = 0;
        r.iCladUp = r.iCladDown = c.diff;
        const int id = c.code <= 3 ? aimtest::kXAlign : aimtest::kYAlign;
        const int before = motors().position(id);
        int moved = -1;
        EXPECT_EQ(AllignErrCorrect(c.code, fibre(), &moved), 0);
        EXPECT_EQ(moved, c.moved);
        EXPECT_EQ(std::abs(motors().position(id) - before), c.steps);
        if (c.moved) {
            EXPECT_EQ(motors().upper(id), AIM_WIDE_LIMIT);
        }
    }
    int moved = -1;
    EXPECT_EQ(AllignErrCorrect(7, fibre(), &moved), 7); // not a seating code
    EXPECT_EQ(moved, 0);
}
} // namespace
