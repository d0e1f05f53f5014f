// The key wait of a running splice: Run goes on, Cancel and Reset end the splice, the motor keys
// drive manual alignment, and the workbench's heat, arc, view and picture keys keep working.
#include <mqueue.h>

#include <cstdio>

#include "devices/heater.h"
#include "devices/motor.h"
#include "devices/platdev.h"
#include "formmodel/appwindow.h"
#include "formmodel/forms.h"
#include "formmodel/power_hooks.h"
#include "gui/global.h"
#include "platform/requests.h"
#include "platform/seam.h"
#include "splice/aim.h"
#include "splice/arc.h"
#include "splice/autosplice.h"
#include "splice/autosplice_steps.h"
#include "splice/resultbar.h"
#include "splice/spliceinfo.h"
#include "splice/splicestate.h"

namespace
{
constexpr int kIdleMode = 195;
constexpr int kRepeatMax = 10;
void (*g_viewKey)() = nullptr;
void (*g_keysHook)(int) = nullptr;

// The pictures key: both camera pictures onto the stick, and a line saying how it went.
void save_pictures(GUIWINDOW* w)
{
    const char* text = SaveSpliceImagesToUsb() == 0 ? "Pictures have been saved" : "Please plug-in usb disk!";
    constexpr int kTop = 180, kBottom = 210;
    SpliceFill(w, 150, kTop, 649, kBottom, 255);
    SpliceText(w, text, 400, kBottom - 4, "_TXT_WHT", 19, true);
    TransferLines(w, kTop, kBottom);
    plat_sleep_ms(2000);
    SpliceFill(w, 150, kTop, 649, kBottom, 255);
    TransferLines(w, kTop, kBottom);
}

void stop_motors()
{
    StopMotor(MOT_ALL);
    SetMotorOff(MOT_ALL);
}

// A key pressed (or repeating): 0 keeps waiting, else the wait's result + 1 (so 0 can be returned).
int key_action(int key, int repeat, GUIWINDOW* w)
{
    switch (key) {
    case 1:
        return 2 + 1;
    case 2:
        return 3 + 1;
    case 3:
        if (w && w == frmWorkbench) save_pictures(w);
        return 0;
    case 5:
        if (ManualFlag) ManualAimUp(repeat, ManualAimMotor());
        return 0;
    case 6:
        if (ManualFlag) ManualAimDown(repeat, ManualAimMotor());
        return 0;
    case 7:
        if (ManualFlag) ManualAimSelect(-1, w);
        return 0;
    case 8:
        if (ManualFlag) ManualAimSelect(1, w);
        return 0;
    case 9:
        return 0 + 1;
    case 10:
        std::printf("Workbench: heat key, heater %s\n", HeaterFiber() == 0 ? "toggled" : "not available");
        return 0;
    case 11:
        SpliceExtraArcKey(w);
        return 0;
    case 12:
        if (g_viewKey) g_viewKey();
        return 0;
    default:
        return 0;
    }
}

void put_button(GUIWINDOW* w, GUIBUTTON* b, bool pushed)
{
    if (!b) return;
    if (pushed && b->fnPush)
        b->fnPush(b);
    else if (!pushed && b->fnPut)
        b->fnPut(b);
    TransferLines(w, b->wTop, b->wTop + b->wHeight - 1);
}
} // namespace

void SetSpliceViewKey(void (*fn)())
{
    g_viewKey = fn;
}

void SetSpliceKeysHook(void (*fn)(int show))
{
    g_keysHook = fn;
}

void SetSpliceKeysShown(bool show)
{
    if (g_keysHook) g_keysHook(show ? 1 : 0);
}

int SpliceExtraArcKey(GUIWINDOW* w)
{
    // Only a splice just made, with its fibres untouched since, takes another arc.
    if (!GetSpliceCalcFlag()) {
        std::printf("Splice: no splice to arc again\n");
        return 0;
    }
    const int r = SpliceExtraArc();
    if (r == 0 && w) DisplayEstimateLoss(GetCurrentInformation(), w);
    return r;
}

namespace
{
int wait_keys()
{
    GUIWINDOW* w = WND_ACTIVE;
    GUIKEYPAD* keypad = w && w->pKeypad ? w->pKeypad : GetKeypadObject(DEV_KEY);
    GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH);
    int repeat = 0, last = 0;
    for (;;) {
        if (GetResetFlag()) return 2;
        if (GetCoverStatus() == 1)
            return GetCurrentInformation()->iCurrentSpliceStatus <= SPLICE_ARC ? 2 : last;
        RestartIdleCountdown();
        if (CheckIdleShutdown() || WindowIdleProcess(kIdleMode, w) != 0) return 2;
        RefreshSpliceTimer(w);

        uint16_t ev = keypad ? GetKeypadEvent(keypad) : 0;
        if ((ev & 0xFF) == 0 && GetMessageQueue() != mqd_t(-1)) ev = uint16_t(GetComEvent(GetMessageQueue()));
        const int key = ev & 0xFF;
        if (key != 0) {
            const bool down = ev & KEY_EVENT_DOWN, up = ev & KEY_EVENT_UP;
            if (down && up)
                repeat = repeat < kRepeatMax ? repeat + 1 : kRepeatMax;
            else
                repeat = 0;
            if (down && key >= 1 && key <= 12) {
                SpeakerPutSound(key);
                if (int r = key_action(key, repeat, w)) return r - 1;
            } else if (up && !down && ManualFlag && (key == 5 || key == 6) && repeat == 0) {
                stop_motors();
            }
        }

        GUITOUCHMSG msg{};
        const int state = touch ? GetTouchpadEvent(touch, &msg) : 0;
        if (!state || !msg.pObject || msg.wType != 1) continue;
        auto* b = static_cast<GUIBUTTON*>(msg.pObject);
        if (state == 2) {
            repeat = 0;
            put_button(w, b, false);
            switch (msg.wId) {
            case 3:
                return 3;
            case 4:
                return 0;
            case 5:
                return 2;
            case 8:
            case 9:
                if (ManualFlag) stop_motors();
                break;
            case 12:
                ManualAimSelect(1, w);
                break;
            default:
                if (b->fnClick) {
                    last = b->fnClick(b);
                    if (last != 0) return last;
                }
            }
        } else if (state == 1) {
            if (GetTouchRepeat())
                repeat = repeat < kRepeatMax ? repeat + 1 : kRepeatMax;
            else
                SpeakerPutSound(20);
            put_button(w, b, true);
            if (msg.wId == 8)
                ManualAimUp(repeat, ManualAimMotor());
            else if (msg.wId == 9)
                ManualAimDown(repeat, ManualAimMotor());
            else if (b->fnClickDown)
                b->fnClickDown(b);
        }
    }
}
} // namespace

int KeyEventProcess()
{
    // Reported so that whoever drives the unit (a test, a scenario) can answer once it listens.
    plat_trace("key_wait", "splice");
    const int r = wait_keys();
    plat_trace("key_wait", "");
    return r;
}
