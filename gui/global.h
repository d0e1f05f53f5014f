// Start-up and release of the whole toolkit with its named standard resources, and the standard
// builders that create widgets with the instrument's fixed sizes, positions and resources.
#pragma once

#include <cstdint>

#include "gui/touchpad.h"
#include "gui/widget.h"
#include "gui/window.h"

// Returns 0, or the or-ed failures of the steps (1 if the root list failed); start-up goes on.
int InitializeGUI();
int ReleaseGUI();

int InitializePaletteResource();
int ReleasePaletteResource();
int InitializeFrameResource();
int ReleaseFrameResource();
int InitializeKeypadResource();
int ReleaseKeypadResource();
int InitializeMatrixResource();
int ReleaseMatrixResource();
int InitializeBrushResource();
int ReleaseBrushResource();
int InitializeFontResource();
int ReleaseFontResource();
int InitializeCursorResource();
int ReleaseCursorResource();
int InitializeTouchpadResource();
int ReleaseTouchpadResource(); // also stops the touch thread

extern uint8_t BoldTypeFlag;
void SetBoldType(int iBold);

GUIWINDOW* BuildStdWindow(int iKind, GUIENTRY fnInitialize, GUIENTRY fnRelease, GUIENTRY fnPaint,
                          GUIENTRY fnProcess);
GUIIMAGE* BuildStdImage(int iKind, uint16_t wWidth, uint16_t wHeight, uint16_t wLeft, uint16_t wTop,
                        const char* strPath);
GUIMENU* BuildStdMenu(int iKind);
GUICAPTION* BuildStdCaption(int iKind, GUIIMAGE* pIcon, GUISTRING* pText);
GUISCROLL* BuildStdScroll(int iKind, uint16_t wMax, uint16_t wPos, uint16_t wThumb);
GUISTATUS* BuildStdStatus(int iKind, GUISTRING* pText);
GUIBUTTON* BuildStdButton(int iKind);

int DrawMenuBack(int iRow, GUIIMAGE* pImage, GUIFRAME* pBack);
int DrawMenuBackEx(int iRow, GUIIMAGE* pImage, GUIFRAME* pBack);
int DrawRootMenuBack(GUIIMAGE* pImage, GUIFRAME* pBack);
int DrawRootScroll(int iRow, GUIIMAGE* pImage, GUIFRAME* pFore);
