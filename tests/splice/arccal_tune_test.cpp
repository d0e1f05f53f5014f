// The arithmetic of the arc calibration: the correction from the measured melt-back, its clamps
// and damping, the high-altitude secant and bracket, the start value from the air, the electrode
// re-centring and the back end-face position on a drawn frame.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "fiber/graphics.h"
#include "splice/arccal.h"

TEST(ArcCalTune, CorrectionTable)
{
    struct Row {
        float measured;
        bool highAltitude;
        float adjust;
    } rows[] = {
        {10.0f, false, 0.6f * 35.21f},   // 1 short: damped by 0.6
        {12.0f, false, 0.6f * -24.741f}, // 1 long
        {6.0f, false, 271.25f},          // 5 short: 32*5 + 2.9*25 + 0.31*125, undamped
        {8.0f, false, 0.7f * 130.47f},   // 3 short: damped by 0.7
        {21.0f, false, -366.3f},         // 10 long: -232.3 - 153 + 19
        {21.0f, true, -300.0f},          // at high altitude at most 300 down
        {0.0f, false, 800.0f},           // far too short: clamped
        {200.0f, false, -800.0f},        // far too long: clamped, never upward
    };
    for (const Row& r : rows)
        EXPECT_NEAR(ArcTuneAdjust(ARCCAL_TARGET, r.measured, r.highAltitude), r.adjust, 0.01f)
            << r.measured << (r.highAltitude ? " high" : "");
    // Too long by any amount: the polynomial never turns upward.
    for (float m = 11.5f; m < 400.0f; m += 3.7f)
        EXPECT_LE(ArcTunePolynomial(ARCCAL_TARGET, m), 0.0f) << m;
    EXPECT_EQ(ArcTunePolynomial(ARCCAL_TARGET, std::nanf("")), 0.0f);
}

TEST(ArcCalTune, ToleranceEdgesCountAsCalibrated)
{
    ArcCaliBegin();
    for (float m : {10.0f, 11.0f, 12.0f}) {
        int arc = 1000;
        EXPECT_EQ(TuneArcValue(m, &arc), 0) << m;
    }
    for (float m : {9.99f, 12.01f}) {
        int arc = 1000;
        EXPECT_EQ(TuneArcValue(m, &arc), -1) << m;
    }
    int arc = 1000;
    TuneArcValue(6.0f, &arc);
    EXPECT_EQ(arc, 1271);
    EXPECT_EQ(ArcTolerance(44), 2.0f);
    EXPECT_EQ(ArcTolerance(0), 1.0f);
    // Just above the band the bar shows one unit more; elsewhere the value itself.
    EXPECT_FLOAT_EQ(ArcShownBackLength(12.5f, 1.0f), 13.5f);
    EXPECT_FLOAT_EQ(ArcShownBackLength(13.0f, 1.0f), 13.0f);
    EXPECT_FLOAT_EQ(ArcShownBackLength(11.5f, 1.0f), 11.5f);
}

TEST(ArcCalTune, HighAltitudeFollowsTheLineThroughTheLastTwoCyclesWithinItsBracket)
{
    ARC_ADJUST_INFO a{0, 0, 0, 0, 3900, 100, 80, 0};
    // First cycle: the polynomial, x 0.7; the bracket's low end learns the weak arc.
    a.gArcCurr = 2000;
    const float first = ArcTuneHighAtt(&a, 6.0f, false, 2000);
    EXPECT_NEAR(first, 0.7f * 271.0f, 0.5f);
    EXPECT_EQ(a.gArcMin, 2000);
    EXPECT_EQ(a.gArcMinBackLen, 6.0f);
    EXPECT_EQ(a.gBackLenLast, 6.0f);
    // Second cycle: 2400 gave 16 (too strong): the line through (6, 2000) and (16, 2400) puts 11
    // at 2200; 70 % of the way there.
    a.gArcCurr = 2400;
    const float second = ArcTuneHighAtt(&a, 16.0f, true, 2400);
    EXPECT_NEAR(second, 0.7f * (2200 - 2400), 0.5f);
    EXPECT_EQ(a.gArcMax, 2400);
    EXPECT_EQ(a.gArcMaxBackLen, 16.0f);
    // The same melt-back twice gives no line: the polynomial again, never a division by zero.
    a.gArcCurr = 2300;
    const float same = ArcTuneHighAtt(&a, 16.0f, true, 2300);
    EXPECT_TRUE(std::isfinite(same));
    EXPECT_NEAR(same, 0.7f * ArcTunePolynomial(ARCCAL_TARGET, 16.0f), 0.5f);
}

TEST(ArcCalTune, StartValueFromTheAirAgainstTheStoredConditions)
{
    TABLEFACTORYSYS fs{};
    fs.lArcCaliPress = 1013;
    fs.lArcCaliTemp = 2500 + 10000;
    fs.lArcCaliResult = 1000 + 10000;
    APPTABLE_OPTION on{}, off{};
    on.lArcCompPress = on.lArcCompTemp = 1;
    struct Row {
        int press, temp; // 0.1 kPa, 0.01 degree C
        const APPTABLE_OPTION* opt;
        int value, high;
    } rows[] = {
        {1013, 2500, &on, 1000, 0},
        {700, 2500, &on, 1000 + int((101.3 - 70.0) * 53.2), 1},
        {790, 4000, &on, 1000 + int((101.3 - 79.0) * 53.2) + int((25.0 - 40.0) * 9.0), 1},
        {1013, -3000, &on, 1000 + int(45 * 9.0), 0}, // below -20 degree C counts as -20
        {300, 2500, &on, 4000, 1}, // counted as 40 kPa: 1000 + 3261, held at the drive's top
        {700, 0, &off, 1000, 1},
    };
    for (const Row& r : rows) {
        int high = -1;
        EXPECT_EQ(ArcCaliStartValue(fs, *r.opt, EnvironmentRecord{r.temp, r.press, 0}, &high), r.value)
            << r.press << " " << r.temp;
        EXPECT_EQ(high, r.high);
    }
    fs.lArcCaliResult = 10000 - 500; // a negative start becomes 100
    EXPECT_EQ(ArcCaliStartValue(fs, off, EnvironmentRecord{2500, 1013, 0}, nullptr), 100);
}

TEST(ArcCalTune, ElectrodeCentreShiftAndItsWindow)
{
    struct Row {
        float left, right;
        bool front;
        int shift;
    } rows[] = {
        {6, 5, false, 3},   // |d| 1: x 3
        {6, 5, true, -2},   // front: negated, trunc(-3 + 0.5)
        {8, 5, false, 8},   // |d| 3: x 2.5 = 7.5, + 0.5
        {20, 5, false, 30}, // |d| 15: x 2
        {40, 0, false, 30}, // clamped to 15 first
        {std::nanf(""), 5, false, 0},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ArcCentreShift(r.left, r.right, r.front), r.shift)
            << r.left << " " << r.right << " " << r.front;
    // The joint check's 200-column window stays inside the frame.
    EXPECT_EQ(ArcShiftedElectrode(318, 30), 348);
    EXPECT_EQ(ArcShiftedElectrode(530, 30), 540);
    EXPECT_EQ(ArcShiftedElectrode(110, -30), 100);
}

TEST(ArcCalEndFace, BackEndFaceOfBothFibresSkipsTheCoreBandAndStrayRows)
{
    // Left fibre dark up to column 250, right fibre from column 390, rows 140..340, a bright core
    // band 230..250; one row of the left fibre broken short (a speck of light).
    std::vector<uint8_t> frame(CAMERA_FRAME_SIZE, 200);
    for (int row = 140; row <= 340; ++row) {
        uint8_t* p = frame.data() + row * CAMERA_WIDTH;
        for (int c = 0; c <= 250; ++c)
            p[c] = 30;
        for (int c = 390; c < CAMERA_WIDTH; ++c)
            p[c] = 30;
        if (row >= 230 && row <= 250)
            for (int c = 0; c < CAMERA_WIDTH; ++c)
                p[c] = 220;
    }
    frame[size_t(160) * CAMERA_WIDTH + 100] = 220;
    APPFIBER_INFO f{};
    f.fShadowBright = 100;
    f.iCladUp = 140;
    f.iCladDown = 340;
    f.iCoreUp = 230;
    f.iCoreDown = 250;
    EXPECT_FLOAT_EQ(BackEndFacePos(frame.data(), f, 0), 251.0f);
    EXPECT_FLOAT_EQ(BackEndFacePos(frame.data(), f, 1), 389.0f);
    // Unmeasured or crossed rows, a null frame: no position.
    APPFIBER_INFO none{};
    EXPECT_TRUE(std::isnan(BackEndFacePos(frame.data(), none, 0)));
    f.iCoreUp = 400;
    EXPECT_TRUE(std::isnan(BackEndFacePos(frame.data(), f, 0)));
    EXPECT_TRUE(std::isnan(BackEndFacePos(nullptr, f, 0)));
    // No fibre in the picture any more: no end face either (not one at the picture's edge).
    std::vector<uint8_t> empty(CAMERA_FRAME_SIZE, 200);
    f.iCoreUp = 230;
    EXPECT_TRUE(std::isnan(BackEndFacePos(empty.data(), f, 0)));
    EXPECT_TRUE(std::isnan(BackEndFacePos(empty.data(), f, 1)));
}
