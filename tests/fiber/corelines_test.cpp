// The core and cladding line fits on pictures drawn by the simulated cameras against the truth the
// renderer reports, the eccentricity and axis offset they give, and the fits on pictures and
// records that give them nothing to fit.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "fiber/corelines.h"
#include "fiber/graphics.h"
#include "sim/camera_render.h"
#include "sim/scene.h"
#include "splice/axisoffset.h"
#include "splice/spliceinfo.h"

// The splice information of this program, unless the library brings its own.
__attribute__((weak)) SPLICE_INFORMATION* GetCurrentInformation()
{
    static SPLICE_INFORMATION info{};
    return &info;
}

namespace
{
using namespace sim;

constexpr float kNoFitB = 240.0f;

class CoreLinesTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ReleaseGraphics();
        ASSERT_EQ(InitializeGraphics(), 0);
        *GetFiberStruct() = APPFIBER{};
        *GetCoreLineStore() = CORE_LINE_STORE{};
    }
    void TearDown() override { ReleaseGraphics(); }

    // Draws a view (light as the exposure calibration leaves it) and gives the
    // record what the earlier steps would have measured: the cladding edge rows, the end face,
    // and a core line a little off the core.
    ViewTruth draw(const ViewScene& vs, bool noise = false, uint64_t frame = 0)
    {
        ViewScene s = vs;
        s.base = 8;
        s.light = 56;
        s.frame = frame;
        render_view(s, GetGraphicsEntry(s.view), noise);
        ViewTruth t = view_truth(s);
        for (int side = 0; side < 2; ++side) {
            const FibreTruth& ft = t.fibre[size_t(side)];
            APPFIBER_INFO* f = GetFiberInfo(s.view, side);
            f->iCladUp = int(std::lround(ft.clad_up_row));
            f->iCladDown = int(std::lround(ft.clad_down_row));
            f->fEndfacePos = float(ft.tip_col);
            f->fCoreK = 0.0f;
            f->fCoreB = float(ft.core_row) + (side ? -0.9f : 0.8f);
        }
        return t;
    }
};

// One fibre as a view shows it: cladding centre, tip, true core offset across the view.
FibrePose pose(FibreType type, double row, double tip, double core_um, double z = 0.0)
{
    FibrePose p;
    p.present = true;
    p.type = type;
    p.centre_row = row;
    p.tip_col = tip;
    p.core_um = core_um;
    p.z_um = z;
    return p;
}

struct Fibre {
    FibreType type;
    double ecc_um, azimuth_deg; // eccentricity
    double seat_x_um, seat_y_um;
};

// Both views of a pair, tips at columns 300 and 340.
ViewScene view_of(int view, const Fibre& l, const Fibre& r, double z = 0.0)
{
    ViewScene vs;
    vs.view = view;
    const Fibre* f[2] = {&l, &r};
    for (int side = 0; side < 2; ++side) {
        const double az = f[side]->azimuth_deg * M_PI / 180.0;
        const double across = view == 1 ? f[side]->seat_x_um : f[side]->seat_y_um;
        const double core = f[side]->ecc_um * (view == 1 ? std::cos(az) : std::sin(az));
        vs.fibre[size_t(side)] = pose(f[side]->type, optics::kCentreRow + across / optics::kUmPerPx,
                                      side ? 340.0 : 300.0, core, z);
    }
    return vs;
}

// An alignment pass of one sample: the fits, the stores, the averages and the eccentricity.
void one_pass()
{
    ASSERT_EQ(GetCoreAndCladKB(0), 0);
    DeduceWholeLineKB(0);
    DeduceFpgaKB(0);
    DeduceCladKB(0);
    ASSERT_GE(HandleAllKB(1), 0);
    CalEccentric();
}

// The cladding magnifies what lies near its axis by its index, and the picture of a plane z from
// the axis by the lens it forms (paraxial).
double magnification(double z)
{
    return kCladIndex * (1 - 2 * z * (1 - 1 / kCladIndex) / 62.5);
}

TEST_F(CoreLinesTest, LinesEccentricityAndAxisOffsetMatchThePicture)
{
    const struct {
        Fibre left, right;
        double z; // object plane at the working focus (focus ratios 21..34 %)
    } cases[] = {
        // Centred cores, cladding offsets only.
        {{FibreType::SM, 0, 0, 0, 0}, {FibreType::SM, 0, 0, 0, 0}, 20},
        {{FibreType::SM, 0, 0, 3.0, -2.0}, {FibreType::SM, 0, 0, -1.5, 4.2}, 10},
        {{FibreType::DS, 0, 0, -7.3, 0.4}, {FibreType::DS, 0, 0, 2.1, -5.0}, 0},
        // Eccentric cores in every direction, on centred and offset claddings.
        {{FibreType::SM, 0.8, 0, 0, 0}, {FibreType::SM, 0.5, 90, 0, 0}, 20},
        {{FibreType::SM, 1.2, 135, 1.0, -1.0}, {FibreType::SM, 0.3, 250, 0, 2.5}, 30},
        {{FibreType::NZDS, 0.6, 200, -2.0, 1.0}, {FibreType::DS, 1.0, 315, 0.7, 0.0}, -10},
        {{FibreType::DS, 2.0, 30, 0, 0}, {FibreType::NZDS, 1.5, 170, -3.3, -3.3}, 15},
        // Two alike fibres, eccentric alike: their true cores are as far apart as their claddings.
        {{FibreType::SM, 1.0, 60, 2.0, 1.0}, {FibreType::SM, 1.0, 60, -1.0, 3.0}, 20},
    };
    for (const auto& c : cases) {
        const Fibre &l = c.left, &r = c.right;
        SCOPED_TRACE(testing::Message()
                     << "left " << int(l.type) << " ecc " << l.ecc_um << "@" << l.azimuth_deg << " right "
                     << int(r.type) << " ecc " << r.ecc_um << "@" << r.azimuth_deg << " z " << c.z);
        ViewTruth t[2];
        for (int view = 1; view <= 2; ++view)
            t[view - 1] = draw(view_of(view, l, r, c.z));
        one_pass();
        double truth_d[2];
        for (int view = 1; view <= 2; ++view) {
            for (int side = 0; side < 2; ++side) {
                SCOPED_TRACE(testing::Message() << "view " << view << " side " << side);
                const FibreTruth& ft = t[view - 1].fibre[size_t(side)];
                const APPFIBER_INFO* f = GetFiberInfo(view, side);
                // The fibres lie along the rows.
                EXPECT_NEAR(f->fCoreK, 0.0, 0.002);
                EXPECT_NEAR(f->fCladUpK, 0.0, 0.002);
                EXPECT_NEAR(f->fCladLowK, 0.0, 0.002);
                // Rows where the lines are used: at the end face.
                const float x = f->fEndfacePos;
                EXPECT_NEAR(f->fCoreK * x + f->fCoreB, ft.core_row, 0.5);
                EXPECT_NEAR(f->fCladUpK * x + f->fCladUpB, ft.fringe_up_row, 0.5);
                EXPECT_NEAR(f->fCladLowK * x + f->fCladLowB, ft.fringe_down_row, 0.5);
                const double true_um = view_of(view, l, r).fibre[size_t(side)].core_um;
                EXPECT_NEAR(-f->fCoreOffSet * OPTICS_UM_PER_PIXEL / magnification(c.z), true_um, 0.1);
            }
            truth_d[view - 1] = t[view - 1].fibre[0].core_row - t[view - 1].fibre[1].core_row;
        }
        // The axis offset is that of the cores as the pictures show them.
        const double apparent = optics::kUmPerPx * std::hypot(truth_d[0], truth_d[1]);
        EXPECT_NEAR(CalcAxisOffset(), apparent, 0.1);
        EXPECT_EQ(GetCurrentInformation()->fAxisCoreOffset, GetCurrentInformation()->fAxisCladOffset);
        EXPECT_EQ(GetCurrentInformation()->iCoreOffsetFlag, 1);
        if (l.type == r.type && l.ecc_um == r.ecc_um && l.azimuth_deg == r.azimuth_deg) {
            const double dx = l.seat_x_um - r.seat_x_um, dy = l.seat_y_um - r.seat_y_um;
            EXPECT_NEAR(CalcAxisOffset(), std::hypot(dx, dy), 0.1);
        }
    }
}

TEST_F(CoreLinesTest, ThreeNoisyFramesAgreeAndAverageToTheTruth)
{
    // An alignment pass as the splice takes it: three frames with sensor noise, their spreads
    // judged, their means restored into the core lines.
    const struct {
        Fibre left, right;
        double z;
    } cases[] = {
        {{FibreType::SM, 0.6, 40, 1.0, -2.0}, {FibreType::SM, 0.4, 290, -1.0, 0.5}, 20},
        {{FibreType::DS, 1.0, 100, 0, 0}, {FibreType::NZDS, 0.2, 0, 2.0, 2.0}, 10},
    };
    uint64_t frame = 0;
    for (const auto& c : cases) {
        for (int i = 0; i < KB_SAMPLES; ++i) {
            for (int view = 1; view <= 2; ++view)
                draw(view_of(view, c.left, c.right, c.z), true, ++frame);
            ASSERT_EQ(GetCoreAndCladKB(0), 0);
            DeduceWholeLineKB(i);
            DeduceFpgaKB(i);
            DeduceCladKB(i);
        }
        HandleAllKB(KB_SAMPLES);
        RestoreWholeLineKB(3);
        CalEccentric();
        EXPECT_EQ(JudgeCoreKB(), 0);
        EXPECT_EQ(JudgeCladKB(), 0);
        for (int view = 1; view <= 2; ++view)
            for (int side = 0; side < 2; ++side) {
                const APPFIBER_INFO* f = GetFiberInfo(view, side);
                const double true_um = view_of(view, c.left, c.right).fibre[size_t(side)].core_um;
                const double got = -f->fCoreOffSet * OPTICS_UM_PER_PIXEL / magnification(c.z);
                EXPECT_NEAR(got, true_um, 0.1) << view << " " << side;
                EXPECT_NEAR(f->fCoreK, 0.0, 0.002);
            }
    }
}

// A synthetic column-independent picture: background with bright lines (Gaussian, sigma 1.2)
// at the given rows.
void paint_lines(uint8_t* frame, std::initializer_list<double> rows, int c0 = 0, int c1 = CAMERA_WIDTH)
{
    for (int r = 0; r < CAMERA_HEIGHT; ++r) {
        double v = 60;
        for (double at : rows)
            v += 80 * std::exp(-(r - at) * (r - at) / (2 * 1.2 * 1.2));
        std::memset(frame + r * CAMERA_WIDTH + c0, int(v), size_t(c1 - c0));
    }
}

void expect_no_fit(const APPFIBER_INFO* f, const char* what)
{
    SCOPED_TRACE(what);
    EXPECT_EQ(f->fCoreK, 0.0f);
    EXPECT_EQ(f->fCoreB, kNoFitB);
    EXPECT_EQ(f->fCladUpK, 0.0f);
    EXPECT_EQ(f->fCladUpB, kNoFitB);
    EXPECT_EQ(f->fCladLowK, 0.0f);
    EXPECT_EQ(f->fCladLowB, kNoFitB);
}

TEST_F(CoreLinesTest, ColumnRangesThatWrapOrLeaveTheFrameAreEmpty)
{
    uint8_t* frame = GetGraphicsEntry(1);
    paint_lines(frame, {140, 240, 340});
    APPFIBER_INFO f{};
    auto fit = [&](int side, float endface) {
        f.iCladUp = 140;
        f.iCladDown = 340;
        f.fCoreK = 0;
        f.fCoreB = 240;
        f.fEndfacePos = endface;
        CalCoreAndCladQuarticWLS(frame, 1, side, &f, 2, 4, 0.5f, 0);
    };
    // A left end face at 100 wraps the start below 0; a right one past 608 starts past the end.
    const struct {
        int side;
        float endface;
    } empty[] = {{0, 100.0f}, {0, 30.0f}, {0, -5.0f}, {0, NAN}, {1, 609.0f}, {1, 1e9f}, {1, INFINITY}};
    for (const auto& e : empty) {
        fit(e.side, e.endface);
        expect_no_fit(&f, std::to_string(e.endface).c_str());
    }
    // Just inside: the lines are found.
    for (const auto& [side, endface] : {std::pair{0, 200.0f}, std::pair{1, 600.0f}}) {
        fit(side, endface);
        EXPECT_NEAR(f.fCoreB, 240.0f, 0.05f) << side;
        EXPECT_NEAR(f.fCladUpB, 140.0f, 0.05f) << side;
        EXPECT_NEAR(f.fCladLowB, 340.0f, 0.05f) << side;
    }
    // Asked to log, the fit writes its range and samples where it is told to.
    std::FILE* log = std::tmpfile();
    ASSERT_NE(log, nullptr);
    SetCoreFitLogFile(log);
    f.fEndfacePos = 600.0f;
    CalCoreAndCladQuarticWLS(frame, 1, 1, &f, 2, 4, 0.4f, 1);
    SetCoreFitLogFile(nullptr);
    std::rewind(log);
    char line[64] = {};
    ASSERT_NE(std::fgets(line, sizeof line, log), nullptr);
    EXPECT_STREQ(line, "view 1 side 1 columns 624..632\n");
    std::fclose(log);
}

TEST_F(CoreLinesTest, CorePeakMustLieWithinTheHalfWidthOfThePrediction)
{
    uint8_t* frame = GetGraphicsEntry(1);
    paint_lines(frame, {140, 240, 340});
    APPFIBER_INFO f{};
    for (const auto& [predicted, found] : {std::pair{238.0f, true}, std::pair{242.9f, true},
                                           std::pair{237.0f, false}, std::pair{243.0f, false}}) {
        f.iCladUp = 140;
        f.iCladDown = 340;
        f.fEndfacePos = 300;
        f.fCoreK = 0;
        f.fCoreB = predicted;
        CalCoreAndCladQuarticWLS(frame, 1, 0, &f, 2, 4, 0.5f, 0);
        EXPECT_NEAR(f.fCladUpB, 140.0f, 0.05f);
        EXPECT_NEAR(f.fCoreB, found ? 240.0f : kNoFitB, 0.05f) << predicted;
    }
}

TEST_F(CoreLinesTest, NothingToFitGivesTheMiddleRow)
{
    uint8_t* frame = GetGraphicsEntry(2);
    APPFIBER_INFO f{};
    auto fit = [&] {
        CalCoreAndCladQuarticWLS(frame, 2, 1, &f, 2, 4, 0.4f, 0);
        return f;
    };
    auto reset = [&] {
        f = APPFIBER_INFO{};
        f.iCladUp = 140;
        f.iCladDown = 340;
        f.fEndfacePos = 340;
        f.fCoreB = 240;
    };
    // A flat picture has no maximum anywhere.
    std::memset(frame, 90, CAMERA_FRAME_SIZE);
    reset();
    expect_no_fit(&(f = fit()), "flat");
    // Lines only in three columns of the range: too few points.
    std::memset(frame, 90, CAMERA_FRAME_SIZE);
    paint_lines(frame, {140, 240, 340}, 400, 403);
    reset();
    expect_no_fit(&(f = fit()), "three columns");
    // Start rows whose windows leave the frame, a core line that is not a number.
    paint_lines(frame, {4, 240, 476});
    const struct {
        int up, down;
        float k, b;
    } bad[] = {{7, 472, NAN, 240}, {INT_MIN, INT_MAX, 0, NAN}, {-1, 480, INFINITY, 0}, {0, 0, 0, 1e30f}};
    for (const auto& b : bad) {
        reset();
        f.iCladUp = b.up;
        f.iCladDown = b.down;
        f.fCoreK = b.k;
        f.fCoreB = b.b;
        expect_no_fit(&(f = fit()), "rows");
    }
    // Bad arguments: no frame, a quartic window FitPoly4 does not know.
    reset();
    EXPECT_EQ(CalCoreAndCladQuarticWLS(nullptr, 2, 1, &f, 2, 4, 0.4f, 0), -1);
    expect_no_fit(&f, "no frame");
    EXPECT_EQ(CalCoreAndCladQuarticWLS(frame, 2, 1, &f, 2, 5, 0.4f, 0), -1);
    EXPECT_EQ(CalCoreAndCladQuarticWLS(frame, 3, 1, &f, 2, 4, 0.4f, 0), -1);
    EXPECT_EQ(CalCoreAndCladQuarticWLS(frame, 2, 1, nullptr, 2, 4, 0.4f, 0), -1);
    ReleaseGraphics();
    EXPECT_EQ(GetCoreAndCladKB(0), -1);
    expect_no_fit(GetFiberInfo(1, 0), "released");
}

// Three samples of four fibres: fibre f, sample s gets base + f + step * s.
void fill(float* store, float base, float step)
{
    for (int s = 0; s < KB_SAMPLES; ++s)
        for (int f = 0; f < KB_FIBRES; ++f)
            store[s * KB_FIBRES + f] = base + float(f) + step * float(s);
}

TEST(LineStore, HandleAllKBFiguresOnKnownSamples)
{
    CORE_LINE_STORE& s = *GetCoreLineStore();
    s = CORE_LINE_STORE{};
    *GetFiberStruct() = APPFIBER{};
    fill(s.fWholeLineB, 240, 0.5f); // core spread 1.0 each
    fill(s.fFpgaB, 239, 0.0f);      // means 239 + f: whole minus FPGA = 1.5
    fill(s.fUpCladB, 140, -0.25f);  // spread 0.5
    fill(s.fLowCladB, 340, 0.75f);  // spread 1.5
    s.fLowCladB[2 * 4 + 3] = 345;   // Y-right: 343, 343.75, 345
    fill(s.fWholeLineK, 0.001f, 0.001f);
    EXPECT_EQ(HandleAllKB(3), 3); // the lower edges of Y differ most
    EXPECT_FLOAT_EQ(s.fMaxErrorClad, 2.0f);
    EXPECT_FLOAT_EQ(s.fXLavg, 1.5f);
    EXPECT_FLOAT_EQ(s.fYRavg, 1.5f);
    EXPECT_FLOAT_EQ(s.fMaxErrorCore, 1.5f);
    EXPECT_FLOAT_EQ(s.fWholeLineB[1], 241.5f);
    EXPECT_FLOAT_EQ(s.fWholeLineK[0], 0.002f);
    EXPECT_FLOAT_EQ(s.fUpCladB[0], 139.75f);
    // The fibres' mean edges differ by 1, the lower ones of Y by 343.9167 - 342.75.
    EXPECT_NEAR(s.fMaxErrorCladB, 1.16667f, 1e-4f);
    EXPECT_EQ(JudgeCoreKB(), 0);
    EXPECT_EQ(JudgeCladKB(), 0);

    // The restore masks: 2 copies K, 1 copies B; CompensateB adds the correction terms.
    *GetFiberStruct() = APPFIBER{};
    RestoreWholeLineKB(2);
    EXPECT_FLOAT_EQ(GetFiberInfo(1, 0)->fCoreK, 0.002f);
    EXPECT_EQ(GetFiberInfo(1, 0)->fCoreB, 0.0f);
    RestoreFpgaKB(1);
    EXPECT_FLOAT_EQ(GetFiberInfo(2, 1)->fCoreB, 242.0f);
    CompensateB();
    EXPECT_FLOAT_EQ(GetFiberInfo(2, 1)->fCoreB, 243.5f);
    RestoreCladKB(3);
    EXPECT_FLOAT_EQ(GetFiberInfo(1, 0)->fCoreB, (s.fUpCladB[0] + s.fLowCladB[0]) / 2);

    // No samples, or a sample that is not a number: nothing to trust.
    EXPECT_EQ(HandleAllKB(0), -1);
    EXPECT_EQ(JudgeCoreKB(), 1);
    EXPECT_EQ(JudgeCladKB(), 1);
    EXPECT_EQ(HandleAllKB(4), -1);
    fill(s.fWholeLineB, 240, 0.5f);
    fill(s.fUpCladB, 140, 0.0f);
    fill(s.fLowCladB, 340, 0.0f);
    s.fWholeLineB[5] = NAN;
    HandleAllKB(2);
    EXPECT_EQ(JudgeCoreKB(), 1);
    EXPECT_EQ(SortKB(nullptr, 3, 4), -1);
    EXPECT_EQ(MeanKB(s.fFpgaB, 0, 4), -1);
    EXPECT_EQ(MeanKB(s.fFpgaB, 3, 5), -1);
}

TEST(LineStore, JudgesAtTheirLimits)
{
    CORE_LINE_STORE& s = *GetCoreLineStore();
    *GetFiberStruct() = APPFIBER{};
    const struct {
        float core, clad, cladB, offset;
        int core_judge, clad_judge;
    } cases[] = {
        {4.0f, 2.0f, 5.0f, 2.5f, 0, 0}, {4.01f, 2.0f, 5.0f, -2.5f, 1, 0},
        {0, 2.01f, 0, 0, 0, 1},         {0, 0, 5.01f, 0, 0, 1},
        {0, 0, 0, 2.51f, 0, 1},         {0, 0, 0, -2.51f, 0, 1},
        {NAN, NAN, 0, 0, 1, 1},         {0, 0, 0, NAN, 0, 1},
    };
    for (int fibre = 0; fibre < 4; ++fibre)
        for (const auto& c : cases) {
            *GetFiberStruct() = APPFIBER{};
            s.fMaxErrorCore = c.core;
            s.fMaxErrorClad = c.clad;
            s.fMaxErrorCladB = c.cladB;
            GetFiberInfo(fibre / 2 + 1, fibre % 2)->fCoreOffSet = c.offset;
            EXPECT_EQ(JudgeCoreKB(), c.core_judge) << c.core;
            EXPECT_EQ(JudgeCladKB(), c.clad_judge)
                << fibre << " " << c.clad << " " << c.cladB << " " << c.offset;
        }
}

TEST(LineStore, CompensateEcctricSteps)
{
    CORE_LINE_STORE& s = *GetCoreLineStore();
    const struct {
        float f, xl, xr, yl, yr;
        float dXL, dXR, dYL, dYR; // change of each correction term
    } cases[] = {
        // d = 0: the terms lose e x f.
        {1.0f, 0.3f, -0.2f, 0.5f, -0.4f, -0.3f, 0.2f, -0.5f, 0.4f},
        // |d| >= 1: 0.4 e over the whole part of the difference.
        {1.0f, 2.0f, -1.0f, -3.5f, 0.0f, -0.8f / 3, 0.4f / 3, 1.4f / 3, 0.0f},
        // Factor above 1, whole part of the difference 0: the terms stay.
        {4.0f, 0.3f, -0.2f, 0.5f, 0.5f, 0.0f, 0.0f, -2.0f, -2.0f},
        // A negative factor (the lens's magnification taken out) is linear however large the
        // difference: the terms gain e x |f|.
        {-0.3f, 5.0f, -5.0f, 0.0f, 4.0f, 1.5f, -1.5f, 0.0f, 1.2f},
    };
    for (const auto& c : cases) {
        *GetFiberStruct() = APPFIBER{};
        s.fXLavg = s.fXRavg = s.fYLavg = s.fYRavg = 1.0f;
        GetFiberInfo(1, 0)->fCoreOffSet = c.xl;
        GetFiberInfo(1, 1)->fCoreOffSet = c.xr;
        GetFiberInfo(2, 0)->fCoreOffSet = c.yl;
        GetFiberInfo(2, 1)->fCoreOffSet = c.yr;
        CompensateEcctric(c.f);
        EXPECT_NEAR(s.fXLavg, 1.0f + c.dXL, 1e-6f) << c.f << " " << c.xl;
        EXPECT_NEAR(s.fXRavg, 1.0f + c.dXR, 1e-6f) << c.f << " " << c.xr;
        EXPECT_NEAR(s.fYLavg, 1.0f + c.dYL, 1e-6f) << c.f << " " << c.yl;
        EXPECT_NEAR(s.fYRavg, 1.0f + c.dYR, 1e-6f) << c.f << " " << c.yr;
    }
    // Offsets that are not numbers or do not fit an integer never trap.
    GetFiberInfo(1, 0)->fCoreOffSet = NAN;
    GetFiberInfo(1, 1)->fCoreOffSet = 3e38f;
    GetFiberInfo(2, 0)->fCoreOffSet = -3e38f;
    CompensateEcctric(1e30f);
}

TEST(AxisOffset, RowsToMicrometresLimitedAt20)
{
    const struct {
        float dx, dy, um;
    } cases[] = {{3, 4, 0.645f * 5},   {0, 0, 0},       {30, 40, 20.0f},
                 {-31.0f, 0, 19.995f}, {NAN, 0, 20.0f}, {INFINITY, 1, 20.0f}};
    for (const auto& c : cases) {
        *GetFiberStruct() = APPFIBER{};
        *GetCurrentInformation() = SPLICE_INFORMATION{};
        // Flat core lines; the right fibre's end face at 340 in both views.
        GetFiberInfo(1, 0)->fCoreB = 240 + c.dx;
        GetFiberInfo(1, 1)->fCoreB = 240;
        GetFiberInfo(2, 0)->fCoreB = 240;
        GetFiberInfo(2, 1)->fCoreB = 240 - c.dy;
        GetFiberInfo(1, 1)->fEndfacePos = GetFiberInfo(2, 1)->fEndfacePos = 340;
        EXPECT_NEAR(CalcAxisOffset(), c.um, 1e-4f) << c.dx << " " << c.dy;
        const SPLICE_INFORMATION* info = GetCurrentInformation();
        EXPECT_NEAR(info->fAxisCladOffset, c.um, 1e-4f);
        EXPECT_NEAR(info->fAxisCoreOffset, c.um, 1e-4f);
        EXPECT_EQ(info->iCladOffsetFlag, 1);
        EXPECT_EQ(info->iCoreOffsetFlag, 1);
    }
    // Tilted lines are compared at the right fibre's end face.
    *GetFiberStruct() = APPFIBER{};
    GetFiberInfo(1, 0)->fCoreK = 0.01f;
    GetFiberInfo(1, 0)->fCoreB = 237.0f;
    GetFiberInfo(1, 1)->fCoreB = 240.0f;
    GetFiberInfo(1, 1)->fEndfacePos = 400;
    float dx = 0, dy = 0;
    ASSERT_EQ(CalCoreOffSet(&dx, &dy), 0);
    EXPECT_NEAR(dx, 1.0f, 1e-4f);
    EXPECT_EQ(dy, 0.0f);
    EXPECT_EQ(CalCoreOffSet(nullptr, &dy), -1);
}

} // namespace
