// Frames (memory images of the two display layers), their transfers to the display controller,
// palettes, brushes and the drawing primitives at 8, 16, 24 and 32 bits per pixel.
#pragma once

#include <cstdint>

#include "gui/base.h"

constexpr int GUI_SCREEN_WIDTH = 800;
constexpr int GUI_SCREEN_HEIGHT = 480;

// A point: x in the low half, y in the high half.
constexpr uint32_t MakePoint(uint32_t x, uint32_t y)
{
    return (x & 0xFFFFu) | ((y & 0xFFFFu) << 16);
}
constexpr uint16_t PointX(uint32_t p)
{
    return static_cast<uint16_t>(p & 0xFFFFu);
}
constexpr uint16_t PointY(uint32_t p)
{
    return static_cast<uint16_t>(p >> 16);
}

// ---- Palettes ---------------------------------------------------------------------------------------
struct GUIPALENTRY {
    uint8_t bIndex;
    uint8_t bRed;
    uint8_t bGreen;
    uint8_t bBlue;
    uint32_t lColor; // packed
};

struct GUIPALETTE {
    uint8_t bRedBits, bGreenBits, bBlueBits;
    uint8_t bRedShift, bGreenShift, bBlueShift;
    uint16_t wCount;
    GUIPALENTRY* pTable;
    char* strName;
};

extern const uint8_t RGB_MASK_TAB[9];

int InitializePaletteQueue();
int ReleasePaletteQueue();
GUIPALETTE* CreatePaletteDirect(uint8_t bRedBits, uint8_t bGreenBits, uint8_t bBlueBits, uint8_t bRedShift,
                                uint8_t bGreenShift, uint8_t bBlueShift, uint16_t wCount,
                                const char* strName);
GUIPALETTE* CreatePaletteIndirect(const GUIPALETTE* pRecord);
int DeletePaletteDirect(GUIPALETTE* pPal);
int DeletePaletteIndirect(const char* strName);
GUIPALETTE* GetPaletteObject(const char* strName);
int64_t GetPaletteColor(uint32_t lIndex, const char* strName); // -1 when missing
GUIPALENTRY* _PaletteColorEdit(uint32_t lIndex, uint8_t r, uint8_t g, uint8_t b, GUIPALETTE* pPal);
uint32_t _PaletteColorBuild(uint8_t r, uint8_t g, uint8_t b, const GUIPALETTE* pPal);
int _PaletteColorAnalyze(uint32_t lColor, const GUIPALETTE* pPal, uint8_t* r, uint8_t* g, uint8_t* b);
uint32_t _PaletteAlphaMix(uint8_t bAlpha, uint32_t lColor1, uint32_t lColor2, const GUIPALETTE* pPal);

// ---- Frames -----------------------------------------------------------------------------------------
struct GUIFRAME {
    uint8_t bMapType; // 0: buffer in memory
    uint8_t bDepth;   // 8, 16, 24, 32
    uint16_t wWidth, wHeight;
    uint16_t wXOffset, wYOffset;
    uint16_t wBufWidth, wBufHeight;
    int32_t iDevFd; // -1 until attached
    uint32_t lSize;
    uint8_t* pBuffer;
    char* strDevice;
    char* strName;
    GUIPALETTE* pPalette;
};

int InitializeFrameQueue();
int ReleaseFrameQueue();
GUIFRAME* CreateFrameDirect(uint8_t bMapType, uint8_t bDepth, uint16_t wWidth, uint16_t wHeight,
                            uint16_t wBufWidth, uint16_t wBufHeight, const char* strDevice,
                            const char* strName, GUIPALETTE* pPalette);
GUIFRAME* CreateFrameIndirect(const GUIFRAME* pRecord);
int DeleteFrameDirect(GUIFRAME* pFrame);
int DeleteFrameIndirect(const char* strName);
GUIFRAME* GetFrameObject(const char* strName);

// 0 and the translated point in *pPoint when inside, 1 (message printed) when out of range.
int _FrameCoordinateTrans(uint32_t* pPoint, const GUIFRAME* pFrame);

int _FrameBufferMix(uint32_t lFirst, uint32_t lCount, GUIFRAME* pFore, GUIFRAME* pBack);
int _FrameBufferMixFore(uint32_t lFirst, uint32_t lCount, GUIFRAME* pFore);
int _FrameBufferMixBack(uint32_t lFirst, uint32_t lCount, GUIFRAME* pBack);
int _FrameBufferMixBackErr(uint32_t lFirst, uint32_t lCount, GUIFRAME* pBack, int iWhich);
int _FrameBufferRelocate(GUIFRAME* pFore, GUIFRAME* pBack);
int _FrameBufferRelocateErr(GUIFRAME* pFore, GUIFRAME* pBack, int iMode);
int _FrameBufferCopy(GUIFRAME* pDes, const GUIFRAME* pSrc);
int _FrameBufferClear(GUIFRAME* pFrame);
int _FramePageChange();

extern uint8_t _bFramePage;
extern uint8_t _bUserMode;
extern uint8_t _bFlagPaint;
void _SetUserMode(uint8_t bMode);
uint8_t GetUserMode();
void SetWindowPaintFlag(uint8_t bFlag);
uint8_t GetWindowPaintFlag();

// ---- Brushes ----------------------------------------------------------------------------------------
struct GUIBRUSH {
    uint8_t bEnable;
    uint8_t bWidth; // 1 .. 3
    uint32_t lLineColor;
    uint32_t lFillColor;
    char* strName;
};

int InitializeBrushQueue();
int ReleaseBrushQueue();
GUIBRUSH* CreateBrushDirect(uint8_t bEnable, uint8_t bWidth, uint32_t lLineColor, uint32_t lFillColor,
                            const char* strName);
GUIBRUSH* CreateBrushIndirect(const GUIBRUSH* pRecord);
int DeleteBrushDirect(GUIBRUSH* pBrush);
int DeleteBrushIndirect(const char* strName);
GUIBRUSH* GetBrushObject(const char* strName);

// ---- Drawing ----------------------------------------------------------------------------------------
// Each returns the frame when it drew and 0 when it drew nothing.
GUIFRAME* DrawPixelDirect(uint32_t p, const GUIBRUSH* pBrush, GUIFRAME* pFrame);
GUIFRAME* DrawHorizontalDirect(uint32_t p1, uint32_t p2, const GUIBRUSH* pBrush, GUIFRAME* pFrame);
GUIFRAME* DrawVerticalDirect(uint32_t p1, uint32_t p2, const GUIBRUSH* pBrush, GUIFRAME* pFrame);
GUIFRAME* DrawBiasDirect(uint32_t p1, uint32_t p2, const GUIBRUSH* pBrush, GUIFRAME* pFrame);
GUIFRAME* DrawLineDirect(uint32_t p1, uint32_t p2, const GUIBRUSH* pBrush, GUIFRAME* pFrame);
GUIFRAME* DrawBlockDirect(uint32_t p1, uint32_t p2, const GUIBRUSH* pBrush, GUIFRAME* pFrame);
GUIFRAME* DrawBlockFill(uint32_t p1, uint32_t p2, const GUIBRUSH* pBrush, GUIFRAME* pFrame);
GUIFRAME* DrawRectangleDirect(uint32_t p1, uint32_t p2, const GUIBRUSH* pBrush, GUIFRAME* pFrame);
GUIFRAME* DrawRimDirect(uint32_t p1, uint32_t p2, const GUIBRUSH* pBrush, GUIFRAME* pFrame);
GUIFRAME* DrawRectangleFill(uint32_t p1, uint32_t p2, const GUIBRUSH* pBrush, GUIFRAME* pFrame);
GUIFRAME* DrawRimRaised(uint32_t p1, uint32_t p2, const GUIBRUSH* pBrush, GUIFRAME* pFrame);
GUIFRAME* DrawRimHollow(uint32_t p1, uint32_t p2, const GUIBRUSH* pBrush, GUIFRAME* pFrame);

// Reads one pixel's value (palette index or packed colour); for tests and the compositor checks.
uint32_t GetFramePixel(const GUIFRAME* pFrame, uint16_t x, uint16_t y);
