// Start-up and release of the toolkit, the named standard resources and the standard builders.
#include "gui/global.h"

#include <algorithm>
#include <cstdio>

#include "platform/requests.h"

uint8_t BoldTypeFlag = 0;

void SetBoldType(int iBold)
{
    if (iBold) BoldTypeFlag = 1;
}

// ---- Standard resources ---------------------------------------------------------------------------
int InitializePaletteResource()
{
    int rc = InitializePaletteQueue();
    for (const char* name : {"_BACK_PAL", "_FORE_PAL"}) {
        GUIPALETTE* p = CreatePaletteDirect(8, 8, 8, 0, 8, 16, 256, name);
        if (!p) {
            rc = 1;
            continue;
        }
        _PaletteColorEdit(255, 125, 125, 125, p);
    }
    return rc;
}
int ReleasePaletteResource()
{
    return ReleasePaletteQueue();
}

int InitializeFrameResource()
{
    int rc = InitializeFrameQueue();
    if (!CreateFrameDirect(0, 24, 800, 480, 800, 480, nullptr, "_BACK_FRM", GetPaletteObject("_BACK_PAL")))
        rc = 1;
    if (!CreateFrameDirect(0, 8, 800, 480, 800, 480, nullptr, "_FORE_FRM", GetPaletteObject("_FORE_PAL")))
        rc = 1;
    return rc;
}
int ReleaseFrameResource()
{
    return ReleaseFrameQueue();
}

int InitializeKeypadResource()
{
    int rc = InitializeKeypadQueue();
    GUIKEYPAD* k = CreateKeypadDirect(200, 36, DEV_KEY);
    if (!k) return 1;
    return rc | _KeypadMapStandard(k);
}
int ReleaseKeypadResource()
{
    return ReleaseKeypadQueue();
}

int InitializeMatrixResource()
{
    struct M {
        const char *path, *name;
    };
    static constexpr M kAscii[] = {
        {"/mnt/font/15/normal/ASCII.fnt", "_ASCII_15_NORMAL"},
        {"/mnt/font/15/bold/ASCII.fnt", "_ASCII_15_BOLD"},
        {"/mnt/font/19/normal/ASCII.fnt", "_ASCII_19_NORMAL"},
        {"/mnt/font/19/bold/ASCII.fnt", "_ASCII_19_BOLD"},
    };
    int rc = InitializeMatrixQueue();
    for (const M& m : kAscii)
        if (!CreateMatrixDirect(24, 24, 256, m.path, m.name)) rc = 1;
    return rc;
}
int ReleaseMatrixResource()
{
    return ReleaseMatrixQueue();
}

int InitializeBrushResource()
{
    struct B {
        const char* name;
        uint32_t line, fill;
    };
    static constexpr B kBrushes[] = {
        {"_CAP_BRSH", 13, 188},  {"_DSK_BRSH", 13, 74},    {"_SCR_BRSH", 74, 13},
        {"_STA_BRSH", 13, 192},  {"_USER_TRAN", 255, 255}, {"_USER_WHT", 187, 255},
        {"_FACT_MNU", 243, 255}, {"_BRU_YELL", 255, 246},  {"_MNU_BACK", 0xFFFFFF, 0xF6F6F6},
    };
    int rc = InitializeBrushQueue();
    for (const B& b : kBrushes)
        if (!CreateBrushDirect(1, 1, b.line, b.fill, b.name)) rc = 1;
    return rc;
}
int ReleaseBrushResource()
{
    return ReleaseBrushQueue();
}

int InitializeFontResource()
{
    struct F {
        const char* name;
        uint32_t fg;
    };
    static constexpr F kFonts[] = {
        {"_CAP_FNT", 188}, {"_DSK_FNT", 31}, {"_INF_FNT", 222},   {"_FACT_FNT", 192},   {"_INFO_ERROR", 0},
        {"_TXT_WHT", 187}, {"_TXT_ACT", 18}, {"_TXT_BLK", 35},    {"_TXT_BLUE", 4},     {"_TXT_DGRAY", 243},
        {"_TXT_GREEN", 2}, {"_TXT_MEG", 78}, {"_TXT_LGRAY", 142}, {"_TXT_YELLOW", 246}, {"_TXT_SRC_BLUE", 57},
    };
    int rc = InitializeFontQueue();
    for (const F& f : kFonts)
        if (!CreateFontDirect(1, 24, 24, 1, 0, 0, 0, f.fg, 255, f.name)) rc = 1;
    return rc;
}
int ReleaseFontResource()
{
    return ReleaseFontQueue();
}

int InitializeCursorResource()
{
    struct C {
        const char* name;
        uint16_t x, y, left, right, top, bottom;
        uint32_t caret, erase;
    };
    static constexpr C kCursors[] = {
        {"_CAP_CURS", 0, 0, 0, 799, 0, 35, 13, 188},      {"_DSK_CURS", 0, 50, 0, 799, 50, 479, 13, 74},
        {"_STA_CURS", 0, 420, 0, 799, 420, 479, 13, 192}, {"_USER_DSK", 0, 35, 0, 799, 35, 420, 31, 255},
        {"_USER_STA", 0, 0, 0, 799, 0, 35, 192, 255},     {"_USER_WND", 0, 0, 0, 799, 0, 479, 192, 255},
        {"_CAP_F11", 120, 0, 120, 720, 0, 50, 35, 255},   {"_CAP_MENU_ONE", 200, 0, 200, 605, 0, 35, 35, 255},
    };
    int rc = InitializeCursorQueue();
    for (const C& c : kCursors)
        if (!CreateCursorDirect(0, 0, 1, 1, c.x, c.y, c.left, c.right, c.top, c.bottom, c.caret, c.erase,
                                c.name))
            rc = 1;
    return rc;
}
int ReleaseCursorResource()
{
    return ReleaseCursorQueue();
}

int InitializeTouchpadResource()
{
    int rc = InitializeTouchpadQueue();
    if (!CreateTouchpadDirect(200, DEV_TOUCH)) rc = 1;
    return rc;
}

int ReleaseTouchpadResource()
{
    // The touch thread reads the touch pad: it is stopped and joined before the pad goes.
    if (plat_thread_t* slot = GetTouchThreadSlot(); slot && *slot) {
        plat_thread_stop(*slot);
        *slot = 0;
    }
    int rc = ReleaseTouchpadQueue();
    ClearEventMsg();
    return rc;
}

int InitializeGUI()
{
    int rc = 0;
    if (InitializeRootList() != 0) rc |= 1;
    if (InitializePaletteResource() != 0) rc |= 2;
    if (InitializeFrameResource() != 0) rc |= 4;
    if (InitializeKeypadResource() != 0) rc |= 8;
    if (InitializeMatrixResource() != 0) rc |= 16;
    if (InitializeBrushResource() != 0) rc |= 32;
    if (InitializeFontResource() != 0) rc |= 64;
    if (InitializeCursorResource() != 0) rc |= 128;
    if (InitializeTouchpadResource() != 0) rc |= 256;
    _FrameBufferClear(GetFrameObject("_BACK_FRM"));
    _FrameBufferClear(GetFrameObject("_FORE_FRM"));
    if (GUIMATRIX* m = GetMatrixObject("_ASCII_15_NORMAL")) _MatrixSetActive(m);
    return rc;
}

int ReleaseGUI()
{
    _FrameBufferClear(GetFrameObject("_BACK_FRM"));
    _FrameBufferClear(GetFrameObject("_FORE_FRM"));
    ReleaseTouchpadResource();
    ReleaseCursorResource();
    ReleaseFontResource();
    ReleaseBrushResource();
    ReleaseMatrixResource();
    ReleaseKeypadResource();
    ReleaseFrameResource();
    ReleasePaletteResource();
    _pCurrentMatrix = nullptr;
    return pRootList ? ReleaseRootList() : 0;
}

// ---- Standard builders -----------------------------------------------------------------------------
GUIWINDOW* BuildStdWindow(int iKind, GUIENTRY fnInitialize, GUIENTRY fnRelease, GUIENTRY fnPaint,
                          GUIENTRY fnProcess)
{
    if (iKind != 0 && iKind != 1) return nullptr;
    const bool user = iKind == 1;
    GUIFRAME* fore = GetFrameObject("_FORE_FRM");
    GUIFRAME* back = GetFrameObject("_BACK_FRM");
    return CreateWindowDirect(1, 0, 800, 480, 0, 0, GetBrushObject(user ? "_USER_WHT" : "_DSK_BRSH"),
                              GetCursorObject(user ? "_USER_WND" : "_DSK_CURS"),
                              GetFontObject(user ? "_TXT_WHT" : "_DSK_FNT"), user ? back : fore, back, fore,
                              GetKeypadObject(DEV_KEY), fnInitialize, fnRelease, fnPaint, fnProcess);
}

GUIIMAGE* BuildStdImage(int iKind, uint16_t wWidth, uint16_t wHeight, uint16_t wLeft, uint16_t wTop,
                        const char* strPath)
{
    switch (iKind) {
    case 0:
    case 1:
        return CreateImageDirect(1, 24, 0, wWidth, wHeight, wLeft, wTop, 0, strPath);
    case 2:
        return CreateImageDirect(1, 8, 0, wWidth, wHeight, wLeft, wTop, 0, strPath);
    case 3:
        return CreateImageDirect(1, 24, 1, wWidth, wHeight, wLeft, wTop, 0xF6F6F6, strPath);
    case 4:
        return CreateImageDirect(1, 8, 1, wWidth, wHeight, wLeft, wTop, 255, strPath);
    default:
        return nullptr;
    }
}

GUIMENU* BuildStdMenu(int iKind)
{
    GUIFRAME* fore = GetFrameObject("_FORE_FRM");
    GUICURSOR* dsk = GetCursorObject("_DSK_CURS");
    GUICURSOR* wnd = GetCursorObject("_USER_WND");
    GUIBRUSH* tran = GetBrushObject("_USER_TRAN");
    switch (iKind) {
    case 0:
        return CreateMenuDirectEx(4, 0, 0, 0, 11, 500, 30, 40, 85, GetBrushObject("_FACT_MNU"), dsk,
                                  GetFontObject("_FACT_FNT"), fore);
    case 1:
        return CreateMenuDirect(4, 0, 2, 0, 11, 180, 30, 540, 85, GetBrushObject("_FACT_MNU"), dsk,
                                GetFontObject("_FACT_FNT"), fore);
    case 9:
        return CreateMenuDirect(4, 0, 0, 2, 7, 475, 54, 226, 57, tran, wnd, GetFontObject("_TXT_BLK"), fore);
    case 10:
        return CreateMenuDirect(4, 0, 0, 2, 7, 275, 54, 226, 57, tran, wnd, GetFontObject("_TXT_BLK"), fore);
    case 11:
        return CreateMenuDirect(4, 0, 2, 2, 7, 200, 54, 500, 57, tran, wnd, GetFontObject("_TXT_BLK"), fore);
    case 12:
        return CreateMenuDirect(4, 0, 2, 2, 7, 200, 54, 500, 57, GetBrushObject("_MNU_BACK"), wnd,
                                GetFontObject("_TXT_BLK"), GetFrameObject("_BACK_FRM"));
    case 13:
        return CreateMenuDirectEx(3, 0, 2, 0, 6, 200, 68, 0, 72, tran, wnd, GetFontObject("_TXT_WHT"), fore);
    default:
        return nullptr;
    }
}

GUICAPTION* BuildStdCaption(int iKind, GUIIMAGE* pIcon, GUISTRING* pText)
{
    GUIFRAME* fore = GetFrameObject("_FORE_FRM");
    GUIFONT* cap = GetFontObject("_CAP_FNT");
    GUIBRUSH* wht = GetBrushObject("_USER_WHT");
    switch (iKind) {
    case 0:
        return CreateCaptionDirect(1, 1, 2, 800, 35, 0, 0, GetBrushObject("_CAP_BRSH"),
                                   GetCursorObject("_CAP_CURS"), cap, fore, pIcon, pText);
    case 4:
        return CreateCaptionDirect(1, 1, 2, 460, 32, 170, 0, wht, GetCursorObject("_CAP_F11"), cap, fore,
                                   pIcon, pText);
    case 5:
        return CreateCaptionDirect(1, 0, 2, 405, 35, 200, 0, wht, GetCursorObject("_CAP_MENU_ONE"), cap, fore,
                                   pIcon, pText);
    case 6:
        return CreateCaptionDirect(1, 0, 2, 600, 35, 120, 0, wht, GetCursorObject("_CAP_F11"), cap, fore,
                                   pIcon, pText);
    default:
        return nullptr;
    }
}

GUISCROLL* BuildStdScroll(int iKind, uint16_t wMax, uint16_t wPos, uint16_t wThumb)
{
    if (iKind != 0) return nullptr;
    return CreateScrollDirect(1, 1, 16, 400, 624, 40, wMax, wPos, wThumb, GetBrushObject("_SCR_BRSH"),
                              GetFrameObject("_FORE_FRM"));
}

GUISTATUS* BuildStdStatus(int iKind, GUISTRING* pText)
{
    if (iKind != 0) return nullptr;
    return CreateStatusDirect(1, 1, 0, 640, 40, 0, 440, GetBrushObject("_STA_BRSH"),
                              GetCursorObject("_STA_CURS"), GetFontObject("_DSK_FNT"),
                              GetFrameObject("_FORE_FRM"), pText);
}

GUIBUTTON* BuildStdButton(int)
{
    return nullptr;
}

// ---- Background helpers of list screens --------------------------------------------------------------
namespace
{
// Lines of the image that lie inside the frame.
void image_lines(const GUIIMAGE* img, const GUIFRAME* f, uint32_t& first, uint32_t& count)
{
    first = img->wTop;
    const uint32_t end = std::min<uint32_t>(uint32_t{img->wTop} + img->wHeight, f ? f->wHeight : 0);
    count = end > first ? end - first : 0;
}

int menu_back(int row, GUIIMAGE* img, GUIFRAME* back, bool transfer)
{
    if (!img || row < 0) return 1;
    const uint16_t top = img->wTop;
    const uint32_t moved = top + static_cast<uint32_t>(row) * 56u;
    if (moved > 0xFFFF) return 1;
    img->wTop = static_cast<uint16_t>(moved);
    _ImageDirectPut(img);
    if (transfer && GetWindowPaintFlag()) {
        uint32_t first, count;
        image_lines(img, back, first, count);
        _FrameBufferMixBack(first, count, back);
    }
    img->wTop = top;
    return 0;
}
} // namespace

int DrawMenuBack(int iRow, GUIIMAGE* pImage, GUIFRAME* pBack)
{
    return menu_back(iRow, pImage, pBack, true);
}
int DrawMenuBackEx(int iRow, GUIIMAGE* pImage, GUIFRAME* pBack)
{
    return menu_back(iRow, pImage, pBack, false);
}

int DrawRootMenuBack(GUIIMAGE* pImage, GUIFRAME* pBack)
{
    if (!pImage) return 1;
    _ImageDirectPut(pImage);
    uint32_t first, count;
    image_lines(pImage, pBack, first, count);
    return _FrameBufferMixBack(first, count, pBack);
}

int DrawRootScroll(int iRow, GUIIMAGE* pImage, GUIFRAME* pFore)
{
    if (!pImage || !pFore || iRow < 0) return 1;
    GUIBRUSH clear{1, 1, 255, 255, nullptr};
    const uint32_t right = std::min<uint32_t>(uint32_t{pImage->wLeft} + pImage->wWidth, pFore->wWidth) - 1;
    DrawBlockDirect(MakePoint(pImage->wLeft, 120), MakePoint(right, 479), &clear, pFore);
    const uint16_t top = pImage->wTop;
    const uint32_t moved = top + static_cast<uint32_t>(iRow) * 79u;
    if (moved > 0xFFFF) return 1;
    pImage->wTop = static_cast<uint16_t>(moved);
    _ImageDirectPut(pImage);
    pImage->wTop = top;
    return _FrameBufferMixFore(120, 360, pFore);
}
