// The password form: the password settings (change a password: the old one, then the new one
// twice; the power-on switch), the power-on prompt (lParam 1 at start-up; 0 once accepted) and the
// prompt in front of a form that needs a password (SysPasswordAsk).
#pragma once

#include <cstdint>
#include <string>

#include "gui/window.h"

uint32_t frmSysPassword_Initialize();
uint32_t frmSysPassword_Release();
uint32_t frmSysPassword_Paint();
uint32_t frmSysPassword_Process();

constexpr uint32_t PASSWORD_MODE_SETTINGS = 0, PASSWORD_MODE_POWER_ON = 1, PASSWORD_MODE_ASK = 2;

// Opens the prompt for a password of `kind` from `from` (returns 4); once the password is right it
// goes on to `target`, and going back from there returns to `from`.
uint32_t SysPasswordAsk(GUIWINDOW* from, int kind, GUIWINDOW* target);
// Text number of the message on show (0: none), and the digits typed so far.
uint32_t SysPasswordMessage();
const std::string& SysPasswordTyped();
