// Training of the fibre type classifier: least squares of one-hot targets on the features, per
// view, and the training screen's session on a working copy of the stored table.
//
// The session works on a copy so that a half-trained unit keeps identifying with its stored
// table (a class marked on the stored table before the weights exist would make every fibre
// class 0), and a failed solve leaves the stored table and file as they were.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "fiber/cladedge.h"
#include "fiber/fiberstruct.h"
#include "fiber/fibertype.h"
#include "fiber/profile.h"
#include "params/param_tables.h"

namespace
{

constexpr int D = FIBER_MODE_FEATURES, K = FIBER_MODE_CLASSES, N = FIBER_MODE_SAMPLES;
constexpr int M = K * N; // samples of one view

struct Session {
    bool open = false;
    FIBER_TRAINING table{};
    int count[K] = {};
};
Session g_session;

// Weights (k x (d + 1)) and means of one view's features; false when the system is singular.
bool solve_view(const float* features, double* weights, double* means)
{
    std::vector<double> A(size_t(D + 1) * (D + 1)), B(size_t(M) * K, 0.0);
    NeuralCell(features, A.data(), M, D);
    for (int s = 0; s < M; ++s)
        B[size_t(s) * K + size_t(s / N)] = 1.0;
    Bilatery(features, B.data(), M, D, K);
    if (AdBoost(A.data(), B.data(), D + 1, K) != 0) return false;
    for (int c = 0; c < K; ++c)
        for (int j = 0; j <= D; ++j) {
            const double w = B[size_t(j) * K + size_t(c)];
            if (!std::isfinite(w)) return false;
            weights[c * (D + 1) + j] = w;
        }
    CalFiberParaLSME(features, K, N, D, means);
    return true;
}

} // namespace

void NeuralCell(const float* x, double* out, int m, int d)
{
    const int e = d + 1;
    std::fill(out, out + size_t(e) * e, 0.0);
    for (int s = 0; s < m; ++s) {
        const float* row = x + size_t(s) * d;
        auto v = [&](int i) { return i == 0 ? 1.0 : double(row[i - 1]); };
        for (int i = 0; i < e; ++i)
            for (int j = 0; j < e; ++j)
                out[i * e + j] += v(i) * v(j);
    }
}

void Bilatery(const float* x, double* targets, int m, int d, int k)
{
    const int e = d + 1;
    std::vector<double> product(size_t(e) * k, 0.0);
    for (int s = 0; s < m; ++s)
        for (int i = 0; i < e; ++i) {
            const double v = i == 0 ? 1.0 : double(x[size_t(s) * d + size_t(i - 1)]);
            for (int c = 0; c < k; ++c)
                product[size_t(i) * k + size_t(c)] += v * targets[size_t(s) * k + size_t(c)];
        }
    std::copy(product.begin(), product.end(), targets);
}

int AdBoost(double* A, double* B, int n, int k)
{
    if (n <= 0 || k < 0) return -1;
    std::vector<int> colOf(static_cast<size_t>(n)); // the unknown that row r of the reduced system gives
    std::vector<bool> used(size_t(n), false);
    for (int step = 0; step < n; ++step) {
        // Pivot: the largest magnitude among the remaining rows and unused columns.
        int pr = -1, pc = -1;
        double big = -1;
        for (int r = step; r < n; ++r)
            for (int c = 0; c < n; ++c) {
                const double a = std::fabs(A[r * n + c]);
                if (!used[size_t(c)] && a > big) {
                    big = a;
                    pr = r;
                    pc = c;
                }
            }
        if (pr < 0) return -1; // every candidate NaN
        const double p = A[pr * n + pc];
        if (!std::isfinite(p) || p + 1.0 == 1.0) return -1;
        if (pr != step) {
            std::swap_ranges(A + pr * n, A + pr * n + n, A + step * n);
            std::swap_ranges(B + pr * k, B + pr * k + k, B + step * k);
        }
        used[size_t(pc)] = true;
        colOf[size_t(step)] = pc;
        for (int c = 0; c < n; ++c)
            A[step * n + c] /= p;
        for (int c = 0; c < k; ++c)
            B[step * k + c] /= p;
        for (int r = 0; r < n; ++r) {
            if (r == step) continue;
            const double f = A[r * n + pc];
            if (f == 0) continue;
            for (int c = 0; c < n; ++c)
                A[r * n + c] -= f * A[step * n + c];
            for (int c = 0; c < k; ++c)
                B[r * k + c] -= f * B[step * k + c];
        }
    }
    // Row r now holds unknown colOf[r]: put the unknowns back in order.
    std::vector<double> X(size_t(n) * k);
    for (int r = 0; r < n; ++r)
        std::copy(B + r * k, B + r * k + k, X.begin() + ptrdiff_t(colOf[size_t(r)]) * k);
    std::copy(X.begin(), X.end(), B);
    return 0;
}

void CalFiberParaLSME(const float* x, int classes, int samples, int d, double* out)
{
    for (int c = 0; c < classes; ++c)
        for (int j = 0; j < d; ++j) {
            double s = 0;
            for (int i = 0; i < samples; ++i)
                s += double(x[(size_t(c) * samples + size_t(i)) * d + size_t(j)]);
            out[c * d + j] = samples > 0 ? s / samples : 0.0;
        }
}

int CalFiberTrain(FIBER_TRAINING* t)
{
    if (!t) return -1;
    FIBER_TRAINING next = *t;
    if (!solve_view(&t->fFeatureX[0][0][0], &next.dWeightX[0][0], &next.dMeanX[0][0]) ||
        !solve_view(&t->fFeatureY[0][0][0], &next.dWeightY[0][0], &next.dMeanY[0][0])) {
        printf("fiber training failed: singular\n");
        return -1;
    }
    *t = next;
    return 0;
}

int FiberTrainBegin()
{
    const uint8_t* stored = GetTable_Trainning();
    if (!stored) return -1;
    std::memcpy(&g_session.table, stored, sizeof g_session.table);
    std::fill(std::begin(g_session.count), std::end(g_session.count), 0);
    g_session.open = true;
    return 0;
}

int FiberTrainCount(int cls)
{
    return cls >= 0 && cls < K ? g_session.count[cls] : 0;
}

bool FiberTrainMarked(int cls)
{
    return cls >= 0 && cls < K && g_session.table.dwTrained[cls] == FIBER_MODE_TRAINED;
}

bool FiberTrainAllMarked()
{
    for (int c = 0; c < K; ++c)
        if (!FiberTrainMarked(c)) return false;
    return true;
}

int GetFiberPara(int cls)
{
    if (!g_session.open || cls < 0 || cls >= K) return -1;
    InitializeFiberStruct();
    if (const int r = CheckFiberVisible(3, 3); r != 0) return r < 0 ? 219 : r;
    const uint8_t* waves = GetTable_BrightWave();
    if (!waves || GetAllBrightWave() != 0 || GetShadowBrightFPGA() != 0) return 219;
    float fx[D], fy[D];
    const uint8_t* px = waves + BrightWaveOffset(0);
    const uint8_t* py = waves + BrightWaveOffset(7);
    if (FiberModeFeatures(px, GetFiberInfo(1, 0)->fShadowBright, fx) != 0 ||
        FiberModeFeatures(py, GetFiberInfo(2, 1)->fShadowBright, fy) != 0)
        return CLAD_ERR_NEAR_EDGE;
    int& n = g_session.count[cls];
    if (n >= N) n = 0; // a class trained again starts over
    const int pos = cls * N + n;
    std::copy(fx, fx + D, g_session.table.fFeatureX[cls][n]);
    printf("GetFiberPara iCountX=%d,wPos=%d\r\n", n + 1, pos);
    std::copy(fy, fy + D, g_session.table.fFeatureY[cls][n]);
    printf("GetFiberPara iCountY=%d,wPos=%d\r\n", n + 1, pos);
    if (++n == N) g_session.table.dwTrained[cls] = FIBER_MODE_TRAINED;
    return 0;
}

int FiberTrainSolve()
{
    if (!g_session.open || !FiberTrainAllMarked()) return 1;
    FIBER_TRAINING next = g_session.table;
    if (CalFiberTrain(&next) != 0) return -1;
    if (SetTable_Trainning(&next) != 0) return -2;
    g_session.table = next;
    return 0;
}
