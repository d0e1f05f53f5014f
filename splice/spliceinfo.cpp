// The splice information of the running splice: its start, and the samples the gap setting and
// the cladding check add to it.
#include "splice/spliceinfo.h"

#include <cmath>
#include <cstring>

#include "fiber/cladedge.h"
#include "fiber/fiberstruct.h"

namespace
{
SPLICE_INFORMATION g_info{};

// Columns of the cladding check behind each end face.
constexpr int kCladBehindEnd = 64;
} // namespace

SPLICE_INFORMATION* GetCurrentInformation()
{
    return &g_info;
}

int InitializeSpliceInformation()
{
    SPLICE_INFORMATION& i = g_info;
    // Everything measured goes, the record under construction and the report mark too: a quick
    // splice must never carry the previous splice's angles into its record.
    std::memset(&i, 0, sizeof i);
    i.iSpliceSuccessFlag = 1;
    i.fEstimateLossValue = SPLICE_NO_LOSS_DB;
    i.iLeftFiberType = i.iRightFiberType = SPLICE_FIBER_UNKNOWN;
    if (GetCurrentSplice(&i.CurrentSplice) != 0) return 1;
    i.bAutoMode = i.CurrentSplice.bSpliceType == 0 ? 1 : 0;
    return 0;
}

int StoreCladWidth(APPFIBER* fiber)
{
    if (!fiber) return -1;
    float width[2][2] = {}; // view, side
    for (int view = 1; view <= 2; ++view) {
        for (int side = 0; side < 2; ++side) {
            const APPFIBER_GRAPH& g = view == 1 ? fiber->graX : fiber->graY;
            const float end = side == 0 ? g.infL.fEndfacePos : g.infR.fEndfacePos;
            // An end face outside the frame is a failed measurement, not a column to read.
            if (!std::isfinite(end) || end < 0.0f || end > 639.0f) return CLAD_ERR_WIDTH;
            const int x = int(end) + (side == 0 ? -kCladBehindEnd : kCladBehindEnd);
            if (int r = SingleCladLocalEx(view, side, x)) return r;
            width[view - 1][side] = GetFiberInfo(view, side)->fCladWidth;
        }
    }
    g_info.fCladWidthX = (width[0][0] + width[0][1]) / 2.0f;
    g_info.fCladWidthY = (width[1][0] + width[1][1]) / 2.0f;
    g_info.iCladWidthFlag = 1;
    return 0;
}

int StoreAngleSerial(APPFIBER* fiber)
{
    if (!fiber) return -1;
    SPLICE_INFORMATION& i = g_info;
    if (i.iAngleSerialCount < 0 || i.iAngleSerialCount > 4) return 1;
    const int n = i.iAngleSerialCount;
    i.LeftAngleSerial[0][n] = fiber->graX.infL.fEndfaceK;
    i.LeftAngleSerial[1][n] = fiber->graY.infL.fEndfaceK;
    i.RightAngleSerial[0][n] = fiber->graX.infR.fEndfaceK;
    i.RightAngleSerial[1][n] = fiber->graY.infR.fEndfaceK;
    ++i.iAngleSerialCount;
    return 0;
}
