// The application's whole life: start-up, the power-on procedures, the form loop, shutdown.
#include "app/splicer_main.h"

#include <cstdio>

#include "app/formloop.h"
#include "app/startup.h"
#include "formmodel/appwindow.h"
#include "formmodel/forms.h"

namespace {
void enter_workbench(FORMLOOP* loop) { CheckAndSetWorkCondition(&loop->firstPass, &loop->motorsReady); }
} // namespace

int splicer_main()
{
    StartOverProcess();
    InitializeAll();
    IdleProcessOn();
    FORMLOOP loop;
    if (ExecMaskAfterPowerOn(&loop.firstPass, &loop.motorsReady) == 0) loop.running = 0;
    RunFormLoop(&loop, frmWorkbench, enter_workbench);
    ReleaseAll();
    return 0;
}
