// "Brightness Wave": the FPGA brightness profiles of both views drawn live.
#pragma once

#include <cstdint>

#include "forms/facttestscreen.h"

FACTTEST_FORM_DECLARE(frmFactTestWave)
// The profile of a view (1 X, 2 Y) as last drawn (480 rows), and the column it was read at.
const uint8_t* GetFactTestWave(int view);
int GetFactTestWaveColumn();
