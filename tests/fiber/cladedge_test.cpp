// Cladding and core edges on synthetic profiles and frames: run lengths, window limits, error
// codes, thresholds and sub-pixel positions.
#include "tests/fiber/fibertest.h"

namespace
{
using fibertest::byte_profile;
using fibertest::FiberTest;
using fibertest::Fibre;

// Bright (200) everywhere except dark (20) rows [first, last].
std::vector<uint8_t> dark_rows(int first, int last)
{
    std::vector<uint8_t> p(480, 200);
    for (int r = first; r <= last; ++r)
        p[size_t(r)] = 20;
    return p;
}
std::vector<float> as_float(const std::vector<uint8_t>& b)
{
    return std::vector<float>(b.begin(), b.end());
}

TEST(EdgeFinders, RunLengthsAndWindowLimits)
{
    // Ten dark rows stop the FPGA finders' scans (nine do not); the frame finders need eleven.
    auto nine = dark_rows(100, 108);
    EXPECT_EQ(FindVLineUpEdge(nine.data(), 100), 472);
    EXPECT_EQ(FindVLineDownEdge(nine.data(), 100), 8);
    auto ten = dark_rows(100, 109);
    EXPECT_EQ(FindVLineUpEdge(ten.data(), 100), 110);
    EXPECT_EQ(FindVLineDownEdge(ten.data(), 100), 99);
    auto f10 = as_float(ten);
    int row = 0;
    EXPECT_EQ(GetLessBrightBorder(f10.data(), 100, 8, 471, &row), 1);
    auto f11 = as_float(dark_rows(100, 110));
    EXPECT_EQ(GetLessBrightBorder(f11.data(), 100, 8, 471, &row), 0);
    EXPECT_EQ(row, 100);
    EXPECT_EQ(GetLessBrightBorder(f11.data(), 100, 471, 8, &row), 0);
    EXPECT_EQ(row, 110);
    EXPECT_EQ(GetLessBrightBorder(f11.data(), 100, 7, 471, &row), -1);
    EXPECT_EQ(GetLessBrightBorder(f11.data(), 100, 8, 473, &row), -1);

    // Bright everywhere: the edges cross.
    std::vector<uint8_t> bright(480, 200);
    int up = 0, down = 0;
    EXPECT_EQ(FindVLineUpEdge(bright.data(), 100), 472);
    EXPECT_EQ(FindVLineDownEdge(bright.data(), 100), 8);
    EXPECT_EQ(CalCladFPGA(bright.data(), 100, &up, &down), CLAD_ERR_ORDER);

    const struct {
        int first, last, code;
    } cases[] = {
        {16, 300, CLAD_ERR_NEAR_EDGE}, // upper edge row 15
        {17, 300, 0},                  // upper edge row 16
        {100, 463, 0},                 // lower edge row 464
        {100, 464, CLAD_ERR_NEAR_EDGE},
    };
    for (const auto& c : cases) {
        auto p = dark_rows(c.first, c.last);
        GetFiberStruct()->lFiberErrorFlag = 0;
        EXPECT_EQ(CalCladFPGA(p.data(), 100, &up, &down), c.code) << c.first << ".." << c.last;
        EXPECT_EQ(up, c.first - 1);
        EXPECT_EQ(down, c.last + 1);
        EXPECT_EQ(GetFiberStruct()->lFiberErrorFlag, c.code);
    }
}

TEST(EdgeFinders, VariantsOnAFibreProfile)
{
    Fibre f;
    f.centre = 230.0;
    auto p = byte_profile(f);
    const uint8_t t = 115;
    int up = 0, down = 0;
    ASSERT_EQ(CalCladFPGA(p.data(), t, &up, &down), 0);
    EXPECT_NEAR(up, 133, 1); // the last bright row above the shadow (edge at 133.0)
    EXPECT_NEAR(down, 327, 1);
    // Peaks: the fringes, 1.5 rows outside the edges.
    ASSERT_EQ(CalCladFPGAPeak(p.data(), t, &up, &down), 0);
    EXPECT_NEAR(up, 133 - 1.5, 1.0);
    EXPECT_NEAR(down, 327 + 1.5, 1.0);
    ASSERT_EQ(CalCladFPGA4Focus(p.data(), t, &up, &down), 0);
    EXPECT_NEAR(up, 134, 1); // the first dark rows
    EXPECT_NEAR(down, 326, 1);
    ASSERT_EQ(CalCladFPGATest(p.data(), t, &up, &down), 0);
    EXPECT_NEAR(up, 131.5, 1.0);
    EXPECT_NEAR(down, 328.5, 1.0);
    EXPECT_NEAR(FindCladCenter(p.data(), t), 230, 1);

    int coreUp = 0, coreDown = 0;
    ASSERT_EQ(CalCoreEdge(p.data(), t, 230, &coreUp, &coreDown), 0);
    EXPECT_NEAR(coreUp, 218, 1); // the first dark rows beside the band
    EXPECT_NEAR(coreDown, 242, 1);
    float ratio = 0;
    ASSERT_EQ(CalCoreEdgeFPGA(p.data(), t, 230, 195, &ratio), 0);
    EXPECT_FLOAT_EQ(ratio, float(coreDown - coreUp) / 195.0f);

    const struct {
        int which, first, last, code;
    } where[] = {
        {1, 130, 330, 0}, {1, 12, 330, 2}, {1, 130, 230, 2}, {1, 250, 465, 3},
        {2, 130, 330, 0}, {2, 12, 330, 5}, {2, 250, 465, 6}, {3, 12, 330, 0},
    };
    for (const auto& w : where) {
        auto q = dark_rows(w.first, w.last);
        EXPECT_EQ(AnalyseCladFPGA(q.data(), 100, &up, &down, w.which), w.code) << w.which << " " << w.first;
    }
    std::vector<uint8_t> bright(480, 200);
    EXPECT_EQ(AnalyseCladFPGA(bright.data(), 100, &up, &down, 1), 1);
    EXPECT_EQ(AnalyseCladFPGA(bright.data(), 100, &up, &down, 2), 4);
}

TEST(EdgeFinders, CoreBandCodes)
{
    int coreUp = 0, coreDown = 0;
    // No dark row above the centre: coreUp stays at the centre.
    auto below = dark_rows(250, 300);
    EXPECT_EQ(CalCoreEdge(below.data(), 100, 240, &coreUp, &coreDown), 0);
    EXPECT_EQ(coreUp, 240);
    EXPECT_EQ(coreDown, 250);
    // A band that runs to the bottom of the window.
    auto above = dark_rows(100, 200);
    auto bottom = dark_rows(466, 479);
    EXPECT_EQ(CalCoreEdge(bottom.data(), 100, 240, &coreUp, &coreDown), CLAD_ERR_CORE_BORDER);
    EXPECT_EQ(CalCoreEdge(above.data(), 100, 479, &coreUp, &coreDown), CLAD_ERR_CORE_BORDER);
    float ratio = -5;
    EXPECT_EQ(CalCoreEdgeFPGA(above.data(), 100, 240, 190, &ratio), CLAD_ERR_NEAR_EDGE);
    EXPECT_GE(ratio, 0.0f); // never a negative ratio
    EXPECT_EQ(CalCoreEdgeFPGA(below.data(), 100, 240, 0, &ratio), CLAD_ERR_WIDTH);
    EXPECT_EQ(CalCoreEdgeFPGA(below.data(), 100, -3, 190, &ratio), CLAD_ERR_NEAR_EDGE);
}

TEST_F(FiberTest, FpgaMeasurementOfFourFibres)
{
    const double centres[4] = {180.4, 240.0, 260.6, 300.2};
    for (int i = 0; i < 4; ++i) {
        Fibre f;
        f.centre = centres[i];
        wave(CLAD_WAVE_INDEX[i], byte_profile(f));
    }
    ASSERT_EQ(GetShadowBrightFPGA(), 0);
    for (int i = 0; i < 4; ++i) {
        const APPFIBER_INFO* f = GetFiberInfo(i / 2 + 1, i % 2);
        unsigned sum = 0;
        for (uint8_t v : byte_profile(Fibre{centres[i]}))
            sum += v;
        EXPECT_FLOAT_EQ(f->fShadowBright, 0.6f * float(sum / 480));
    }
    ASSERT_EQ(GetCladFPGA(), 0);
    for (int i = 0; i < 4; ++i) {
        const APPFIBER_INFO* f = GetFiberInfo(i / 2 + 1, i % 2);
        EXPECT_NEAR(f->iCladUp, centres[i] - 97, 1.0) << i;
        EXPECT_NEAR(f->iCladDown, centres[i] + 97, 1.0) << i;
        EXPECT_NEAR(f->iCoreUp, centres[i] - 12, 1.0) << i;
        EXPECT_NEAR(f->iCoreDown, centres[i] + 12, 1.0) << i;
        EXPECT_EQ(f->fCladCenter, float((f->iCladUp + f->iCladDown) / 2));
        EXPECT_EQ(f->fCladWidth, float(f->iCladDown - f->iCladUp));
    }
    ASSERT_EQ(CalFocusRatioFpga(), 0);
    EXPECT_NEAR(GetFiberInfo(1, 0)->fFocusRate, 24.0 / 194.0, 0.02);
    ASSERT_EQ(GetCladFPGA4Focus(), 0);
    ASSERT_EQ(GetCladFPGAPeak(), 0);

    // The X right fibre fails: the fibres after it keep their values, the code is recorded.
    wave(3, std::vector<uint8_t>(480, 200));
    GetFiberInfo(2, 0)->iCladUp = 77;
    EXPECT_EQ(GetCladFPGA(), CLAD_ERR_ORDER);
    EXPECT_EQ(GetFiberStruct()->lFiberErrorFlag, CLAD_ERR_ORDER);
    EXPECT_EQ(GetFiberInfo(2, 0)->iCladUp, 77);
    // A threshold above a byte is clamped (every row darker than 255), not wrapped.
    GetFiberInfo(1, 0)->fShadowBright = 300.0f;
    EXPECT_EQ(ShadowThresholdByte(*GetFiberInfo(1, 0)), 255);
    GetFiberInfo(1, 0)->fShadowBright = NAN;
    EXPECT_EQ(ShadowThresholdByte(*GetFiberInfo(1, 0)), 0);
}

TEST_F(FiberTest, FramePathWidthLimitsAndSubPixelCentre)
{
    // Fringe peaks `width` rows apart (the widths are checked between the fringe peaks).
    const struct {
        double width;
        int code;
    } widths[] = {{61, 0}, {219, 0}, {60, CLAD_ERR_WIDTH}, {220, CLAD_ERR_WIDTH}};
    for (const auto& w : widths) {
        Fibre f;
        f.fringe = 1.0;
        f.centre = 240.0 + (int(w.width) % 2 ? 0.5 : 0.0); // fringe peaks on whole rows
        f.radius = w.width / 2 - f.fringe;
        f.band = 5;
        fibertest::paint(frame(1), f);
        GetFiberInfo(1, 0)->fShadowBright = 115;
        GetFiberStruct()->lFiberErrorFlag = 0;
        EXPECT_EQ(CalcSingleClad(1, 0), w.code) << w.width;
        EXPECT_EQ(GetFiberStruct()->lFiberErrorFlag, w.code);
    }
    // Sub-pixel centres: the precise measurements agree to a fraction of a row.
    for (double c : {200.0, 200.25, 231.5, 255.6}) {
        Fibre f;
        f.centre = c;
        f.fringe = 1.3; // no two rows of a fringe alike: the peak search wants a strict maximum
        fibertest::paint(frame(2), f);
        GetShadowBrightEx(2);
        SCOPED_TRACE(c);
        ASSERT_EQ(CalcSingleCladEx(2, 1), 0);
        EXPECT_NEAR(GetFiberInfo(2, 1)->fCladCenter, c, 0.1);
        EXPECT_NEAR(GetFiberInfo(2, 1)->fCladWidth, 194.0, 0.25);
        ASSERT_EQ(GetCladEx(2, 1), 0);
        EXPECT_NEAR(GetFiberInfo(2, 0)->fCladCenter, c, 0.1);
        ASSERT_EQ(SingleCladLocalEx(2, 0, 300), 0);
        EXPECT_NEAR(GetFiberInfo(2, 0)->fCladCenter, c, 0.5);
        ASSERT_EQ(GetCladEx(2, 0), 0);
        EXPECT_NEAR(GetFiberInfo(2, 0)->fCladCenter, std::round(c * 2) / 2, 1.0);
    }
    // No shadow at all, and one at the top of the window.
    std::memset(frame(1), 200, CAMERA_FRAME_SIZE);
    GetFiberInfo(1, 0)->fShadowBright = 115;
    EXPECT_EQ(CalcSingleClad(1, 0), CLAD_ERR_NO_BORDER);
    EXPECT_EQ(SingleCladLocalEx(1, 0, 100), CLAD_ERR_NO_BORDER);
    EXPECT_EQ(SingleCladLocalEx(1, 0, 616), -1);
    Fibre top;
    top.centre = 90;
    fibertest::paint(frame(1), top);
    EXPECT_EQ(GetCladEx(1, 1), CLAD_ERR_NEAR_EDGE);
    EXPECT_EQ(CalcSingleClad(1, 0), CLAD_ERR_ORDER); // no fringe above the shadow inside the window
}

TEST(EdgeFinders, PeakSearchesStayInsideTheWindow)
{
    // A shadow reaching the bottom: the provisional lower edge is never found, 226.
    auto p = as_float(dark_rows(300, 479));
    float up = 0, low = 0;
    EXPECT_EQ(CalCladPeak(p.data(), 1, 100, &up, &low), CLAD_ERR_NEAR_EDGE);
    auto b = dark_rows(300, 479);
    EXPECT_EQ(CalCladPeakEX(b.data(), 1, 100, &up, &low), CLAD_ERR_NEAR_EDGE);
    // A shadow with no brighter row beside it inside rows 9..470 has no peak: 238.
    std::vector<float> ramp(480);
    for (int r = 0; r < 480; ++r)
        ramp[size_t(r)] = r < 100 ? float(100 - r) + 120 : (r <= 300 ? 20.0f : 120.0f + float(r - 300));
    EXPECT_EQ(CalCladPeak(ramp.data(), 0, 100, &up, &low), CLAD_ERR_ORDER);
    // Fringes whose crests span two rows of equal grey, as a dim picture quantises them.
    std::vector<float> flat(480, 64.0f);
    std::fill(flat.begin() + 100, flat.begin() + 301, 10.0f);
    flat[97] = flat[98] = flat[302] = flat[303] = 73.0f;
    flat[99] = flat[301] = 50.0f;
    ASSERT_EQ(CalCladPeak(flat.data(), 0, 40, &up, &low), 0);
    EXPECT_EQ(up, 98.0f);
    EXPECT_EQ(low, 302.0f);

    // The bright band's centre, sub-pixel.
    std::vector<float> band(480, 20.0f);
    for (int r = 0; r < 480; ++r)
        band[size_t(r)] = float(20.0 + 150.0 * std::exp(-std::pow((r - 200.3) / 4.0, 2)));
    EXPECT_NEAR(FindLinePeak(band, 150, 250, 60.0f), 200.3f, 0.15f);
    EXPECT_EQ(FindLinePeak(band, 0, 8, 60.0f), -1.0f); // window reaches past the start
    EXPECT_EQ(FindLinePeak(band, 250, 150, 60.0f), -1.0f);
}

TEST_F(FiberTest, FocusOnSyntheticFrames)
{
    for (double band : {8.0, 20.0, 40.0}) {
        Fibre f;
        f.band = band;
        fibertest::paint(frame(1), f);
        GetFiberInfo(1, 1)->fShadowBright = 115;
        GetFiberStruct()->lFiberErrorFlag = 0;
        ASSERT_EQ(CalcSingleFocus(1, 1), 0);
        EXPECT_EQ(GetFiberStruct()->lFiberErrorFlag, 0);
        EXPECT_NEAR(GetFiberInfo(1, 1)->fFocusWidth, 2 * band, 1.0);
        EXPECT_NEAR(GetFiberInfo(1, 1)->fFocusRate, 2 * band / 194.0, 0.01);
        EXPECT_NEAR(GetFiberInfo(1, 1)->fFocusCenter, 240.0, 1.0);
    }
    // Errors are recorded, not returned.
    std::memset(frame(1), 200, CAMERA_FRAME_SIZE);
    EXPECT_EQ(CalcSingleFocus(1, 1), 0);
    EXPECT_EQ(GetFiberStruct()->lFiberErrorFlag, CLAD_ERR_NO_BORDER);
    EXPECT_EQ(CalcSingleFocus(3, 1), -1);

    // Sharpness: a fine texture against the same texture blurred; a black picture has none.
    float sharp = 0, soft = 0;
    uint32_t seed = 12345;
    for (int i = 0; i < CAMERA_FRAME_SIZE; ++i) {
        seed = seed * 1103515245u + 12345u;
        frame(2)[i] = uint8_t(100 + (seed >> 16) % 40);
    }
    ASSERT_EQ(GetFocusDegreeValue(2, 8, 100, &sharp), 0);
    std::vector<double> line(700);
    ASSERT_EQ(ImFilterByGaussian(line, h52, 0, 480, frame(2), 0, 640), 0);
    ASSERT_EQ(GetFocusDegreeValue(2, 8, 100, &soft), 0);
    EXPECT_GT(sharp, soft);
    std::memset(frame(2), 0, CAMERA_FRAME_SIZE);
    EXPECT_EQ(GetFocusDegreeValue(2, 8, 100, &soft), -1);
    EXPECT_EQ(GetFocusDegreeValue(2, 8, 633, &soft), -1);
    EXPECT_EQ(GetFocusDegreeValue(2, 100, 100, &soft), -1);
}

TEST_F(FiberTest, CladdingBrightnessChecks)
{
    std::memset(frame(1), 30, CAMERA_FRAME_SIZE);
    uint8_t out[640];
    const struct {
        int row, x, w, rc;
    } windows[] = {{14, 8, 100, 0},  {13, 8, 100, -1},  {466, 8, 100, 0},   {467, 8, 100, -1},
                   {240, 7, 10, -1}, {240, 600, 32, 0}, {240, 600, 33, -1}, {240, 100, 0, -1}};
    for (const auto& w : windows)
        EXPECT_EQ(GetCladCenterWave(1, w.row, w.x, w.w, out), w.rc) << w.row << " " << w.x << " " << w.w;
    frame(1)[227 * CAMERA_WIDTH + 50] = 58; // one of the 28 rows of row 240
    ASSERT_EQ(GetCladCenterWave(1, 240, 40, 20, out), 0);
    EXPECT_EQ(out[10], 31);
    EXPECT_EQ(out[9], 30);

    APPFIBER* rec = GetFiberStruct();
    rec->graX.infL.iCladUp = 140;
    rec->graX.infL.iCoreUp = 220;
    rec->graX.infL.iCoreDown = 260;
    rec->graX.infL.iCladDown = 340;
    std::memset(frame(1), 30, CAMERA_FRAME_SIZE);
    EXPECT_EQ(GetCladHorBrightErr(1, 200, 200, rec), 0);
    // Five bright flaws in the lower band.
    for (int k = 0; k < 5; ++k)
        frame(1)[300 * CAMERA_WIDTH + 250 + 10 * k] = 120;
    EXPECT_EQ(GetCladHorBrightErr(1, 200, 200, rec), -1);
    // Four are tolerated.
    frame(1)[300 * CAMERA_WIDTH + 250] = 30;
    EXPECT_EQ(GetCladHorBrightErr(1, 200, 200, rec), 0);
    // Band rows from a broken record stay inside the frame.
    rec->graX.infL.iCladUp = -1000;
    rec->graX.infL.iCladDown = 100000;
    EXPECT_EQ(GetCladHorBrightErr(1, 200, 200, rec), 0);
    EXPECT_EQ(GetCladHorBrightErr(1, 600, 200, rec), -1);
}

} // namespace
