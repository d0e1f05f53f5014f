// Image objects: a BMP file placed at a fixed position, loaded on first use and put into the
// foreground (8 bits) or background (24 bits) frame.
#pragma once

#include <cstdint>

#include "gui/frame.h"

struct GUIIMAGE;
using GUIIMAGEPUT = GUIFRAME* (*)(GUIIMAGE*);
using GUIIMAGEEVENT = int (*)(GUIIMAGE*);

struct GUIIMAGE {
    uint8_t bMode;  // 0 hidden, 1 normal, 2 inverted
    uint8_t bDepth; // 8 or 24
    uint8_t bKeyed;
    uint16_t wWidth, wHeight;
    uint16_t wLeft, wTop;
    uint32_t lKeyColor;
    uint8_t* pPixels; // top row first, no padding; 0 until loaded
    char* strPath;
    GUIIMAGEPUT fnPut;      // _ImageDirectPut
    GUIIMAGEEVENT fnLoad;   // _ImageEventLoad
    GUIIMAGEEVENT fnUnload; // _ImageEventUnload
};

GUIIMAGE* CreateImageDirect(uint8_t bMode, uint8_t bDepth, uint8_t bKeyed, uint16_t wWidth, uint16_t wHeight,
                            uint16_t wLeft, uint16_t wTop, uint32_t lKeyColor, const char* strPath);
GUIIMAGE* CreateImageIndirect(const GUIIMAGE* pRecord);
int DeleteImageDirect(GUIIMAGE* pImage);
int _ImageEventLoad(GUIIMAGE* pImage); // 0 loaded, non-zero failed
int _ImageEventUnload(GUIIMAGE* pImage);
GUIFRAME* _ImageDirectPut(GUIIMAGE* pImage);
GUIFRAME* _ForeImageDirectPutBack(GUIIMAGE* pImage, GUIFRAME* pFrame);
int _ImageColorReplace(int iMode, uint32_t lTolerance, uint32_t lColor, uint32_t lNewColor, GUIIMAGE* pImage);
int _ImageSizeChange(uint32_t lXDiv, uint32_t lYDiv, uint32_t lXMul, uint32_t lYMul, GUIIMAGE* pImage);
