// The shared STAND-IN screen (see standin.h) and the stand-in forms of the catalogue.
#include "forms/standin.h"

#include <cctype>
#include <cstring>
#include <string>

#include "app/appwindow.h"
#include "app/power_saving.h"
#include "devices/platdev.h"
#include "forms/forms.h"
#include "gui/global.h"
#include "gui/touchpad.h"

void StandinText(GUIWINDOW* pWnd, int x, int y, const char* text, int size)
{
    if (!pWnd || !pWnd->pFrmFore || !text) return;
    GUISTRING* str = StrAsciiTrans(text, uint8_t(size), 1);
    if (!str) return;
    // The cursor's y is the bottom line of the glyph cell.
    GUICURSOR cur{0, 0, 1, 1, uint16_t(x), uint16_t(y + size + 4), 0, 799, 0, 479, 0, 0, nullptr};
    _StringDirectPut(str, &cur, GetFontObject("_TXT_BLK"), pWnd->pFrmFore);
    DeleteStringDirect(str);
}

uint32_t StandinInitialize(GUIWINDOW* pWnd)
{
    if (!pWnd) return 0;
    if (pWnd->pKeypad) pWnd->pKeypad->wRepeat = 200;
    SetWindowPaintFlag(0);
    pWnd->bInit = 1;
    return 0;
}

uint32_t StandinPaint(GUIWINDOW* pWnd, const char* title, const char* const* lines, int count)
{
    if (!pWnd) return 0;
    if (pWnd->pFrmBack) _FrameBufferClear(pWnd->pFrmBack);
    if (pWnd->pFrmFore) _FrameBufferClear(pWnd->pFrmFore);
    std::string t = title ? title : "";
    if (!t.empty()) t[0] = char(std::toupper(static_cast<unsigned char>(t[0])));
    GUISTRING* str = StrAsciiTrans(t.c_str(), 19, 2);
    GUICAPTION* cap = CreateCaptionDirect(1, 1, 2, 800, 35, 0, 0, GetBrushObject("_CAP_BRSH"),
                                          GetCursorObject("_CAP_CURS"), GetFontObject("_TXT_WHT"),
                                          pWnd->pFrmFore, nullptr, str);
    if (cap) {
        _CaptionDirectPut(cap);
        DeleteCaptionDirect(cap);
    }
    if (str) DeleteStringDirect(str);
    for (int i = 0; i < count; ++i) StandinText(pWnd, 40, 100 + 36 * i, lines[i], 15);
    SetWindowPaintFlag(1);
    _FrameBufferMix(0, 480, pWnd->pFrmFore, pWnd->pFrmBack);
    _FrameBufferRelocate(pWnd->pFrmFore, pWnd->pFrmBack);
    pWnd->bPaint = 1;
    return 0;
}

uint32_t StandinGoTo(GUIWINDOW* pWnd, GUIWINDOW* pNext)
{
    pWnd->lReason = 4;
    pWnd->pNext = pNext;
    pWnd->bPaint = 0;
    return 4;
}

uint32_t StandinProcess(GUIWINDOW* pWnd, int idleMode, StandinKeyHandler onKey)
{
    GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH);
    for (;;) {
        if (WindowIdleProcess(idleMode, pWnd) == 2) return 2;
        uint16_t ev = pWnd->pKeypad ? GetKeypadEvent(pWnd->pKeypad) : 0;
        if ((ev & 0xFF) == 0) ev = uint16_t(GetComEvent(GetMessageQueue()));
        if ((ev & 0xFF) != 0 && (ev & (KEY_EVENT_DOWN | KEY_EVENT_UP))) {
            if (ResetShutCondition()) continue;
            if (ev & KEY_EVENT_DOWN) {
                int key = ev & 0xFF;
                SpeakerPutSound(key);
                uint32_t code = onKey ? onKey(pWnd, key) : 0;
                if (!onKey && key == 2) {
                    pWnd->lReason = 6;
                    pWnd->bPaint = 0;
                    code = 6;
                }
                if (!onKey && key == 1) code = 2;
                if (code) return code;
            }
        } else if (CheckShutCondition() == 1) {
            return 1;
        }
        GUITOUCHMSG msg{};
        if (touch && GetTouchpadEvent(touch, &msg) && msg.pObject) ResetShutCondition();
    }
}

uint32_t StandinRelease(GUIWINDOW* pWnd)
{
    if (!pWnd) return 0;
    if (GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH)) DelTouchMapList(touch);
    ClearEventMsg();
    _FramePageChange();
    pWnd->bPaint = 0;
    pWnd->bInit = 0;
    return 0;
}

namespace {
const char* const kNotAvailable[] = {"Not available on this unit.", "Cancel: back    Reset: home"};
}

#define FORM_STANDIN(name, style, role)                                                 \
    uint32_t name##_Initialize() { return StandinInitialize(name); }                    \
    uint32_t name##_Release() { return StandinRelease(name); }                          \
    uint32_t name##_Paint() { return StandinPaint(name, role, kNotAvailable, 2); }       \
    uint32_t name##_Process() { return StandinProcess(name, 195, nullptr); }
FORM_CATALOGUE_OTHERS(FORM_STANDIN)
#undef FORM_STANDIN
