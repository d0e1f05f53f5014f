// The form loop (see formloop.h).
#include "app/formloop.h"

#include "app/startup.h"
#include "devices/platdev.h"
#include "errors/errorinfo.h"
#include "formmodel/forms.h"
#include "gui/touchpad.h"
#include "platform/seam.h"
#include "texts/textres.h"

void FormLoopAct(FORMLOOP* loop, uint32_t code)
{
    GUIWINDOW* w = WND_ACTIVE;
    switch (code) {
    case FORM_SHUTDOWN:
        loop->running = 0;
        break;
    case FORM_HOME:
        ClearResetFlag();
        if (GetErrorFlag() && w) ClearErrorInfo(w);
        loop->homeRequest = 1;
        break;
    case FORM_NEXT:
    case FORM_NEXT5:
        if (w && w->pNext) {
            GUIWINDOW* next = w->pNext;
            next->pPrev = w;
            next->lReason = code;
            WND_ACTIVE = next;
        }
        break;
    case FORM_BACK:
        if (!w || !w->pPrev) {
            loop->homeRequest = 1;
        } else {
            WND_ACTIVE = w->pPrev;
            WND_ACTIVE->lReason = FORM_BACK;
        }
        break;
    case FORM_LANGUAGE:
        if (w) {
            w->pPrev = w;
            w->lReason = FORM_LANGUAGE;
            SyncLanguageChange(int(w->lNextLanguage));
        }
        break;
    default: // 3 and anything else: the same form is built again
        break;
    }
}

uint32_t FormLoopPass(FORMLOOP* loop)
{
    GUIWINDOW* w = WND_ACTIVE;
    if (!w) {
        loop->homeRequest = 1;
        return FORM_HOME;
    }
    if (w->bInit == 0 && w->fnInitialize) w->fnInitialize();
    if (w->bInit == 1 && w->bPaint == 0 && w->fnPaint) {
        w->fnPaint();
        if (w->bPaint == 1) plat_trace("screen", FormName(w));
    }
    uint32_t code = FORM_BACK;
    if (w->bInit == 1 && w->bPaint == 1 && w->fnProcess) code = w->fnProcess();
    if (w->bInit == 1 && w->fnRelease) w->fnRelease();
    FormLoopAct(loop, code);
    return code;
}

void RunFormLoop(FORMLOOP* loop, GUIWINDOW* home, void (*enter)(FORMLOOP*))
{
    while (loop->running) {
        WND_ACTIVE = home;
        if (home) {
            if (home->fnInitialize) home->fnInitialize();
            if (home->fnPaint) home->fnPaint();
            plat_trace("screen", FormName(home));
        }
        if (enter) enter(loop);
        ClearEventMsg();
        while (loop->running && !loop->homeRequest) FormLoopPass(loop);
        loop->homeRequest = 0;
        loop->firstPass = 0;
    }
}
