// The power saving screen: how long the unit waits without input before the LCD goes off and
// before it switches itself off. A change is stored at once and the idle timer follows it.
#pragma once

#include <cstdint>

uint32_t frmSysPower_Initialize();
uint32_t frmSysPower_Release();
uint32_t frmSysPower_Paint();
uint32_t frmSysPower_Process();

// The next delay of a row's steps (0 LCD off in seconds, 1 power off in minutes) from `value`,
// shorter or longer; a stored value between two steps goes to the neighbouring step.
uint32_t SysPowerStep(int row, uint32_t value, bool longer);
uint32_t SysPowerMessage();
