// Numeric routines: exact recovery of lines and polynomials, rejection, extrema, plateaus and the
// filters on steps and impulses.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "fiber/graphics.h"
#include "fiber/numeric.h"
#include "fiber/polytables.h"

namespace
{

struct Points {
    std::vector<uint16_t> x;
    std::vector<float> y;
    std::vector<float> w;
};

Points line_points(float K, float B, int n, int first = 20, int step = 7)
{
    Points p;
    for (int i = 0; i < n; ++i) {
        p.x.push_back(uint16_t(first + i * step));
        p.y.push_back(K * float(p.x.back()) + B);
        p.w.push_back(1.0f + float(i % 3));
    }
    return p;
}

TEST(LineFit, RecoversExactLines)
{
    const struct {
        float K, B;
    } cases[] = {{0.0f, 240.0f}, {0.05f, 100.5f}, {-0.3f, 400.0f}, {1.5f, -20.0f}};
    for (const auto& c : cases) {
        Points p = line_points(c.K, c.B, 30);
        float K = 9, B = 9;
        EXPECT_EQ(CalLeastSquare(p.x.data(), p.y.data(), int(p.x.size()), &K, &B), 0);
        EXPECT_NEAR(K, c.K, 1e-4f);
        EXPECT_NEAR(B, c.B, 2e-2f);
        EXPECT_EQ(CalWeightedLeastSquare(p.x.data(), p.y.data(), p.w.data(), int(p.x.size()), &K, &B), 0);
        EXPECT_NEAR(K, c.K, 1e-4f);
        EXPECT_NEAR(B, c.B, 2e-2f);
    }
}

TEST(LineFit, ExcludedPointsNeverCountAndTooFewGiveTheMiddleRow)
{
    // A wild point at abscissa 0 is excluded, so four valid points still fit exactly.
    Points p = line_points(0.5f, 10.0f, 4);
    p.x.push_back(0);
    p.y.push_back(1e6f);
    p.w.push_back(1.0f);
    float K = 0, B = 0;
    EXPECT_EQ(CalLeastSquare(p.x.data(), p.y.data(), 5, &K, &B), 0);
    EXPECT_NEAR(K, 0.5f, 1e-4f);
    EXPECT_NEAR(B, 10.0f, 1e-2f);

    const struct {
        int count;
        bool zeroX;
    } none[] = {{3, false}, {4, true}, {0, false}};
    for (const auto& c : none) {
        Points q = line_points(0.5f, 10.0f, 4);
        if (c.zeroX) q.x.assign(4, 0);
        K = B = 7;
        EXPECT_EQ(CalLeastSquare(q.x.data(), q.y.data(), c.count, &K, &B), -1);
        EXPECT_EQ(K, 0.0f);
        EXPECT_EQ(B, 240.0f);
        K = B = 7;
        EXPECT_EQ(CalWeightedLeastSquare(q.x.data(), q.y.data(), q.w.data(), c.count, &K, &B), -1);
        EXPECT_EQ(B, 240.0f);
    }
    // All points on one column would divide by zero.
    Points v = line_points(0.0f, 5.0f, 6, 50, 0);
    EXPECT_EQ(CalLeastSquare(v.x.data(), v.y.data(), 6, &K, &B), -1);
    EXPECT_EQ(CalWeightedLeastSquare(v.x.data(), v.y.data(), v.w.data(), 6, &K, &B), -1);
    // Weights that add up to nothing.
    Points z = line_points(0.2f, 5.0f, 6);
    z.w.assign(6, 0.0f);
    EXPECT_EQ(CalWeightedLeastSquare(z.x.data(), z.y.data(), z.w.data(), 6, &K, &B), -1);
}

TEST(LineFit, RejectionDropsTheOutliers)
{
    // 25 points, two far off the line: a 10 % rejection removes exactly those two.
    Points p = line_points(0.1f, 50.0f, 25);
    p.y[3] += 30.0f;
    p.y[17] -= 20.0f;
    std::vector<float> res(25);
    EXPECT_EQ(ExcludeWeightedOutliersByPercent(p.x.data(), p.y.data(), p.w.data(), res.data(), 25, 0.1f, 0.1f,
                                               50.0f),
              2);
    for (int i = 0; i < 25; ++i)
        EXPECT_EQ(p.x[std::size_t(i)] == 0, i == 3 || i == 17) << i;
    EXPECT_NEAR(res[3], -30.0f * std::sqrt(p.w[3]), 1e-3f);

    // Four outliers among twenty: the regression removes them and fits the line exactly.
    Points r = line_points(-0.2f, 300.0f, 20);
    for (int i : {2, 7, 11, 15})
        r.y[std::size_t(i)] += (i % 2 ? 25.0f : -40.0f);
    float K = 0, B = 0;
    EXPECT_EQ(RegressCalLeastSquare(r.x.data(), r.y.data(), 20, &K, &B), 0);
    EXPECT_NEAR(K, -0.2f, 1e-4f);
    EXPECT_NEAR(B, 300.0f, 2e-2f);
    // Seven points leave three for the fifth fit.
    Points s = line_points(0.3f, 1.0f, 7);
    EXPECT_EQ(RegressCalLeastSquare(s.x.data(), s.y.data(), 7, &K, &B), -1);
    EXPECT_EQ(B, 240.0f);

    Points k = line_points(0.0f, 100.0f, 6);
    k.y[1] = 103.0f;
    k.y[4] = 98.5f;
    EXPECT_EQ(KickOffCenterPoint(k.x.data(), k.y.data(), 6, 2.0f, 0.0f, 100.0f), 1);
    EXPECT_EQ(k.x[1], 0);
    EXPECT_NE(k.x[4], 0);
}

double poly(const std::vector<double>& a, double x)
{
    double v = 0;
    for (std::size_t i = a.size(); i-- > 0;)
        v = v * x + a[i];
    return v;
}

TEST(PolyFit, RecoversExactPolynomials)
{
    const std::vector<double> q = {37.0, -2.5, 0.75};
    for (int n : {1, 2, 5, 11}) {
        std::vector<float> s;
        std::vector<uint8_t> b;
        for (int x = -n; x <= n; ++x) {
            s.push_back(float(poly(q, x)));
            b.push_back(
                uint8_t(std::lround(poly({100.0, 3.0, -1.0}, x) < 0 ? 0 : poly({100.0, 3.0, -1.0}, x))));
        }
        float a0, a1, a2;
        ASSERT_EQ(FitConic(s.data(), n, &a0, &a1, &a2), 0);
        EXPECT_NEAR(a0, 37.0f, 1e-3f) << n;
        EXPECT_NEAR(a1, -2.5f, 1e-4f) << n;
        EXPECT_NEAR(a2, 0.75f, 1e-4f) << n;
        if (n <= 5) {
            ASSERT_EQ(FitConicEX(b.data(), n, &a0, &a1, &a2), 0);
            EXPECT_NEAR(a0, 100.0f, 1e-3f);
            EXPECT_NEAR(a1, 3.0f, 1e-4f);
            EXPECT_NEAR(a2, -1.0f, 1e-4f);
        }
    }
    float a0, a1, a2;
    EXPECT_EQ(FitConic(std::array<float, 1>{1.0f}.data(), 0, &a0, &a1, &a2), -1);

    // Quartics on every supported window; other windows give zeros.
    // Whole numbers at every integer x: (x^3 - x) / 6 and (x^4 - x^2) / 12 are integers.
    const std::vector<double> p4 = {200.0, 2.0 - 1.0 / 6, -1.0 + 1.0 / 12, 1.0 / 6, -1.0 / 12};
    for (int n : {2, 3, 4, 6, 5}) {
        std::vector<uint8_t> s;
        for (int x = -n; x <= n; ++x)
            s.push_back(uint8_t(std::lround(std::max(0.0, poly(p4, x)))));
        bool exact = true;
        for (int x = -n; x <= n; ++x)
            exact = exact && std::fabs(poly(p4, x) - std::round(poly(p4, x))) < 1e-9 && poly(p4, x) >= 0;
        float a[5] = {9, 9, 9, 9, 9};
        if (n == 5) {
            EXPECT_EQ(FitPoly4(s.data(), n, a), -1);
            for (float c : a)
                EXPECT_EQ(c, 0.0f);
            continue;
        }
        ASSERT_TRUE(exact) << "the fixture's samples must be whole numbers";
        ASSERT_EQ(FitPoly4(s.data(), n, a), 0);
        for (int i = 0; i < 5; ++i)
            EXPECT_NEAR(a[i], p4[std::size_t(i)], 2e-4) << "n " << n << " a" << i;
    }
}

TEST(PolyFit, WindowVariantsAndSixthOrder)
{
    const std::vector<double> q = {90.0, 5.0, -2.0};
    for (int h : {2, 3, 4})
        for (int variant = 0; variant < 3; ++variant) {
            const int lo = variant == 2 ? -(h + 1) : -h, hi = variant == 0 ? h : h + 1;
            std::vector<int> x;
            std::vector<uint8_t> y;
            for (int v = lo; v <= hi; ++v) {
                x.push_back(v);
                y.push_back(uint8_t(poly(q, v) < 0 ? 0 : poly(q, v)));
            }
            bool exact = true;
            for (int v = lo; v <= hi; ++v)
                exact = exact && poly(q, v) >= 0;
            ASSERT_TRUE(exact);
            float a[3];
            ASSERT_EQ(FitPoly2(x.data(), y.data(), int(x.size()), h, variant, a), 0);
            EXPECT_NEAR(a[0], 90.0f, 1e-3f);
            EXPECT_NEAR(a[1], 5.0f, 1e-3f);
            EXPECT_NEAR(a[2], -2.0f, 1e-3f);
            // Abscissae of another window do not belong to this table.
            x[0] -= 1;
            EXPECT_EQ(FitPoly2(x.data(), y.data(), int(x.size()), h, variant, a), -1);
        }

    // A sixth-order curve with its maximum at x = 1.3 inside -7..7.
    float s[15];
    for (int i = 0; i < 15; ++i) {
        double x = i - 7, d = x - 1.3;
        s[i] = float(200.0 - 2.0 * d * d - 0.01 * d * d * d * d - 0.0001 * std::pow(d, 6));
    }
    float peak = 0;
    ASSERT_EQ(Fit6ThCurve(s, &peak), 1);
    EXPECT_NEAR(peak, 1.3f, 1e-3f);
    // A valley has no maximum inside.
    for (int i = 0; i < 15; ++i)
        s[i] = float((i - 7) * (i - 7));
    EXPECT_EQ(Fit6ThCurve(s, &peak), 0);
}

TEST(Poly4Max, NewtonAndClosedForm)
{
    // p(x) = -(x - 1)^2 (x + 2)^2 + 10 has maxima at 1 and -2 and a minimum at -0.5.
    // Expanded: -(x^4 + 2x^3 - 3x^2 - 4x + 4) + 10.
    const float a[5] = {6.0f, 4.0f, 3.0f, -2.0f, -1.0f};
    float x = 0;
    EXPECT_EQ(FindMaxValueofPoly4ByNewton(a, 0.8f, &x), 1);
    EXPECT_NEAR(x, 1.0f, 1e-4f);
    x = 5;
    EXPECT_EQ(FindMaxValueofPoly4ByNewton(a, -0.5f, &x), 0); // started exactly at the minimum
    EXPECT_EQ(x, 0.0f);

    EXPECT_EQ(FindMaxValueofPoly4(a, 0.0f, 3.0f, &x), 1);
    EXPECT_NEAR(x, 1.0f, 1e-4f);
    EXPECT_EQ(FindMaxValueofPoly4(a, -3.0f, -1.0f, &x), 1);
    EXPECT_NEAR(x, -2.0f, 1e-4f);
    EXPECT_EQ(FindMaxValueofPoly4(a, -0.9f, 0.9f, &x), 0);
    // One real root of the slope (Cardano): -x^4 + x has its maximum at 4^(-1/3).
    const float c[5] = {0.0f, 1.0f, 0.0f, 0.0f, -1.0f};
    EXPECT_EQ(FindMaxValueofPoly4(c, -2.0f, 2.0f, &x), 1);
    EXPECT_NEAR(x, std::cbrt(0.25f), 1e-4f);
    // A parabola: vertex inside, outside, and a minimum.
    const float p[5] = {1.0f, 3.0f, -1.5f, 0.0f, 0.0f};
    EXPECT_EQ(FindMaxValueofPoly4(p, -5.0f, 5.0f, &x), 1);
    EXPECT_NEAR(x, 1.0f, 1e-6f);
    EXPECT_EQ(FindMaxValueofPoly4(p, 2.0f, 5.0f, &x), 0);
    const float m[5] = {1.0f, 3.0f, 1.5f, 0.0f, 0.0f};
    EXPECT_EQ(FindMaxValueofPoly4(m, -5.0f, 5.0f, &x), 0);
}

TEST(Plateau, CladAndCore)
{
    const struct {
        std::array<uint8_t, 5> s;
        int length, kind, ret;
    } clad[] = {
        {{3, 5, 9, 5, 2}, 1, 0, 0},  {{3, 9, 9, 5, 2}, 2, 1, 0}, {{3, 9, 9, 9, 2}, 3, 2, 0},
        {{9, 9, 9, 9, 2}, 4, -1, 1}, {{1, 2, 3, 4, 8}, 1, 0, 2},
    };
    for (const auto& c : clad) {
        int len = 0, kind = 0;
        EXPECT_EQ(FindCladPeakPlateau(c.s.data(), 2, &len, &kind), c.ret);
        EXPECT_EQ(len, c.length);
        EXPECT_EQ(kind, c.kind);
    }
    const struct {
        std::array<uint8_t, 5> s;
        int count, kind, ret;
    } core[] = {
        {{1, 2, 7, 2, 1}, 1, 0, 0},   {{1, 2, 7, 7, 1}, 2, 1, 1}, {{7, 2, 1, 7, 1}, 2, 1, 1},
        {{7, 7, 1, 1, 1}, 2, -2, -2}, {{1, 7, 7, 7, 1}, 3, 2, 0}, {{7, 7, 7, 1, 1}, 3, 2, -1},
        {{1, 1, 1, 1, 1}, 0, -1, 0},
    };
    for (const auto& c : core) {
        int count = 0, kind = 0;
        EXPECT_EQ(FindCorePeakPlateau(7, c.s.data(), 2, &count, &kind), c.ret);
        EXPECT_EQ(count, c.count);
        EXPECT_EQ(kind, c.kind);
    }
    // Three equal samples ending left of the centre are no plateau of this peak.
    const uint8_t left[7] = {7, 7, 7, 1, 1, 1, 1};
    int count = 0, kind = 0;
    FindCorePeakPlateau(7, left, 3, &count, &kind);
    EXPECT_EQ(kind, -3);
}

TEST(Filters, FivePointMeanOnStepAndImpulse)
{
    std::vector<float> p(40, 0.0f);
    p[20] = 50.0f;
    ASSERT_EQ(FilterLine(p.data(), 5, 35), 0);
    for (int i = 0; i < 40; ++i)
        EXPECT_FLOAT_EQ(p[std::size_t(i)], i >= 18 && i <= 22 ? 10.0f : 0.0f) << i;

    // A step ramps over five entries; entries outside first+2 .. end-2 keep their values.
    std::vector<float> s(40);
    for (int i = 0; i < 40; ++i)
        s[std::size_t(i)] = i < 20 ? 0.0f : 100.0f;
    s[0] = 77.0f;
    ASSERT_EQ(FilterLineEx(s.data(), 10, 30), 0);
    EXPECT_EQ(s[0], 77.0f);
    EXPECT_FLOAT_EQ(s[17], 0.0f);
    EXPECT_FLOAT_EQ(s[18], 20.0f);
    EXPECT_FLOAT_EQ(s[19], 40.0f);
    EXPECT_FLOAT_EQ(s[20], 60.0f);
    EXPECT_FLOAT_EQ(s[21], 80.0f);
    EXPECT_FLOAT_EQ(s[22], 100.0f);
    EXPECT_EQ(FilterLine(s.data(), 10, 13), -1);
    EXPECT_EQ(FilterLine(s.data(), -1, 30), -1);
}

TEST(Filters, FrameBoxAndGaussian)
{
    std::vector<uint8_t> f(CAMERA_FRAME_SIZE, 0);
    // An impulse of 160 in a row of the band: the box spreads it to 10 over 16 columns.
    f[240 * CAMERA_WIDTH + 300] = 160;
    f[10 * CAMERA_WIDTH + 300] = 160; // outside the band: untouched
    APPFIBER_INFO info{};
    info.fCladCenter = 240.0f;
    info.fCladWidth = 100.0f;
    ASSERT_EQ(Image16x1Bilatery(f.data(), &info), 0);
    for (int c = 280; c < 320; ++c)
        EXPECT_EQ(f[240 * CAMERA_WIDTH + c], c >= 293 && c <= 308 ? 10 : 0) << c;
    EXPECT_EQ(f[10 * CAMERA_WIDTH + 300], 160);
    info.fCladCenter = NAN;
    EXPECT_EQ(Image16x1Bilatery(f.data(), &info), -1);

    // The Gaussian: a flat window stays flat (kernel sums to ~1) and an impulse takes the
    // separable kernel's shape.
    std::vector<uint8_t> g(CAMERA_FRAME_SIZE, 100);
    g[100 * CAMERA_WIDTH + 100] = 255;
    std::vector<double> line(700);
    ASSERT_EQ(ImFilterByGaussian(line, h52, 0, 480, g.data(), 0, 640), 0);
    EXPECT_EQ(g[400 * CAMERA_WIDTH + 400], 98); // 100 * 0.999999, truncated after each pass
    EXPECT_GT(g[100 * CAMERA_WIDTH + 100], g[100 * CAMERA_WIDTH + 102]);
    EXPECT_GT(g[100 * CAMERA_WIDTH + 102], 99);
    EXPECT_NEAR(g[98 * CAMERA_WIDTH + 100], g[100 * CAMERA_WIDTH + 98], 1);
    std::vector<double> shortLine(10);
    EXPECT_EQ(ImFilterByGaussian(shortLine, h52, 0, 480, g.data(), 0, 640), -1);
    EXPECT_EQ(ImFilterByGaussian(line, h52, 0, 481, g.data(), 0, 640), -1);
}

TEST(FilterData, KeepsValuesNearTheTrimmedMean)
{
    auto records = [](std::vector<uint16_t> v) {
        std::vector<uint8_t> r(v.size() * 4, 0xEE);
        for (std::size_t i = 0; i < v.size(); ++i)
            std::memcpy(&r[i * 4], &v[i], 2);
        return r;
    };
    auto value = [](const std::vector<uint8_t>& r, int i) {
        uint16_t v;
        std::memcpy(&v, &r[std::size_t(i) * 4], 2);
        return v;
    };
    auto r = records({100, 102, 98, 500, 101, 0});
    EXPECT_EQ(FilterData(r.data(), 6, 10), 4);
    EXPECT_EQ(value(r, 0), 100);
    EXPECT_EQ(value(r, 1), 102);
    EXPECT_EQ(value(r, 2), 98);
    EXPECT_EQ(value(r, 3), 101);
    EXPECT_EQ(value(r, 4), 0);

    // Every record kept: nothing is written past the last one.
    std::vector<uint8_t> all = records({50, 51, 52, 53});
    all.push_back(0xAB);
    EXPECT_EQ(FilterData(all.data(), 4, 100), 4);
    EXPECT_EQ(all.back(), 0xAB);
    // Two values cannot be averaged without the two set aside.
    auto two = records({5, 6});
    EXPECT_EQ(FilterData(two.data(), 2, 100), 0);
    EXPECT_EQ(FilterData(nullptr, 5, 100), 0);
}

} // namespace
