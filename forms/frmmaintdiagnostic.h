// The diagnostic test of every device.
#pragma once

#include <cstdint>
#include <string>

uint32_t frmMaintDiagnostic_Initialize();
uint32_t frmMaintDiagnostic_Release();
uint32_t frmMaintDiagnostic_Paint();
uint32_t frmMaintDiagnostic_Process();
// Whether device i of the last run (0 cameras, 1 motors, 2 arc, 3 heater, 4 sensors, 5 battery)
// passed.
bool MaintDiagnosticPassed(int i);
// The values device i showed in the last run.
std::string MaintDiagnosticValues(int i);
