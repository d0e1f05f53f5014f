// Palettes, frames, brushes, the frame transfers to the display controller and the global flags.
#include "gui/frame.h"

#include <fcntl.h>

#include <cstdio>
#include <cstring>

#include "gui/queue.h"
#include "platform/requests.h"
#include "platform/seam.h"

const uint8_t RGB_MASK_TAB[9] = {0x00, 0x80, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE, 0xFF};

uint8_t _bFramePage = 0;
uint8_t _bUserMode = 0;
uint8_t _bFlagPaint = 0;

namespace
{
GUIQUEUE g_palettes{};
GUIQUEUE g_frames{};
GUIQUEUE g_brushes{};

void fail(const char* fun, int id)
{
    std::printf("%s Err%d!\n", fun, id);
}
} // namespace

void _SetUserMode(uint8_t bMode)
{
    _bUserMode = bMode;
}
uint8_t GetUserMode()
{
    return _bUserMode;
}
void SetWindowPaintFlag(uint8_t bFlag)
{
    _bFlagPaint = bFlag;
}
uint8_t GetWindowPaintFlag()
{
    return _bFlagPaint;
}

// ---- Palettes ---------------------------------------------------------------------------------------
int InitializePaletteQueue()
{
    return guiq::init(g_palettes);
}
int ReleasePaletteQueue()
{
    return guiq::release(g_palettes,
                         [](void* p) { return DeletePaletteDirect(static_cast<GUIPALETTE*>(p)); });
}

GUIPALETTE* CreatePaletteDirect(uint8_t bRedBits, uint8_t bGreenBits, uint8_t bBlueBits, uint8_t bRedShift,
                                uint8_t bGreenShift, uint8_t bBlueShift, uint16_t wCount, const char* strName)
{
    static const char* fun = "CreatePaletteDirect";
    if (guiq::full(g_palettes)) return fail(fun, 0), nullptr;
    auto* pal = static_cast<GUIPALETTE*>(GuiMemAlloc(sizeof(GUIPALETTE)));
    if (!pal) return fail(fun, 1), nullptr;
    if (bRedBits > 8 || bGreenBits > 8 || bBlueBits > 8 || bRedShift >= 32 || bGreenShift >= 32 ||
        bBlueShift >= 32 || wCount > 256 || !strName) {
        GuiMemFree(pal);
        return fail(fun, 2), nullptr;
    }
    pal->bRedBits = bRedBits;
    pal->bGreenBits = bGreenBits;
    pal->bBlueBits = bBlueBits;
    pal->bRedShift = bRedShift;
    pal->bGreenShift = bGreenShift;
    pal->bBlueShift = bBlueShift;
    pal->wCount = wCount;
    pal->strName = _usrstrcpy(nullptr, strName);
    if (!pal->strName) {
        GuiMemFree(pal);
        return fail(fun, 3), nullptr;
    }
    if (wCount) {
        pal->pTable =
            static_cast<GUIPALENTRY*>(GuiMemAlloc(static_cast<int32_t>(wCount * sizeof(GUIPALENTRY))));
        if (!pal->pTable) {
            GuiMemFree(pal->strName);
            GuiMemFree(pal);
            return fail(fun, 4), nullptr;
        }
        for (uint16_t i = 0; i < wCount; ++i)
            pal->pTable[i].bIndex = static_cast<uint8_t>(i);
    }
    if (guiq::append(g_palettes, pal) != 0) {
        GuiMemFree(pal->pTable);
        GuiMemFree(pal->strName);
        GuiMemFree(pal);
        return fail(fun, 5), nullptr;
    }
    return pal;
}

GUIPALETTE* CreatePaletteIndirect(const GUIPALETTE* r)
{
    if (!r) return nullptr;
    return CreatePaletteDirect(r->bRedBits, r->bGreenBits, r->bBlueBits, r->bRedShift, r->bGreenShift,
                               r->bBlueShift, r->wCount, r->strName);
}

int DeletePaletteDirect(GUIPALETTE* pPal)
{
    if (!pPal || guiq::remove(g_palettes, pPal) != 0) return 1;
    GuiMemFree(pPal->pTable);
    GuiMemFree(pPal->strName);
    GuiMemFree(pPal);
    return 0;
}

GUIPALETTE* GetPaletteObject(const char* strName)
{
    return guiq::find<GUIPALETTE>(g_palettes, strName, [](GUIPALETTE* p) { return p->strName; });
}
int DeletePaletteIndirect(const char* strName)
{
    return DeletePaletteDirect(GetPaletteObject(strName));
}

int64_t GetPaletteColor(uint32_t lIndex, const char* strName)
{
    GUIPALETTE* pal = GetPaletteObject(strName);
    if (!pal || lIndex >= pal->wCount) return -1;
    return pal->pTable[lIndex].lColor;
}

uint32_t _PaletteColorBuild(uint8_t r, uint8_t g, uint8_t b, const GUIPALETTE* p)
{
    if (!p) return 0;
    auto part = [](uint8_t c, uint8_t bits, uint8_t shift) {
        return (static_cast<uint32_t>(c & RGB_MASK_TAB[bits]) >> (8 - bits)) << shift;
    };
    return part(r, p->bRedBits, p->bRedShift) + part(g, p->bGreenBits, p->bGreenShift) +
           part(b, p->bBlueBits, p->bBlueShift);
}

int _PaletteColorAnalyze(uint32_t lColor, const GUIPALETTE* p, uint8_t* r, uint8_t* g, uint8_t* b)
{
    if (!p) return 1;
    auto part = [lColor](uint8_t bits, uint8_t shift) {
        return static_cast<uint8_t>(((lColor >> shift) << (8 - bits)) & RGB_MASK_TAB[bits]);
    };
    if (r) *r = part(p->bRedBits, p->bRedShift);
    if (g) *g = part(p->bGreenBits, p->bGreenShift);
    if (b) *b = part(p->bBlueBits, p->bBlueShift);
    return 0;
}

GUIPALENTRY* _PaletteColorEdit(uint32_t lIndex, uint8_t r, uint8_t g, uint8_t b, GUIPALETTE* pPal)
{
    if (!pPal || lIndex >= pPal->wCount) return nullptr;
    GUIPALENTRY& e = pPal->pTable[lIndex];
    e.bIndex = static_cast<uint8_t>(lIndex);
    e.bRed = r;
    e.bGreen = g;
    e.bBlue = b;
    e.lColor = _PaletteColorBuild(r, g, b, pPal);
    return &e;
}

uint32_t _PaletteAlphaMix(uint8_t bAlpha, uint32_t lColor1, uint32_t lColor2, const GUIPALETTE* pPal)
{
    uint8_t c1[3], c2[3], out[3];
    _PaletteColorAnalyze(lColor1, pPal, &c1[0], &c1[1], &c1[2]);
    _PaletteColorAnalyze(lColor2, pPal, &c2[0], &c2[1], &c2[2]);
    const int a = bAlpha + 1;
    for (int i = 0; i < 3; ++i) {
        int v = ((a * (c1[i] - c2[i] + 256)) >> 8) + c2[i] - a;
        out[i] = static_cast<uint8_t>(v & 0xFF);
    }
    return _PaletteColorBuild(out[0], out[1], out[2], pPal);
}

// ---- Frames -----------------------------------------------------------------------------------------
int InitializeFrameQueue()
{
    return guiq::init(g_frames);
}
int ReleaseFrameQueue()
{
    return guiq::release(g_frames, [](void* p) { return DeleteFrameDirect(static_cast<GUIFRAME*>(p)); });
}

namespace
{
// Opens the device (if any), computes offsets and size and allocates the buffer.
int frame_object_fill(GUIFRAME* f)
{
    if (!f) {
        std::printf("_FrameObjectFill ERR0!\n");
        return 1;
    }
    if (f->strDevice) {
        f->iDevFd = GuiDevOpen(f->strDevice, O_RDWR);
        if (f->iDevFd < 0) {
            std::printf("_FrameObjectFill Err1!\n");
            return 1;
        }
    } else {
        f->iDevFd = -1;
    }
    bool depth_ok = f->bDepth == 8 || f->bDepth == 16 || f->bDepth == 24 || f->bDepth == 32;
    if (!depth_ok || f->wBufWidth < f->wWidth || f->wBufHeight < f->wHeight || f->wWidth == 0 ||
        f->wHeight == 0) {
        std::printf("_FrameObjectFill Err2!\n");
        if (f->iDevFd >= 0) GuiDevClose(f->iDevFd);
        f->iDevFd = -1;
        return 1;
    }
    f->wXOffset = static_cast<uint16_t>(f->wBufWidth - f->wWidth);
    f->wYOffset = static_cast<uint16_t>(f->wBufHeight - f->wHeight);
    uint64_t size = uint64_t{f->wBufWidth} * f->wBufHeight * (f->bDepth / 8);
    f->lSize = static_cast<uint32_t>(size);
    f->pBuffer =
        size <= 0x7FFFFFFF ? static_cast<uint8_t*>(GuiMemAlloc(static_cast<int32_t>(size))) : nullptr;
    if (!f->pBuffer) {
        std::printf("_FrameObjectFill Err3!\n");
        if (f->iDevFd >= 0) GuiDevClose(f->iDevFd);
        f->iDevFd = -1;
        return 1;
    }
    return 0;
}
} // namespace

GUIFRAME* CreateFrameDirect(uint8_t bMapType, uint8_t bDepth, uint16_t wWidth, uint16_t wHeight,
                            uint16_t wBufWidth, uint16_t wBufHeight, const char* strDevice,
                            const char* strName, GUIPALETTE* pPalette)
{
    static const char* fun = "CreateFrameDirect";
    if (guiq::full(g_frames)) return fail(fun, 0), nullptr;
    auto* f = static_cast<GUIFRAME*>(GuiMemAlloc(sizeof(GUIFRAME)));
    if (!f) return fail(fun, 1), nullptr;
    f->bMapType = bMapType;
    f->bDepth = bDepth;
    f->wWidth = wWidth;
    f->wHeight = wHeight;
    f->wBufWidth = wBufWidth;
    f->wBufHeight = wBufHeight;
    f->iDevFd = -1;
    f->pPalette = pPalette;
    auto undo = [f]() {
        if (f->iDevFd >= 0) GuiDevClose(f->iDevFd);
        GuiMemFree(f->pBuffer);
        GuiMemFree(f->strName);
        GuiMemFree(f->strDevice);
        GuiMemFree(f);
    };
    if (bMapType != 0) return undo(), fail(fun, 1), nullptr;
    if (strDevice && !(f->strDevice = _usrstrcpy(nullptr, strDevice))) return undo(), fail(fun, 2), nullptr;
    if (!strName || !(f->strName = _usrstrcpy(nullptr, strName))) return undo(), fail(fun, 3), nullptr;
    if (frame_object_fill(f) != 0) return undo(), fail(fun, 4), nullptr;
    if (guiq::append(g_frames, f) != 0) return undo(), fail(fun, 5), nullptr;
    return f;
}

GUIFRAME* CreateFrameIndirect(const GUIFRAME* r)
{
    if (!r) return nullptr;
    return CreateFrameDirect(r->bMapType, r->bDepth, r->wWidth, r->wHeight, r->wBufWidth, r->wBufHeight,
                             r->strDevice, r->strName, r->pPalette);
}

int DeleteFrameDirect(GUIFRAME* f)
{
    if (!f || guiq::remove(g_frames, f) != 0) return 1;
    // A handle attached from outside (the platform layer) is closed by its owner.
    if (f->strDevice && f->iDevFd >= 0) GuiDevClose(f->iDevFd);
    GuiMemFree(f->pBuffer);
    GuiMemFree(f->strDevice);
    GuiMemFree(f->strName);
    GuiMemFree(f);
    return 0;
}

GUIFRAME* GetFrameObject(const char* strName)
{
    return guiq::find<GUIFRAME>(g_frames, strName, [](GUIFRAME* p) { return p->strName; });
}
int DeleteFrameIndirect(const char* strName)
{
    return DeleteFrameDirect(GetFrameObject(strName));
}

int _FrameCoordinateTrans(uint32_t* pPoint, const GUIFRAME* f)
{
    if (!pPoint || !f) return 1;
    uint32_t x = PointX(*pPoint), y = PointY(*pPoint);
    if (x + f->wXOffset >= f->wBufWidth || y + f->wYOffset >= f->wBufHeight) {
        std::printf("x = %d, xoff = %d,  y= %d, yoff = %d\n", static_cast<int>(x), f->wXOffset,
                    static_cast<int>(y), f->wYOffset);
        std::printf("FrameCoordinateTrans out of range\n");
        return 1;
    }
    *pPoint = MakePoint(x + f->wXOffset, y + f->wYOffset);
    return 0;
}

namespace
{
int transfer(unsigned long req, uint32_t page, uint32_t first, uint32_t count, const GUIFRAME* f)
{
    if (!f || f->iDevFd < 0 || !f->pBuffer) return 1;
    // The controller reads whole panel lines of its layer's depth from the buffer.
    const uint8_t depth = req == FRM_TRANSFER_FORE ? 8 : 24;
    if (f->wBufWidth != GUI_SCREEN_WIDTH || f->bDepth != depth) return 1;
    if (count == 0 || first >= f->wBufHeight || count > uint32_t{f->wBufHeight} - first ||
        first + count > static_cast<uint32_t>(GUI_SCREEN_HEIGHT))
        return 1;
    FrameTransferBlock block{page, first, first + count - 1, f->pBuffer};
    FrameTransferDesc desc{&block, 16};
    return plat_ioctl(f->iDevFd, req, &desc) < 0 ? 1 : 0;
}
} // namespace

int _FrameBufferMixFore(uint32_t lFirst, uint32_t lCount, GUIFRAME* pFore)
{
    return transfer(FRM_TRANSFER_FORE, _bFramePage, lFirst, lCount, pFore);
}

int _FrameBufferMixBack(uint32_t lFirst, uint32_t lCount, GUIFRAME* pBack)
{
    return transfer(FRM_TRANSFER_BACK, _bFramePage, lFirst, lCount, pBack);
}

int _FrameBufferMix(uint32_t lFirst, uint32_t lCount, GUIFRAME* pFore, GUIFRAME* pBack)
{
    if (!pFore || !pBack || pFore->iDevFd < 0 || pFore->iDevFd != pBack->iDevFd) return 1;
    int rc = _FrameBufferMixFore(lFirst, lCount, pFore);
    rc |= _FrameBufferMixBack(lFirst, lCount, pBack);
    return rc;
}

int _FrameBufferMixBackErr(uint32_t lFirst, uint32_t lCount, GUIFRAME* pBack, int iWhich)
{
    return transfer(FRM_TRANSFER_BACK, iWhich ? 3u : 2u, lFirst, lCount, pBack);
}

int _FrameBufferRelocateErr(GUIFRAME* pFore, GUIFRAME* pBack, int iMode)
{
    if (!pFore || !pBack || pFore->iDevFd < 0 || pBack->iDevFd < 0) return 1;
    uint32_t back_page = iMode == 0 ? _bFramePage : (_bUserMode ? 3u : 2u);
    int rc = plat_ioctl_u32(pBack->iDevFd, FRM_SHOW_BACK_PAGE, back_page) < 0 ? 1 : 0;
    rc |= plat_ioctl_u32(pFore->iDevFd, FRM_SHOW_FORE_PAGE, _bFramePage) < 0 ? 1 : 0;
    return rc;
}

int _FrameBufferRelocate(GUIFRAME* pFore, GUIFRAME* pBack)
{
    return _FrameBufferRelocateErr(pFore, pBack, 0);
}

int _FrameBufferCopy(GUIFRAME* pDes, const GUIFRAME* pSrc)
{
    if (!pDes || !pSrc || !pDes->pBuffer || !pSrc->pBuffer || pDes->lSize != pSrc->lSize) return 1;
    std::memcpy(pDes->pBuffer, pSrc->pBuffer, pDes->lSize);
    return 0;
}

int _FrameBufferClear(GUIFRAME* pFrame)
{
    if (!pFrame || !pFrame->pBuffer) return 1;
    std::memset(pFrame->pBuffer, 255, pFrame->lSize);
    return 0;
}

int _FramePageChange()
{
    _bFramePage = _bFramePage ? 0 : 1;
    return _bFramePage;
}

// ---- Brushes ----------------------------------------------------------------------------------------
int InitializeBrushQueue()
{
    return guiq::init(g_brushes);
}
int ReleaseBrushQueue()
{
    return guiq::release(g_brushes, [](void* p) { return DeleteBrushDirect(static_cast<GUIBRUSH*>(p)); });
}

GUIBRUSH* CreateBrushDirect(uint8_t bEnable, uint8_t bWidth, uint32_t lLineColor, uint32_t lFillColor,
                            const char* strName)
{
    static const char* fun = "CreateBrushDirect";
    if (guiq::full(g_brushes)) return fail(fun, 0), nullptr;
    auto* b = static_cast<GUIBRUSH*>(GuiMemAlloc(sizeof(GUIBRUSH)));
    if (!b) return fail(fun, 1), nullptr;
    if (bWidth < 1 || bWidth > 3) {
        GuiMemFree(b);
        return fail(fun, 2), nullptr;
    }
    b->bEnable = bEnable;
    b->bWidth = bWidth;
    b->lLineColor = lLineColor;
    b->lFillColor = lFillColor;
    if (!strName || !(b->strName = _usrstrcpy(nullptr, strName))) {
        GuiMemFree(b);
        return fail(fun, 3), nullptr;
    }
    if (guiq::append(g_brushes, b) != 0) {
        GuiMemFree(b->strName);
        GuiMemFree(b);
        return fail(fun, 4), nullptr;
    }
    return b;
}

GUIBRUSH* CreateBrushIndirect(const GUIBRUSH* r)
{
    if (!r) return nullptr;
    return CreateBrushDirect(r->bEnable, r->bWidth, r->lLineColor, r->lFillColor, r->strName);
}

int DeleteBrushDirect(GUIBRUSH* b)
{
    if (!b || guiq::remove(g_brushes, b) != 0) return 1;
    GuiMemFree(b->strName);
    GuiMemFree(b);
    return 0;
}

GUIBRUSH* GetBrushObject(const char* strName)
{
    return guiq::find<GUIBRUSH>(g_brushes, strName, [](GUIBRUSH* p) { return p->strName; });
}
int DeleteBrushIndirect(const char* strName)
{
    return DeleteBrushDirect(GetBrushObject(strName));
}
