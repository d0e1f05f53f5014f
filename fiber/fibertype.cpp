// Features of a brightness profile and the linear classifier of the fibre type.
#include "fiber/fibertype.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "fiber/cladedge.h"
#include "fiber/fiberstruct.h"
#include "fiber/profile.h"
#include "params/param_tables.h"

namespace
{

// DCT basis with the orthonormal scaling: coefficient 0 carries 1/sqrt(2) more.
double dct_basis(int n, int k, int j)
{
    double s = std::sqrt(2.0 / n) * std::cos(M_PI / (2.0 * n) * k * (2 * j + 1));
    return k == 0 ? s / std::sqrt(2.0) : s;
}

double score(const double* w, const float* f, int d)
{
    double s = w[0];
    for (int j = 1; j <= d; ++j)
        s += w[j] * double(f[j - 1]);
    return s;
}

int judge(const double* w, const float* f, int d, int first, int k)
{
    int best = first;
    double top = score(w + first * (d + 1), f, d);
    for (int c = first + 1; c < k; ++c) {
        double s = score(w + c * (d + 1), f, d);
        if (s > top) { // strictly: a tie keeps the lower class
            top = s;
            best = c;
        }
    }
    return best;
}

// Rows from the cladding's centre an eccentric core is seen within: 1 um through the cladding's
// magnification is some 2.3 rows, and the centre itself is known to a row.
constexpr int kCoreReach = 4;

// The row of the core's bright line near the cladding centre c: the brightest row of the profile
// smoothed over 5 rows (c when no row can be read).
int core_row(const uint8_t* p, int c)
{
    int best = c;
    int top = -1;
    for (int r = c - kCoreReach; r <= c + kCoreReach; ++r) {
        if (r - 2 < FIBER_MODE_FIRST_ROW || r + 2 > FIBER_MODE_LAST_ROW) continue;
        const int s = p[r - 2] + 2 * p[r - 1] + 3 * p[r] + 2 * p[r + 1] + p[r + 2];
        if (s > top) top = s, best = r;
    }
    return best;
}

int type_of(int cls)
{
    return cls >= 0 && cls < FIBER_MODE_CLASSES ? FiberModeLookTable[cls] : FIBER_TYPE_UNKNOWN;
}

} // namespace

void CalMaxValue(int n, const float* in, float* out)
{
    for (int k = 0; k < n; ++k) {
        double s = 0;
        for (int j = 0; j < n; ++j)
            s += double(in[j]) * dct_basis(n, k, j);
        out[k] = float(s);
    }
}

void AntiDctTrans(int n, const float* in, float* out)
{
    for (int j = 0; j < n; ++j) {
        double s = 0;
        for (int k = 0; k < n; ++k)
            s += double(in[k]) * dct_basis(n, k, j);
        out[j] = float(s);
    }
}

bool FiberModeWindowOk(int c, int n)
{
    const int first = c - n / 2;
    return n > 0 && first >= FIBER_MODE_FIRST_ROW + 1 && first + n <= FIBER_MODE_LAST_ROW;
}

void PreHandleFiberModeFpga(uint8_t* p, int n, int c, float* out)
{
    int M = p[FIBER_MODE_FIRST_ROW];
    for (int r = FIBER_MODE_FIRST_ROW + 1; r <= FIBER_MODE_LAST_ROW; ++r)
        M = std::max<int>(M, p[r]);
    if (M > 0) // an all-zero profile is the caller's to reject; never divide by it
        for (int r = FIBER_MODE_FIRST_ROW + 1; r <= FIBER_MODE_LAST_ROW; ++r)
            p[r] = uint8_t(p[r] * 255 / M);
    const int first = c - n / 2;
    for (int i = 0; i < n; ++i)
        out[i] = float(int(p[first + i + 1]) - int(p[first + i]));
}

void PreHandleFiberModeData(float* p, int n, int c, float* out)
{
    float M = p[FIBER_MODE_FIRST_ROW];
    for (int r = FIBER_MODE_FIRST_ROW + 1; r <= FIBER_MODE_LAST_ROW; ++r)
        M = std::max(M, p[r]);
    if (M > 0 && std::isfinite(M))
        for (int r = FIBER_MODE_FIRST_ROW + 1; r <= FIBER_MODE_LAST_ROW; ++r)
            p[r] = p[r] * 255.0f / M;
    const int first = c - n / 2;
    for (int i = 0; i < n; ++i)
        out[i] = p[first + i + 1] - p[first + i];
}

float FiberModeShadowBright(const uint8_t* profile)
{
    unsigned sum = 0;
    for (int r = 0; r < PROFILE_ROWS; ++r)
        sum += profile[r];
    return 0.6f * float(sum / PROFILE_ROWS);
}

int FiberModeFeatures(const uint8_t* profile, float t, float out[FIBER_MODE_FEATURES], int* centre)
{
    if (!profile || !out) return -1;
    uint8_t p[PROFILE_ROWS];
    std::memcpy(p, profile, sizeof p); // the shared table stays as the FPGA delivered it
    if (std::all_of(p + FIBER_MODE_FIRST_ROW, p + FIBER_MODE_LAST_ROW + 1, [](uint8_t v) { return v == 0; }))
        return -1;
    const float tc = std::isfinite(t) ? std::clamp(t, 0.0f, 255.0f) : 0.0f;
    int c = FindCladCenter(p, uint8_t(tc));
    // An eccentric core lies a few rows off the cladding's centre: the window follows the core,
    // so the features describe the fibre's kind and not where its core happens to lie.
    c = core_row(p, c);
    if (centre) *centre = c;
    if (!FiberModeWindowOk(c)) return -1;
    float diff[FIBER_MODE_WINDOW], coef[FIBER_MODE_WINDOW];
    PreHandleFiberModeFpga(p, FIBER_MODE_WINDOW, c, diff);
    CalMaxValue(FIBER_MODE_WINDOW, diff, coef);
    std::copy(coef + 1, coef + 1 + FIBER_MODE_FEATURES, out);
    return 0;
}

int FiberCoreBright(const uint8_t* profile, int c)
{
    if (!profile || !FiberModeWindowOk(c)) return 0;
    const uint8_t* lo = profile + c - FIBER_MODE_WINDOW / 2;
    const int core = *std::max_element(lo, lo + FIBER_MODE_WINDOW);
    const int all = *std::max_element(profile + FIBER_MODE_FIRST_ROW, profile + FIBER_MODE_LAST_ROW + 1);
    return core > all - 5 ? 1 : 0;
}

int FiberJudge(const double* weights, const float* features, int d, int k)
{
    return k > 0 ? judge(weights, features, d, 0, k) : 0;
}

int FiberReJudge(const double* weights, const float* features, int d, int k)
{
    return k > 1 ? judge(weights, features, d, 1, k) : 0;
}

int FiberJudgeLSME(const double* means, const float* features, int d, int k)
{
    printf("\n FiberJudgeLSME");
    for (int j = 0; j < d; ++j)
        printf(" %.3f", double(features[j]));
    printf("\n");
    int best = 0;
    double nearest = 0;
    for (int c = 0; c < k; ++c) {
        double s = 0;
        for (int j = 0; j < d; ++j) {
            double e = double(features[j]) - means[c * d + j];
            s += e * e;
        }
        printf(" %d %.3f\n", c, s);
        if (c == 0 || s < nearest) {
            nearest = s;
            best = c;
        }
    }
    return best;
}

int FiberClassify(const FIBER_TRAINING& t, int view, const float* f, int coreBright)
{
    const double* w = view == 2 ? &t.dWeightY[0][0] : &t.dWeightX[0][0];
    int cls = FiberJudge(w, f, FIBER_MODE_FEATURES, FIBER_MODE_CLASSES);
    if (t.dwTrained[0] != FIBER_MODE_TRAINED && coreBright && cls == 0) {
        printf(" no study ");
        cls = FiberReJudge(w, f, FIBER_MODE_FEATURES, FIBER_MODE_CLASSES);
    }
    return cls;
}

int AutoIdentifyFiberType(int* left, int* right)
{
    int dummyL = 0, dummyR = 0;
    int& tl = left ? *left : dummyL;
    int& tr = right ? *right : dummyR;
    tl = tr = FIBER_TYPE_UNKNOWN;
    const uint8_t* stored = GetTable_Trainning();
    const uint8_t* waves = GetTable_BrightWave();
    if (!stored || !waves) return -1;
    if (GetAllBrightWave() != 0 || GetShadowBrightFPGA() != 0) return -1;
    GetCladFPGA(); // its edges are not needed here; a missing one shows in the window check
    FIBER_TRAINING t;
    std::memcpy(&t, stored, sizeof t);

    int cls[2] = {-1, -1};
    for (int side = 0; side < 2; ++side) {
        const int view = side == 0 ? 1 : 2;
        const uint8_t* p = waves + BrightWaveOffset(side == 0 ? 0 : 7);
        float f[FIBER_MODE_FEATURES];
        int c = 0;
        if (FiberModeFeatures(p, GetFiberInfo(view, side)->fShadowBright, f, &c) == 0)
            cls[side] = FiberClassify(t, view, f, FiberCoreBright(p, c));
        if (side == 0)
            printf("=========iTypeLeft %d iFiberTypeL %d  \n", cls[0], type_of(cls[0]));
        else
            printf("=========iTypeRight %d iFiberTypeR %d\n", cls[1], type_of(cls[1]));
    }
    printf("=========iTypeLeft %d iTypeRight %d\n", cls[0], cls[1]);
    tl = type_of(cls[0]);
    tr = type_of(cls[1]);
    return 0;
}
