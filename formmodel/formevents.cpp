// The forms' input loop (see formevents.h).
#include "formmodel/formevents.h"

#include <cstdio>

#include "devices/platdev.h"
#include "formmodel/appwindow.h"
#include "formmodel/power_hooks.h"
#include "gui/keypad.h"

uint32_t FormEventLoop(GUIWINDOW* pWnd, const FORMEVENTS& events)
{
    if (!pWnd) return FORM_BACK;
    GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH);
    for (;;) {
        if (WindowIdleProcess(events.idleMode, pWnd) == 2) return FORM_HOME;
        uint16_t ev = pWnd->pKeypad ? GetKeypadEvent(pWnd->pKeypad) : 0;
        if ((ev & 0xFF) == 0) ev = uint16_t(GetComEvent(GetMessageQueue()));
        if ((ev & 0xFF) == 0 || !(ev & KEY_EVENT_REPEAT)) ev = 0;
        bool made = false;
        if (!ev && events.autoKey) {
            ev = events.autoKey();
            made = ev != 0;
        }
        if (ev) {
            if (InputActivity() && !made) continue;
            const int key = ev & 0xFF;
            if (ev & KEY_EVENT_DOWN) {
                SpeakerPutSound(key);
                if (uint32_t code = events.keyDown ? events.keyDown(key) : 0) return code;
            }
            if ((ev & KEY_EVENT_UP) && events.keyUp) events.keyUp(key);
        } else if (CheckIdleShutdown() == 1) {
            return FORM_SHUTDOWN;
        }
        GUITOUCHMSG msg{};
        const int st = touch ? GetTouchpadEvent(touch, &msg) : 0;
        if (!st || !msg.pObject) continue;
        if (InputActivity()) continue;
        if (events.touchType && msg.wType != events.touchType) continue;
        const uint32_t code = events.touch
                                  ? events.touch(st, msg)
                                  : FormButtonTouch(pWnd, st, static_cast<GUIBUTTON*>(msg.pObject), 20);
        if (code) return code;
    }
}

uint32_t FormButtonTouch(GUIWINDOW* pWnd, int state, GUIBUTTON* b, int sound)
{
    if (!b) return 0;
    if (state == 1) {
        if (!GetTouchRepeat()) SpeakerPutSound(sound);
        if (b->fnPush) b->fnPush(b);
        TransferLines(pWnd, b->wTop, b->wTop + b->wHeight - 1);
    } else if (state == 2) {
        if (b->fnPut) b->fnPut(b);
        TransferLines(pWnd, b->wTop, b->wTop + b->wHeight - 1);
        if (b->fnClick) return uint32_t(b->fnClick(b));
    } else {
        std::printf("Touch MSG Error\n");
    }
    return 0;
}
