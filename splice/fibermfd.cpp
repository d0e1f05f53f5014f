// The mode-field diameter of the pair for the loss estimate. The identified fibre types give each
// fibre's diameter at 1550 nm; two different fibres count with the mean of their squared
// radii, the width a Gaussian overlap of the two modes sees. Without an identification the
// fibres' stored diameters are used, and without those a standard single-mode fibre is assumed.
#include <cmath>

#include "fiber/fiberstruct.h"
#include "splice/splicecheck.h"

namespace
{
constexpr float kStandardMfd = 10.4f;
// Multimode (the core: no single mode), standard, dispersion-shifted, non-zero
// dispersion-shifted, bend-insensitive.
constexpr float kTypeMfd[5] = {50.0f, 10.4f, 8.1f, 9.6f, 9.8f};

float stored(const APPFIBER_INFO& f)
{
    return std::isfinite(f.fMFD) && f.fMFD > 1.0f && f.fMFD < 100.0f ? f.fMFD : 0.0f;
}

float pair(float a, float b)
{
    return std::sqrt((a * a + b * b) / 2.0f);
}
} // namespace

float GetFiberMFD()
{
    SPLICE_INFORMATION* info = GetCurrentInformation();
    const auto known = [](int t) { return t >= 0 && t <= 4; };
    float mfd = 0.0f;
    if (info->iFiberTypeFlag && known(info->iLeftFiberType) && known(info->iRightFiberType)) {
        mfd = pair(kTypeMfd[info->iLeftFiberType], kTypeMfd[info->iRightFiberType]);
    } else {
        const APPFIBER* f = GetFiberStruct();
        const float l = stored(f->graX.infL), r = stored(f->graX.infR);
        mfd = l > 0 && r > 0 ? pair(l, r) : l > 0 ? l : r > 0 ? r : kStandardMfd;
    }
    info->fModuleFieldDiameter = mfd;
    info->iFieldDiameterFlag = 1;
    return mfd;
}
