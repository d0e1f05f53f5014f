// The status line and the result bar of a splice.
#include "splice/resultbar.h"

#include <cstdio>

#include "formmodel/appwindow.h"
#include "formmodel/forms.h"
#include "gui/global.h"
#include "params/param_tables.h"
#include "records/record.h"
#include "texts/textres.h"

namespace
{
constexpr int kBarLeft = 90, kBarRight = 709, kBarTop = 448, kBarBottom = 479;
constexpr int kLineTop = 422, kLineBottom = 447;
constexpr int kCell = 24; // glyph cell height of the size-19 texts
constexpr uint8_t kSize = 19;

// The fields sit on the bar's own background only on the screens that show the camera pictures
// under it; elsewhere on the alternate background.
bool own_background(const GUIWINDOW* w)
{
    return w == frmWorkbench || w == frmFactSpliceTest;
}

void fill(GUIWINDOW* w, int x1, int y1, int x2, int y2, uint32_t index)
{
    GUIBRUSH b{1, 1, index, index, nullptr};
    DrawBlockFill(MakePoint(uint32_t(x1), uint32_t(y1)), MakePoint(uint32_t(x2), uint32_t(y2)), &b,
                  w->pFrmFore);
}

// Draws s centred on column cx with its cell's bottom line on row bottom; takes s.
void put_centred(GUIWINDOW* w, GUISTRING* s, int cx, int bottom, const char* font)
{
    const GUIFONT* f = GetFontObject(font);
    if (s && s->wLength > 0 && f) {
        // Each glyph advances by its width and the font's gaps.
        const int x = cx - (s->wWidth + s->wLength * (f->bLeftGap + f->bRightGap)) / 2;
        GUICURSOR c{0, 0, 1, 1, uint16_t(x < 0 ? 0 : x), uint16_t(bottom), 0, 799, 0, 479, 255, 255, nullptr};
        _StringDirectPut(s, &c, f, w->pFrmFore);
    }
    DeleteStringDirect(s);
}

// One field of the bar: its box cleared to the background, the text centred in it.
void put_field(GUIWINDOW* w, int x1, int x2, const char* text, const char* font, uint32_t background = 255)
{
    fill(w, x1, kBarTop, x2, kBarBottom, background);
    const int bottom = kBarTop + (kBarBottom - kBarTop + 1 + kCell) / 2 - 1;
    put_centred(w, StrAsciiTrans(text, kSize, 1), (x1 + x2 + 1) / 2, bottom, font);
}

void send_bar(GUIWINDOW* w)
{
    TransferLines(w, kBarTop, kBarBottom);
}

const char* fiber_name(int32_t type)
{
    static constexpr const char* kNames[] = {"MM", "G652", "DS", "NZ", "G657"};
    return type >= 0 && type < 5 ? kNames[type] : "XX";
}

uint32_t status_text(int32_t status)
{
    switch (status) {
    case SPLICE_GAP:
        return TXT_STATUS_GAP;
    case SPLICE_PAUSE1:
        return TXT_STATUS_PAUSE1;
    case SPLICE_ALIGN:
        return TXT_STATUS_ALIGN;
    case SPLICE_PAUSE2:
        return TXT_STATUS_PAUSE2;
    case SPLICE_ARC:
        return TXT_STATUS_ARC;
    case SPLICE_COMPLETE:
    case SPLICE_ESTIMATE:
        return TXT_STATUS_FINISHED;
    case SPLICE_PULL:
        return TXT_STATUS_TENSION;
    default:
        return 0;
    }
}

// " NO.n" with the number this splice's record gets, when the splice logger prints them.
GUISTRING* logger_number(const GUIWINDOW* w)
{
    APPTABLE_OPTION opt{};
    if (w != frmWorkbench || GetTable_SpliceOption(&opt) != 0 || !opt.bSpliceLogger) return nullptr;
    int count = 0;
    if (GetCount_Record(&count) != 0 || count < 0) count = 0;
    char text[24];
    std::snprintf(text, sizeof text, " NO.%ld", long(count) + 1);
    return StrAsciiTrans(text, kSize, 1);
}

bool usable(const GUIWINDOW* w)
{
    return w && w->pFrmFore;
}
} // namespace

int DisplayFiberType(const SPLICE_INFORMATION* info, GUIWINDOW* w)
{
    if (!info || !usable(w)) return -1;
    put_field(w, 95, 194, fiber_name(info->iLeftFiberType), "_TXT_GREEN");
    put_field(w, 605, 704, fiber_name(info->iRightFiberType), "_TXT_GREEN");
    send_bar(w);
    return 0;
}

int DisplayCleaveAngle(const SPLICE_INFORMATION* info, GUIWINDOW* w)
{
    if (!info || !usable(w)) return -1;
    const uint32_t back = own_background(w) ? 255 : RESULT_ALT_BACKGROUND;
    char text[32];
    std::snprintf(text, sizeof text, "L:%.1f", double(info->fLeftCleaveAngle));
    put_field(w, 195, 294, text, "_TXT_WHT", back);
    std::snprintf(text, sizeof text, "R:%.1f", double(info->fRightCleaveAngle));
    put_field(w, 505, 604, text, "_TXT_WHT", back);
    send_bar(w);
    return 0;
}

int DisplayCoreAngle(const SPLICE_INFORMATION* info, GUIWINDOW* w)
{
    if (!info || !usable(w)) return -1;
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", double(info->fCoreAngleSum));
    put_field(w, 295, 394, text, "_TXT_MEG");
    send_bar(w);
    return 0;
}

int DisplayEndfaceAngleSum(const SPLICE_INFORMATION* info, GUIWINDOW* w)
{
    if (!info || !usable(w)) return -1;
    char text[32];
    std::snprintf(text, sizeof text, "S:%.1f", double(info->fLeftCleaveAngle) + info->fRightCleaveAngle);
    put_field(w, 380, 420, text, "_TXT_GREEN");
    send_bar(w);
    return 0;
}

int DisplayAxisOffset(const SPLICE_INFORMATION* info, GUIWINDOW* w)
{
    if (!info || !usable(w)) return -1;
    const float offset = info->iCoreOffsetFlag ? info->fAxisCoreOffset : info->fAxisCladOffset;
    char text[32];
    std::snprintf(text, sizeof text, "%.1fum", double(offset));
    put_field(w, 425, 525, text, "_TXT_MEG");
    send_bar(w);
    return 0;
}

int DisplayEstimateLoss(const SPLICE_INFORMATION* info, GUIWINDOW* w)
{
    if (!info || !usable(w)) return -1;
    char text[48];
    std::snprintf(text, sizeof text, "LOSS  :  %.2f  dB", double(info->fEstimateLossValue));
    put_field(w, kBarLeft, kBarRight, text, "_TXT_WHT");
    send_bar(w);
    return 0;
}

int DisplaySpliceStatus(const SPLICE_INFORMATION* info, GUIWINDOW* w)
{
    if (!info || !usable(w)) return -1;
    fill(w, 180, kLineTop, 619, kLineBottom, 255);
    const uint32_t number = status_text(info->iCurrentSpliceStatus);
    if (number == 0) {
        TransferLines(w, kLineTop, kLineBottom);
        return DisplayStatus(0, w);
    }
    GUISTRING* text = GetText(number, kSize, 1);
    if (GUISTRING* no = logger_number(w)) {
        if (text) StrObjCat(text, no);
        DeleteStringDirect(no);
    }
    put_centred(w, text, 400, kLineBottom, "_TXT_WHT");
    TransferLines(w, kLineTop, kLineBottom);
    return 0;
}

int ClearDisplayInformation(GUIWINDOW* w)
{
    if (!usable(w)) return -1;
    fill(w, 200, kLineTop, 599, kLineBottom, 255);
    fill(w, kBarLeft, kBarTop, kBarRight, kBarBottom, 255);
    TransferLines(w, kLineTop, kBarBottom);
    return 0;
}

int DisplayStatus(int show, GUIWINDOW* w)
{
    if (!usable(w)) return -1;
    fill(w, kBarLeft, kBarTop, kBarRight, kBarBottom, show ? RESULT_ALT_BACKGROUND : 255);
    send_bar(w);
    return 0;
}
