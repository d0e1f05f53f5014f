// The cleave-angle step of the splice: fresh core lines, the end-face slopes averaged over the
// samples taken while aligning, the angles, and the splice information's cleave and core angles.
#pragma once

#include "fiber/fiberstruct.h"
#include "splice/spliceinfo.h"

// The step on the running splice's information. Returns 0.
int CalcFiberAngle(APPFIBER* record);
// The same on a given splice information.
int CalcFiberAngleInto(APPFIBER* record, SPLICE_INFORMATION* info);
