// The arithmetic of the gap loops: move words, dead bands, coefficients, backlash, reversals, the
// final check and the overlap correction.
#include <gtest/gtest.h>

#include <cmath>

#include "fiber/fiberstruct.h"
#include "splice/press.h"
#include "splice/spliceinfo.h"

namespace
{

TEST(PressSteps, MoveWord)
{
    struct Case {
        uint32_t lid;
        bool lf;
        uint32_t ls, rid;
        bool rf;
        uint32_t rs, word;
        bool ok;
    } cases[] = {
        {5, true, 1, 2, true, 1, 0x5001B001, true},    {5, false, 4095, 2, false, 4095, 0x4FFFAFFF, true},
        {2, true, 0, 5, false, 100, 0xA0645000, true}, {7, true, 4095, 7, true, 4095, 0xFFFFFFFF, true},
        {5, true, 4096, 2, true, 0, 0, false},         {5, true, 0, 8, true, 0, 0, false},
    };
    for (const Case& c : cases) {
        uint32_t w = 0;
        EXPECT_EQ(PackPressMove(c.lid, c.lf, c.ls, c.rid, c.rf, c.rs, &w), c.ok);
        if (c.ok) {
            EXPECT_EQ(w, c.word) << std::hex << c.word;
        }
    }
}

TEST(PressSteps, PrecisionDeadBandCoefficientsAndBacklash)
{
    const PressSideCoef coef{200, 210, 194.0f, 12, 7};
    struct Case {
        int error, pass;
        bool forward;
        int steps, backlash;
    } cases[] = {
        {3, 1, true, 0, 0},     {-3, 1, true, 0, 0}, {4, 1, true, 7, 0}, // 4 x 194 / 100
        {-4, 1, false, 8, 12}, // backward on the factory backward coefficient, after a forward move
        {100, 1, true, 194, 0},
    };
    for (const Case& c : cases) {
        PressSideState s;
        const PressSideMove m = PrecisionSideMove(c.error, c.pass, coef, &s);
        EXPECT_EQ(m.forward, c.forward) << c.error;
        EXPECT_EQ(m.steps, c.steps) << c.error;
        EXPECT_EQ(m.backlash, c.backlash) << c.error;
    }

    // Back then forward again takes up the play each way; the second overshoot after the first
    // pass freezes the side.
    PressSideState s;
    EXPECT_EQ(PrecisionSideMove(-10, 1, coef, &s).backlash, 12);
    EXPECT_EQ(s.reversals, 0);
    PressSideMove m = PrecisionSideMove(10, 2, coef, &s);
    EXPECT_TRUE(m.forward);
    EXPECT_EQ(m.backlash, 7);
    m = PrecisionSideMove(-10, 3, coef, &s);
    EXPECT_EQ(m.steps, 21);
    EXPECT_EQ(m.backlash, 12);
    EXPECT_EQ(PrecisionSideMove(-10, 4, coef, &s).steps, 0);
    EXPECT_EQ(PrecisionSideMove(10, 5, coef, &s).steps, 0);
    EXPECT_EQ(s.reversals, 2);
}

TEST(PressSteps, ForwardCoefficientChoice)
{
    struct Case {
        int factory;
        float measured;
        int used;
    } cases[] = {
        {200, 205.9f, 205}, {200, 194.1f, 194}, {200, 206.0f, 200}, {200, 194.0f, 194},
        {200, 195.0f, 195}, {200, NAN, 200},    {200, 150.0f, 150},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ForwardCoefficient(c.factory, c.measured), c.used) << c.measured;

    // A measurement counts only from a long enough move with a result near the factory value.
    EXPECT_FLOAT_EQ(MeasuredCoefficient(200, 400, 200.0f), 200.0f);
    EXPECT_FLOAT_EQ(MeasuredCoefficient(200, 388, 200.0f), 194.0f);
    EXPECT_TRUE(std::isnan(MeasuredCoefficient(200, 30, 15.0f)));   // too short
    EXPECT_TRUE(std::isnan(MeasuredCoefficient(200, 400, 100.0f))); // a slip, not the stage
    EXPECT_TRUE(std::isnan(MeasuredCoefficient(200, 400, NAN)));
    EXPECT_TRUE(std::isnan(MeasuredCoefficient(200, 400, -200.0f)));
    EXPECT_TRUE(std::isnan(MeasuredCoefficient(0, 400, 200.0f)));
}

TEST(PressSteps, SimpleLoopSteps)
{
    struct Case {
        int error, coef, pass, steps;
    } cases[] = {
        {1, 200, 1, 0},  {-1, 200, 1, 0}, {2, 200, 1, 4},  {-2, 200, 1, 4}, {10, 200, 2, 10},
        {10, 200, 4, 5}, {10, 200, 9, 5}, {1000, 0, 1, 1}, {3, 10, 4, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SimpleSideSteps(c.error, c.coef, c.pass), c.steps) << c.error << " " << c.pass;
}

TEST(PressSteps, FinalCheckAtItsEdges)
{
    // Centre 320, gap 15: the left end belongs at 305, the right one at 320.
    struct Case {
        float l, r;
        int code;
    } cases[] = {
        {305, 320, 0}, {289, 320, 0},   {288, 320, 244}, {321, 320, 0},   {322, 320, 244},
        {305, 336, 0}, {305, 337, 244}, {305, 304, 0},   {305, 303, 244}, {288.9f, 336.9f, 244},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PressGapCheck(320, 15, c.l, c.r), c.code) << c.l << " " << c.r;
}

TEST(PressSteps, OverlapCorrection)
{
    InitializeFiberStruct();
    auto ends = [](float face, float core, uint8_t flag) {
        for (int view : {1, 2})
            for (int side : {0, 1}) {
                APPFIBER_INFO* f = GetFiberInfo(view, side);
                f->bEndfaceFlag = flag;
                f->fEndfacePos = side == 0 ? 300 : 300 + face;
                f->fCoreEndface = side == 0 ? 298 : 298 + core;
            }
    };
    APPSPLICE& mode = GetCurrentInformation()->CurrentSplice;
    struct Case {
        float face, core;
        uint8_t flag, overlap, result;
    } cases[] = {
        {20, 30, 1, 10, 15},   // the cores lie 10 further apart: half of it more push
        {20, 10, 1, 10, 10},   // a smaller core gap leaves the overlap alone
        {20, 25, 1, 10, 12},   // a half pixel is dropped
        {20, 40, 1, 250, 255}, // the sum saturates
        {20, 30, 0, 10, 10},   // end faces not measured
    };
    for (const Case& c : cases) {
        ends(c.face, c.core, c.flag);
        mode.bKerfOverlap = c.overlap;
        TuneOverlap();
        EXPECT_EQ(mode.bKerfOverlap, c.result) << c.face << " " << c.core;
    }
    // A core end that is not a number measures nothing.
    ends(20, 30, 1);
    GetFiberInfo(2, 1)->fCoreEndface = NAN;
    mode.bKerfOverlap = 10;
    TuneOverlap();
    EXPECT_EQ(mode.bKerfOverlap, 10);
}

} // namespace
