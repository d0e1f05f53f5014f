// The discharges of a splice: the cleaning arc, the prefuse/fusion arc with the overlap push, the
// workbench's extra arc, and the brightness correction of the arc calibration result.
#pragma once

#include "fiber/fiberstruct.h"

// The cleaning arc; countFlag 1 counts it. 0, 2 (cover or Reset) or the arc wait's failure.
int ClearArc(int countFlag);
// The cleaning arc of the arc calibration screens (fixed intensity 200, not counted).
int ClearArc_Calib();
// Prefuse, fusion and the overlap push of the left fibre. 0, 2 (cover or Reset before the
// discharge) or the arc wait's failure; registers, heater and its lock are restored on every path.
int SpliceArc(APPFIBER* fibre);
// After a successful splice check: corrects the stored arc calibration result by the measured
// arc brightness (when the factory option and the mode ask for it).
void AdjustStandardArcValueByBright();
// The workbench's extra arc (the Arc key or button, or key 11 during a key wait). 0, or 2 when
// the cover is open or Reset pending.
int SpliceExtraArc();
