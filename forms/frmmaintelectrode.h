// The electrode arc counter and its reset.
#pragma once

#include <cstdint>
#include <string>

uint32_t frmMaintElectrode_Initialize();
uint32_t frmMaintElectrode_Release();
uint32_t frmMaintElectrode_Paint();
uint32_t frmMaintElectrode_Process();
// The message line of the screen (the outcome of the last action).
const std::string& MaintElectrodeMessage();
