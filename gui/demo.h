// Demonstration of the toolkit for the stand-in workbench: text in both sizes and weights,
// buttons, a menu, a caption, a scroll bar and images, drawn into the window's frames.
#pragma once

#include "gui/window.h"

// Draws the demonstration into the frames of the window and transfers and shows them.
void GuiDemoPaint(GUIWINDOW* pWnd);
