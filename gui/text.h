// Text on the screen: glyph matrices read from the glyph files, fonts, string objects in the
// program's 16-bit character codes, and cursors (the moving text position inside a region).
#pragma once

#include <cstdint>

#include "gui/frame.h"

// ---- Glyph matrices -------------------------------------------------------------------------------
struct GUIMATRIX {
    uint8_t bWidth;    // cell width, at most 32
    uint8_t bHeight;   // cell height, at most 32
    uint16_t wRecSize; // height x ceil(width / 8) + 4
    uint32_t lCount;
    uint8_t* pScratch; // one record, the glyph last extracted
    uint8_t* pTable;   // lCount x wRecSize bytes
    char* strPath;
    char* strName;
};

// Header of a language glyph file (little-endian).
struct GUIFNTHEADER {
    uint32_t lMagic;   // ".FNT"
    uint32_t lVersion; // "V100"
    uint32_t lEnd;     // end offset of the glyph records
    uint32_t lText;    // offset of the text area
    uint32_t lFirst;   // offset of the first glyph record
};
static_assert(sizeof(GUIFNTHEADER) == 20);
constexpr uint32_t GUI_FNT_MAGIC = 0x544E462Eu;   // ".FNT"
constexpr uint32_t GUI_FNT_VERSION = 0x30303156u; // "V100"

int InitializeMatrixQueue();
int ReleaseMatrixQueue();
// ASCII format: exactly lCount records from offset 0.
GUIMATRIX* CreateMatrixDirect(uint8_t bWidth, uint8_t bHeight, uint32_t lCount, const char* strPath,
                              const char* strName);
// Language format: header, glyph count from the header (lCount, when non-zero, is an upper bound).
GUIMATRIX* CreateMatrixDirectEx(uint8_t bWidth, uint8_t bHeight, uint32_t lCount, const char* strPath,
                                const char* strName);
GUIMATRIX* CreateMatrixIndirect(const GUIMATRIX* pRecord);
int DeleteMatrixDirect(GUIMATRIX* pMatrix);
int DeleteMatrixIndirect(const char* strName);
GUIMATRIX* GetMatrixObject(const char* strName);
int _MatrixSetActive(GUIMATRIX* pMatrix);
GUIMATRIX* _MatrixGetActive();
uint8_t* _MatrixCharExtract(uint32_t lCode);
int _MatrixCharWidth();

extern GUIMATRIX* _pCurrentMatrix;

// ---- Fonts -----------------------------------------------------------------------------------------
struct GUIFONT {
    uint8_t bMode; // 0 nothing, 1 glyph pixels only, 2 glyph and cell background
    uint8_t bWidth, bHeight;
    uint8_t bLeftGap, bRightGap, bTopGap, bBottomGap;
    uint32_t lFgColor;
    uint32_t lBgColor;
    char* strName;
};

int InitializeFontQueue();
int ReleaseFontQueue();
GUIFONT* CreateFontDirect(uint8_t bMode, uint8_t bWidth, uint8_t bHeight, uint8_t bLeftGap, uint8_t bRightGap,
                          uint8_t bTopGap, uint8_t bBottomGap, uint32_t lFgColor, uint32_t lBgColor,
                          const char* strName);
GUIFONT* CreateFontIndirect(const GUIFONT* pRecord);
int DeleteFontDirect(GUIFONT* pFont);
int DeleteFontIndirect(const char* strName);
GUIFONT* GetFontObject(const char* strName);

// ---- Cursors ----------------------------------------------------------------------------------------
struct GUICURSOR {
    uint8_t bCaret;     // 1: caret shown
    uint8_t bDirection; // 0 left to right, 1 right to left
    uint8_t bCaretWidth, bCaretHeight;
    uint16_t wX, wY; // wY: bottom line of the glyph cell
    uint16_t wLeft, wRight, wTop, wBottom;
    uint32_t lCaretColor;
    uint32_t lEraseColor;
    char* strName;
};

int InitializeCursorQueue();
int ReleaseCursorQueue();
GUICURSOR* CreateCursorDirect(uint8_t bCaret, uint8_t bDirection, uint8_t bCaretWidth, uint8_t bCaretHeight,
                              uint16_t wX, uint16_t wY, uint16_t wLeft, uint16_t wRight, uint16_t wTop,
                              uint16_t wBottom, uint32_t lCaretColor, uint32_t lEraseColor,
                              const char* strName);
GUICURSOR* CreateCursorIndirect(const GUICURSOR* pRecord);
int DeleteCursorDirect(GUICURSOR* pCursor);
int DeleteCursorIndirect(const char* strName);
GUICURSOR* GetCursorObject(const char* strName);
int _CursorDirectPut(GUICURSOR* pCursor, GUIFRAME* pFrame);
int _CursorDirectErase(GUICURSOR* pCursor, GUIFRAME* pFrame);
int _CursorLocationAdjust(GUICURSOR* pCursor, const GUIFONT* pFont); // 0 fits, 1 no room
int _CursorLocationInc(GUICURSOR* pCursor, const GUIFONT* pFont);    // 0, 1 region full

// ---- Strings -----------------------------------------------------------------------------------------
struct GUISTRING {
    uint8_t bSize;   // 15 or 19
    uint8_t bWeight; // 1 normal, else bold
    uint16_t wWidth; // sum of the advance widths
    uint16_t* pWidth;
    uint16_t wLength;
    uint16_t* pText; // codes with the terminating 0
};

GUISTRING* CreateStringDirect(const uint16_t* pCodes, uint8_t bSize, uint8_t bWeight);
GUISTRING* CreateStringIndirect(const uint16_t* pCodes);
int DeleteStringDirect(GUISTRING* pStr);
GUISTRING* StrAsciiTrans(const char* strText, uint8_t bSize, uint8_t bWeight);
int StrObjCmp(const GUISTRING* a, const GUISTRING* b);
GUISTRING* StrObjCpy(GUISTRING* pDes, const GUISTRING* pSrc);
GUISTRING* StrObjCat(GUISTRING* pDes, const GUISTRING* pSrc);
GUIFRAME* _StringDirectPut(const GUISTRING* pStr, GUICURSOR* pCursor, const GUIFONT* pFont, GUIFRAME* pFrame);

// Raised while a string is being built (the width array is already allocated).
extern uint8_t MEMORY_ALLOCATION;
