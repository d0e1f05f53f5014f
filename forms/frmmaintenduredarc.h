// The burn-in screen of new electrodes: a series of strong arcs without fibres.
#pragma once

#include <cstdint>
#include <string>

uint32_t frmMaintEnduredArc_Initialize();
uint32_t frmMaintEnduredArc_Release();
uint32_t frmMaintEnduredArc_Paint();
uint32_t frmMaintEnduredArc_Process();
// The caption line as shown now (empty while it blinks off) and the arcs still to come.
const std::string& MaintEnduredArcCaption();
int MaintEnduredArcArcsLeft();
