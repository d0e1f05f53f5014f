// Straight-line least squares over column/row point sets, with the rejection variants.
#include <cmath>

#include "fiber/numeric.h"

namespace
{
constexpr float kNoFitB = 240.0f; // the middle row: where a line without data is assumed

int no_fit(float* K, float* B)
{
    *K = 0.0f;
    *B = kNoFitB;
    return -1;
}
} // namespace

int CalLeastSquare(const uint16_t* x, const float* y, int count, float* K, float* B)
{
    if (!K || !B) return -1;
    if (!x || !y || count <= 0) return no_fit(K, B);
    float S = 0, T = 0, P = 0, Q = 0;
    int m = 0;
    for (int i = 0; i < count; ++i) {
        if (x[i] == 0) continue;
        float xi = float(x[i]);
        S += xi;
        T += y[i];
        P += xi * y[i];
        Q += xi * xi;
        ++m;
    }
    if (m <= 3) return no_fit(K, B);
    float den = float(m) * Q - S * S;
    if (den == 0.0f || !std::isfinite(den)) return no_fit(K, B);
    *K = (float(m) * P - S * T) / den;
    *B = T / float(m) - (S / float(m)) * *K;
    return 0;
}

int CalWeightedLeastSquare(const uint16_t* x, const float* y, const float* w, int count, float* K, float* B)
{
    if (!K || !B) return -1;
    if (!x || !y || !w || count <= 0) return no_fit(K, B);
    float W = 0, X = 0, XX = 0, Y = 0, XY = 0;
    int m = 0;
    for (int i = 0; i < count; ++i) {
        if (x[i] == 0) continue;
        float xi = float(x[i]);
        W += w[i];
        X += w[i] * xi;
        XX += w[i] * xi * xi;
        Y += w[i] * y[i];
        XY += w[i] * xi * y[i];
        ++m;
    }
    if (m <= 3) return no_fit(K, B);
    float den = W * XX - X * X;
    if (den == 0.0f || W == 0.0f || !std::isfinite(den)) return no_fit(K, B);
    *K = (W * XY - X * Y) / den;
    *B = (Y - *K * X) / W;
    return 0;
}

int ExcludeWeightedOutliersByPercent(uint16_t* x, const float* y, const float* w, float* residuals, int count,
                                     float fraction, float K, float B)
{
    if (!x || !y || !w || !residuals || count < 0 || !(fraction >= 0.0f && fraction <= 1.0f)) return -1;
    int n = 0;
    for (int i = 0; i < count; ++i) {
        residuals[i] = 0.0f;
        if (x[i] == 0) continue;
        // A negative weight is no weight: its root would not be a number.
        float sw = w[i] > 0.0f ? std::sqrt(w[i]) : 0.0f;
        residuals[i] = (K * float(x[i]) + B - y[i]) * sw;
        ++n;
    }
    int m = int(float(n) * fraction);
    for (int k = 0; k < m; ++k) {
        int worst = -1;
        for (int i = 0; i < count; ++i)
            if (x[i] != 0 && (worst < 0 || std::fabs(residuals[i]) > std::fabs(residuals[worst]))) worst = i;
        if (worst < 0) return k;
        x[worst] = 0;
    }
    return m;
}

int RegressCalLeastSquare(uint16_t* x, float* y, int count, float* K, float* B)
{
    if (!K || !B) return -1;
    if (!x || !y || count < 0) return no_fit(K, B);
    int r = -1;
    for (int pass = 0; pass < 5; ++pass) {
        r = CalLeastSquare(x, y, count, K, B);
        // With every residual 0 the first point goes: each pass shortens the set by one.
        int worst = count > 0 ? 0 : -1;
        float best = 0.0f;
        for (int i = 0; i < count; ++i) {
            if (x[i] == 0) continue;
            float d = std::fabs(y[i] - *K * float(x[i]) - *B);
            if (d > best) {
                best = d;
                worst = i;
            }
        }
        if (worst < 0) continue;
        x[worst] = x[count - 1];
        y[worst] = y[count - 1];
        --count;
    }
    return r;
}

int KickOffCenterPoint(uint16_t* x, const float* y, int count, float limit, float K, float B)
{
    if (!x || !y || count < 0) return -1;
    int out = 0;
    for (int i = 0; i < count; ++i) {
        if (x[i] != 0 && std::fabs(y[i] - (K * float(x[i]) + B)) > limit) {
            x[i] = 0;
            ++out;
        }
    }
    return out;
}
