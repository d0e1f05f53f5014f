// The information screen: the versions of the application, the FPGA and the 4G module's
// microcontroller, the unit's identity and its splice and arc counters.
#pragma once

#include <cstdint>
#include <string>

uint32_t frmInformation_Initialize();
uint32_t frmInformation_Release();
uint32_t frmInformation_Paint();
uint32_t frmInformation_Process();

// "major.minor.patch" of the FPGA's version word (a byte each, from bit 16 down).
std::string FpgaVersionText(uint32_t word);
