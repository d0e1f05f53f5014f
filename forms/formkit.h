// Small helpers the forms share: filling areas, labels, picture buttons, leaving for another form,
// and the mode names of the parameter tables made safe to show.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "formmodel/formevents.h"
#include "gui/global.h"

// Fills [x1, x2] x [y1, y2] of a frame with one palette index (255: transparent foreground).
void FormFill(GUIFRAME* pFrame, int x1, int y1, int x2, int y2, uint32_t index);
// Draws a string in a label of the given box: align 0 left, 2 centred; the box keeps its pixels.
void FormLabel(GUIFRAME* pFrame, const GUISTRING* pText, int x, int y, int w, int h, int align,
               const char* font);
// The palette index of a frame nearest to a 0xRRGGBB colour.
uint32_t FormRgb(GUIFRAME* pFrame, uint32_t rgb);
// One line of ASCII text in a box of a frame (as FormLabel), at a font size.
void FormText(GUIFRAME* pFrame, const std::string& text, int x, int y, int w, int h, int align,
              const char* font, int size = 15);
// A button drawn only by its images (keyed icons on a transparent area); pushed shows pPush.
GUIBUTTON* FormIconButton(GUIWINDOW* pWnd, int w, int h, int x, int y, GUIIMAGE* pIcon, GUIIMAGE* pPush,
                          GUICLICK fnClick, GUICLICK fnClickDown);
// The end of every full-screen Paint: the status items of the mode, then the drawn frames go to the
// screen and the form counts as painted. Returns 0, as Paint does.
uint32_t FormPaintDone(GUIWINDOW* pWnd, int mode);
// The two ends of every form's Release: first its touch regions and pending input go, and after
// the form deleted its own objects the page flips and the form counts as released.
void FormReleaseInput();
uint32_t FormReleaseDone(GUIWINDOW* pWnd);
// Leaves the form for pNext with code 4, as handlers do.
uint32_t FormGoTo(GUIWINDOW* pWnd, GUIWINDOW* pNext);
// A stored, fixed-length mode name as printable ASCII (bounded, stops at the first 0; "-" when
// empty or unreadable).
std::string FormModeName(const char* name, size_t size);
// Text number of a form's title, 0 when it has none.
uint32_t FormTitleText(const GUIWINDOW* pWnd);
