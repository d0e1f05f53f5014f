// One fuzz case of the fibre type identification: a profile, a threshold and a centre, a stored
// training table and a feature set, all from the input bytes (NaN, infinities, huge values,
// duplicate samples), through the features, the classifier and the training. Used by the seeded
// driver of the test run and by the libFuzzer target.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "fiber/fibertype.h"
#include "tests/fiber/fuzz_core.h"

namespace fuzzfibertype
{

// A float of any kind: ordinary, huge, tiny, NaN or infinite.
inline float wild(fuzzcore::Input& in)
{
    switch (in.byte() % 8) {
    case 0:
        return std::numeric_limits<float>::quiet_NaN();
    case 1:
        return in.byte() & 1 ? std::numeric_limits<float>::infinity()
                             : -std::numeric_limits<float>::infinity();
    case 2:
        return in.byte() & 1 ? 3e38f : -3e38f;
    case 3:
        return 1e-40f;
    default:
        return in.real(-300.0f, 300.0f);
    }
}

inline void run(const uint8_t* data, size_t size)
{
    fuzzcore::Input in(data, size);
    // Features of a profile of any bytes, with any threshold.
    uint8_t profile[480];
    const int pattern = in.byte() % 4;
    for (int r = 0; r < 480; ++r)
        profile[r] = pattern == 0 ? 0 : pattern == 1 ? uint8_t(r > 200 && r < 280 ? 10 : 200) : in.byte();
    float f[FIBER_MODE_FEATURES] = {};
    int c = 0;
    FiberModeFeatures(profile, wild(in), f, &c);
    FiberCoreBright(profile, in.integer(-10, 490));
    float fp[480];
    for (float& v : fp)
        v = wild(in);
    if (int centre = in.integer(0, 479); FiberModeWindowOk(centre)) {
        float diff[FIBER_MODE_WINDOW];
        PreHandleFiberModeData(fp, FIBER_MODE_WINDOW, centre, diff);
    }

    // A stored table of any bytes (the file is outside data), judged and trained.
    static FIBER_TRAINING t;
    auto* raw = reinterpret_cast<uint8_t*>(&t);
    for (size_t i = 0; i < sizeof t; ++i)
        raw[i] = in.byte();
    for (float& v : f)
        v = wild(in);
    for (int view = 1; view <= 2; ++view) {
        const int cls = FiberClassify(t, view, f, in.byte() & 1);
        if (cls < 0 || cls >= FIBER_MODE_CLASSES) __builtin_trap();
    }
    // Features of every kind, some samples repeated.
    for (int cl = 0; cl < FIBER_MODE_CLASSES; ++cl)
        for (int s = 0; s < FIBER_MODE_SAMPLES; ++s)
            for (int j = 0; j < FIBER_MODE_FEATURES; ++j) {
                t.fFeatureX[cl][s][j] = in.byte() % 4 == 0 ? wild(in) : in.real(-50.0f, 50.0f);
                t.fFeatureY[cl][s][j] = in.byte() % 8 == 0 ? t.fFeatureY[0][0][j] : in.real(-50.0f, 50.0f);
            }
    const FIBER_TRAINING before = t;
    if (CalFiberTrain(&t) != 0) {
        if (std::memcmp(&t, &before, sizeof t) != 0) __builtin_trap(); // a failure changes nothing
    } else {
        for (double w : t.dWeightX[0])
            if (!std::isfinite(w)) __builtin_trap();
    }
    // A small system of any values.
    const int n = 1 + in.byte() % 6, k = in.byte() % 3;
    std::vector<double> A(size_t(n * n)), B(size_t(n * k));
    for (double& v : A)
        v = wild(in);
    for (double& v : B)
        v = wild(in);
    AdBoost(A.data(), B.data(), n, k);
}

} // namespace fuzzfibertype
