// The lateral offset an attenuation splice aligns to, from the loss asked for.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "fiber/corelines.h"
#include "splice/aim.h"
#include "splice/spliceinfo.h"

namespace
{
constexpr float kMaxOffsetUm = 25.0f;

struct AttenuationCurve {
    int templateIndex;
    const char* name;
    double gain, power; // offset (um) = gain x loss (dB) ^ power
};
constexpr AttenuationCurve kCurves[] = {
    {9, "MM_ATT", 17.675, 0.3971},
    {10, "SM_ATT", 4.4788, 0.502},
    {11, "NZ_ATT", 3.5073, 0.6805},
};
} // namespace

float GetTargetOffset(float coreAngle, float mfd)
{
    const APPSPLICE& mode = GetCurrentInformation()->CurrentSplice;
    const int target = mode.bTargetLoss; // 0.1 dB
    float offset = 0.0f;
    for (const AttenuationCurve& c : kCurves) {
        if (c.templateIndex != mode.bTemplateIndex) continue;
        offset = float(c.gain * std::pow(double(target) * 0.1, c.power));
        std::printf("%s Core angle(arc):%f, Fiber MFD:%f;\n \tTarget:%d(dB), Target Offset:%f(um)\n", c.name,
                    double(coreAngle), double(mfd), target / 10, double(offset));
    }
    offset = std::min(offset, kMaxOffsetUm);
    return offset / OPTICS_UM_PER_PIXEL;
}
