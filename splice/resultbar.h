// The splice's status line (x 180..619, y 422..447) and result bar (x 90..709, y 448..479) on the
// workbench and the screens that run a splice. Each call draws into the window's foreground and
// sends the changed lines to the screen; only the main thread calls them.
#pragma once

#include "gui/window.h"
#include "splice/spliceinfo.h"

// Palette index of the result bar outside the workbench and the factory splice test.
constexpr uint32_t RESULT_ALT_BACKGROUND = 74;

// Left and right fibre type: "MM", "G652", "DS", "NZ", "G657", else "XX".
int DisplayFiberType(const SPLICE_INFORMATION* info, GUIWINDOW* pWnd);
// "L:%.1f" and "R:%.1f" in degrees.
int DisplayCleaveAngle(const SPLICE_INFORMATION* info, GUIWINDOW* pWnd);
int DisplayCoreAngle(const SPLICE_INFORMATION* info, GUIWINDOW* pWnd);
// "S:%.1f": the sum of the two cleave angles.
int DisplayEndfaceAngleSum(const SPLICE_INFORMATION* info, GUIWINDOW* pWnd);
// The core offset once measured, else the cladding offset, in um.
int DisplayAxisOffset(const SPLICE_INFORMATION* info, GUIWINDOW* pWnd);
// The estimated loss over the whole bar.
int DisplayEstimateLoss(const SPLICE_INFORMATION* info, GUIWINDOW* pWnd);
// The status text of iCurrentSpliceStatus; status 0 clears the bar instead.
int DisplaySpliceStatus(const SPLICE_INFORMATION* info, GUIWINDOW* pWnd);
// Clears the status line and the result bar.
int ClearDisplayInformation(GUIWINDOW* pWnd);
// Clears the result bar (show 0) or fills it with the alternate background.
int DisplayStatus(int show, GUIWINDOW* pWnd);
