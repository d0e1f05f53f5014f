// Polynomial fits over short symmetric windows (moment sums times the precomputed inverse
// normal matrices), the sixth-order peak fit and small matrix products.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "fiber/numeric.h"
#include "fiber/polytables.h"

namespace
{
template <class T> int fit_conic(const T* s, int n, float* a0, float* a1, float* a2)
{
    if (!s || n < 1 || n > 240 || !a0 || !a1 || !a2) return -1;
    double N = 2.0 * n + 1, S0 = 0, S1 = 0, S2 = 0, S3 = 0, S4 = 0;
    for (int i = -n; i <= n; ++i) {
        double x = i, y = double(s[i + n]);
        S0 += y;
        S1 += x * y;
        S2 += x * x;
        S3 += x * x * y;
        S4 += x * x * x * x;
    }
    double c0 = (S0 * S4 - S3 * S2) / (S4 * N - S2 * S2);
    *a0 = float(c0);
    *a1 = float(S1 / S2);
    *a2 = float((S0 - c0 * N) / S2);
    return 0;
}

double poly_value(const double* a, int degree, double x)
{
    double v = 0;
    for (int i = degree; i >= 0; --i)
        v = v * x + a[i];
    return v;
}
double poly_slope(const double* a, int degree, double x)
{
    double v = 0;
    for (int i = degree; i >= 1; --i)
        v = v * x + i * a[i];
    return v;
}
} // namespace

int FitConic(const float* samples, int n, float* a0, float* a1, float* a2)
{
    return fit_conic(samples, n, a0, a1, a2);
}
int FitConicEx(const float* samples, int n, float* a0, float* a1, float* a2)
{
    return fit_conic(samples, n, a0, a1, a2);
}
int FitConicEX(const uint8_t* samples, int n, float* a0, float* a1, float* a2)
{
    return fit_conic(samples, n, a0, a1, a2);
}

float ConicPeakOffset(float a1, float a2)
{
    if (!(a2 < 0.0f) || !std::isfinite(a1)) return 0.0f;
    return std::clamp(-a1 / (2.0f * a2), -1.0f, 1.0f);
}

int FitPoly4(const uint8_t* samples, int n, float a[5])
{
    if (!a) return -1;
    std::fill(a, a + 5, 0.0f);
    const double *even = nullptr, *odd = nullptr;
    switch (n) {
    case 2:
        even = ac23.data(), odd = ac22.data();
        break;
    case 3:
        even = ac33.data(), odd = ac32.data();
        break;
    case 4:
        even = ac43.data(), odd = ac42.data();
        break;
    case 6:
        even = ac63.data(), odd = ac62.data();
        break;
    default:
        return -1;
    }
    if (!samples) return -1;
    double e[3] = {0, 0, 0}, o[2] = {0, 0};
    for (int i = -n; i <= n; ++i) {
        double x = i, y = samples[i + n];
        e[0] += y;
        e[1] += x * x * y;
        e[2] += x * x * x * x * y;
        o[0] += x * y;
        o[1] += x * x * x * y;
    }
    double ev[3], ov[2];
    MatrixAxB(even, e, ev, 3, 3, 1);
    MatrixAxB(odd, o, ov, 2, 2, 1);
    a[0] = float(ev[0]);
    a[2] = float(ev[1]);
    a[4] = float(ev[2]);
    a[1] = float(ov[0]);
    a[3] = float(ov[1]);
    return 0;
}

int FitPoly2(const int* x, const uint8_t* y, int count, int h, int variant, float a[3])
{
    if (!a) return -1;
    std::fill(a, a + 3, 0.0f);
    const double* table = h == 2   ? ac23_conic.data()
                          : h == 3 ? ac33_conic.data()
                          : h == 4 ? ac43_conic.data()
                                   : nullptr;
    if (!table || variant < 0 || variant > 2 || !x || !y) return -1;
    const int lo = variant == 2 ? -(h + 1) : -h;
    const int hi = variant == 0 ? h : h + 1;
    if (count != hi - lo + 1) return -1;
    double m[3] = {0, 0, 0};
    for (int i = 0; i < count; ++i) {
        if (x[i] != lo + i) return -1; // the table belongs to exactly this window
        double xi = x[i], yi = y[i];
        m[0] += yi;
        m[1] += xi * yi;
        m[2] += xi * xi * yi;
    }
    double c[3];
    MatrixAxB(table + 9 * variant, m, c, 3, 3, 1);
    for (int k = 0; k < 3; ++k)
        a[k] = float(c[k]);
    return 0;
}

void ProduceBMatrix(const float samples[15], double b[7])
{
    for (int k = 0; k < 7; ++k)
        b[k] = 0;
    for (int i = 0; i < 15; ++i) {
        double x = i - 7, p = 1;
        for (int k = 0; k < 7; ++k) {
            b[k] += p * samples[i];
            p *= x;
        }
    }
}

int FindMaxValue(const double* a, int degree, double low, double high, double* x)
{
    if (!a || !x || degree < 1 || degree > 8 || !(low < high)) return 0;
    // The slope changes sign at most degree-1 times: a fine grid brackets every maximum, then
    // bisection pins it down.
    constexpr int kSteps = 256;
    double best_x = 0, best_v = 0;
    bool found = false;
    double x0 = low, s0 = poly_slope(a, degree, low);
    for (int k = 1; k <= kSteps; ++k) {
        double x1 = low + (high - low) * k / kSteps, s1 = poly_slope(a, degree, x1);
        if (s0 > 0 && s1 <= 0) {
            double l = x0, r = x1;
            for (int it = 0; it < 60; ++it) {
                double mid = 0.5 * (l + r);
                (poly_slope(a, degree, mid) > 0 ? l : r) = mid;
            }
            double xm = 0.5 * (l + r), v = poly_value(a, degree, xm);
            if (!found || v > best_v) best_x = xm, best_v = v, found = true;
        }
        x0 = x1;
        s0 = s1;
    }
    if (found) *x = best_x;
    return found ? 1 : 0;
}

int Fit6ThCurve(const float samples[15], float* value)
{
    if (!samples || !value) return 0;
    double b[7], e[4] = {0, 0, 0, 0}, o[3] = {0, 0, 0}, ev[4], ov[3];
    ProduceBMatrix(samples, b);
    for (int k = 0; k < 4; ++k)
        e[k] = b[2 * k];
    for (int k = 0; k < 3; ++k)
        o[k] = b[2 * k + 1];
    MatrixAxB(aa0.data(), e, ev, 4, 4, 1);
    MatrixAxB(aa1.data(), o, ov, 3, 3, 1);
    double a[7] = {ev[0], ov[0], ev[1], ov[1], ev[2], ov[2], ev[3]};
    double x = 0;
    if (FindMaxValue(a, 6, -7.0, 7.0, &x)) {
        *value = float(x);
        return 1;
    }
    std::printf("Fit6ThCurve Error\n");
    for (int i = 0; i < 15; ++i)
        std::printf("%f ", double(samples[i]));
    std::printf("\n");
    for (double c : a)
        std::printf("%f ", c);
    std::printf("\n");
    return 0;
}

void MatrixAxB(const double* A, const double* B, double* C, int rows, int inner, int columns)
{
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            double s = 0;
            for (int k = 0; k < inner; ++k)
                s += A[r * inner + k] * B[k * columns + c];
            C[r * columns + c] = s;
        }
}
