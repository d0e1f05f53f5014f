// Demonstration screen of the toolkit: shaded background, caption, text in both sizes and
// weights, buttons in their states, a menu with focus, a scroll bar, rims, lines and images.
#include "gui/demo.h"

#include <cstdio>

#include "gui/global.h"

namespace
{
uint32_t pt(int x, int y)
{
    return MakePoint(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
}

void text_at(const char* s, uint8_t size, uint8_t weight, int x, int y, const char* font, GUIFRAME* f)
{
    GUISTRING* str = StrAsciiTrans(s, size, weight);
    GUICURSOR cur{0,   0, 1, 1,      static_cast<uint16_t>(x), static_cast<uint16_t>(y), 0, 799, 0,
                  479, 0, 0, nullptr};
    _StringDirectPut(str, &cur, GetFontObject(font), f);
    DeleteStringDirect(str);
}
} // namespace

void GuiDemoPaint(GUIWINDOW* w)
{
    if (!w || !w->pFrmBack || !w->pFrmFore) return;
    GUIFRAME* back = w->pFrmBack;
    GUIFRAME* fore = w->pFrmFore;
    _FrameBufferClear(fore);

    // Background: a light vertical shade.
    for (int y = 0; y < 480; ++y) {
        uint32_t c = _PaletteColorBuild(static_cast<uint8_t>(236 - y / 6), static_cast<uint8_t>(240 - y / 7),
                                        static_cast<uint8_t>(248 - y / 10), back->pPalette);
        GUIBRUSH b{1, 1, c, c, nullptr};
        DrawHorizontalDirect(pt(0, y), pt(799, y), &b, back);
    }

    GUISTRING* title = StrAsciiTrans("Toolkit demonstration", 19, 2);
    GUICAPTION* cap =
        CreateCaptionDirect(1, 1, 2, 800, 35, 0, 0, GetBrushObject("_CAP_BRSH"), GetCursorObject("_CAP_CURS"),
                            GetFontObject("_TXT_WHT"), fore, nullptr, title);
    _CaptionDirectPut(cap);

    text_at("Size 15 normal: The quick brown fox 0123456789 25.5\xBA"
            "C",
            15, 1, 20, 70, "_TXT_BLK", fore);
    text_at("Size 15 bold: The quick brown fox 0123456789", 15, 2, 20, 100, "_TXT_BLUE", fore);
    text_at("Size 19 normal: Splice loss 0.02 dB", 19, 1, 20, 132, "_TXT_BLK", fore);
    text_at("Size 19 bold: Arc calibration", 19, 2, 20, 164, "_TXT_GREEN", fore);

    GUIBRUSH* wht = GetBrushObject("_USER_WHT");
    GUIBRUSH* dsk = GetBrushObject("_DSK_BRSH");
    GUICURSOR* cur = GetCursorObject("_USER_WND");
    GUIFONT* blk = GetFontObject("_TXT_BLK");
    GUISTRING* s_up = StrAsciiTrans("Raised", 15, 1);
    GUISTRING* s_dn = StrAsciiTrans("Pushed", 15, 1);
    GUISTRING* s_two = StrAsciiTrans("Two line label here", 15, 1);
    GUIIMAGE* icon = BuildStdImage(4, 32, 32, 0, 0, "bitmap/Wifi/wifi_signal_4.bmp");
    GUIBUTTON* b1 = CreateButtonDirect(1, 1, 0, 2, 140, 50, 20, 190, dsk, cur, GetFontObject("_TXT_WHT"),
                                       fore, nullptr, s_up, nullptr);
    GUIBUTTON* b2 = CreateButtonDirect(1, 1, 0, 2, 140, 50, 180, 190, dsk, cur, GetFontObject("_TXT_WHT"),
                                       fore, nullptr, s_dn, nullptr);
    GUIBUTTON* b3 =
        CreateButtonDirect(1, 2, 0, 2, 120, 60, 340, 185, wht, cur, blk, fore, nullptr, s_two, nullptr);
    GUISTRING* s_wifi = StrAsciiTrans("WiFi", 15, 2);
    GUIBUTTON* b4 = CreateButtonDirect(1, 1, 0, 0, 150, 50, 480, 190, dsk, cur, GetFontObject("_TXT_WHT"),
                                       fore, icon, s_wifi, nullptr);
    // Picture buttons: icon images as the instrument's corner buttons use them, up and pushed.
    GUIIMAGE* arc = BuildStdImage(4, 90, 90, 0, 0, "bitmap/Workbench/IcnArc.bmp");
    GUIIMAGE* arc_push = BuildStdImage(4, 90, 90, 0, 0, "bitmap/Workbench/IcnArcPush.bmp");
    GUIIMAGE* run = BuildStdImage(4, 90, 90, 0, 0, "bitmap/Workbench/IcnSet.bmp");
    GUIBUTTON* b5 = CreateButtonDirect(4, 0, 0, 2, 90, 90, 600, 50, GetBrushObject("_USER_TRAN"), cur, blk,
                                       fore, arc, nullptr, nullptr);
    GUIBUTTON* b6 = CreateButtonDirect(4, 0, 0, 2, 90, 90, 700, 50, GetBrushObject("_USER_TRAN"), cur, blk,
                                       fore, run, nullptr, nullptr);
    if (b5) b5->pPushIcon = arc_push;
    _ButtonEventPush(b5);
    _ButtonDirectPut(b6);
    _ButtonDirectPut(b1);
    _ButtonEventPush(b2);
    _ButtonDirectPut(b3);
    _ButtonDirectPut(b4);

    GUIMENU* menu = CreateMenuDirectEx(1, 1, 0, 2, 4, 260, 36, 20, 260, GetBrushObject("_FACT_MNU"), cur,
                                       GetFontObject("_FACT_FNT"), fore);
    const char* items[] = {"1. Splice mode", "2. Heater mode", "3. Maintenance", "4. Settings", "5. Records"};
    GUISTRING* item_text[5];
    for (int i = 0; i < 5; ++i) {
        item_text[i] = StrAsciiTrans(items[i], 15, 1);
        _MenuItemAdd(nullptr, item_text[i], nullptr, menu);
    }
    if (menu) menu->bFocus = 2;
    _MenuDirectPut(menu);

    GUISCROLL* scroll =
        CreateScrollDirect(1, 1, 16, 170, 290, 260, 10, 3, 30, GetBrushObject("_SCR_BRSH"), fore);
    _ScrollDirectPut(scroll);

    // Primitives: rims and slanted lines at the three pen widths.
    GUIBRUSH pen{1, 1, 4, 246, nullptr};
    for (int wdt = 1; wdt <= 3; ++wdt) {
        pen.bWidth = static_cast<uint8_t>(wdt);
        DrawLineDirect(pt(340 + wdt * 30, 270), pt(360 + wdt * 30, 400), &pen, fore);
        DrawLineDirect(pt(340, 270 + wdt * 30), pt(460, 290 + wdt * 30), &pen, fore);
    }
    GUIBRUSH bevel{1, 1, 13, 0xA0A0A0, nullptr};
    DrawRimRaised(pt(500, 270), pt(600, 330), &bevel, back);
    DrawRimHollow(pt(620, 270), pt(720, 330), &bevel, back);
    GUIBRUSH frame_pen{1, 2, 2, 246, nullptr};
    DrawRectangleFill(pt(500, 350), pt(720, 400), &frame_pen, fore);
    text_at("Filled rectangle", 15, 1, 530, 385, "_TXT_BLK", fore);

    GUIIMAGE* logo = BuildStdImage(2, 120, 32, 660, 440, "bitmap/Workbench/MachineLogoTarn8+.bmp");
    _ImageDirectPut(logo);
    GUISTATUS* status = BuildStdStatus(0, StrAsciiTrans("Ready", 15, 1));
    _StatusDirectPut(status);

    _FrameBufferMix(0, 480, fore, back);
    _FrameBufferRelocate(fore, back);

    if (status) DeleteStringDirect(status->pText);
    DeleteStatusDirect(status);
    DeleteImageDirect(logo);
    DeleteScrollDirect(scroll);
    DeleteMenuDirect(menu);
    for (GUISTRING* s : item_text)
        DeleteStringDirect(s);
    DeleteButtonDirect(b5);
    DeleteButtonDirect(b6);
    DeleteImageDirect(arc);
    DeleteImageDirect(arc_push);
    DeleteImageDirect(run);
    DeleteStringDirect(s_wifi);
    DeleteButtonDirect(b1);
    DeleteButtonDirect(b2);
    DeleteButtonDirect(b3);
    DeleteButtonDirect(b4);
    DeleteImageDirect(icon);
    DeleteStringDirect(s_up);
    DeleteStringDirect(s_dn);
    DeleteStringDirect(s_two);
    DeleteCaptionDirect(cap);
    DeleteStringDirect(title);
}
