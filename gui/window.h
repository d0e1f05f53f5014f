// The form object: one per screen, built at start-up, with the form's four entry points.
#pragma once

#include <cstdint>

#include "gui/keypad.h"
#include "gui/text.h"

using GUIENTRY = uint32_t (*)();

// Fields in the order of the form object; pointers are native, so it is not packed.
struct GUIWINDOW {
    uint8_t bInit;
    uint8_t bPaint;
    uint8_t bType;
    uint8_t bAttr;
    uint16_t wWidth;
    uint16_t wHeight;
    uint16_t wLeft;
    uint16_t wTop;
    uint32_t lParam;
    uint32_t lReason;
    GUIWINDOW* pNext;
    uint32_t lNextLanguage; // with code 7: the new language number
    GUIBRUSH* pBrush;
    GUICURSOR* pCursor;
    GUIFONT* pFont;
    GUIFRAME* pFrmMain;
    GUIFRAME* pFrmBack;
    GUIFRAME* pFrmFore;
    GUIKEYPAD* pKeypad;
    GUIWINDOW* pPrev;
    GUIENTRY fnInitialize;
    GUIENTRY fnRelease;
    GUIENTRY fnPaint;
    GUIENTRY fnProcess;
};

GUIWINDOW* CreateWindowDirect(uint8_t bType, uint8_t bAttr, uint16_t wWidth, uint16_t wHeight, uint16_t wLeft,
                              uint16_t wTop, GUIBRUSH* pBrush, GUICURSOR* pCursor, GUIFONT* pFont,
                              GUIFRAME* pFrmMain, GUIFRAME* pFrmBack, GUIFRAME* pFrmFore, GUIKEYPAD* pKeypad,
                              GUIENTRY fnInitialize, GUIENTRY fnRelease, GUIENTRY fnPaint,
                              GUIENTRY fnProcess);
GUIWINDOW* CreateWindowIndirect(const GUIWINDOW* pRecord);
int DeleteWindowDirect(GUIWINDOW* pWnd);
