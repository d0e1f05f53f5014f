// The end of every splice, however it ended: motors stopped and off, the align motors' normal
// travel back, the heater resumed and unlocked, the counter stopped, status 0.
#include "devices/heater.h"
#include "devices/motor.h"
#include "devices/motor_pair.h"
#include "devices/platdev.h"
#include "formmodel/appwindow.h"
#include "formmodel/forms.h"
#include "splice/aim.h"
#include "splice/autosplice.h"
#include "splice/spliceinfo.h"
#include "splice/splicestate.h"

int SpliceOverProcess()
{
    StopMotor(MOT_ALL);
    SetMotorOff(MOT_ALL);
    SetMotorSpeed(0);
    // The seating corrections may have widened the align motors' travel; it never outlives the
    // splice.
    DisableResetFunc();
    RestoreAlignMotorLimits();
    EnableResetFunc();
    ManualFlag = 0;
    uint32_t heat = 0;
    if (GetHeaterState(&heat) == 0 && heat == HEAT_PAUSED) HeaterPause(0);
    thread_heat_unlock();
    StopSpliceTimer();
    RefreshSpliceTimer(WND_ACTIVE);
    SetSpliceStatus(SPLICE_READY, WND_ACTIVE);
    IdleProcessOn();
    return 0;
}
