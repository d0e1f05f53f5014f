// Menus (a scrolling column of item buttons with a focus) and scroll bars.
#include <cstdio>

#include "gui/widget.h"

namespace
{
void fail(const char* fun, int id)
{
    std::printf("%s Err%d!\n", fun, id);
}
uint32_t corner(int x, int y)
{
    return MakePoint(static_cast<uint32_t>(x), static_cast<uint32_t>(y));
}

GUIMENU* create_menu(uint8_t style, uint8_t focus_rim, uint8_t align, uint8_t gap, uint8_t visible,
                     uint16_t w, uint16_t h, uint16_t left, uint16_t top, GUIBRUSH* brush, GUICURSOR* cursor,
                     GUIFONT* font, GUIFRAME* frame, uint8_t marker)
{
    auto* m = static_cast<GUIMENU*>(GuiMemAlloc(sizeof(GUIMENU)));
    if (!m) return fail("CreateMenuDirect", 0), nullptr;
    if (w <= 3 || h <= 3) {
        GuiMemFree(m);
        return fail("CreateMenuDirect", w <= 3 ? 1 : 2), nullptr;
    }
    m->bStyle = style;
    m->bFocusRim = focus_rim;
    m->bAlign = align;
    m->bGap = gap;
    m->bFirst = 1;
    m->bVisible = visible;
    m->bLast = visible;
    m->bFocusRow = 1;
    m->bMarker = marker;
    m->wItemWidth = w;
    m->wItemHeight = h;
    m->wLeft = left;
    m->wTop = top;
    m->pBrush = brush;
    m->pCursor = cursor;
    m->pFont = font;
    m->pFrame = frame;
    m->fnPut = _MenuDirectPut;
    m->fnClickDown = _MenuEventClickDown;
    m->fnClick = _MenuEventClick;
    m->fnPrevious = _MenuEventPrevious;
    m->fnNext = _MenuEventNext;
    m->fnTouchPut = _MenuTouchPut;
    return m;
}

// The n-th item (1-based), or 0 when n is out of range.
GUIBUTTON* item_at(const GUIMENU* m, int n)
{
    if (n < 1 || n > m->bCount) return nullptr;
    GUIMENUITEM* it = m->pItems;
    for (int i = 1; it && i < n; ++i)
        it = it->pNext;
    return it ? it->pItem : nullptr;
}

bool drawable(const GUIMENU* m)
{
    return m && m->bStyle && m->pBrush && m->pItems;
}
} // namespace

GUIMENU* CreateMenuDirect(uint8_t bStyle, uint8_t bFocusRim, uint8_t bAlign, uint8_t bGap, uint8_t bVisible,
                          uint16_t wItemWidth, uint16_t wItemHeight, uint16_t wLeft, uint16_t wTop,
                          GUIBRUSH* pBrush, GUICURSOR* pCursor, GUIFONT* pFont, GUIFRAME* pFrame)
{
    return create_menu(bStyle, bFocusRim, bAlign, bGap, bVisible, wItemWidth, wItemHeight, wLeft, wTop,
                       pBrush, pCursor, pFont, pFrame, GUI_MENU_MARKER);
}

GUIMENU* CreateMenuDirectEx(uint8_t bStyle, uint8_t bFocusRim, uint8_t bAlign, uint8_t bGap, uint8_t bVisible,
                            uint16_t wItemWidth, uint16_t wItemHeight, uint16_t wLeft, uint16_t wTop,
                            GUIBRUSH* pBrush, GUICURSOR* pCursor, GUIFONT* pFont, GUIFRAME* pFrame)
{
    return create_menu(bStyle, bFocusRim, bAlign, bGap, bVisible, wItemWidth, wItemHeight, wLeft, wTop,
                       pBrush, pCursor, pFont, pFrame, 0);
}

GUIMENU* CreateMenuIndirect(const GUIMENU* r)
{
    if (!r) return nullptr;
    return create_menu(r->bStyle, r->bFocusRim, r->bAlign, r->bGap, r->bVisible, r->wItemWidth,
                       r->wItemHeight, r->wLeft, r->wTop, r->pBrush, r->pCursor, r->pFont, r->pFrame,
                       r->bMarker);
}

int DeleteMenuDirect(GUIMENU* m)
{
    if (!m) return 0;
    while (m->pItems)
        _MenuItemDel(m->pItems->pItem, m);
    return GuiMemFree(m);
}

GUIBUTTON* _MenuItemAddEx(GUIIMAGE* pIcon, GUISTRING* pText, GUICLICK fnClick, GUICLICK fnClickDown,
                          GUIMENU* m)
{
    if (!m || m->bCount == 255) return nullptr;
    GUIBUTTON* b =
        CreateButtonDirectEx(m->bStyle, 0, 0, m->bAlign, m->wItemWidth, m->wItemHeight, m->wLeft, m->wTop,
                             m->pBrush, m->pCursor, m->pFont, m->pFrame, pIcon, pText, fnClick, fnClickDown);
    if (!b) return nullptr;
    auto* node = static_cast<GUIMENUITEM*>(GuiMemAlloc(sizeof(GUIMENUITEM)));
    if (!node) {
        DeleteButtonDirect(b);
        return nullptr;
    }
    node->pItem = b;
    GUIMENUITEM** tail = &m->pItems;
    GUIMENUITEM* prev = nullptr;
    while (*tail) {
        prev = *tail;
        tail = &(*tail)->pNext;
    }
    node->pPrev = prev;
    *tail = node;
    ++m->bCount;
    return b;
}

GUIBUTTON* _MenuItemAdd(GUIIMAGE* pIcon, GUISTRING* pText, GUICLICK fnClick, GUIMENU* m)
{
    return _MenuItemAddEx(pIcon, pText, fnClick, nullptr, m);
}

int _MenuItemDel(GUIBUTTON* pItem, GUIMENU* m)
{
    if (!m || !pItem) return 1;
    for (GUIMENUITEM* it = m->pItems; it; it = it->pNext) {
        if (it->pItem != pItem) continue;
        if (it->pPrev)
            it->pPrev->pNext = it->pNext;
        else
            m->pItems = it->pNext;
        if (it->pNext) it->pNext->pPrev = it->pPrev;
        DeleteButtonDirect(it->pItem);
        GuiMemFree(it);
        --m->bCount;
        return 0;
    }
    return 1;
}

GUIFRAME* _MenuDirectPut(GUIMENU* m)
{
    if (!drawable(m)) return nullptr;
    const int last = m->bLast < m->bCount ? m->bLast : m->bCount;
    int k = 0;
    for (int n = m->bFirst; n >= 1 && n <= last; ++n, ++k) {
        GUIBUTTON* b = item_at(m, n);
        if (!b) break;
        const int top = m->wTop + k * (m->wItemHeight + m->bGap);
        if (top > 0xFFFF) break;
        b->wTop = static_cast<uint16_t>(top);
        if (n == m->bFocus) {
            _ButtonEventPush(b);
            if (m->bFocusRim) {
                GUIBRUSH line = *m->pBrush;
                line.lFillColor = line.lLineColor;
                DrawRimRaised(corner(b->wLeft, b->wTop),
                              corner(b->wLeft + b->wWidth - 1, b->wTop + b->wHeight - 1), &line, m->pFrame);
            }
        } else {
            _ButtonDirectPut(b);
        }
    }
    return m->pFrame;
}

namespace
{
bool scrollable(const GUIMENU* m)
{
    return drawable(m) && m->bCount > 1 && m->bCount >= m->bVisible;
}
} // namespace

GUIFRAME* _MenuEventPrevious(GUIMENU* m)
{
    if (!scrollable(m)) return nullptr;
    const int n = m->bFirst == 1 ? m->bCount : m->bFirst - 1;
    if (n < m->bFirst) {
        --m->bFirst;
        --m->bLast;
    } else if (n > m->bLast) {
        m->bLast = static_cast<uint8_t>(n);
        m->bFirst = static_cast<uint8_t>(m->bLast - m->bVisible + 1);
    }
    return _MenuDirectPut(m);
}

GUIFRAME* _MenuEventNext(GUIMENU* m)
{
    if (!scrollable(m)) return nullptr;
    const int n = m->bLast >= m->bCount ? 1 : m->bLast + 1;
    if (n < m->bFirst) {
        m->bFirst = static_cast<uint8_t>(n);
        m->bLast = static_cast<uint8_t>(m->bFirst + m->bVisible - 1);
    } else if (n > m->bLast) {
        ++m->bFirst;
        ++m->bLast;
    }
    return _MenuDirectPut(m);
}

namespace
{
int click(GUIMENU* m, bool down)
{
    if (!m || !m->pItems) return 255;
    if (m->bFocus == 0) m->bFocus = static_cast<uint8_t>(m->bFirst + m->bFocusRow - 1);
    GUIBUTTON* b = item_at(m, m->bFocus); // a focus out of range is ignored
    if (!b) return 0;
    GUICLICK fn = down ? b->fnClickDown : b->fnClick;
    return fn ? fn(m) : 0;
}
} // namespace

int _MenuEventClick(GUIMENU* m)
{
    return click(m, false);
}
int _MenuEventClickDown(GUIMENU* m)
{
    return click(m, true);
}

GUIFRAME* _MenuTouchPut(GUIMENU* m, int iAction)
{
    if (!drawable(m)) return nullptr;
    if (iAction == 1) {
        m->bFocus = static_cast<uint8_t>(m->bFirst + m->bFocusRow - 1);
    } else if (iAction == 2) {
        if (m->bMarker == GUI_MENU_MARKER) m->bFocus = 0;
    } else {
        return nullptr;
    }
    return _MenuDirectPut(m);
}

int Match_ButtonInMenu(const GUIBUTTON* pButton, const GUIMENU* m)
{
    if (!pButton || !m) return 0;
    int n = 1;
    for (GUIMENUITEM* it = m->pItems; it; it = it->pNext, ++n)
        if (it->pItem == pButton) return n;
    return 0;
}

// ---- Scroll bars -----------------------------------------------------------------------------------
GUISCROLL* CreateScrollDirect(uint8_t bEnable, uint8_t bRim, uint16_t wWidth, uint16_t wHeight,
                              uint16_t wLeft, uint16_t wTop, uint16_t wMax, uint16_t wPos, uint16_t wThumb,
                              GUIBRUSH* pBrush, GUIFRAME* pFrame)
{
    auto* s = static_cast<GUISCROLL*>(GuiMemAlloc(sizeof(GUISCROLL)));
    if (!s) return fail("CreateScrollDirect", 0), nullptr;
    if (wWidth <= 7 || wHeight <= 7) {
        GuiMemFree(s);
        return fail("CreateScrollDirect", wWidth <= 7 ? 1 : 2), nullptr;
    }
    *s = GUISCROLL{bEnable, bRim, wWidth, wHeight, wLeft, wTop, wMax, wPos, wThumb, pBrush, pFrame};
    return s;
}

GUISCROLL* CreateScrollIndirect(const GUISCROLL* r)
{
    if (!r) return nullptr;
    return CreateScrollDirect(r->bEnable, r->bRim, r->wWidth, r->wHeight, r->wLeft, r->wTop, r->wMax, r->wPos,
                              r->wThumb, r->pBrush, r->pFrame);
}

int DeleteScrollDirect(GUISCROLL* s)
{
    return s ? GuiMemFree(s) : 0;
}

namespace
{
bool scroll_ok(const GUISCROLL* s)
{
    return s && s->bEnable && s->pBrush && s->pFrame && s->wMax && s->wThumb;
}

struct Thumb {
    int x0, y0, x1, y1;
};
Thumb thumb_of(const GUISCROLL* s)
{
    const double travel = s->wHeight - s->wThumb - 4;
    const double pos = s->wPos > s->wMax ? s->wMax : s->wPos;
    int y = s->wTop + 2 + static_cast<int>(pos / s->wMax * (travel > 0 ? travel : 0));
    return {s->wLeft + 2, y, s->wLeft + s->wWidth - 3, y + s->wThumb - 1};
}
} // namespace

GUIFRAME* _ScrollBlockErase(GUISCROLL* s)
{
    if (!scroll_ok(s)) return nullptr;
    Thumb t = thumb_of(s);
    return DrawBlockFill(corner(t.x0, t.y0), corner(t.x1, t.y1), s->pBrush, s->pFrame);
}

GUIFRAME* _ScrollBlockPut(GUISCROLL* s)
{
    if (!scroll_ok(s)) return nullptr;
    Thumb t = thumb_of(s);
    GUIFRAME* f = DrawBlockDirect(corner(t.x0, t.y0), corner(t.x1, t.y1), s->pBrush, s->pFrame);
    if (s->bRim == 1) {
        GUIBRUSH line = *s->pBrush;
        line.lFillColor = line.lLineColor;
        DrawRimRaised(corner(t.x0, t.y0), corner(t.x1, t.y1), &line, s->pFrame);
    }
    return f ? f : s->pFrame;
}

GUIFRAME* _ScrollDirectPut(GUISCROLL* s)
{
    if (!scroll_ok(s)) return nullptr;
    const uint32_t p1 = corner(s->wLeft, s->wTop),
                   p2 = corner(s->wLeft + s->wWidth - 1, s->wTop + s->wHeight - 1);
    DrawRectangleFill(p1, p2, s->pBrush, s->pFrame);
    if (s->bRim == 1) DrawRimHollow(p1, p2, s->pBrush, s->pFrame);
    return _ScrollBlockPut(s);
}

GUIFRAME* _ScrollEventInc(GUISCROLL* s)
{
    if (!scroll_ok(s)) return nullptr;
    _ScrollBlockErase(s);
    s->wPos = s->wPos >= s->wMax ? 0 : static_cast<uint16_t>(s->wPos + 1);
    return _ScrollBlockPut(s);
}

GUIFRAME* _ScrollEventDec(GUISCROLL* s)
{
    if (!scroll_ok(s)) return nullptr;
    _ScrollBlockErase(s);
    s->wPos = s->wPos == 0 ? s->wMax : static_cast<uint16_t>(s->wPos - 1);
    return _ScrollBlockPut(s);
}
