// Start-up and shutdown in their fixed orders, the power-on procedures and the work-condition
// checks of the workbench.
#include "app/startup.h"

#include <fcntl.h>

#include <cstdio>

#include "app/power_saving.h"
#include "app/threads.h"
#include "devices/heater.h"
#include "devices/motor.h"
#include "devices/platdev.h"
#include "errors/errorinfo.h"
#include "fiber/graphics.h"
#include "formmodel/appwindow.h"
#include "formmodel/forms.h"
#include "formmodel/global_source.h"
#include "forms/registry.h"
#include "gui/global.h"
#include "machine/machine.h"
#include "net/location.h"
#include "params/param_store.h"
#include "params/param_tables.h"
#include "platform/requests.h"
#include "platform/seam.h"
#include "records/record.h"
#include "texts/textres.h"

int onceRst = 0;

int StartOverProcess()
{
    int fd = plat_open(DEV_RAVELIN, O_RDWR);
    if (fd >= 0) plat_close(fd);
    return 0;
}

int InitializeAll()
{
    InitializeGUI();
    // The parameter load opens the record store and its release closes it.
    pfnInitializeRecord = InitializeRecord;
    pfnReleaseRecord = [] { ReleaseRecord(); };
    InitializeParameter();
    initMachineTypeByEEP();
    InitializePlatform();
    InitializeGraphics();
    SetHeatActivityCallback(RestartShutCountdown);
    IntializeThread();
    // The 4G/GPS module needs the parameter tables (machine table) and the devices up.
    initLocationBaseService();
    InitializeGlobalSource();
    boardIsOutChina = getIfOnlyInChina() ? 0 : 1;
    std::printf("boardIsOutChina is %d\r\n", boardIsOutChina);
    SyncLanguageChange(GetParVal_CurrentLanguage());
    if (int failed = CreateFormWindows()) std::printf("%d form windows could not be built\n", failed);
    InitShutCondition();
    ResetShutCondition();
    return 0;
}

int ReleaseAll()
{
    DeleteFormWindows();
    ReleaseGlobalSource();
    locationBaseServiceRelease();
    ReleaseThread();
    ReleaseGraphics();
    ReleasePlatform();
    ReleaseParameter();
    ReleaseGUI();
    // Last, once every device is closed and the parameters and records are safely written: the
    // hardware removes power at this request.
    ShutdownSplicer();
    return 0;
}

void RunFormDirect(GUIWINDOW* pWnd, void (*between)(int*), int* arg)
{
    if (!pWnd) return;
    GUIWINDOW* before = WND_ACTIVE;
    WND_ACTIVE = pWnd;
    if (pWnd->fnInitialize) pWnd->fnInitialize();
    if (pWnd->fnPaint) pWnd->fnPaint();
    plat_trace("screen", FormName(pWnd));
    if (between) between(arg);
    if (pWnd->fnProcess) pWnd->fnProcess();
    if (pWnd->fnRelease) pWnd->fnRelease();
    WND_ACTIVE = before;
}

namespace {
void check_rst_mot(int* motorsReady) { CheckRstMot(motorsReady); }

// Put, process without waiting and clear one error on the active form.
void flash_error(int code)
{
    PutErrorInfo(code, WND_ACTIVE);
    ProcErrorInfo(0, WND_ACTIVE);
    ClearErrorInfo(WND_ACTIVE);
}

// Reset all motors once; shows error 247 (operator must answer) on failure.
int reset_motors_once(int* motorsReady)
{
    int r = ResetAllMotor();
    if (r != 0) {
        std::printf("ResetAllMotor ERR %d ", r);
        *motorsReady = 0;
        PutErrorInfo(247, WND_ACTIVE);
        ProcErrorInfo(1, WND_ACTIVE);
        ClearErrorInfo(WND_ACTIVE);
    } else {
        *motorsReady = 1;
    }
    return r;
}

void motors_back()
{
    if (BacktrackAlignMotor() != 0) flash_error(246);
    if (BacktrackFocusMotor() != 0) flash_error(245);
    if (BacktrackPressMotor() != 0) flash_error(244);
}
} // namespace

int ExecMaskAfterPowerOn(int*, int* motorsReady)
{
    std::printf("ExecMaskAfterPowerOn ");
    MachineParameter machine{};
    GetTable_MachinePar(&machine);
    if (machine.lOpenPasswordLock != 0) {
        std::printf("ExecMaskAfterPowerOn lOpenPasswordLock");
        std::printf("\n");
        // Without the password form the unit does not start: nothing may open without the password.
        if (!frmSysPassword) return 0;
        frmSysPassword->lParam = 1;
        RunFormDirect(frmSysPassword, nullptr, nullptr);
        if (frmSysPassword->lParam != 0) return 0; // password not accepted
    }
    if (machine.lOpenDustCheck != 0) {
        std::printf("ExecMaskAfterPowerOn lOpenDustCheck");
        RunFormDirect(frmMaintDustStart, check_rst_mot, motorsReady);
    }
    TABLEUSERINFO user{};
    GetTable_UserInfo(&user);
    if (user.bReplaceFlag == 90) {
        std::printf("ExecMaskAfterPowerOn bReplaceFlag\n");
        if (frmMaintEnduredArc) {
            frmMaintEnduredArc->lParam = 90;
            RunFormDirect(frmMaintEnduredArc, check_rst_mot, motorsReady);
            frmMaintEnduredArc->lParam = 0;
        }
        if (frmMaintStabilize) {
            frmMaintStabilize->lParam = 90;
            RunFormDirect(frmMaintStabilize, nullptr, nullptr);
            frmMaintStabilize->lParam = 0;
        }
        // The two procedures added arcs to the table: read it again before clearing the flag.
        // They ran once, whatever their outcome: the stabilisation screen shows a failure and
        // stays until the operator leaves it, and the maintenance menu offers it again.
        ParamTableLock();
        if (GetTable_UserInfo(&user) == 0) {
            user.bReplaceFlag = 0;
            if (SetTable_UserInfo(&user) != 0)
                std::printf("ExecMaskAfterPowerOn: bReplaceFlag not cleared\n");
        }
        ParamTableUnlock();
    }
    return 1;
}

int CheckAndSetWorkCondition(int* firstPass, int* motorsReady)
{
    std::printf(" CheckAndSetWorkCondition ");
    if (*firstPass) {
        TABLEUSERINFO user{};
        MachineParameter machine{};
        GetTable_UserInfo(&user);
        GetTable_MachinePar(&machine);
        if (user.dwCurArcCount > machine.dwElecLimitCount)
            flash_error(256);
        else if (user.dwCurArcCount > machine.dwElecWarnCount)
            flash_error(255);
        if (onceRst == 0) reset_motors_once(motorsReady);
    }
    if (*motorsReady) {
        std::printf(" CheckAndSetWorkCondition back ");
        motors_back();
    }
    if (*firstPass && BrightMonitor(1) != 0) flash_error(259);
    *firstPass = 0;
    return 0;
}

int CheckRstMot(int* motorsReady)
{
    std::printf("CheckRstMot ");
    int r = 0;
    if (onceRst == 0) {
        std::printf("CheckRstMot ResetAllMotor ");
        r = reset_motors_once(motorsReady);
    }
    std::printf("CheckRstMot ret %d \n", r);
    if (*motorsReady) motors_back();
    onceRst = 1;
    return r;
}
