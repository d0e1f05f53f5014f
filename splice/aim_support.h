// Small helpers shared by the alignment and focus loops.
#pragma once

#include <cstdint>

namespace aim
{
// 2 when the cover is open or the Reset key was pressed, else 0.
int abort_poll();
// The running splice mode is a quick one.
bool quick_mode();
// "X/Y align translate coefficient 2" and "X/Y focus translate coefficient 2" (0 when unreadable).
int32_t x_align_coef();
int32_t y_align_coef();
int32_t x_focus_coef();
int32_t y_focus_coef();
// Refreshes the brightness-wave table and the shadow thresholds. 0, or -1.
int take_profiles();
// An analysis result as this module reports it: -1 becomes 222.
int analysis_code(int r);
// Stops every motor and puts the align motors' limits back: the way out of every error.
int fail_stop(int code);
// Virtual-clock wait.
void wait_ms(uint32_t ms);
} // namespace aim
