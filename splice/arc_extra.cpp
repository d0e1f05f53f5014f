// The extra arc the operator fires from the workbench after a splice: one more fusion discharge,
// then the joint judged again, the loss re-estimated and this splice's stored record, images and
// report brought up to date.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "devices/arc.h"
#include "devices/platdev.h"
#include "fiber/endface.h"
#include "fiber/fiberstruct.h"
#include "platform/seam.h"
#include "records/record.h"
#include "splice/arc.h"
#include "splice/arc_support.h"
#include "splice/autosplice.h"
#include "splice/axisoffset.h"
#include "splice/buildrecord.h"
#include "splice/splicecheck.h"

namespace
{
constexpr uint32_t kLineSettleMs = 80;
constexpr double kRadPerDeg = 1.0 / 57.29577951308232;

// The newest stored record, when it is the one this splice stored: its position, else 0.
int own_record(const SPLICE_INFORMATION* info)
{
    int count = 0;
    APPRECORD stored{};
    if (!info->iSpliceRecordFlag || GetCount_Record(&count) != 0 || count < 1 ||
        ReadRecord(count, &stored) != 0)
        return 0;
    return std::memcmp(&stored, &info->SpliceRecord, sizeof stored) == 0 ? count : 0;
}

void rewrite_record(SPLICE_INFORMATION* info)
{
    LockRecord(); // no append or erase between finding the record and rewriting it
    const int position = own_record(info);
    APPRECORD r = info->SpliceRecord;
    // A splice stored without an estimate keeps its marker.
    if (position == 0 || r.bLossValue == RECORD_NO_LOSS) {
        UnlockRecord();
        return;
    }
    r.bLossValue = RecordLossByte(info->fEstimateLossValue, r.bSpliceType);
    if (WriteRecord(position, &r) != 0) {
        std::printf("record %d not rewritten\n", position);
        UnlockRecord();
        return;
    }
    info->SpliceRecord = r;
    MachineParameter m{};
    if (GetTable_MachinePar(&m) == 0 && m.bStoreImage) AppendRecordImage();
    // A report built before the arc would contradict its record now.
    if (info->bReportBuilt && BuildSpliceRecordPDF(position) != 0) std::printf("report not rebuilt\n");
    UnlockRecord();
}

// The joint judged again and the loss estimated from fresh line fits.
void reestimate(SPLICE_INFORMATION* info)
{
    SetFpgaRect();
    plat_sleep_ms(kLineSettleMs);
    GetFpgaKB();
    const float offset = CalcCoreAxisOffset(1);
    CalFiberAngle();
    info->fCoreAngleSum = GetFiberStruct()->fCoreAngleSum;
    const int r = HandleLossValue(offset, double(info->fCoreAngleSum) * kRadPerDeg, GetFiberMFD());
    if (r != 0) ErrorEventProcess(r, 0);
}
} // namespace

int SpliceExtraArc()
{
    if (GetCoverStatus() == 1 || GetResetFlag()) return 2;
    SPLICE_INFORMATION* info = GetCurrentInformation();
    APPSPLICE mode{};
    if (info->iCurrentSpliceStatus != SPLICE_READY)
        mode = info->CurrentSplice;
    else if (GetCurrentSplice(&mode) != 0)
        return -1;
    int value = 0;
    if (ArcDriveValue(mode, mode.arcFuseArc.bIntensOff, &value) != 0) return -1;
    if (const int r = SetHighvoltDev(value, mode.arcFuseArc.wTimeCount)) return r;
    WaitArcOverAndSaveCount(1, 1, 0);
    if (GetCoverStatus() == 1 || GetResetFlag()) return 2;

    if (info->iCurrentSpliceStatus >= SPLICE_COMPLETE && CheckSplice() == 0) reestimate(info);
    if (info->iSpliceRecordFlag) rewrite_record(info);
    return 0;
}
