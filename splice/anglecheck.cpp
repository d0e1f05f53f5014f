// The checks before the arc: cleave angles of both end faces and the angle between the cores,
// against the mode's limits; and the template classes the splice checks depend on.
#include <cmath>
#include <cstdio>

#include "splice/splicecheck.h"

int iMultiFlag = 0;
int sm_mm_flag = 0;

bool IsInSpecialmode(int t)
{
    return t == 9 || t == 10 || t == 11 || t == 22 || t == 24 || t == 27;
}

bool IsInAttmode(int t)
{
    return t == 9 || t == 10 || t == 11 || t == 24;
}

namespace
{
// Compared in single precision, as the angles are kept: 3.05 degrees at a 3.0 limit fails. An
// angle that could not be measured never passes.
bool over_limit(float degrees, uint8_t limitTenths)
{
    const float tenths = degrees * 10.0f;
    return !std::isfinite(tenths) || tenths >= float(limitTenths) + 0.5f;
}

APPTABLE_OPTION options()
{
    APPTABLE_OPTION opt{};
    GetTable_SpliceOption(&opt);
    return opt;
}
} // namespace

int CheckCleaveAngle(SPLICE_INFORMATION* info)
{
    if (!info || options().lIgnoreCleaveErr) return 0;
    const uint8_t limit = info->CurrentSplice.bCleaveLimit;
    if (over_limit(info->fLeftCleaveAngle, limit)) {
        std::printf("fLeftEndfaceAngle=%f\n", double(info->fLeftCleaveAngle));
        return 242;
    }
    if (over_limit(info->fRightCleaveAngle, limit)) {
        std::printf("fRightEndfaceAngle=%f\n", double(info->fRightCleaveAngle));
        return 242;
    }
    return 0;
}

int CheckCoreAngle(SPLICE_INFORMATION* info)
{
    if (!info || options().lIgnoreAngleErr) return 0;
    if (over_limit(info->fCoreAngleSum, info->CurrentSplice.bCoreLimit)) {
        std::printf("fCoreAngleSum=%f\n", double(info->fCoreAngleSum));
        return 241;
    }
    return 0;
}
