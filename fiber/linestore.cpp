// The samples an alignment pass takes of the core and cladding lines, their spreads and means, the
// eccentricity of each fibre and the core offset between the two fibres of a view.
#include <climits>
#include <cmath>
#include <cstdio>
#include <initializer_list>

#include "fiber/corelines.h"

namespace
{
CORE_LINE_STORE g_store{};

APPFIBER_INFO* fibre(int i)
{
    return GetFiberInfo(i / 2 + 1, i % 2);
}

bool valid_samples(int n, int fibres)
{
    return n >= 1 && fibres >= 1 && fibres <= KB_FIBRES && n * fibres <= KB_STORE;
}

// Truncation to an integer as the board does it, for any float.
int trunc_int(float v)
{
    if (!std::isfinite(v)) return 0;
    if (v >= float(INT_MAX)) return INT_MAX;
    if (v <= -float(INT_MAX)) return -INT_MAX; // its magnitude stays an int
    return int(v);
}

const char* const kNames[KB_FIBRES] = {"XL", "XR", "YL", "YR"};

float* avg_term(int i)
{
    float* terms[KB_FIBRES] = {&g_store.fXLavg, &g_store.fXRavg, &g_store.fYLavg, &g_store.fYRavg};
    return terms[i];
}

int deduce(int i, float* K, float* B, float APPFIBER_INFO::*k, float APPFIBER_INFO::*b)
{
    if (i < 0 || i >= KB_SAMPLES) return -1;
    for (int f = 0; f < KB_FIBRES; ++f) {
        K[i * KB_FIBRES + f] = fibre(f)->*k;
        B[i * KB_FIBRES + f] = fibre(f)->*b;
    }
    return 0;
}

int restore(const float* K, const float* B, int mask)
{
    for (int f = 0; f < KB_FIBRES; ++f) {
        if (mask & 2) fibre(f)->fCoreK = K[f];
        if (mask & 1) fibre(f)->fCoreB = B[f];
    }
    return 0;
}

// Largest minus smallest of fibre f's n samples (sorted descending).
float spread(const float* store, int n, int f)
{
    return store[f] - store[(n - 1) * KB_FIBRES + f];
}

// Largest of count values, the first on ties; a value that is not a number is taken before any, so
// it cannot hide a spread.
int largest(const float* v, int count)
{
    int at = 0;
    for (int i = 1; i < count && !std::isnan(v[at]); ++i)
        if (std::isnan(v[i]) || v[i] > v[at]) at = i;
    return at;
}
} // namespace

CORE_LINE_STORE* GetCoreLineStore()
{
    return &g_store;
}

int DeduceWholeLineKB(int i)
{
    return deduce(i, g_store.fWholeLineK, g_store.fWholeLineB, &APPFIBER_INFO::fCoreK,
                  &APPFIBER_INFO::fCoreB);
}

int DeduceFpgaKB(int i)
{
    return deduce(i, g_store.fFpgaK, g_store.fFpgaB, &APPFIBER_INFO::fCoreK, &APPFIBER_INFO::fCoreB);
}

int DeduceCladKB(int i)
{
    if (deduce(i, g_store.fUpCladK, g_store.fUpCladB, &APPFIBER_INFO::fCladUpK, &APPFIBER_INFO::fCladUpB))
        return -1;
    return deduce(i, g_store.fLowCladK, g_store.fLowCladB, &APPFIBER_INFO::fCladLowK,
                  &APPFIBER_INFO::fCladLowB);
}

int SortKB(float* store, int n, int fibres)
{
    if (!store || !valid_samples(n, fibres)) return -1;
    for (int f = 0; f < fibres; ++f)
        for (int i = 0; i < n - 1; ++i) {
            int top = i;
            for (int j = i + 1; j < n; ++j)
                if (store[j * fibres + f] > store[top * fibres + f]) top = j;
            const float t = store[i * fibres + f];
            store[i * fibres + f] = store[top * fibres + f];
            store[top * fibres + f] = t;
        }
    return 0;
}

int MeanKB(float* store, int n, int fibres)
{
    if (!store || !valid_samples(n, fibres)) return -1;
    for (int f = 0; f < fibres; ++f) {
        float sum = 0.0f;
        for (int i = 0; i < n; ++i)
            sum += store[i * fibres + f];
        store[f] = sum / float(n);
    }
    return 0;
}

int HandleAllKB(int n)
{
    CORE_LINE_STORE& s = g_store;
    if (!valid_samples(n, KB_FIBRES)) {
        // No samples: nothing to trust.
        s.fMaxErrorCore = s.fMaxErrorClad = s.fMaxErrorCladB = INFINITY;
        return -1;
    }
    SortKB(s.fWholeLineB, n, KB_FIBRES);
    SortKB(s.fUpCladB, n, KB_FIBRES);
    SortKB(s.fLowCladB, n, KB_FIBRES);

    for (int f = 0; f < KB_FIBRES; ++f) {
        s.fErrorB[f] = spread(s.fUpCladB, n, f);
        s.fErrorB[KB_FIBRES + f] = spread(s.fLowCladB, n, f);
    }
    for (int f = 0; f < KB_FIBRES; ++f)
        std::printf("Error UpClad%sB=%f\r\n", kNames[f], double(s.fErrorB[f]));
    for (int f = 0; f < KB_FIBRES; ++f)
        std::printf("Error LowClad%sB=%f\r\n", kNames[f], double(s.fErrorB[KB_FIBRES + f]));
    s.fMaxErrorClad = s.fErrorB[largest(s.fErrorB, 8)];

    float core[KB_FIBRES];
    for (int f = 0; f < KB_FIBRES; ++f) {
        core[f] = spread(s.fWholeLineB, n, f);
        std::printf("Error Core%sB=%f\r\n", kNames[f], double(core[f]));
    }
    s.fErrorB[0] = core[largest(core, KB_FIBRES)];

    for (float* store :
         {s.fWholeLineK, s.fWholeLineB, s.fFpgaK, s.fFpgaB, s.fUpCladK, s.fUpCladB, s.fLowCladK, s.fLowCladB})
        MeanKB(store, n, KB_FIBRES);
    for (int f = 0; f < KB_FIBRES; ++f)
        *avg_term(f) = s.fWholeLineB[f] - s.fFpgaB[f];
    std::printf("fXLavg=%f,fXRavg=%f,fYLavg=%f,fYRavg=%f\r\n", double(s.fXLavg), double(s.fXRavg),
                double(s.fYLavg), double(s.fYRavg));
    for (int f = 0; f < KB_FIBRES; ++f) {
        std::printf("%s  WholeLine k=%f,b=%f\n", kNames[f], double(s.fWholeLineK[f]),
                    double(s.fWholeLineB[f]));
        std::printf("%s  FPGA k=%f,b=%f\n", kNames[f], double(s.fFpgaK[f]), double(s.fFpgaB[f]));
        std::printf("%s  UpClad k=%f,b=%f\n", kNames[f], double(s.fUpCladK[f]), double(s.fUpCladB[f]));
        std::printf("%s  LowClad k=%f,b=%f\n", kNames[f], double(s.fLowCladK[f]), double(s.fLowCladB[f]));
    }

    for (int f = 0; f < KB_FIBRES; ++f)
        s.fErrorB[1 + f] = std::fabs(*avg_term(f));
    s.fMaxErrorCore = s.fErrorB[largest(s.fErrorB, 1 + KB_FIBRES)];

    // The two fibres' claddings must line up.
    s.fErrorB[0] = std::fabs(s.fUpCladB[0] - s.fUpCladB[1]);
    s.fErrorB[1] = std::fabs(s.fUpCladB[2] - s.fUpCladB[3]);
    s.fErrorB[2] = std::fabs(s.fLowCladB[0] - s.fLowCladB[1]);
    s.fErrorB[3] = std::fabs(s.fLowCladB[2] - s.fLowCladB[3]);
    const int at = largest(s.fErrorB, 4);
    s.fMaxErrorCladB = s.fErrorB[at];
    return at;
}

// The judges compare so that a figure that is not a number rejects.
int JudgeCoreKB()
{
    return !(g_store.fMaxErrorCore <= 4.0f);
}

int JudgeCladKB()
{
    if (!(g_store.fMaxErrorClad <= 2.0f) || !(g_store.fMaxErrorCladB <= 5.0f)) return 1;
    for (int f = 0; f < KB_FIBRES; ++f)
        if (!(std::fabs(fibre(f)->fCoreOffSet) <= 2.5f)) return 1;
    return 0;
}

int CalEccentric()
{
    const CORE_LINE_STORE& s = g_store;
    for (int f = 0; f < KB_FIBRES; ++f) {
        APPFIBER_INFO* fi = fibre(f);
        const float k = (s.fUpCladK[f] + s.fLowCladK[f]) / 2.0f - fi->fCoreK;
        const float b = (s.fUpCladB[f] + s.fLowCladB[f]) / 2.0f - fi->fCoreB;
        fi->fCoreOffSet = k * fi->fEndfacePos + b;
    }
    std::printf("CoreOffSet=%f,%f,%f,%f\r\n", double(fibre(0)->fCoreOffSet), double(fibre(1)->fCoreOffSet),
                double(fibre(2)->fCoreOffSet), double(fibre(3)->fCoreOffSet));
    return 0;
}

int CompensateEcctric(float f)
{
    CORE_LINE_STORE& s = g_store;
    std::printf("before CompensateEcctric:");
    std::printf("fXLavg:%f,fXRavg:%f,fYLavg:%f,fYRavg:%f\n", double(s.fXLavg), double(s.fXRavg),
                double(s.fYLavg), double(s.fYRavg));
    for (int view = 0; view < 2; ++view) {
        const float el = fibre(2 * view)->fCoreOffSet, er = fibre(2 * view + 1)->fCoreOffSet;
        float* tl = avg_term(2 * view);
        float* tr = avg_term(2 * view + 1);
        const int d = trunc_int(el * f - er * f);
        // The capped step is for the mode's weights; a negative factor takes the cladding lens's
        // magnification back out of the eccentricity and is applied in full.
        if (f > 0.0f && std::abs(d) > 0.4) {
            // Above a factor of 1 the whole part of the difference can be 0: that term stays.
            const int dl = std::abs(trunc_int(el - er)), dr = std::abs(trunc_int(er - el));
            if (dl != 0) *tl -= 0.4f * el / float(dl);
            if (dr != 0) *tr -= 0.4f * er / float(dr);
        } else {
            *tl -= el * f;
            *tr -= er * f;
        }
    }
    std::printf("after CompensateEcctric:");
    std::printf("fXLavg:%f,fXRavg:%f,fYLavg:%f,fYRavg:%f\n", double(s.fXLavg), double(s.fXRavg),
                double(s.fYLavg), double(s.fYRavg));
    return 0;
}

int CompensateB()
{
    for (int f = 0; f < KB_FIBRES; ++f)
        fibre(f)->fCoreB += *avg_term(f);
    return 0;
}

int RestoreWholeLineKB(int mask)
{
    return restore(g_store.fWholeLineK, g_store.fWholeLineB, mask);
}

int RestoreFpgaKB(int mask)
{
    return restore(g_store.fFpgaK, g_store.fFpgaB, mask);
}

int RestoreCladKB(int mask)
{
    float K[KB_FIBRES], B[KB_FIBRES];
    for (int f = 0; f < KB_FIBRES; ++f) {
        K[f] = (g_store.fUpCladK[f] + g_store.fLowCladK[f]) / 2.0f;
        B[f] = (g_store.fUpCladB[f] + g_store.fLowCladB[f]) / 2.0f;
    }
    return restore(K, B, mask);
}

int CalCoreOffSet(float* dx, float* dy)
{
    if (!dx || !dy) return -1;
    for (int view = 1; view <= 2; ++view) {
        const APPFIBER_INFO* l = GetFiberInfo(view, 0);
        const APPFIBER_INFO* r = GetFiberInfo(view, 1);
        const float xr = r->fEndfacePos;
        (view == 1 ? *dx : *dy) = (l->fCoreK * xr + l->fCoreB) - (r->fCoreK * xr + r->fCoreB);
        std::printf(view == 1 ? " XL %f  XR %f \n" : " YL %f  YR %f \n", double(l->fCoreB),
                    double(r->fCoreB));
    }
    return 0;
}
