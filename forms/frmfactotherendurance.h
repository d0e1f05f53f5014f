// The endurance run: motor cycles with an arc now and then, counted until stopped.
#pragma once

#include <cstdint>

#include "forms/facttestscreen.h"

FACTTEST_FORM_DECLARE(frmFactOtherEndurance)
// Cycles of the endurance run so far.
int GetFactEnduranceCycles();
