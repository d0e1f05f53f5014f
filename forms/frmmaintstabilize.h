// The electrode stabilisation screen: finds the arc's column in both views and stores it.
#pragma once

#include <cstdint>
#include <string>

#include "splice/electrodecal.h"

uint32_t frmMaintStabilize_Initialize();
uint32_t frmMaintStabilize_Release();
uint32_t frmMaintStabilize_Paint();
uint32_t frmMaintStabilize_Process();
// The last run's outcome (state 0 before any) and the caption line as shown now.
const ELECTRODECAL& MaintStabilizeResult();
const std::string& MaintStabilizeCaption();
