// The factory screen of the 4G/GPS module: everything it reported last (identity, SIM, network, GPS,
// satellites).
#pragma once

#include <cstdint>
#include <string>

uint32_t frmFactGpsInformation_Initialize();
uint32_t frmFactGpsInformation_Release();
uint32_t frmFactGpsInformation_Paint();
uint32_t frmFactGpsInformation_Process();
// The message line of the screen (the outcome of the last action).
const std::string& FactGpsInformationMessage();
