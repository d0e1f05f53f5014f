// The arc calibration screen: both camera pictures, the arc value, the last melt-back against its
// target, the cycle count and what the last Run came to. Run starts a cycle with the cover closed.
#pragma once

#include <cstdint>

uint32_t frmMaintArc_Initialize();
uint32_t frmMaintArc_Release();
uint32_t frmMaintArc_Paint();
uint32_t frmMaintArc_Process();
// The text number of the screen's message now (what the last Run came to).
uint32_t MaintArcMessage();
