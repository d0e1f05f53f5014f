// Where the live camera pictures lie under the two GUI layers (layout code and picture offsets
// for the display controller), and the separator between side-by-side pictures.
#include <cstdint>

#include "devices/dev_internal.h"
#include "devices/platdev.h"
#include "formmodel/appwindow.h"
#include "formmodel/forms.h"
#include "gui/global.h"
#include "params/param_tables.h"
#include "platform/seam.h"

namespace
{
int g_spliceStep = 0;
void (*g_statusPainter)(GUIWINDOW*) = nullptr;

struct Placement {
    int64_t xv, yv, xh, yh; // stored offsets of the user information table
    bool front;             // orientation flag 0
};

Placement read_placement()
{
    Placement p{0, 0, 0, 0, true};
    TABLEUSERINFO ui{};
    if (GetTable_UserInfo(&ui) == 0) {
        p.xv = ui.dwUserVal8;
        p.yv = ui.dwUserVal12;
        p.xh = ui.dwXImagePlace;
        p.yh = ui.dwYImagePlace;
    }
    MachineParameter m{};
    if (GetTable_MachinePar(&m) == 0) p.front = m.dwScreenTurn == 0;
    return p;
}

// Offsets are registers of the display controller: a computed value below 0 is sent as 0.
uint32_t clamp_offset(int64_t v)
{
    if (v < 0) return 0;
    if (v > 0xFFFFFFFFll) return 0xFFFFFFFFu;
    return uint32_t(v);
}

// The offsets of the present mode, as sent: the base the re-centring shifts from.
struct SentOffset {
    unsigned long request;
    bool sent;
    uint32_t value;
};
SentOffset g_sent[4] = {{FRM_OFFSET_X_X, false, 0},
                        {FRM_OFFSET_X_Y, false, 0},
                        {FRM_OFFSET_Y_X, false, 0},
                        {FRM_OFFSET_Y_Y, false, 0}};

void send(int fd, unsigned long request, int64_t value)
{
    plat_ioctl_u32(fd, request, clamp_offset(value));
    for (SentOffset& o : g_sent)
        if (o.request == request) o.sent = true, o.value = clamp_offset(value);
}

void transfer_fore(GUIWINDOW* w, int first, int last)
{
    if (!w || !w->pFrmFore || !GetWindowPaintFlag() || last < first) return;
    _FrameBufferMixFore(uint32_t(first), uint32_t(last - first + 1), w->pFrmFore);
}
} // namespace

void SetSpliceStatusPainter(void (*painter)(GUIWINDOW* pWnd))
{
    g_statusPainter = painter;
}

void SetSpliceStepNumber(int step)
{
    g_spliceStep = step;
}
int GetSpliceStepNumber()
{
    return g_spliceStep;
}
int GetGraphicsShowMode()
{
    return GetTypeInfo();
}

bool GetGraphicsOffset(unsigned long request, uint32_t* value)
{
    for (const SentOffset& o : g_sent)
        if (o.request == request && o.sent) {
            if (value) *value = o.value;
            return true;
        }
    return false;
}

int SetGraphicsShow(int mode, GUIWINDOW* pWnd)
{
    if (mode < 0 || mode > 25) return -1;
    for (SentOffset& o : g_sent)
        o.sent = false;
    const int m = mode >= 16 ? mode - 16 : mode;
    SetTypeInfo(mode);
    const Placement p = read_placement();
    const int64_t hx = p.front ? 96 - p.xh : p.xh;
    const int64_t hy = p.front ? 96 - p.yh : p.yh;
    const int fd = GetDeviceFd(PLATDEV_FRAME);

    // Per mode: layout code, which pictures are shown and their offsets.
    uint32_t layout = 8;
    bool showX = false, showY = false;
    int64_t xh = 0, yh = 0, xv = 0, yv = 0;
    switch (m) {
    case 1:
        layout = 5, showX = true, xh = hx, xv = p.xv + 26;
        break;
    case 2:
        layout = 6, showY = true, yh = hy, yv = p.yv + 26;
        break;
    case 3:
        layout = 4, showX = showY = true, xh = hx, yh = hy, xv = p.xv + 43, yv = p.yv + 43;
        break;
    case 4:
        layout = 7, showX = showY = true;
        xh = p.xh + 112, yh = p.yh + 117, xv = p.xv + 26, yv = p.yv + 26;
        break;
    case 5:
        layout = 9, showX = true, xh = hx, xv = p.xv;
        break;
    case 6:
        layout = 10, showY = true, yh = hy, yv = p.yv;
        break;
    case 7:
        layout = 11, showX = showY = true, xh = hx, yh = hy, xv = p.xv + 11, yv = p.yv + 21;
        break;
    case 8:
        layout = 12, showX = showY = true;
        xh = p.front ? 208 - p.xh : p.xh + 112;
        yh = p.front ? 213 - p.yh : p.yh + 117;
        xv = p.xv, yv = p.yv;
        break;
    case 9:
        layout = 3, showX = showY = true;
        xh = p.front ? 209 - p.xh : p.xh + 113;
        yh = p.front ? 210 - p.yh : p.yh + 114;
        xv = p.xv - 71, yv = p.yv - 66;
        break;
    case 10:
        layout = 13, showX = true, xh = hx, xv = p.xv + 41;
        break;
    case 11:
        layout = 14, showY = true, yh = hy, yv = p.yv + 38;
        break;
    default: // 0, and 12 to 15 which no layout describes: no camera picture
        break;
    }
    plat_ioctl_u32(fd, FRM_LAYOUT, layout);
    if (showX) send(fd, FRM_OFFSET_X_X, xh);
    if (showY) send(fd, FRM_OFFSET_X_Y, yh);
    if (showX) send(fd, FRM_OFFSET_Y_X, xv);
    if (showY) send(fd, FRM_OFFSET_Y_Y, yv);

    ShowSplitLine(0, 0, pWnd);
    if (layout == 3 || layout == 7 || layout == 12) ShowSplitLine(1, 0, pWnd);
    if (g_statusPainter && g_spliceStep != 0 && pWnd && (pWnd == frmWorkbench || pWnd == frmMaintStabilize))
        g_statusPainter(pWnd);
    transfer_fore(pWnd, 0, 479);
    return 0;
}

int ShowSplitLine(int show, int transfer, GUIWINDOW* pWnd)
{
    if (!pWnd || !pWnd->pFrmFore) return -1;
    struct Rows {
        int first, last;
    } rows[2] = {{-1, -1}, {-1, -1}};
    if (pWnd == frmWorkbench) {
        const int step = g_spliceStep;
        if (step == 0) {
            rows[0] = {32, 447};
        } else if (step < 6) {
            rows[0] = {0, 421};
            rows[1] = {448, 479};
        } else {
            rows[0] = {32, 421};
            if (step == 6 && !show) rows[1] = {448, 479};
        }
    } else if (pWnd == frmFactOtherCamera || pWnd == frmFactOtherNoise) {
        return 0;
    } else if (IsMaintenanceForm(pWnd)) {
        rows[0] = {32, 447};
    } else {
        rows[0] = {32, 416};
    }
    const uint32_t index = show ? 187 : 255;
    GUIBRUSH pen{1, 1, index, index, nullptr};
    for (const Rows& r : rows) {
        if (r.first < 0) continue;
        DrawBlockFill(MakePoint(399, uint32_t(r.first)), MakePoint(401, uint32_t(r.last)), &pen,
                      pWnd->pFrmFore);
        if (transfer) transfer_fore(pWnd, r.first, r.last);
    }
    return 0;
}
