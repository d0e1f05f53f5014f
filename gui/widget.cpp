// Buttons, captions and status lines: layout of icon and text, putting and pushing.
#include "gui/widget.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace
{

void fail(const char* fun, int id)
{
    std::printf("%s Err%d!\n", fun, id);
}

// Content of a widget and where the layout puts it.
struct Layout {
    int icon_w = 0, icon_h = 0;
    int text_x = 0, text_y = 0; // cursor for the first line
    int line_h = 0;
    int lines = 1;
};

int text_width(const GUISTRING* s, const GUIFONT* f)
{
    if (!s || !f) return 0;
    return s->wWidth + s->wLength * (f->bLeftGap + f->bRightGap);
}

bool icon_ready(GUIIMAGE* icon)
{
    return icon && (icon->pPixels || _ImageEventLoad(icon) == 0);
}

// Splits the text into two strings at the middle space (or in the middle); 0 on success.
int split_text(const GUISTRING* s, GUISTRING* out[2])
{
    if (!s || s->wLength < 2) return 1;
    int spaces = 0;
    for (uint16_t i = 0; i < s->wLength; ++i)
        spaces += s->pText[i] == ' ';
    size_t cut = s->wLength / 2; // characters on the first line
    if (spaces) {
        int want = (spaces + 1) / 2, seen = 0;
        for (uint16_t i = 0; i < s->wLength; ++i)
            if (s->pText[i] == ' ' && ++seen == want) {
                cut = i + 1u;
                break;
            }
    }
    if (cut == 0 || cut >= s->wLength) return 1;
    std::vector<uint16_t> first(s->pText, s->pText + cut);
    first.push_back(0);
    out[0] = CreateStringDirect(first.data(), s->bSize, s->bWeight);
    out[1] = CreateStringDirect(s->pText + cut, s->bSize, s->bWeight);
    if (!out[0] || !out[1]) {
        DeleteStringDirect(out[0]);
        DeleteStringDirect(out[1]);
        out[0] = out[1] = nullptr;
        return 1;
    }
    return 0;
}

// The shared layout: icon at the left of the text, aligned and centred vertically. `split`
// receives the two line strings when a two-line layout is allowed and needed.
int layout(int left, int top, int width, int height, uint8_t align, GUIIMAGE* icon, const GUISTRING* text,
           const GUIFONT* font, GUICURSOR* cursor, GUISTRING* split[2], Layout& out)
{
    if (!cursor || !font) return 1;
    const bool has_text = text && text->wLength > 0;
    const bool has_icon = icon_ready(icon);
    out.icon_w = has_icon ? icon->wWidth + (has_text ? 1 : 0) : 0;
    out.icon_h = has_icon ? icon->wHeight : 0;
    int tw = has_text ? text_width(text, font) : 0;
    const int th = has_text ? font->bHeight : 0;
    int cw = out.icon_w + tw;
    const int ch = std::max(out.icon_h, th);
    out.line_h = font->bTopGap + font->bHeight + font->bBottomGap;
    out.lines = 1;
    if (width < cw) {
        if (!split || !has_text) return 1;
        if (2 * out.line_h > height || out.icon_h > height) return 1;
        GUISTRING* parts[2] = {nullptr, nullptr};
        if (split_text(text, parts) != 0) return 1;
        const int w0 = text_width(parts[0], font), w1 = text_width(parts[1], font);
        if (out.icon_w + w0 > width || out.icon_w + w1 > width) {
            DeleteStringDirect(parts[0]);
            DeleteStringDirect(parts[1]);
            return 1;
        }
        DeleteStringDirect(split[0]);
        DeleteStringDirect(split[1]);
        split[0] = parts[0];
        split[1] = parts[1];
        out.lines = 2;
        cw = out.icon_w + std::max(w0, w1);
    }
    if (ch > height) return 1;
    int off;
    if (cursor->bDirection == 0) {
        switch (align) {
        case 0:
            off = 2;
            break;
        case 1:
            off = width - cw - 2;
            break;
        case 2:
            off = (width - cw) / 2 + ((width - cw) % 2 ? 1 : 0);
            break;
        default:
            return 255;
        }
        off = std::max(off, 0);
        if (has_icon) icon->wLeft = static_cast<uint16_t>(left + off);
        out.text_x = left + off + out.icon_w;
    } else if (cursor->bDirection == 1) {
        switch (align) {
        case 0:
            off = cw - out.icon_w + 2;
            break;
        case 1:
            off = width - out.icon_w - 2;
            break;
        case 2:
            off = (width - cw) / 2 + ((width - cw) % 2 ? 1 : 0) + cw - out.icon_w;
            break;
        default:
            return 255;
        }
        off = std::clamp(off, 0, width);
        if (has_icon) icon->wLeft = static_cast<uint16_t>(left + off);
        out.text_x = std::max(0, left + off - cursor->bCaretWidth);
    } else {
        return 255;
    }
    if (has_icon)
        icon->wTop = static_cast<uint16_t>(top + (height - out.icon_h) / 2 + ((height - out.icon_h) % 2));
    if (out.lines == 1)
        out.text_y = top + (height + font->bHeight) / 2 + ((height - font->bHeight) % 2 ? 1 : 0) - 1;
    else
        out.text_y = top + (height - 2 * out.line_h) / 2 + out.line_h + 2;
    return 0;
}

void put_text(const Layout& lay, const GUISTRING* text, GUISTRING* const split[2], GUICURSOR* cursor,
              const GUIFONT* font, GUIFRAME* frame)
{
    if (!cursor || !font || !frame) return;
    auto at = [&](int x, int y, const GUISTRING* s) {
        if (!s || s->wLength == 0 || y < 0 || y > 0xFFFF) return;
        cursor->wX = static_cast<uint16_t>(x);
        cursor->wY = static_cast<uint16_t>(y);
        _StringDirectPut(s, cursor, font, frame);
    };
    if (lay.lines == 2 && split[0] && split[1]) {
        at(lay.text_x, lay.text_y, split[0]);
        at(lay.text_x, lay.text_y + lay.line_h, split[1]);
    } else {
        at(lay.text_x, lay.text_y, text);
    }
}

uint32_t corner(int x, int y)
{
    return MakePoint(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
}

// Puts a background image over the widget's area, shrunk to it for the call if it is larger.
void put_background(GUIIMAGE* img, int left, int top, int width, int height)
{
    if (!img) return;
    const uint16_t w = img->wWidth, h = img->wHeight;
    img->wLeft = static_cast<uint16_t>(left);
    img->wTop = static_cast<uint16_t>(top);
    const bool shrink = w > width || h > height;
    if (shrink) {
        img->wWidth = static_cast<uint16_t>(std::min<int>(w, width));
        img->wHeight = static_cast<uint16_t>(std::min<int>(h, height));
        _ImageEventLoad(img);
    }
    _ImageDirectPut(img);
    if (shrink) {
        // The pixels now hold the smaller picture: drop them so that the next put reloads.
        _ImageEventUnload(img);
        img->wWidth = w;
        img->wHeight = h;
    }
}

GUIFRAME* button_draw(GUIBUTTON* b, bool pushed)
{
    if (!b || b->bStyle == 0 || !b->pBrush || !b->pFrame) return nullptr;
    Layout lay;
    if (layout(b->wLeft, b->wTop, b->wWidth, b->wHeight, b->bAlign, b->pIcon, b->pText, b->pFont, b->pCursor,
               b->pSplitText, lay) != 0)
        return nullptr;
    b->wLines = static_cast<uint16_t>(lay.lines);
    GUIFRAME* f = b->pFrame;
    // A widget reaching past the frame is clipped to it.
    const int x0 = b->wLeft, y0 = b->wTop;
    const int x1 = std::min(b->wLeft + b->wWidth, int(f->wWidth)) - 1;
    const int y1 = std::min(b->wTop + b->wHeight, int(f->wHeight)) - 1;
    const bool images = b->bStyle == 4 || b->bStyle == 5;
    GUIIMAGE* bg = pushed ? b->pPushImage : b->pBackImage;
    if (images && bg) {
        put_background(bg, b->wLeft, b->wTop, b->wWidth, b->wHeight);
    } else if (pushed) {
        DrawBlockDirect(corner(x0, y0), corner(x1, y1), b->pBrush, f);
    } else if (b->bStyle != 5) {
        DrawBlockFill(corner(x0, y0), corner(x1, y1), b->pBrush, f);
    }
    if (!pushed && b->bRimEx == 0) {
        if (b->bRim == 1) DrawRimRaised(corner(x0, y0), corner(x1, y1), b->pBrush, f);
        if (b->bRim == 2) DrawRectangleDirect(corner(x0, y0), corner(x1, y1), b->pBrush, f);
    }
    if (pushed) {
        if (b->bRim == 1) DrawRimHollow(corner(x0, y0), corner(x1, y1), b->pBrush, f);
        if (b->bRim == 2) DrawRectangleDirect(corner(x0, y0), corner(x1, y1), b->pBrush, f);
        if (b->bRimEx) {
            GUIBRUSH line = *b->pBrush;
            line.lFillColor = line.lLineColor;
            DrawRimHollow(corner(x0 + 2, y0 + 2), corner(x1 - 2, y1 - 2), &line, f);
        }
    }
    if (b->pIcon && lay.icon_w) {
        GUIIMAGE* icon = b->pIcon;
        if (pushed && b->bStyle == 4 && b->pPushIcon) {
            b->pPushIcon->wLeft = icon->wLeft;
            b->pPushIcon->wTop = icon->wTop;
            _ImageDirectPut(b->pPushIcon);
        } else if (pushed && b->bStyle == 2) {
            const uint8_t mode = icon->bMode;
            icon->bMode = mode == 2 ? 1 : 2;
            _ImageDirectPut(icon);
            icon->bMode = mode;
        } else {
            _ImageDirectPut(icon);
        }
    }
    if (b->pFont) {
        GUIFONT font = *b->pFont;
        if (pushed) {
            if (b->bStyle == 4 && b->pPushFont)
                font = *b->pPushFont;
            else if (b->bStyle != 3)
                font.lFgColor = ~font.lFgColor & (f->bDepth == 8    ? 0xFFu
                                                  : f->bDepth == 16 ? 0xFFFFu
                                                  : f->bDepth == 24 ? 0xFFFFFFu
                                                                    : 0xFFFFFFFFu);
        }
        put_text(lay, b->pText, b->pSplitText, b->pCursor, &font, f);
    }
    return f;
}

} // namespace

// ---- Buttons --------------------------------------------------------------------------------------
GUIBUTTON* CreateButtonDirectEx(uint8_t bStyle, uint8_t bRim, uint8_t bRimEx, uint8_t bAlign, uint16_t wWidth,
                                uint16_t wHeight, uint16_t wLeft, uint16_t wTop, GUIBRUSH* pBrush,
                                GUICURSOR* pCursor, GUIFONT* pFont, GUIFRAME* pFrame, GUIIMAGE* pIcon,
                                GUISTRING* pText, GUICLICK fnClick, GUICLICK fnClickDown)
{
    auto* b = static_cast<GUIBUTTON*>(GuiMemAlloc(sizeof(GUIBUTTON)));
    if (!b) return fail("CreateButtonDirect", 0), nullptr;
    if (wWidth <= 3 || wHeight <= 3) {
        GuiMemFree(b);
        return fail("CreateButtonDirect", wWidth <= 3 ? 1 : 2), nullptr;
    }
    b->bStyle = bStyle;
    b->bRim = bRim;
    b->bRimEx = bRimEx;
    b->bAlign = bAlign;
    b->wWidth = wWidth;
    b->wHeight = wHeight;
    b->wLeft = wLeft;
    b->wTop = wTop;
    b->wLines = 1;
    b->pBrush = pBrush;
    b->pCursor = pCursor;
    b->pFont = pFont;
    b->pFrame = pFrame;
    b->pIcon = pIcon;
    b->pText = pText;
    b->fnPut = _ButtonDirectPut;
    b->fnClickDown = fnClickDown;
    b->fnClick = fnClick;
    b->fnPush = _ButtonEventPush;
    b->fnRevert = _ButtonEventRevert;
    return b;
}

GUIBUTTON* CreateButtonDirect(uint8_t bStyle, uint8_t bRim, uint8_t bRimEx, uint8_t bAlign, uint16_t wWidth,
                              uint16_t wHeight, uint16_t wLeft, uint16_t wTop, GUIBRUSH* pBrush,
                              GUICURSOR* pCursor, GUIFONT* pFont, GUIFRAME* pFrame, GUIIMAGE* pIcon,
                              GUISTRING* pText, GUICLICK fnClick)
{
    return CreateButtonDirectEx(bStyle, bRim, bRimEx, bAlign, wWidth, wHeight, wLeft, wTop, pBrush, pCursor,
                                pFont, pFrame, pIcon, pText, fnClick, nullptr);
}

GUIBUTTON* CreateButtonIndirect(const GUIBUTTON* r)
{
    if (!r) return nullptr;
    GUIBUTTON* b = CreateButtonDirectEx(r->bStyle, r->bRim, r->bRimEx, r->bAlign, r->wWidth, r->wHeight,
                                        r->wLeft, r->wTop, r->pBrush, r->pCursor, r->pFont, r->pFrame,
                                        r->pIcon, r->pText, r->fnClick, r->fnClickDown);
    if (b) {
        b->pBackImage = r->pBackImage;
        b->pPushImage = r->pPushImage;
        b->pPushFont = r->pPushFont;
        b->pPushIcon = r->pPushIcon;
    }
    return b;
}

int DeleteButtonDirect(GUIBUTTON* b)
{
    if (!b) return 0;
    DeleteStringDirect(b->pSplitText[0]);
    DeleteStringDirect(b->pSplitText[1]);
    return GuiMemFree(b);
}

int _ButtonMemberAdjust(GUIBUTTON* b)
{
    if (!b) return 1;
    Layout lay;
    int rc = layout(b->wLeft, b->wTop, b->wWidth, b->wHeight, b->bAlign, b->pIcon, b->pText, b->pFont,
                    b->pCursor, b->pSplitText, lay);
    if (rc == 0) {
        b->wLines = static_cast<uint16_t>(lay.lines);
        if (b->pCursor) {
            b->pCursor->wX = static_cast<uint16_t>(lay.text_x);
            b->pCursor->wY = static_cast<uint16_t>(lay.text_y);
        }
    }
    return rc;
}

GUIFRAME* _ButtonDirectPut(GUIBUTTON* b)
{
    return button_draw(b, false);
}
GUIFRAME* _ButtonEventPush(GUIBUTTON* b)
{
    return button_draw(b, true);
}
GUIFRAME* _ButtonEventRevert(GUIBUTTON* b)
{
    return button_draw(b, false);
}

// ---- Captions and status lines ---------------------------------------------------------------------
namespace
{
GUIFRAME* label_draw(uint8_t enable, uint8_t rim, uint8_t align, int left, int top, int width, int height,
                     const GUIBRUSH* brush, GUICURSOR* cursor, const GUIFONT* font, GUIFRAME* f,
                     GUIIMAGE* icon, const GUISTRING* text)
{
    if (!enable || !brush || !f) return nullptr;
    Layout lay;
    GUISTRING* none[2] = {nullptr, nullptr};
    if (layout(left, top, width, height, align, icon, text, font, cursor, nullptr, lay) != 0) return nullptr;
    const uint32_t p1 = corner(left, top);
    const uint32_t p2 =
        corner(std::min(left + width, int(f->wWidth)) - 1, std::min(top + height, int(f->wHeight)) - 1);
    DrawBlockFill(p1, p2, brush, f);
    if (rim == 1)
        DrawRimRaised(p1, p2, brush, f);
    else if (rim == 2)
        DrawRectangleDirect(p1, p2, brush, f);
    else if (rim != 0)
        return f;
    if (icon && lay.icon_w) _ImageDirectPut(icon);
    put_text(lay, text, none, cursor, font, f);
    return f;
}
} // namespace

GUICAPTION* CreateCaptionDirect(uint8_t bEnable, uint8_t bRim, uint8_t bAlign, uint16_t wWidth,
                                uint16_t wHeight, uint16_t wLeft, uint16_t wTop, GUIBRUSH* pBrush,
                                GUICURSOR* pCursor, GUIFONT* pFont, GUIFRAME* pFrame, GUIIMAGE* pIcon,
                                GUISTRING* pText)
{
    auto* c = static_cast<GUICAPTION*>(GuiMemAlloc(sizeof(GUICAPTION)));
    if (!c) return fail("CreateCaptionDirect", 0), nullptr;
    if (wWidth <= 3 || wHeight <= 3) {
        GuiMemFree(c);
        return fail("CreateCaptionDirect", wWidth <= 3 ? 1 : 2), nullptr;
    }
    *c = GUICAPTION{bEnable, bRim,    bAlign, wWidth, wHeight, wLeft, wTop,
                    pBrush,  pCursor, pFont,  pFrame, pIcon,   pText, _CaptionDirectPut};
    return c;
}

GUICAPTION* CreateCaptionIndirect(const GUICAPTION* r)
{
    if (!r) return nullptr;
    return CreateCaptionDirect(r->bEnable, r->bRim, r->bAlign, r->wWidth, r->wHeight, r->wLeft, r->wTop,
                               r->pBrush, r->pCursor, r->pFont, r->pFrame, r->pIcon, r->pText);
}

int DeleteCaptionDirect(GUICAPTION* c)
{
    return c ? GuiMemFree(c) : 0;
}

int _CaptionMemberAdjust(GUICAPTION* c)
{
    if (!c) return 1;
    Layout lay;
    int rc = layout(c->wLeft, c->wTop, c->wWidth, c->wHeight, c->bAlign, c->pIcon, c->pText, c->pFont,
                    c->pCursor, nullptr, lay);
    if (rc == 0 && c->pCursor) {
        c->pCursor->wX = static_cast<uint16_t>(lay.text_x);
        c->pCursor->wY = static_cast<uint16_t>(lay.text_y);
    }
    return rc;
}

GUIFRAME* _CaptionDirectPut(GUICAPTION* c)
{
    if (!c) return nullptr;
    return label_draw(c->bEnable, c->bRim, c->bAlign, c->wLeft, c->wTop, c->wWidth, c->wHeight, c->pBrush,
                      c->pCursor, c->pFont, c->pFrame, c->pIcon, c->pText);
}

GUISTATUS* CreateStatusDirect(uint8_t bEnable, uint8_t bRim, uint8_t bAlign, uint16_t wWidth,
                              uint16_t wHeight, uint16_t wLeft, uint16_t wTop, GUIBRUSH* pBrush,
                              GUICURSOR* pCursor, GUIFONT* pFont, GUIFRAME* pFrame, GUISTRING* pText)
{
    auto* s = static_cast<GUISTATUS*>(GuiMemAlloc(sizeof(GUISTATUS)));
    if (!s) return fail("CreateStatusDirect", 0), nullptr;
    if (wWidth <= 3 || wHeight <= 3) {
        GuiMemFree(s);
        return fail("CreateStatusDirect", wWidth <= 3 ? 1 : 2), nullptr;
    }
    *s = GUISTATUS{bEnable, bRim,    bAlign, wWidth, wHeight, wLeft,           wTop,
                   pBrush,  pCursor, pFont,  pFrame, pText,   _StatusDirectPut};
    return s;
}

GUISTATUS* CreateStatusIndirect(const GUISTATUS* r)
{
    if (!r) return nullptr;
    return CreateStatusDirect(r->bEnable, r->bRim, r->bAlign, r->wWidth, r->wHeight, r->wLeft, r->wTop,
                              r->pBrush, r->pCursor, r->pFont, r->pFrame, r->pText);
}

int DeleteStatusDirect(GUISTATUS* s)
{
    return s ? GuiMemFree(s) : 0;
}

int _StatusMemberAdjust(GUISTATUS* s)
{
    if (!s) return 1;
    Layout lay;
    int rc = layout(s->wLeft, s->wTop, s->wWidth, s->wHeight, s->bAlign, nullptr, s->pText, s->pFont,
                    s->pCursor, nullptr, lay);
    if (rc == 0 && s->pCursor) {
        s->pCursor->wX = static_cast<uint16_t>(lay.text_x);
        s->pCursor->wY = static_cast<uint16_t>(lay.text_y);
    }
    return rc;
}

GUIFRAME* _StatusDirectPut(GUISTATUS* s)
{
    if (!s) return nullptr;
    return label_draw(s->bEnable, s->bRim, s->bAlign, s->wLeft, s->wTop, s->wWidth, s->wHeight, s->pBrush,
                      s->pCursor, s->pFont, s->pFrame, nullptr, s->pText);
}
