// The arithmetic of the arc calibration: the correction of the arc value from the measured
// melt-back (polynomial, damping, clamps; the secant of the high-altitude cycle), the start value
// from the environment, and the electrode re-centring.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "splice/arccal.h"

namespace
{
// The too-long polynomial -23.23 d - 1.53 d^2 + 0.019 d^3 turns upward at this d; beyond it the
// cubic term would make a far too long melt-back raise the arc.
constexpr double kLongTurningPoint = (3.06 + 3.8288) / 0.114; // about 60.4

int trunc_int(double v)
{
    if (!std::isfinite(v)) return 0;
    return int(std::clamp(v, -1e9, 1e9));
}

double damping(double d)
{
    const int t = std::abs(trunc_int(d));
    if (t <= 2) return 0.6;
    if (t <= 4) return 0.7;
    return 1.0;
}
} // namespace

float ArcTolerance(int modeIndex)
{
    return modeIndex == 44 ? 2.0f : 1.0f;
}

float ArcTunePolynomial(float target, float measured)
{
    if (!std::isfinite(measured)) return 0.0f;
    double d = std::fabs(double(target) - double(measured));
    if (target > measured) return float(32.0 * d + 2.9 * d * d + 0.31 * d * d * d);
    d = std::min(d, kLongTurningPoint);
    return float(std::min(0.0, -23.23 * d - 1.53 * d * d + 0.019 * d * d * d));
}

float ArcTuneAdjust(float target, float measured, bool highAltitude)
{
    const double d = std::fabs(double(target) - double(measured));
    const double a =
        std::clamp(double(ArcTunePolynomial(target, measured)), highAltitude ? -300.0 : -800.0, 800.0);
    return float(a * damping(d));
}

float ArcShownBackLength(float measured, float tolerance)
{
    const float over = measured - (ARCCAL_TARGET + tolerance);
    return over > 0.0f && over < 1.0f ? measured + 1.0f : measured;
}

float ArcTuneHighAtt(ARC_ADJUST_INFO* a, float measured, bool later, int arc)
{
    a->gBackLenCurr = measured;
    if (a->gBackLenCurr > 14.0f && a->gBackLenCurr < a->gArcMaxBackLen) {
        a->gArcMaxBackLen = a->gBackLenCurr;
        a->gArcMax = a->gArcCurr;
        std::printf("---arcInfo.gBackLenCurr  %f,arcInfo.gArcMaxBackLen %f arcInfo.gArcMax %f  \n",
                    double(a->gBackLenCurr), double(a->gArcMaxBackLen), double(a->gArcMax));
    } else if (a->gBackLenCurr > 0.0f && a->gBackLenCurr < 8.0f && a->gBackLenCurr > a->gArcMinBackLen) {
        a->gArcMinBackLen = a->gBackLenCurr;
        a->gArcMin = a->gArcCurr;
        std::printf("---arcInfo.gBackLenCurr  %f,arcInfo.gArcMinBackLen %f arcInfo.gArcMin %f  \n",
                    double(a->gBackLenCurr), double(a->gArcMinBackLen), double(a->gArcMin));
    }
    std::printf(
        "---arcInfo.gBackLenLast  %f,arcInfo.gBackLenCurr %f arcInfo.gArcLast %f  arcInfo.gArcCurr  %f\n",
        double(a->gBackLenLast), double(a->gBackLenCurr), double(a->gArcLast), double(a->gArcCurr));
    double adjust = ArcTunePolynomial(ARCCAL_TARGET, measured);
    if (later && a->gBackLenLast != a->gBackLenCurr && a->gArcLast != a->gArcCurr) {
        // The arc value on the line through the last two cycles at the target melt-back.
        const double x1 = a->gBackLenLast, x2 = a->gBackLenCurr, y1 = a->gArcLast, y2 = a->gArcCurr;
        const double calArc = (ARCCAL_TARGET - x1) / (x2 - x1) * (y2 - y1) + y1;
        if (std::isfinite(calArc)) {
            adjust = calArc - arc;
            std::printf("---fCalArc %f fAdjust %f\n", calArc, adjust);
        }
    }
    adjust = std::clamp(adjust, -800.0, 800.0) * 0.7;
    std::printf("arcInfo.gBackLenLast %.2f gBackLencurr %.2f fDelt %.2f", double(a->gBackLenLast),
                double(a->gBackLenCurr), double(ARCCAL_TARGET - measured));
    a->gBackLenLast = a->gBackLenCurr;
    a->gArcLast = a->gArcCurr;
    return float(adjust);
}

int ArcCaliStartValue(const TABLEFACTORYSYS& fs, const APPTABLE_OPTION& opt, const EnvironmentRecord& env,
                      int* highAltitude)
{
    const double p = std::clamp(env.lPressure / 10.0, 40.0, 160.0);
    if (highAltitude) *highAltitude = p < 80.0 ? 1 : 0;
    int pressComp = 0, tempComp = 0;
    if (opt.lArcCompPress) pressComp = trunc_int((fs.lArcCaliPress / 10.0 - p) * 53.2);
    const double t = std::clamp(env.lTemperature / 100.0, -20.0, 40.0);
    if (opt.lArcCompTemp) tempComp = trunc_int(((fs.lArcCaliTemp / 100.0 - 100.0) - t) * 9.0);
    std::printf("iPressComp=%d,iTempComp=%d\n", pressComp, tempComp);
    const long long v = (long long)fs.lArcCaliResult - 10000 + pressComp + tempComp;
    return v < 0 ? 100 : int(std::min<long long>(v, 4000));
}

int ArcCentreShift(float left, float right, bool front)
{
    double d = std::clamp(double(left) - double(right), -15.0, 15.0);
    if (!std::isfinite(d)) return 0;
    if (front) d = -d;
    const int t = std::abs(trunc_int(d));
    if (t > 4)
        d *= 2.0;
    else if (t > 2)
        d *= 2.5;
    else
        d *= 3.0;
    return trunc_int(d + 0.5);
}

int32_t ArcShiftedElectrode(int32_t column, int shift)
{
    // The joint check looks 100 columns either side of the electrodes.
    return std::clamp<int32_t>(column + shift, 100, 540);
}
