// STAND-IN for the error display until the message bar lands: logs the code, keeps the error
// flag, and waits 3 s (or for Confirm/Run/Cancel/Reset when the operator must answer).
#include <atomic>
#include <cstdio>
#include <string>

#include "app/errorinfo.h"
#include "devices/platdev.h"
#include "gui/keypad.h"
#include "platform/seam.h"

namespace {
std::atomic<int> g_errorFlag{0};
}

int GetErrorFlag() { return g_errorFlag.load(); }
void SetErrorFlag() { g_errorFlag = 1; }
void ClearErrorFlag() { g_errorFlag = 0; }

int PutErrorInfo(int code, GUIWINDOW*)
{
    if (code == 0 || code == 2) return 0;
    std::printf("err:0x%0X\n", unsigned(code));
    SpeakerPutSound(code);
    SetErrorFlag();
    plat_trace("error", std::to_string(code).c_str());
    return 0;
}

int ProcErrorInfoEx(int wait, GUIWINDOW* pWnd, int)
{
    uint64_t end = plat_monotonic_ms() + 3000;
    while (wait || plat_monotonic_ms() < end) {
        uint16_t ev = (pWnd && pWnd->pKeypad) ? GetKeypadEvent(pWnd->pKeypad) : 0;
        if (ev & KEY_EVENT_DOWN) {
            int key = ev & 0xFF;
            if (key == 3 || key == 9) { // confirm, run: go on
                ClearErrorFlag();
                return 0;
            }
            if (key == 1 || key == 2) return 0; // reset, cancel: stop, the flag stays
        }
        plat_sleep_ms(10);
    }
    return 0;
}

int ProcErrorInfo(int wait, GUIWINDOW* pWnd) { return ProcErrorInfoEx(wait, pWnd, 0); }
int ClearErrorInfoEx(GUIWINDOW*, int)
{
    ClearErrorFlag();
    plat_trace("error", "");
    return 0;
}
int ClearErrorInfo(GUIWINDOW* pWnd) { return ClearErrorInfoEx(pWnd, 0); }
