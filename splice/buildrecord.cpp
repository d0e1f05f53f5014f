// Building the splice record and its images at the end of a splice.
#include "splice/buildrecord.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "formmodel/appwindow.h"
#include "formmodel/forms.h"
#include "gui/global.h"
#include "platform/seam.h"
#include "records/record.h"

namespace
{
bool storage_disabled()
{
    APPTABLE_OPTION opt{};
    // Options that cannot be read leave storing on: a splice is never lost for want of them.
    return GetTable_SpliceOption(&opt) == 0 && opt.lRecStorDis != 0;
}

uint8_t fiber_type_byte(int32_t type)
{
    return type >= 0 && type <= 4 ? uint8_t(type) : uint8_t(5);
}

// Copies a fixed-length name up to its first 0, at most n - 1 characters, zero-terminated.
void copy_name(char* dst, size_t n, const char* src, size_t srcSize)
{
    std::memset(dst, 0, n);
    std::memcpy(dst, src, std::min(strnlen(src, srcSize), n - 1));
}

uint32_t local_time_now()
{
    struct tm t {
    };
    if (!plat_localtime(plat_time(), &t)) return 0;
    return PackRecordTime(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min);
}

// "Saving image..." centred at (600, 70) on the active form while the images are saved.
struct SavingNote {
    GUIWINDOW* w = WND_ACTIVE;
    GUISTRING* s = StrAsciiTrans("Saving image...", 19, 1);
    int x1 = 0, x2 = 0;
    bool shown = false;
    static constexpr int kBottom = 70, kTop = kBottom - 23;

    SavingNote()
    {
        const GUIFONT* font = GetFontObject("_TXT_WHT");
        if (!w || !w->pFrmFore || !s || !font) return;
        // Each glyph advances by its width and the font's gaps.
        const int width = s->wWidth + s->wLength * (font->bLeftGap + font->bRightGap);
        x1 = std::max(0, 600 - width / 2);
        x2 = std::min(799, x1 + width);
        GUICURSOR c{0, 0, 1, 1, uint16_t(x1), uint16_t(kBottom), 0, 799, 0, 479, 255, 255, nullptr};
        _StringDirectPut(s, &c, font, w->pFrmFore);
        TransferLines(w, kTop, kBottom);
        shown = true;
    }
    ~SavingNote()
    {
        if (shown) {
            GUIBRUSH clear{1, 1, 255, 255, nullptr};
            DrawBlockFill(MakePoint(uint32_t(x1), kTop), MakePoint(uint32_t(x2), kBottom), &clear,
                          w->pFrmFore);
            TransferLines(w, kTop, kBottom);
        }
        DeleteStringDirect(s);
    }
    SavingNote(const SavingNote&) = delete;
    SavingNote& operator=(const SavingNote&) = delete;
};
} // namespace

uint8_t RecordByte(float value, float scale)
{
    const double v = std::trunc(double(value) * scale + 0.5);
    if (std::isnan(v) || v <= 0.0) return 0;
    return v >= 255.0 ? 255 : uint8_t(v);
}

uint8_t RecordLossByte(float loss, uint8_t spliceType)
{
    if (spliceType >= 2 || std::isnan(loss)) return RECORD_NO_LOSS;
    const uint8_t b = RecordByte(loss, 100.0f);
    // 1.27 dB would read as "no estimate" and drop out of the averages: round it up instead.
    return b == RECORD_NO_LOSS ? uint8_t(RECORD_NO_LOSS + 1) : b;
}

void FillSpliceRecord(SPLICE_INFORMATION* info)
{
    const APPSPLICE& m = info->CurrentSplice;
    APPRECORD& r = info->SpliceRecord;
    std::memset(&r, 0, sizeof r);
    r.bLossValue = RecordLossByte(info->fEstimateLossValue, m.bSpliceType);
    r.bCoreAngle = RecordByte(info->fCoreAngleSum, 10.0f);
    r.bLeftAngle = RecordByte(info->fLeftCleaveAngle, 10.0f);
    r.bRightAngle = RecordByte(info->fRightCleaveAngle, 10.0f);
    r.bCladOff = RecordByte(info->fAxisCladOffset, 10.0f);
    r.bCoreOff = RecordByte(info->fAxisCoreOffset, 10.0f);
    r.bLossLimit = m.bLossLimit;
    r.bCleaveLimit = m.bCleaveLimit;
    r.bKerfOff = m.bKerfOff;
    r.bKerfGap = m.bKerfGap;
    r.bKerfOverlap = m.bKerfOverlap;
    copy_name(r.ModeName, sizeof r.ModeName, m.szModeName, sizeof m.szModeName);
    r.arcPreheat = m.arcPreheatArc;
    r.arcFuse = m.arcFuseArc;
    r.arcSecond = m.arcSecondArc;
    r.dwSpliceTime = local_time_now();

    TABLEUSERINFO user{}; // the caller's copy of the tables stays untouched
    if (GetTable_UserInfo(&user) == 0) {
        std::memcpy(r.bSplicePlace, user.szSplicePlace, sizeof r.bSplicePlace);
        r.dwSpliceNumber = user.dwSpliceCount;
    }

    r.bLeftFiberType = fiber_type_byte(info->iLeftFiberType);
    r.bRightFiberType = fiber_type_byte(info->iRightFiberType);
    r.bSpliceType = m.bSpliceType;
    r.bAlignType = m.bAlignType;
    r.bModeIndex = m.bModeIndex;
    r.bArcBright = info->bCurArcBright;
    APPHEATER heat{};
    if (GetCurrentHeater(&heat) == 0) {
        r.bHeatCtrl = heat.bHeatCtrl;
        r.wHeatTemp = heat.wHeatTemp;
        r.wHeatTime = heat.wHeatTime;
        copy_name(r.szHeatName, sizeof r.szHeatName, heat.szModeName, sizeof heat.szModeName);
    }
}

int BuildSpliceRecord(SPLICE_INFORMATION* info)
{
    if (!info) return -1;
    if (storage_disabled()) return 0;
    FillSpliceRecord(info);
    const int r = AppendRecord(&info->SpliceRecord);
    if (r == 0) info->iSpliceRecordFlag = 1;
    return r;
}

int BuildSpliceImage()
{
    if (storage_disabled() || !GetCurrentInformation()->iSpliceRecordFlag) return 0;
    SavingNote note;
    return AppendRecordImage() == 0 ? 1 : 0;
}
