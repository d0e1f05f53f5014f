// The form object and its creation.
#include "gui/window.h"

#include <cstdio>

GUIWINDOW* CreateWindowDirect(uint8_t bType, uint8_t bAttr, uint16_t wWidth, uint16_t wHeight, uint16_t wLeft,
                              uint16_t wTop, GUIBRUSH* pBrush, GUICURSOR* pCursor, GUIFONT* pFont,
                              GUIFRAME* pFrmMain, GUIFRAME* pFrmBack, GUIFRAME* pFrmFore, GUIKEYPAD* pKeypad,
                              GUIENTRY fnInitialize, GUIENTRY fnRelease, GUIENTRY fnPaint, GUIENTRY fnProcess)
{
    auto* w = static_cast<GUIWINDOW*>(GuiMemAlloc(sizeof(GUIWINDOW)));
    if (!w) {
        std::printf("CreateWindowDirect Err0!\n");
        return nullptr;
    }
    if (wWidth <= 3 || wHeight <= 3) {
        GuiMemFree(w);
        std::printf("CreateWindowDirect Err%d!\n", wWidth <= 3 ? 1 : 2);
        return nullptr;
    }
    w->bType = bType;
    w->bAttr = bAttr;
    w->wWidth = wWidth;
    w->wHeight = wHeight;
    w->wLeft = wLeft;
    w->wTop = wTop;
    w->pBrush = pBrush;
    w->pCursor = pCursor;
    w->pFont = pFont;
    w->pFrmMain = pFrmMain;
    w->pFrmBack = pFrmBack;
    w->pFrmFore = pFrmFore;
    w->pKeypad = pKeypad;
    w->fnInitialize = fnInitialize;
    w->fnRelease = fnRelease;
    w->fnPaint = fnPaint;
    w->fnProcess = fnProcess;
    return w;
}

GUIWINDOW* CreateWindowIndirect(const GUIWINDOW* r)
{
    if (!r) return nullptr;
    return CreateWindowDirect(r->bType, r->bAttr, r->wWidth, r->wHeight, r->wLeft, r->wTop, r->pBrush,
                              r->pCursor, r->pFont, r->pFrmMain, r->pFrmBack, r->pFrmFore, r->pKeypad,
                              r->fnInitialize, r->fnRelease, r->fnPaint, r->fnProcess);
}

int DeleteWindowDirect(GUIWINDOW* w)
{
    if (!w) return 0;
    return GuiMemFree(w);
}
