// The WiFi screen: the networks of a scan with their signal levels, connecting (the password typed
// on the keyboard, or the saved one), and forgetting a saved network.
#pragma once

#include <cstdint>
#include <string>

uint32_t frmSysWifi_Initialize();
uint32_t frmSysWifi_Release();
uint32_t frmSysWifi_Paint();
uint32_t frmSysWifi_Process();
// The message line of the screen (the outcome of the last action).
const std::string& SysWifiMessage();
