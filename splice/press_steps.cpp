// The arithmetic of the gap loops: move words, dead bands, coefficients and backlash.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "splice/press.h"

float fCoefForwardL = 0.0f, fCoefForwardR = 0.0f;

bool PackPressMove(uint32_t leftId, bool leftForward, uint32_t leftSteps, uint32_t rightId, bool rightForward,
                   uint32_t rightSteps, uint32_t* word)
{
    if (!word || leftId > 7 || rightId > 7 || leftSteps > 4095 || rightSteps > 4095) return false;
    *word = rightId << 29 | uint32_t(rightForward) << 28 | rightSteps << 16 | leftId << 13 |
            uint32_t(leftForward) << 12 | leftSteps;
    return true;
}

float MeasuredCoefficient(int factory, int steps, float pixels)
{
    // A short move measures mostly the analysis's noise.
    constexpr float kMinPixels = 20.0f;
    if (!std::isfinite(pixels) || std::fabs(pixels) < kMinPixels || factory <= 0) return NAN;
    const float c = float(steps) / pixels * 100.0f;
    // Far from the factory value means a slipping fibre or a bad measurement, not the stage.
    if (!std::isfinite(c) || c < 0.75f * float(factory) || c > 1.25f * float(factory)) return NAN;
    return c;
}

int ForwardCoefficient(int factory, float measured)
{
    if (!std::isfinite(measured)) return factory;
    const int m = int(measured);
    return std::abs(m - factory) <= 5 ? m : std::min(m, factory);
}

PressSideMove PrecisionSideMove(int error, int pass, const PressSideCoef& c, PressSideState* s)
{
    PressSideMove mv;
    if (std::abs(error) <= 3) error = 0;
    if (error < 0) {
        error = -error;
        mv.forward = false;
        if (pass >= 2) ++s->reversals;
    }
    // A fibre that overshot twice is left where it is.
    if (s->reversals > 1) error = 0;
    if (error == 0) return mv;
    const int coef = mv.forward ? ForwardCoefficient(c.forward, c.measured) : c.backward;
    mv.steps = std::max(0, int(int64_t(error) * coef / 100));
    if (mv.steps == 0) return mv;
    if (mv.forward != s->lastForward) mv.backlash = (mv.forward ? c.backlashToFore : c.backlashToBack) & 0xFF;
    s->lastForward = mv.forward;
    return mv;
}

int SimpleSideSteps(int error, int coef, int pass)
{
    if (std::abs(error) < 2) return 0;
    const int steps =
        int(int64_t(std::abs(error)) * std::max(coef, 0) / 100 / std::min(std::max(pass, 1), 4));
    return std::max(steps, 1);
}
