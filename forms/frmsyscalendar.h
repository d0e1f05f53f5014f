// The date and time screen: the fields are stepped with - and +, and Set Clock checks the date and
// writes it to the clock chip (read back) and the system time. An impossible date is refused.
#pragma once

#include <cstdint>

uint32_t frmSysCalendar_Initialize();
uint32_t frmSysCalendar_Release();
uint32_t frmSysCalendar_Paint();
uint32_t frmSysCalendar_Process();

// True for a date and time the clock can keep (years of the clock's range, real calendar days).
bool SysCalendarValid(int year, int month, int day, int hour, int minute);
uint32_t SysCalendarMessage();
