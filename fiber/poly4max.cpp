// Maximum of a quartic: Newton's iteration on its slope, and the closed form from the roots of
// the cubic slope (trigonometric or Cardano).
#include <algorithm>
#include <cmath>

#include "fiber/numeric.h"
#include "fiber/polytables.h"

namespace
{
double p_value(const float a[5], double x)
{
    return (((double(a[4]) * x + a[3]) * x + a[2]) * x + a[1]) * x + a[0];
}
double p_slope(const float a[5], double x)
{
    return ((4.0 * a[4] * x + 3.0 * a[3]) * x + 2.0 * a[2]) * x + a[1];
}
double p_curve(const float a[5], double x)
{
    return (12.0 * a[4] * x + 6.0 * a[3]) * x + 2.0 * a[2];
}

// Real roots of c3 x^3 + c2 x^2 + c1 x + c0 = 0 (lower degrees when leading terms vanish).
int real_roots(double c3, double c2, double c1, double c0, double r[3])
{
    if (c3 == 0.0) {
        if (c2 == 0.0) {
            if (c1 == 0.0) return 0;
            r[0] = -c0 / c1;
            return 1;
        }
        double d = c1 * c1 - 4 * c2 * c0;
        if (d < 0) return 0;
        r[0] = (-c1 + std::sqrt(d)) / (2 * c2);
        r[1] = (-c1 - std::sqrt(d)) / (2 * c2);
        return 2;
    }
    double b = c2 / c3, c = c1 / c3, d = c0 / c3;
    double p = c - b * b / 3.0, q = 2.0 * b * b * b / 27.0 - b * c / 3.0 + d;
    double D = q * q / 4.0 + p * p * p / 27.0;
    if (D < 0) { // three real roots
        double m = 2.0 * std::sqrt(-p / 3.0);
        double arg = std::clamp(3.0 * q / (2.0 * p) * std::sqrt(-3.0 / p), -1.0, 1.0);
        double t = std::acos(arg) / 3.0;
        for (int k = 0; k < 3; ++k)
            r[k] = m * std::cos(t - 2.0 * PI * k / 3.0) - b / 3.0;
        return 3;
    }
    double s = std::sqrt(D);
    r[0] = std::cbrt(-q / 2.0 + s) + std::cbrt(-q / 2.0 - s) - b / 3.0;
    return 1;
}
} // namespace

int FindMaxValueofPoly4ByNewton(const float a[5], float start, float* x)
{
    if (!a || !x) return 0;
    double v = start;
    for (int step = 0; step < 10; ++step) {
        double d2 = p_curve(a, v);
        if (d2 == 0.0 || !std::isfinite(d2)) break;
        double next = v - p_slope(a, v) / d2;
        if (!std::isfinite(next)) break;
        bool settled = std::fabs(next - v) < 1e-5 && d2 <= 0.0;
        v = next;
        if (settled) {
            *x = float(v);
            return 1;
        }
    }
    *x = 0.0f;
    return 0;
}

int FindMaxValueofPoly4(const float a[5], float low, float high, float* x)
{
    if (!a || !x || !(low <= high)) return 0;
    if (a[2] != 0.0f && std::fabs(a[4] / a[2]) < 1e-6f && std::fabs(a[3] / a[2]) < 1e-6f) {
        if (!(a[2] < 0.0f)) return 0;
        float v = -a[1] / (2.0f * a[2]);
        if (v < low || v > high) return 0;
        *x = v;
        return 1;
    }
    double r[3];
    int n = real_roots(4.0 * a[4], 3.0 * a[3], 2.0 * a[2], a[1], r);
    bool found = false;
    double best = 0, best_v = 0;
    for (int i = 0; i < n; ++i) {
        if (!std::isfinite(r[i]) || r[i] < low || r[i] > high || !(p_curve(a, r[i]) < 0.0)) continue;
        double v = p_value(a, r[i]);
        if (!found || v > best_v) best = r[i], best_v = v, found = true;
    }
    if (found) *x = float(best);
    return found ? 1 : 0;
}
