// Fibre identification as the splice sequence uses it, and the automatic mode's fall-back to the
// single-mode default template when the operator goes on past an identification error.
#include <cstdio>
#include <cstring>

#include "fiber/fibertype.h"
#include "splice/autosplice_steps.h"
#include "splice/splicecheck.h"
#include "splice/splicestate.h"

namespace
{
constexpr int kErrAnalysis = 222;
constexpr int kErrMismatch = 271;
constexpr int kTypeUnknown = 5;
constexpr int kTypeMM = 0;
constexpr int kDefaultTemplate = 3; // the single-mode default of the automatic mode
} // namespace

int AutoIdentify()
{
    SPLICE_INFORMATION* info = GetCurrentInformation();
    int left = kTypeUnknown, right = kTypeUnknown;
    const int r = AutoIdentifyFiberType(&left, &right);
    info->iLeftFiberType = left;
    info->iRightFiberType = right;
    if (r != 0 || left == kTypeUnknown || right == kTypeUnknown) return kErrAnalysis;
    info->iFiberTypeFlag = 1;
    sm_mm_flag = (left == kTypeMM) != (right == kTypeMM) ? 1 : 0;
    return left == right ? 0 : kErrMismatch;
}

int LoadAutoFallbackTemplate()
{
    SPLICE_INFORMATION* info = GetCurrentInformation();
    APPSPLICE t{};
    if (ReadTemp_Splice(kDefaultTemplate + 1, &t) != 0) return -1;
    std::printf("Auto mode, ignore error, use SM-mode default\n");
    t.bModeIndex = info->CurrentSplice.bModeIndex;
    std::memset(t.szModeName, 0, sizeof t.szModeName);
    std::memcpy(t.szModeName, "AUTO", 4);
    info->CurrentSplice = t;
    return 0;
}
