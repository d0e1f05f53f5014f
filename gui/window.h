// The form object: one per screen, built at start-up, with the form's four entry points.
#pragma once

#include <cstdint>

#include "gui/keypad.h"
#include "gui/text.h"

using GUIENTRY = uint32_t (*)();

#pragma pack(push, 1)
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
#pragma pack(pop)

GUIWINDOW* CreateWindowDirect(uint8_t bType, uint8_t bAttr, uint16_t wWidth, uint16_t wHeight, uint16_t wLeft,
                              uint16_t wTop, GUIBRUSH* pBrush, GUICURSOR* pCursor, GUIFONT* pFont,
                              GUIFRAME* pFrmMain, GUIFRAME* pFrmBack, GUIFRAME* pFrmFore, GUIKEYPAD* pKeypad,
                              GUIENTRY fnInitialize, GUIENTRY fnRelease, GUIENTRY fnPaint,
                              GUIENTRY fnProcess);
GUIWINDOW* CreateWindowIndirect(const GUIWINDOW* pRecord);
int DeleteWindowDirect(GUIWINDOW* pWnd);
