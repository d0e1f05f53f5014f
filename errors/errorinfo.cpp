// The error display: a yellow message bar with the warning icon over the active form, the code's
// sound, the wait for the operator's answer, and the removal of the bar.
//
// How it works: the bar is drawn into the foreground frame and its lines are sent to the current
// page, while the background layer shows the saved error background. What lay under the bar is
// kept and put back when the bar goes, so the form looks as before. The touch lock that factory
// screens take for the bar is given back in the state it had before the bar.
#include "errors/errorinfo.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "devices/heater.h"
#include "devices/platdev.h"
#include "formmodel/appwindow.h"
#include "formmodel/forms.h"
#include "formmodel/power_hooks.h"
#include "gui/global.h"
#include "gui/image.h"
#include "gui/keypad.h"
#include "gui/touchpad.h"
#include "gui/widget.h"
#include "params/param_tables.h"
#include "platform/requests.h"
#include "platform/seam.h"
#include "texts/textres.h"

// Display type of the camera layout (kept by the camera frame module).
int GetTypeInfo();

namespace
{

std::atomic<int> _iErrorFlag{0};

constexpr int kIdleMode = 195; // power and clock, as the workbench refreshes them
constexpr uint16_t kDegreeSign = 0xBA;
constexpr const char* kWarnIcon = "bitmap/Miscellaneous/IcnWarnNormal.bmp";

// The bar on screen now (main thread only: only the main thread shows messages).
struct Bar {
    bool shown = false;
    int x = 0, y = 0, w = 0, h = 0;
    GUIFRAME* fore = nullptr;
    std::vector<uint8_t> under; // foreground pixels under the bar
};
Bar g_bar;

// The touch lock taken for the bar, and the delivery state it had before.
bool g_touchTaken = false;
uint8_t g_touchBefore = 1;

GUIFRAME* fore_of(GUIWINDOW* pWnd)
{
    return pWnd && pWnd->pFrmFore ? pWnd->pFrmFore : GetFrameObject("_FORE_FRM");
}
GUIFRAME* back_of(GUIWINDOW* pWnd)
{
    return pWnd && pWnd->pFrmBack ? pWnd->pFrmBack : GetFrameObject("_BACK_FRM");
}

bool is_workbench(const GUIWINDOW* pWnd)
{
    return pWnd && pWnd == frmWorkbench;
}

bool is_factory_test(const GUIWINDOW* pWnd)
{
    if (!pWnd) return false;
    for (GUIWINDOW* w :
         {frmFactTestAll, frmFactTestAlign, frmFactTestMirror, frmFactTestMotor, frmFactTestCali,
          frmFactTestFiber, frmFactTestRound, frmFactOtherEndurance, frmFactTestPress})
        if (w == pWnd) return true;
    return false;
}

// Bytes of a rectangle of a frame: the rectangle is clipped to the frame's buffer. Copies out
// (save) or in (restore); false when nothing could be copied.
bool copy_rect(GUIFRAME* f, int x, int y, int w, int h, std::vector<uint8_t>& pixels, bool save)
{
    if (!f || !f->pBuffer || f->bDepth % 8 != 0 || f->bDepth == 0) return false;
    const int bpp = f->bDepth / 8;
    const int bx = x + f->wXOffset, by = y + f->wYOffset;
    if (bx < 0 || by < 0 || w <= 0 || h <= 0) return false;
    const int cw = std::min(bx + w, int(f->wBufWidth)) - bx;
    const int ch = std::min(by + h, int(f->wBufHeight)) - by;
    if (cw <= 0 || ch <= 0) return false;
    const size_t row = size_t(cw) * bpp;
    if (size_t(f->wBufWidth) * f->wBufHeight * bpp > f->lSize) return false;
    if (save)
        pixels.resize(row * ch);
    else if (pixels.size() != row * ch)
        return false;
    for (int r = 0; r < ch; ++r) {
        uint8_t* line = f->pBuffer + (size_t(by + r) * f->wBufWidth + bx) * bpp;
        if (save)
            std::memcpy(pixels.data() + r * row, line, row);
        else
            std::memcpy(line, pixels.data() + r * row, row);
    }
    return true;
}

// Fills a rectangle of the foreground with the see-through index.
void erase_rect(GUIFRAME* f, int x, int y, int w, int h)
{
    if (!f || w <= 0 || h <= 0) return;
    GUIBRUSH clear{1, 1, 255, 255, nullptr};
    DrawBlockFill(MakePoint(uint32_t(x), uint32_t(y)), MakePoint(uint32_t(x + w - 1), uint32_t(y + h - 1)),
                  &clear, f);
}

void send_lines(GUIFRAME* f, int y, int h)
{
    if (f && f->iDevFd >= 0 && h > 0) _FrameBufferMixFore(uint32_t(y), uint32_t(h), f);
}

// Takes the bar off the screen: what lay under it comes back (or the see-through index when it
// could not be kept), and its lines are sent to the display.
void remove_bar()
{
    if (!g_bar.shown) return;
    if (!copy_rect(g_bar.fore, g_bar.x, g_bar.y, g_bar.w, g_bar.h, g_bar.under, false))
        erase_rect(g_bar.fore, g_bar.x, g_bar.y, g_bar.w, g_bar.h);
    send_lines(g_bar.fore, g_bar.y, g_bar.h);
    g_bar.shown = false;
    g_bar.under.clear();
}

void restore_touch_lock()
{
    if (!g_touchTaken) return;
    if (g_touchBefore)
        touch_thread_unlock();
    else
        touch_thread_lock();
    g_touchTaken = false;
}

GUISTRING* ascii(const char* text)
{
    return StrAsciiTrans(text, 15, 1);
}

// Texts built into the program, always or in language 4.
const char* builtin_text(int code, int language)
{
    switch (code) {
    case 768:
        return "PLEASE CLOSE WINDSCREEN AND SET!";
    case 769:
        return "PLEASE REMOVE FIBER AND SET!";
    case 770:
        return "X FOCUS MOTOR DAMAGED!";
    case 771:
        return "Y FOCUS MOTOR DAMAGED!";
    case 773:
        return "Calculation Failed";
    default:
        break;
    }
    if (language != LANG_JAPANESE) return nullptr;
    switch (code) {
    case 522:
        return "Left Endface bulge";
    case 523:
        return "Right Endface bulge";
    case 524:
        return "Left and Right Endface bulge";
    case 525:
        return "Left Core Shrink";
    case 526:
        return "Right Core Shrink";
    case 527:
        return "PLEASE REPOSITION FIBER!";
    case 528:
        return "Both Fiber Core Dirty";
    case 529:
        return "Both Fiber Core Shrink";
    case 530:
        return "Both Fiber Core Shapes Wrong";
    default:
        return nullptr;
    }
}

// " (>3.0°)" for a cleave limit of 30 (tenths of a degree); null when no splice mode is active.
GUISTRING* cleave_suffix()
{
    APPSPLICE mode{};
    if (GetCurrentSplice(&mode) != 0) return nullptr;
    char value[16];
    std::snprintf(value, sizeof value, "%.1f", mode.bCleaveLimit / 10.0);
    std::vector<uint16_t> codes;
    for (const char* p = " (>"; *p; ++p)
        codes.push_back(uint16_t(uint8_t(*p)));
    for (const char* p = value; *p; ++p)
        codes.push_back(uint16_t(uint8_t(*p)));
    codes.push_back(kDegreeSign);
    codes.push_back(uint16_t(')'));
    codes.push_back(0);
    return CreateStringDirect(codes.data(), 15, 1);
}

GUISTRING* fallback_text(int code)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "Error %d", code);
    return ascii(buf);
}

// Puts the bar's button; false when the layout refused it (text too long for two lines).
bool put_bar(int x, int y, int w, int h, GUIIMAGE* icon, GUISTRING* text, GUIFRAME* fore)
{
    GUIBUTTON* bar = CreateButtonDirect(3, 1, 0, 2, uint16_t(w), uint16_t(h), uint16_t(x), uint16_t(y),
                                        GetBrushObject("_BRU_YELL"), GetCursorObject("_USER_WND"),
                                        GetFontObject("_TXT_MEG"), fore, icon, text, nullptr);
    if (!bar) return false;
    const bool drawn = _ButtonDirectPut(bar) != nullptr;
    DeleteButtonDirect(bar);
    return drawn;
}

} // namespace

int GetErrorFlag()
{
    return _iErrorFlag.load();
}
void SetErrorFlag()
{
    _iErrorFlag = 1;
}
void ClearErrorFlag()
{
    _iErrorFlag = 0;
}

GUISTRING* GetErrorText(int code, int language)
{
    if (code == 0 || code == 2) return nullptr;
    GUISTRING* text = nullptr;
    if (const char* fixed = builtin_text(code, language))
        text = ascii(fixed);
    else if (code > 0)
        text = GetTextResource(uint32_t(code), 15, 1, language);
    // A language without this text (no file, short index, empty entry) still names the code.
    if (text && text->wLength == 0) {
        DeleteStringDirect(text);
        text = nullptr;
    }
    if (!text) text = fallback_text(code);
    if (text && code == 242) {
        if (GUISTRING* suffix = cleave_suffix()) {
            StrObjCat(text, suffix);
            DeleteStringDirect(suffix);
        }
    }
    return text;
}

bool GetErrorBarRect(ErrorBarRect* rect)
{
    if (!g_bar.shown) return false;
    if (rect) *rect = {g_bar.x, g_bar.y, g_bar.w, g_bar.h};
    return true;
}

int PutErrorInfo(int code, GUIWINDOW* pWnd)
{
    if (code == 0 || code == 2) return 0;
    // The idle brightness monitor does not stack its message on one that is pending.
    if (code == 259 && (GetErrorFlag() || g_bar.shown)) return 1;
    std::printf("err:0x%0X\n", unsigned(code));
    const int user = GetUserMode();
    const int type = GetTypeInfo();
    const int language = GetCurrentLanguage();
    if (user && !g_touchTaken) {
        g_touchBefore = _touch_thread_flag.load();
        g_touchTaken = true;
        touch_thread_lock();
    }
    GUIFRAME* fore = fore_of(pWnd);
    GUIFRAME* back = back_of(pWnd);
    // A bar still up from a message that was not cleared goes first.
    remove_bar();

    GUIIMAGE* icon = CreateImageDirect(1, 8, 1, 60, 60, 0, 0, 255, kWarnIcon);
    GUISTRING* text = GetErrorText(code, language);

    if (is_factory_test(pWnd)) {
        erase_rect(fore, 0, 420, 800, 60);
        send_lines(fore, 420, 60);
    }
    int x = 60, y = 210, w = 680, h = 60;
    if (user) {
        x = 0, y = 420, w = 800;
    } else if (type == 8) {
        x = 0, w = 800;
    }
    g_bar.fore = fore;
    g_bar.x = x, g_bar.y = y, g_bar.w = w, g_bar.h = h;
    if (!copy_rect(fore, x, y, w, h, g_bar.under, true)) g_bar.under.clear();
    g_bar.shown = true;

    // Never a bare screen: without a usable icon the text goes alone, and a text that does not
    // fit gives way to the code; at the very least the bar's face is drawn.
    if (!put_bar(x, y, w, h, icon, text, fore) && !put_bar(x, y, w, h, nullptr, text, fore)) {
        GUISTRING* plain = fallback_text(code);
        if (!put_bar(x, y, w, h, icon, plain, fore) && !put_bar(x, y, w, h, nullptr, plain, fore)) {
            if (GUIBRUSH* yellow = GetBrushObject("_BRU_YELL"))
                DrawBlockFill(MakePoint(uint32_t(x), uint32_t(y)),
                              MakePoint(uint32_t(x + w - 1), uint32_t(y + h - 1)), yellow, fore);
        }
        DeleteStringDirect(plain);
    }
    send_lines(fore, y, h);
    if (fore && back) _FrameBufferRelocateErr(fore, back, 1);

    SpeakerPutSound(code & 0xFFFF);

    if (text) DeleteStringDirect(text);
    if (icon) DeleteImageDirect(icon);
    SetErrorFlag();
    plat_trace("error", std::to_string(code).c_str());
    return 0;
}

int ProcErrorInfo(int wait, GUIWINDOW* pWnd)
{
    return ProcErrorInfoEx(wait, pWnd, 0);
}

int ProcErrorInfoEx(int wait, GUIWINDOW* pWnd, int factoryBar)
{
    if (!wait) {
        plat_sleep_ms(3000);
    } else {
        uint32_t heat = 0;
        if (GetHeaterState(&heat) == 0 && heat == HEAT_PAUSED) HeaterPause(0);
        GUIKEYPAD* keypad = pWnd && pWnd->pKeypad ? pWnd->pKeypad : GetKeypadObject(DEV_KEY);
        GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH);
        const bool workbench = is_workbench(pWnd);
        // The cover ends the wait when it is opened; one already open when the message came up
        // does not end it at once (the operator would never see the message).
        bool coverWasClosed = GetCoverStatus() != 1;
        for (;;) {
            RestartIdleCountdown();
            if (WindowIdleProcess(factoryBar ? 0 : kIdleMode, factoryBar ? nullptr : pWnd) != 0) break;

            uint16_t ev = keypad ? GetKeypadEvent(keypad) : 0;
            if ((ev & 0xFF) == 0 && GetMessageQueue() != mqd_t(-1))
                ev = uint16_t(GetComEvent(GetMessageQueue()));
            if ((ev & 0xFF) != 0 && (ev & KEY_EVENT_DOWN) && !(ev & KEY_EVENT_UP)) {
                const int key = ev & 0xFF;
                SpeakerPutSound(key);
                if (key == 1 || key == 2) break;
                if ((key == 3 || key == 9) && workbench) {
                    ClearErrorFlag();
                    break;
                }
            }

            GUITOUCHMSG msg{};
            const int state = touch ? GetTouchpadEvent(touch, &msg) : 0;
            if (state && msg.pObject) {
                auto* button = msg.wType == 1 ? static_cast<GUIBUTTON*>(msg.pObject) : nullptr;
                if (state == 1) {
                    if (!GetTouchRepeat()) {
                        SpeakerPutSound(20);
                        if (button && button->fnPush) button->fnPush(button);
                    }
                } else if (state == 2) {
                    if (button && button->fnRevert) button->fnRevert(button);
                    if (msg.wId == 3) break;
                    if ((msg.wId == 4 || msg.wId == 7) && workbench) {
                        ClearErrorFlag();
                        break;
                    }
                    if (msg.wId == 5) {
                        SetResetFlag();
                        break;
                    }
                }
            }

            const int cover = GetCoverStatus();
            if (cover == 0) coverWasClosed = true;
            if (cover == 1 && coverWasClosed) break;
        }
    }
    remove_bar();
    return 0;
}

int ClearErrorInfo(GUIWINDOW* pWnd)
{
    return ClearErrorInfoEx(pWnd, 0);
}

int ClearErrorInfoEx(GUIWINDOW* pWnd, int factoryBar)
{
    remove_bar();
    GUIFRAME* fore = fore_of(pWnd);
    if (factoryBar) {
        struct Key {
            const char* path;
            uint16_t width;
        };
        static constexpr Key kKeys[] = {
            {"bitmap/Factory/IcnCancel.bmp", 113}, {"bitmap/Factory/IcnLeft.bmp", 113},
            {"bitmap/Factory/IcnUp.bmp", 113},     {"bitmap/Factory/IcnMenu.bmp", 122},
            {"bitmap/Factory/IcnDown.bmp", 113},   {"bitmap/Factory/IcnRight.bmp", 113},
            {"bitmap/Factory/IcnConfirm.bmp", 113}};
        uint16_t x = 0;
        for (const Key& k : kKeys) {
            if (GUIIMAGE* img = CreateImageDirect(1, 8, 1, k.width, 56, x, 424, 255, k.path)) {
                _ImageDirectPut(img);
                DeleteImageDirect(img);
            }
            x = uint16_t(x + k.width);
        }
        send_lines(fore, 424, 56);
    }
    // The lock goes back to what it was before the bar, whichever way the message is cleared.
    restore_touch_lock();
    ClearErrorFlag();
    GUIFRAME* back = back_of(pWnd);
    if (fore && back) _FrameBufferRelocateErr(fore, back, 0);
    plat_trace("error", "");
    return 0;
}
