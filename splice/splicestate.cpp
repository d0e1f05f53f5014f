// The running splice's status and layout changes, its workbench switches, and the drawing helpers
// the sequence's screens share.
#include "splice/splicestate.h"

#include <cstdio>
#include <cstring>

#include "fiber/corelines.h"
#include "fiber/graphics.h"
#include "formmodel/appwindow.h"
#include "formmodel/forms.h"
#include "gui/global.h"
#include "params/param_tables.h"
#include "platform/seam.h"
#include "splice/resultbar.h"
#include "splice/spliceinfo.h"

std::atomic<int> bStartTimerFlag{0};
int lSpliceCount = 0;
int lCurrShowType = 0;
int DisplayArcValueFlag = 0;

namespace
{
std::atomic<int> g_calcFlag{0};

void redraw_status(GUIWINDOW* w)
{
    DisplaySpliceStatus(GetCurrentInformation(), w);
}
} // namespace

void SpliceFill(GUIWINDOW* w, int x1, int y1, int x2, int y2, uint32_t index)
{
    if (!w || !w->pFrmFore) return;
    GUIBRUSH b{1, 1, index, index, nullptr};
    DrawBlockFill(MakePoint(uint32_t(x1), uint32_t(y1)), MakePoint(uint32_t(x2), uint32_t(y2)), &b,
                  w->pFrmFore);
}

int SpliceTextWidth(const char* text, const char* font, int size)
{
    GUISTRING* s = StrAsciiTrans(text, uint8_t(size), 1);
    const GUIFONT* f = GetFontObject(font);
    int width = 0;
    if (s && f) width = s->wWidth + s->wLength * (f->bLeftGap + f->bRightGap);
    DeleteStringDirect(s);
    return width;
}

void SpliceText(GUIWINDOW* w, const char* text, int x, int bottom, const char* font, int size, bool centred)
{
    if (!w || !w->pFrmFore || !text) return;
    GUISTRING* s = StrAsciiTrans(text, uint8_t(size), 1);
    const GUIFONT* f = GetFontObject(font);
    if (s && s->wLength > 0 && f) {
        if (centred) x -= SpliceTextWidth(text, font, size) / 2;
        GUICURSOR c{0, 0, 1, 1, uint16_t(x < 0 ? 0 : x), uint16_t(bottom), 0, 799, 0, 479, 255, 255, nullptr};
        _StringDirectPut(s, &c, f, w->pFrmFore);
    }
    DeleteStringDirect(s);
}

const char* SpliceStatusName(int status)
{
    static constexpr const char* kNames[] = {"ready", "gap",      "pause1",   "align", "pause2",
                                             "arc",   "complete", "estimate", "pull"};
    return status >= 0 && status <= 8 ? kNames[status] : "";
}

void SetSpliceStatus(int status, GUIWINDOW* w)
{
    SetSpliceStatusPainter(redraw_status);
    GetCurrentInformation()->iCurrentSpliceStatus = status;
    SetSpliceStepNumber(status);
    plat_trace("splice", SpliceStatusName(status));
    if (w) DisplaySpliceStatus(GetCurrentInformation(), w);
}

void SetSpliceLayout(int option, GUIWINDOW* w)
{
    if (option < 1 || option > 21) option = 1; // a damaged option still shows a picture
    lCurrShowType = option + 4;
    if (!w) return;
    SetGraphicsShow(lCurrShowType, w);
    MachineParameter m{};
    if (GetTable_MachinePar(&m) == 0 && m.bScaleMode) InitializeScaleMode(w);
}

int GetSpliceCalcFlag()
{
    return g_calcFlag.load();
}
void SetSpliceCalcFlag(int value)
{
    g_calcFlag.store(value);
}

int InitializeScaleMode(GUIWINDOW* w)
{
    if (!w || !w->pFrmFore) return -1;
    // The pictures shown alone are at full size; two pictures together at half size.
    int mode = GetGraphicsShowMode();
    if (mode >= 16) mode -= 16;
    const bool half = mode == 3 || mode == 4 || mode == 7 || mode == 8 || mode == 9;
    if (mode == 0) return 0;
    constexpr int kUm = 50; // the bar's length
    const int length = int(float(kUm) / OPTICS_UM_PER_PIXEL / (half ? 2.0f : 1.0f) + 0.5f);
    constexpr int kX = 100, kY = 405;
    SpliceFill(w, kX, kY - 22, kX + 120, kY + 6, 255);
    SpliceFill(w, kX, kY, kX + length, kY + 1, 187);
    for (int x : {kX, kX + length / 2, kX + length})
        SpliceFill(w, x, kY - 5, x + 1, kY + 1, 187);
    char text[16];
    std::snprintf(text, sizeof text, "%dum", kUm);
    SpliceText(w, text, kX + length + 6, kY + 6, "_TXT_WHT", 15, false);
    TransferLines(w, kY - 22, kY + 6);
    return 0;
}

void DisplayArcDiagnostics(GUIWINDOW* w)
{
    if (!DisplayArcValueFlag || !w || !w->pFrmFore) return;
    const SPLICE_INFORMATION* info = GetCurrentInformation();
    TABLEFACTORYSYS f{};
    const int result = GetTable_FactSys(&f) == 0 ? int(f.lArcCaliResult - PAR_OFFSET_CODE) : 0;
    char line[64];
    SpliceFill(w, 210, 40, 700, 104, 255);
    std::snprintf(line, sizeof line, "Arc:%d bright:%d old %d", result, int(info->bCurArcBright),
                  int(info->SpliceRecord.bArcBright));
    SpliceText(w, line, 210, 40 + 24, "_TXT_WHT", 19, false);
    std::snprintf(line, sizeof line, "up: %d down:%d", int(info->iElectrodePosX), int(info->iElectrodePosY));
    SpliceText(w, line, 210, 80 + 24, "_TXT_WHT", 19, false);
    TransferLines(w, 40, 104);
}
