// The cleave-angle step on the running splice's information (kept apart so that the step's body
// links without the running splice).
#include "splice/cleaveangle.h"

int CalcFiberAngle(APPFIBER* record)
{
    return CalcFiberAngleInto(record, GetCurrentInformation());
}
