// End faces, cleave angles and end-face checks on pictures drawn by the simulated cameras, and
// the degenerate inputs each routine must refuse with its code.
#include <cmath>

#include "splice/cleaveangle.h"
#include "tests/fiber/endfacetest.h"

namespace
{
using namespace endfacetest;
using sim::EndDefect;
using sim::FibreType;

constexpr double kDeg = M_PI / 180.0;

TEST_F(EndfaceTest, EndFacePositionWithinHalfAPixel)
{
    for (double z : {10.0, 30.0, 50.0})
        for (double frac = 0; frac < 1; frac += 0.15) {
            Layout l;
            l.zUm = z;
            l.tipsUm = 40 + frac * sim::optics::kUmPerPx;
            const auto t = draw(l);
            ASSERT_EQ(GetShadowBrightEx(VIEWMASK_XY), 0);
            ASSERT_EQ(GetEndfaceEx(VIEWMASK_XY), 0);
            for (int view = 1; view <= 2; ++view)
                for (int side = 0; side < 2; ++side)
                    EXPECT_NEAR(GetFiberInfo(view, side)->fEndfacePos,
                                t[size_t(view - 1)].fibre[size_t(side)].tip_col, 0.5)
                        << "z " << z << " frac " << frac << " view " << view << " side " << side;
        }
}

TEST_F(EndfaceTest, CleaveAngleWithinATenthOfADegreeInAnyAzimuth)
{
    SPLICE_INFORMATION info{};
    for (double deg : {0.0, 0.5, 1.0, 2.0, 3.0})
        for (double az : {0.0, 35.0, 90.0, 160.0, 225.0, 300.0}) {
            // The right fibre takes another angle and azimuth, so the sides cannot stand in for
            // each other.
            Layout l;
            l.left.cleave_deg = deg;
            l.left.cleave_azimuth_deg = az;
            l.right.cleave_deg = 3.0 - deg;
            l.right.cleave_azimuth_deg = az + 110;
            l.frame = uint64_t(deg * 10 + az);
            const auto t = draw(l);
            SCOPED_TRACE(testing::Message() << deg << " deg at " << az);
            ASSERT_EQ(GetShadowBrightEx(VIEWMASK_XY), 0);
            ASSERT_EQ(GetEndfaceEx(VIEWMASK_XY), 0);
            for (int view = 1; view <= 2; ++view)
                for (int side = 0; side < 2; ++side)
                    EXPECT_NEAR(GetFiberInfo(view, side)->fEndfaceK,
                                t[size_t(view - 1)].fibre[size_t(side)].end_slope, 0.0015);
            ASSERT_EQ(CalcFiberAngleInto(GetFiberStruct(), &info), 0);
            EXPECT_NEAR(info.fLeftCleaveAngle, deg, 0.1);
            EXPECT_NEAR(info.fRightCleaveAngle, 3.0 - deg, 0.1);
            EXPECT_EQ(info.iCleaveAngleFlag, 1);
            EXPECT_EQ(info.iCoreAngleFlag, 1);
            // Straight cores in both fibres: no angle between them.
            EXPECT_NEAR(info.fCoreAngleSum, 0.0, 0.1);
            // The two end faces' planes meet at an angle between the difference and the sum.
            const APPFIBER* rec = GetFiberStruct();
            EXPECT_LE(rec->fEndfaceAngleSum, 3.0 + 0.15);
            EXPECT_GE(rec->fEndfaceAngleSum, std::fabs(3.0 - 2 * deg) - 0.15);
            // Clean ends, however tilted, pass the end-face checks.
            EXPECT_EQ(AnalyzCladEndFace(0), 0);
            EXPECT_EQ(AnalyzCoreEndFace(), 0);
        }
}

// Each kind's core is its own lens (a dispersion-shifted core is narrower and stronger): the angle
// between end face and core must not depend on it.
TEST_F(EndfaceTest, CleaveAngleOfEachFibreKind)
{
    SPLICE_INFORMATION info{};
    for (FibreType type : {FibreType::SM, FibreType::DS, FibreType::NZDS, FibreType::MM50})
        for (double az : {0.0, 135.0}) {
            Layout l;
            l.left.type = l.right.type = type;
            l.left.cleave_deg = 0.4;
            l.left.cleave_azimuth_deg = az;
            l.right.cleave_deg = 1.2;
            l.right.cleave_azimuth_deg = az + 70;
            draw(l);
            SCOPED_TRACE(testing::Message() << "kind " << int(type) << " at " << az);
            ASSERT_EQ(GetShadowBrightEx(VIEWMASK_XY), 0);
            ASSERT_EQ(GetEndfaceEx(VIEWMASK_XY), 0);
            ASSERT_EQ(CalcFiberAngleInto(GetFiberStruct(), &info), 0);
            EXPECT_NEAR(info.fLeftCleaveAngle, 0.4, 0.1);
            EXPECT_NEAR(info.fRightCleaveAngle, 1.2, 0.1);
        }
}

TEST_F(EndfaceTest, CleaveAngleAveragesAtMostFiveSlopeSamples)
{
    Layout l;
    draw(l);
    ASSERT_EQ(GetShadowBrightEx(VIEWMASK_XY), 0);
    ASSERT_EQ(GetEndfaceEx(VIEWMASK_XY), 0);
    // Seven samples counted, five held: the left X slopes average tan 2 degrees.
    SPLICE_INFORMATION info{};
    info.iAngleSerialCount = 7;
    const float k = float(std::tan(2 * kDeg));
    const float xl[5] = {0.5f * k, 1.5f * k, k, 0.8f * k, 1.2f * k};
    for (int i = 0; i < 5; ++i)
        info.LeftAngleSerial[0][i] = xl[i];
    ASSERT_EQ(CalcFiberAngleInto(GetFiberStruct(), &info), 0);
    EXPECT_NEAR(GetFiberInfo(1, 0)->fEndfaceK, k, 1e-6);
    EXPECT_NEAR(info.fLeftCleaveAngle, 2.0, 0.1);
    EXPECT_NEAR(info.fRightCleaveAngle, 0.0, 0.1);
}

TEST(CalcVectorValue, AnglesBetweenLines)
{
    const double t1 = std::tan(1 * kDeg), t2 = std::tan(2 * kDeg);
    struct Case {
        int mode;
        double a, b, c, d, deg;
    };
    for (const Case& c : {Case{1, 0, 0, 0, 0, 0}, Case{1, t1, 0, 0, 0, 1}, Case{1, 0, 0, t1, 0, 1},
                          Case{1, t1, -t1, 0, 0, 0}, Case{0, t2, t2, 0, 0, 0}, Case{0, t2, 0, 0, 0, 2},
                          Case{1, t1, 0, 0, t2, std::hypot(1.0, 2.0)}, Case{0, t1, -t1, 0, 0, 2}})
        EXPECT_NEAR(CalcVectorValue(c.mode, c.a, c.b, c.c, c.d), c.deg, 0.01)
            << c.mode << " " << c.a << " " << c.b << " " << c.c << " " << c.d;
    // Slopes that are no numbers give no angle rather than a NaN in the record.
    EXPECT_EQ(CalcVectorValue(1, NAN, 0, 0, 0), 0.0);
    EXPECT_EQ(CalcVectorValue(0, INFINITY, 0, 1, 0), 0.0);
}

TEST(GetLeastSquareEndface, FitsTheListUpToItsEnd)
{
    ENDFACE_POINT pts[ENDFACE_POINTS] = {};
    double K = 0, mid = 0, B = 0;
    // Column = 0.05 row + 200 over rows 100..290, with the terminating record after 20 points.
    for (int i = 0; i < 20; ++i)
        pts[i] = {uint16_t(205 + i / 2), uint16_t(100 + 10 * i)}; // one column per 20 rows
    ASSERT_EQ(GetLeastSquareEndface(pts, &K, &mid, &B), 0);
    EXPECT_NEAR(K, 0.05, 0.005);
    EXPECT_DOUBLE_EQ(mid, (100 + 290) / 2.0);
    // A full list of 21 points without a terminator stops at 21.
    ENDFACE_POINT full[ENDFACE_POINTS];
    for (int i = 0; i < ENDFACE_POINTS; ++i)
        full[i] = {300, uint16_t(50 + i)};
    ASSERT_EQ(GetLeastSquareEndface(full, &K, &mid, &B), 0);
    EXPECT_NEAR(K, 0.0, 1e-12);
    EXPECT_DOUBLE_EQ(B, 300.0);
    // No line: an empty list, points all on one row, null arguments.
    ENDFACE_POINT empty[ENDFACE_POINTS] = {};
    EXPECT_EQ(GetLeastSquareEndface(empty, &K, &mid, &B), -1);
    ENDFACE_POINT oneRow[ENDFACE_POINTS] = {};
    for (int i = 0; i < 5; ++i)
        oneRow[i] = {uint16_t(300 + i), 200};
    EXPECT_EQ(GetLeastSquareEndface(oneRow, &K, &mid, &B), -1);
    EXPECT_EQ(GetLeastSquareEndface(nullptr, &K, &mid, &B), -1);
    EXPECT_EQ(GetLeastSquareEndface(pts, nullptr, &mid, &B), -1);
}

TEST_F(EndfaceTest, DegenerateFramesFailWithTheirCodes)
{
    Layout l;
    const auto t = draw(l);
    ASSERT_EQ(GetShadowBrightEx(VIEWMASK_XY), 0);
    ASSERT_EQ(GetEndfaceEx(VIEWMASK_XY), 0);
    const APPFIBER_INFO& xl = *GetFiberInfo(1, 0);
    const int top = int(xl.fCladCenter - xl.fCladWidth / 2), band = int(xl.fFocusCenter - xl.fFocusWidth / 2);
    std::vector<uint8_t> saved(frame(1), frame(1) + CAMERA_FRAME_SIZE);
    auto restore = [&] { std::memcpy(frame(1), saved.data(), saved.size()); };

    // Rows of the upper shadow dark from edge to edge: no end-face point on them.
    for (int r = top + 5; r < band - 5; ++r)
        std::memset(frame(1) + r * CAMERA_WIDTH, 10, CAMERA_WIDTH);
    EXPECT_EQ(GetEndfaceEx(VIEWMASK_X), ENDFACE_ERR_NO_POINT);
    EXPECT_EQ(GetEndfaceEx2(1), ENDFACE_ERR_NO_POINT);
    ENDFACE_POINT p{};
    EXPECT_EQ(GetEndfacePoint(top + 20, 0, 0, &p), -1);
    EXPECT_EQ(p.wColumn, 624);
    EXPECT_EQ(GetEndfacePoint(3, 0, 0, &p), -1); // rows outside the analysed window
    EXPECT_EQ(GetEndfacePoint(476, 1, 1, &p), -1);
    EXPECT_EQ(GetEndfacePoint(200, 0, 2, &p), -1);

    // Points scattered far apart along the rows: none survives the outlier filter.
    restore();
    for (int r = top + 5; r < int(xl.fCladCenter + xl.fCladWidth / 2) - 5; ++r)
        if (std::abs(r - int(xl.fCladCenter)) > xl.fFocusWidth / 2 + 5)
            std::memset(frame(1) + r * CAMERA_WIDTH + (r % 2 ? 100 : 500), 200, 40);
    EXPECT_EQ(GetEndfaceEx(VIEWMASK_X), ENDFACE_ERR_NO_POINT);
    restore();
    EXPECT_EQ(GetEndfacePoint(top + 20, 1, 0, &p), 0);
    EXPECT_NEAR(p.wColumn, t[0].fibre[1].tip_col, 1.0);

    // The left fibre reaching past the last column the scan looks at: no end in the picture.
    restore();
    Layout far = l;
    far.tipsUm = -200; // the left tip beyond column 624, the right one behind column 16
    draw(far);
    EXPECT_EQ(GetEndfaceEx(VIEWMASK_XY), ENDFACE_ERR_NO_POINT);
}

TEST_F(EndfaceTest, FastPathFindsTheGapOnTheRowProfiles)
{
    Layout l;
    const auto t = draw(l);
    ASSERT_EQ(GetShadowBrightEx(VIEWMASK_XY), 0);
    ASSERT_EQ(GetCladEx(VIEWMASK_XY, 1), 0);
    ASSERT_EQ(GetEndfaceEx(VIEWMASK_XY), 0);
    ASSERT_EQ(SetFpgaRect(), 0);
    ASSERT_EQ(GetAllBrightWave(), 0);
    ASSERT_EQ(GetEndfacePosFpga(), 0);
    for (int view = 1; view <= 2; ++view)
        for (int side = 0; side < 2; ++side)
            EXPECT_NEAR(GetFiberInfo(view, side)->fEndfacePos,
                        t[size_t(view - 1)].fibre[size_t(side)].tip_col, 2.0)
                << view << side;
    EXPECT_EQ(SetMidBrightPos(), 0);

    struct Case {
        int from, to; // bright columns [from, to]
        int code, left, right;
    };
    for (const Case& c : {Case{200, 400, 0, 200, 400}, Case{300, 300, 0, 300, 300}, Case{0, -1, 0, 16, 624},
                          Case{16, 623, 0, 16, 623}}) {
        // A flat profile (no fibre) is all gap.
        uint8_t row[BRIGHT_WAVE_ROW_LINE];
        std::memset(row, 12, sizeof row);
        for (int col = c.from; col <= c.to; ++col)
            row[col] = 64;
        int left = 0, right = 0;
        EXPECT_EQ(CalEndfacePosFpga(row, 0, &left, &right), c.code) << c.from;
        EXPECT_EQ(left, c.left) << c.from;
        EXPECT_EQ(right, c.right) << c.from;
    }
    uint8_t dark[BRIGHT_WAVE_ROW_LINE] = {};
    int left = 0, right = 0;
    EXPECT_EQ(CalEndfacePosFpga(dark, 0, &left, &right), ENDFACE_ERR_ORDER);
    EXPECT_EQ(CalEndfacePosFpga(nullptr, 0, &left, &right), -1);
}

// What each check reports for a defect on the left, the right and both fibres.
struct DefectCase {
    const char* name;
    EndDefect defect;
    double um;
    FibreType type;
    double z;
    int (*check)();
    std::array<int, 3> codes; // left, right, both
};

int core_end()
{
    return AnalyzCoreEndFace();
}
int clad_end()
{
    return AnalyzCladEndFace(0);
}
int dirt()
{
    return AnalyzCoreDirty(0);
}

TEST_F(EndfaceTest, DefectsGiveTheirCodesPerSideAndCleanFibresNone)
{
    const DefectCase cases[] = {
        {"lip", EndDefect::Lip, 0, FibreType::SM, 30, clad_end, {522, 523, 524}},
        {"chip", EndDefect::Chip, 0, FibreType::SM, 30, clad_end, {236, 237, 530}},
        // A single-mode core is a small part of the bright band: its recess makes a rough end.
        {"shrunk SM", EndDefect::ShrunkCore, 20, FibreType::SM, 30, core_end, {236, 237, 530}},
        // A multimode core fills the band: the whole end lies behind the cladding's.
        {"shrunk MM", EndDefect::ShrunkCore, 20, FibreType::MM50, 20, core_end, {525, 526, 529}},
        {"dirt", EndDefect::Dirt, 1.5, FibreType::MM50, 20, dirt, {234, 235, 528}},
    };
    for (const DefectCase& c : cases)
        for (int sides = 0; sides <= 3; ++sides) {
            Layout l;
            l.left.type = l.right.type = c.type;
            l.zUm = c.z;
            l.left.cleave_deg = 0.4;
            l.right.cleave_deg = 0.7;
            l.right.cleave_azimuth_deg = 120;
            for (int side = 0; side < 2; ++side)
                if (sides & (1 << side)) {
                    sim::FibreSetup& f = side == 0 ? l.left : l.right;
                    f.defect = c.defect;
                    f.defect_um = c.um;
                }
            draw(l);
            SCOPED_TRACE(testing::Message() << c.name << " sides " << sides);
            ASSERT_EQ(GetShadowBrightEx(VIEWMASK_XY), 0);
            ASSERT_EQ(GetEndfaceEx(VIEWMASK_XY), 0);
            if (sides == 0) {
                // A clean pair passes every check.
                EXPECT_EQ(AnalyzCoreEndFace(), 0);
                EXPECT_EQ(AnalyzCladEndFace(0), 0);
                EXPECT_EQ(AnalyzCoreEndFaceOld(), 0);
                EXPECT_EQ(AnalyzCoreDirty(0), 0);
                EXPECT_EQ(AnalyzCoreDirty(1), 0);
                EXPECT_EQ(AnalyzCoreDirtyOld(), 0);
                continue;
            }
            EXPECT_EQ(c.check(), c.codes[size_t(sides - 1)]);
        }
}

TEST_F(EndfaceTest, IgnoreSwitchesAndLimitsOfTheChecks)
{
    Layout l;
    l.left.type = l.right.type = FibreType::MM50;
    l.zUm = 20;
    l.left.defect = l.right.defect = EndDefect::ShrunkCore;
    l.left.defect_um = l.right.defect_um = 20;
    draw(l);
    ASSERT_EQ(GetShadowBrightEx(VIEWMASK_XY), 0);
    ASSERT_EQ(GetEndfaceEx(VIEWMASK_XY), 0);
    EXPECT_EQ(AnalyzCoreEndFace(), ENDFACE_ERR_BOTH_SHRINK);
    options(10, false, true);
    EXPECT_EQ(AnalyzCoreEndFace(), 0);
    // The older check judges the same shrink, and the order of the ends first.
    options(10, false, false);
    EXPECT_EQ(AnalyzCoreEndFaceOld(), ENDFACE_ERR_BOTH_SHRINK);
    std::swap(GetFiberInfo(2, 0)->fEndfacePos, GetFiberInfo(2, 1)->fEndfacePos);
    EXPECT_EQ(AnalyzCoreEndFaceOld(), ENDFACE_ERR_ORDER);

    // Dirt: ignored with the bubble switch, and a loose limit lets light dirt pass.
    l = Layout{};
    l.left.type = l.right.type = FibreType::MM50;
    l.zUm = 20;
    l.left.defect = EndDefect::Dirt;
    l.left.defect_um = 1.5;
    draw(l);
    ASSERT_EQ(GetShadowBrightEx(VIEWMASK_XY), 0);
    ASSERT_EQ(GetEndfaceEx(VIEWMASK_XY), 0);
    EXPECT_EQ(AnalyzCoreDirty(0), ENDFACE_ERR_LEFT_DIRTY);
    options(10, true, false);
    EXPECT_EQ(AnalyzCoreDirty(0), 0);
    options(60, false, false);
    EXPECT_EQ(AnalyzCoreDirty(0), 0);

    // The method tables the splice chooses from.
    EXPECT_EQ(GetEndfaceMethods(1).CladEndFace, &AnalyzCladEndFace);
    EXPECT_EQ(GetEndfaceMethods(1).CoreEndFace, &AnalyzCoreEndFace);
    EXPECT_EQ(GetEndfaceMethods(0).CladEndFace, nullptr);
    EXPECT_EQ(GetEndfaceMethods(0).CoreEndFace, &AnalyzCoreEndFaceOld);
}

TEST_F(EndfaceTest, ChecksOnFibresOutOfReachFailInsteadOfReading)
{
    Layout l;
    draw(l);
    ASSERT_EQ(GetShadowBrightEx(VIEWMASK_XY), 0);
    ASSERT_EQ(GetEndfaceEx(VIEWMASK_XY), 0);
    APPFIBER_INFO* xl = GetFiberInfo(1, 0);
    const APPFIBER_INFO keep = *xl;
    for (float pos : {-1e9f, NAN, 20.0f, 700.0f, INFINITY}) {
        *xl = keep;
        xl->fEndfacePos = pos;
        EXPECT_NE(CalCoreEndFace(frame(1), 1, 0, xl), 0) << pos;
        *xl = keep;
        xl->fEndfacePos = pos;
        const int r = CalCoreDirtyByGuss(frame(1), 0, xl, 11);
        EXPECT_TRUE(r == 0 || r == ENDFACE_ERR_CORE_BAND) << pos;
        // An end face the cladding check cannot see: the fibre must be laid in again.
        *xl = keep;
        xl->fEndfacePos = pos;
        EXPECT_EQ(AnalyzCladEndFace(0), ENDFACE_ERR_REPOSITION) << pos;
    }
    // A band wider than the cladding leaves no shadow rows to judge.
    *xl = keep;
    xl->fFocusWidth = xl->fCladWidth + 10;
    EXPECT_EQ(AnalyzCladEndFace(0), ENDFACE_ERR_CALC);
    *xl = keep;
    xl->fCladCenter = NAN;
    EXPECT_EQ(CalCoreDirtyByGuss(frame(1), 0, xl, 11), ENDFACE_ERR_CORE_BAND);
    EXPECT_NE(CalCoreEndFace(frame(1), 1, 0, xl), 0);
    EXPECT_EQ(CalCoreEndFace(nullptr, 1, 0, xl), -1);
}

} // namespace
