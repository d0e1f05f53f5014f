// Widgets: button layout and the two-line split, push and revert, captions, menus scrolling with
// wrap-around and clicks, scroll bars, the background helpers and the standard builders.
#include <cstring>
#include <string>
#include <vector>

#include "gui_fixture.h"

namespace
{

using guitest::GuiTest;

std::vector<uint16_t> codes(const GUISTRING* s)
{
    return s ? std::vector<uint16_t>(s->pText, s->pText + s->wLength) : std::vector<uint16_t>{};
}
std::vector<uint16_t> codes(const char* s)
{
    return std::vector<uint16_t>(s, s + std::strlen(s));
}

class WidgetTest : public GuiTest
{
  protected:
    GUIBRUSH* brush() { return GetBrushObject("_DSK_BRSH"); }
    GUICURSOR* cursor() { return GetCursorObject("_USER_WND"); }
    GUIFONT* font() { return GetFontObject("_TXT_WHT"); }
    int text_width(const char* s)
    {
        GUISTRING* t = StrAsciiTrans(s, 15, 1);
        int w = t->wWidth + t->wLength; // left gap 1 per glyph
        DeleteStringDirect(t);
        return w;
    }
};

TEST_F(WidgetTest, ButtonLayoutAndTwoLineSplit)
{
    struct Case {
        const char* text;
        int width, height;
        int result;                // of _ButtonMemberAdjust
        const char *line1, *line2; // the split, when two lines
    };
    const int full = text_width("aaa bbb ccc ddd");
    const Case cases[] = {
        {"aaa bbb ccc ddd", full + 10, 40, 0, nullptr, nullptr},
        {"aaa bbb ccc ddd", full - 10, 60, 0, "aaa bbb ", "ccc ddd"}, // three spaces: after the second
        {"aaa bbb", text_width("aaa bbb") - 4, 60, 0, "aaa ", "bbb"},
        {"abcdefghij", text_width("abcdefghij") - 4, 60, 0, "abcde", "fghij"}, // no space: the middle
        {"aaa bbb ccc ddd", full - 10, 40, 1, nullptr, nullptr},               // two lines do not fit in 40
        {"aaaaaaaaaa bbb", text_width("aaaaaaaaaa") - 2, 60, 1, nullptr, nullptr}, // a line too wide
    };
    for (const Case& c : cases) {
        GUISTRING* s = StrAsciiTrans(c.text, 15, 1);
        GUIBUTTON* b = CreateButtonDirect(1, 1, 0, 2, uint16_t(c.width), uint16_t(c.height), 100, 100,
                                          brush(), cursor(), font(), fore_, nullptr, s, nullptr);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(_ButtonMemberAdjust(b), c.result) << c.text << " in " << c.width;
        if (c.result == 0) {
            EXPECT_EQ(b->wLines, c.line1 ? 2 : 1) << c.text;
            if (c.line1) {
                EXPECT_EQ(codes(b->pSplitText[0]), codes(c.line1));
                EXPECT_EQ(codes(b->pSplitText[1]), codes(c.line2));
            }
        } else {
            _FrameBufferClear(fore_);
            EXPECT_EQ(_ButtonDirectPut(b), nullptr); // not drawn at all
            EXPECT_EQ(GetFramePixel(fore_, 101, 101), 255u);
        }
        DeleteButtonDirect(b);
        DeleteStringDirect(s);
    }
}

TEST_F(WidgetTest, AlignmentOffsetsAndVerticalCentring)
{
    GUISTRING* s = StrAsciiTrans("OK", 15, 1);
    const int content = s->wWidth + 2;
    struct Case {
        uint8_t align;
        int x;
    };
    const int width = 101;
    const Case cases[] = {{0, 10 + 2},
                          {1, 10 + width - content - 2},
                          {2, 10 + (width - content) / 2 + ((width - content) % 2)}};
    for (const Case& c : cases) {
        GUIBUTTON* b = CreateButtonDirect(1, 0, 0, c.align, width, 41, 10, 20, brush(), cursor(), font(),
                                          fore_, nullptr, s, nullptr);
        ASSERT_EQ(_ButtonMemberAdjust(b), 0);
        EXPECT_EQ(cursor()->wX, c.x) << int(c.align);
        EXPECT_EQ(cursor()->wY, 20 + (41 + 24) / 2 + 1 - 1); // 41 - 24 is odd
        DeleteButtonDirect(b);
    }
    GUIBUTTON* bad =
        CreateButtonDirect(1, 0, 0, 7, 100, 40, 0, 0, brush(), cursor(), font(), fore_, nullptr, s, nullptr);
    EXPECT_EQ(_ButtonMemberAdjust(bad), 255);
    DeleteButtonDirect(bad);
    EXPECT_EQ(
        CreateButtonDirect(1, 0, 0, 0, 3, 40, 0, 0, brush(), cursor(), font(), fore_, nullptr, s, nullptr),
        nullptr);
    EXPECT_EQ(
        CreateButtonDirect(1, 0, 0, 0, 40, 3, 0, 0, brush(), cursor(), font(), fore_, nullptr, s, nullptr),
        nullptr);
    DeleteStringDirect(s);
}

TEST_F(WidgetTest, PushFillsWithTheLineColourAndRevertRestores)
{
    GUISTRING* s = StrAsciiTrans("Go", 15, 1);
    GUIBUTTON* b = CreateButtonDirect(1, 1, 0, 2, 80, 40, 200, 200, brush(), cursor(), font(), fore_, nullptr,
                                      s, [](void*) { return 4; });
    ASSERT_EQ(b->fnPut(b), fore_);
    EXPECT_EQ(GetFramePixel(fore_, 203, 203), 74u); // fill colour
    ASSERT_EQ(b->fnPush(b), fore_);
    EXPECT_EQ(GetFramePixel(fore_, 203, 203), 13u); // line colour
    int text_pixels = 0;
    for (int y = 200; y < 240; ++y)
        for (int x = 200; x < 280; ++x)
            text_pixels += GetFramePixel(fore_, uint16_t(x), uint16_t(y)) == (~187u & 0xFF);
    EXPECT_GT(text_pixels, 10); // the text in the complemented colour
    ASSERT_EQ(b->fnRevert(b), fore_);
    EXPECT_EQ(GetFramePixel(fore_, 203, 203), 74u);
    EXPECT_EQ(b->fnClick(b), 4);
    b->bStyle = 0;
    EXPECT_EQ(b->fnPut(b), nullptr);
    DeleteButtonDirect(b);
    DeleteStringDirect(s);
}

TEST_F(WidgetTest, WidgetsPastTheFrameAreClipped)
{
    GUISTRING* s = StrAsciiTrans("Edge", 15, 1);
    GUIBUTTON* b = CreateButtonDirect(1, 1, 0, 0, 100, 40, 760, 460, brush(), cursor(), font(), fore_,
                                      nullptr, s, nullptr);
    ASSERT_EQ(_ButtonDirectPut(b), fore_);
    EXPECT_EQ(GetFramePixel(fore_, 799, 479), 74u);
    EXPECT_EQ(GetFramePixel(fore_, 780, 470), 74u);
    DeleteButtonDirect(b);
    DeleteStringDirect(s);
}

TEST_F(WidgetTest, MenuScrollsWithWrapAroundAndClicks)
{
    GUIMENU* m = BuildStdMenu(11); // 7 rows
    ASSERT_NE(m, nullptr);
    std::vector<GUISTRING*> texts;
    static int clicked = 0;
    for (int i = 1; i <= 9; ++i) {
        texts.push_back(StrAsciiTrans(("Item " + std::to_string(i)).c_str(), 15, 1));
        _MenuItemAdd(
            nullptr, texts.back(), [](void* menu) { return clicked = static_cast<GUIMENU*>(menu)->bFocus; },
            m);
    }
    ASSERT_EQ(m->bCount, 9);
    struct Step {
        bool next;
        int first, last;
    };
    const Step steps[] = {{true, 2, 8},  {true, 3, 9},  {true, 1, 7},
                          {false, 3, 9}, {false, 2, 8}, {false, 1, 7}};
    for (const Step& s : steps) {
        ASSERT_EQ(s.next ? m->fnNext(m) : m->fnPrevious(m), m->pFrame);
        EXPECT_EQ(m->bFirst, s.first);
        EXPECT_EQ(m->bLast, s.last);
    }
    // Items are laid out from the first visible one.
    m->bFirst = 3;
    m->bLast = 9;
    _MenuDirectPut(m);
    GUIMENUITEM* it = m->pItems->pNext->pNext;
    EXPECT_EQ(it->pItem->wTop, 57);
    EXPECT_EQ(it->pNext->pItem->wTop, 57 + 56);
    // A click without focus takes the focused row.
    m->bFocusRow = 2;
    EXPECT_EQ(m->fnClick(m), 4);
    EXPECT_EQ(clicked, 4);
    m->bFocus = 200; // out of range: ignored
    EXPECT_EQ(m->fnClick(m), 0);
    // Touch feedback: down focuses the touched row, up clears it (CreateMenuDirect's marker).
    m->bFocus = 0;
    m->bFocusRow = 1;
    m->fnTouchPut(m, 1);
    EXPECT_EQ(m->bFocus, 3);
    m->fnTouchPut(m, 2);
    EXPECT_EQ(m->bFocus, 0);
    DeleteMenuDirect(m);
    for (GUISTRING* s : texts)
        DeleteStringDirect(s);
    GUIMENU* empty = BuildStdMenu(0);
    EXPECT_EQ(_MenuEventClick(empty), 255);
    EXPECT_EQ(_MenuEventNext(empty), nullptr);
    DeleteMenuDirect(empty);
}

TEST_F(WidgetTest, ScrollThumbFromTopToBottomAndBack)
{
    GUISCROLL* s = BuildStdScroll(0, 10, 10, 40);
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(_ScrollDirectPut(s), fore_);
    // At the maximum the thumb ends three lines above the track's bottom.
    EXPECT_EQ(GetFramePixel(fore_, 630, 40 + 400 - 3 - 1), 74u);
    EXPECT_NE(GetFramePixel(fore_, 630, 40 + 400 - 3 - 40 - 1), 74u);
    _ScrollEventInc(s);
    EXPECT_EQ(s->wPos, 0);
    EXPECT_EQ(GetFramePixel(fore_, 630, 42), 74u);
    EXPECT_NE(GetFramePixel(fore_, 630, 40 + 400 - 4), 74u);
    _ScrollEventDec(s);
    EXPECT_EQ(s->wPos, 10);
    s->wThumb = 0;
    EXPECT_EQ(_ScrollDirectPut(s), nullptr);
    DeleteScrollDirect(s);
}

TEST_F(WidgetTest, MenuBackgroundIsBackWhereItWas)
{
    GUIIMAGE* img = BuildStdImage(0, 800, 56, 0, 57, "bitmap/Workbench/BackWork.bmp");
    ASSERT_NE(img, nullptr);
    for (int row : {0, 3, 6}) {
        EXPECT_EQ(DrawMenuBack(row, img, back_), 0);
        EXPECT_EQ(img->wTop, 57);
    }
    EXPECT_EQ(DrawMenuBackEx(2, img, back_), 0);
    EXPECT_EQ(img->wTop, 57);
    DeleteImageDirect(img);
}

TEST_F(WidgetTest, StandardBuilders)
{
    GUIWINDOW* user = BuildStdWindow(1, nullptr, nullptr, nullptr, nullptr);
    GUIWINDOW* fact = BuildStdWindow(0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(user && fact);
    EXPECT_EQ(BuildStdWindow(2, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(user->pFrmMain, back_);
    EXPECT_EQ(fact->pFrmMain, fore_);
    EXPECT_EQ(user->pBrush, GetBrushObject("_USER_WHT"));
    EXPECT_EQ(fact->pFont, GetFontObject("_DSK_FNT"));
    EXPECT_EQ(user->pKeypad, GetKeypadObject(DEV_KEY));
    EXPECT_EQ(user->bType, 1);
    EXPECT_EQ(user->wWidth, 800);
    DeleteWindowDirect(user);
    DeleteWindowDirect(fact);
    EXPECT_EQ(CreateWindowDirect(1, 0, 3, 480, 0, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr, nullptr, nullptr),
              nullptr);

    struct MenuCase {
        int kind;
        int style, align, gap, rows, w, h, left, top;
        uint8_t marker;
    };
    const MenuCase menus[] = {
        {0, 4, 0, 0, 11, 500, 30, 40, 85, 0},    {1, 4, 2, 0, 11, 180, 30, 540, 85, 165},
        {9, 4, 0, 2, 7, 475, 54, 226, 57, 165},  {10, 4, 0, 2, 7, 275, 54, 226, 57, 165},
        {11, 4, 2, 2, 7, 200, 54, 500, 57, 165}, {12, 4, 2, 2, 7, 200, 54, 500, 57, 165},
        {13, 3, 2, 0, 6, 200, 68, 0, 72, 0}};
    for (const MenuCase& c : menus) {
        GUIMENU* m = BuildStdMenu(c.kind);
        ASSERT_NE(m, nullptr) << c.kind;
        EXPECT_EQ(m->bStyle, c.style);
        EXPECT_EQ(m->bAlign, c.align);
        EXPECT_EQ(m->bGap, c.gap);
        EXPECT_EQ(m->bVisible, c.rows);
        EXPECT_EQ(m->wItemWidth, c.w);
        EXPECT_EQ(m->wItemHeight, c.h);
        EXPECT_EQ(m->wLeft, c.left);
        EXPECT_EQ(m->wTop, c.top);
        EXPECT_EQ(m->bMarker, c.marker) << c.kind;
        DeleteMenuDirect(m);
    }
    EXPECT_EQ(BuildStdMenu(2), nullptr);

    GUICAPTION* cap = BuildStdCaption(0, nullptr, nullptr);
    ASSERT_NE(cap, nullptr);
    EXPECT_EQ(cap->wWidth, 800);
    EXPECT_EQ(cap->bRim, 1);
    DeleteCaptionDirect(cap);
    EXPECT_EQ(BuildStdCaption(1, nullptr, nullptr), nullptr);
    GUISTATUS* st = BuildStdStatus(0, nullptr);
    ASSERT_NE(st, nullptr);
    EXPECT_EQ(st->wTop, 440);
    DeleteStatusDirect(st);
    EXPECT_EQ(BuildStdButton(0), nullptr);
    GUIIMAGE* keyed = BuildStdImage(3, 1, 1, 0, 0, "x.bmp");
    EXPECT_EQ(keyed->lKeyColor, 0xF6F6F6u);
    EXPECT_EQ(keyed->bDepth, 24);
    DeleteImageDirect(keyed);
    EXPECT_EQ(BuildStdImage(5, 1, 1, 0, 0, "x.bmp"), nullptr);
}

TEST_F(WidgetTest, CaptionAndStatusPut)
{
    GUISTRING* s = StrAsciiTrans("Title", 19, 2);
    GUICAPTION* cap = CreateCaptionDirect(1, 1, 2, 300, 35, 10, 10, GetBrushObject("_CAP_BRSH"),
                                          GetCursorObject("_CAP_CURS"), font(), fore_, nullptr, s);
    ASSERT_EQ(cap->fnPut(cap), fore_);
    EXPECT_EQ(GetFramePixel(fore_, 12, 12), 188u);
    cap->bEnable = 0;
    EXPECT_EQ(cap->fnPut(cap), nullptr);
    DeleteCaptionDirect(cap);
    GUISTATUS* st = CreateStatusDirect(1, 0, 0, 30, 35, 10, 100, GetBrushObject("_STA_BRSH"),
                                       GetCursorObject("_STA_CURS"), font(), fore_, s);
    EXPECT_EQ(st->fnPut(st), nullptr); // the text does not fit: nothing drawn
    DeleteStatusDirect(st);
    DeleteStringDirect(s);
}

} // namespace
