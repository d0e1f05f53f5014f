// The pages of the user guide: paragraphs of text resources, wrapped to the screen's width in the
// current language (a paragraph the language lacks is shown in English), scrolled a line with
// Up/Down and a screen with Left/Right or the two arrow buttons.
#pragma once

#include <cstdint>
#include <vector>

#include "gui/text.h"
#include "gui/window.h"

struct GUIDEPAGE {
    GUIWINDOW** ppWnd;
    int page; // its paragraphs are TXT_GUIDE + page * TXT_GUIDE_PAGE_TEXTS + 0, 1, ...
};

uint32_t GuidePageInitialize(const GUIDEPAGE& def);
uint32_t GuidePagePaint(const GUIDEPAGE& def);
uint32_t GuidePageProcess(const GUIDEPAGE& def);
uint32_t GuidePageRelease(const GUIDEPAGE& def);

// The lines of a text of at most `width` pixels, each character taking its advance plus `gap`:
// broken after a space, or before any character of a language without spaces; a word wider than
// the width is cut. Codes without the final 0.
std::vector<std::vector<uint16_t>> GuideWrap(const GUISTRING* text, int width, int gap);
// The gap the page's font puts around each character.
int GuideFontGap();
// The page on show: its wrapped lines, the first line shown, and the lines a screen holds.
const std::vector<std::vector<uint16_t>>& GuidePageLines();
int GuidePageTop();
constexpr int GUIDE_LINES_SHOWN = 12;
constexpr int GUIDE_TEXT_WIDTH = 680;

#define GUIDE_PAGE_FORM(form, def)                                                                           \
    uint32_t form##_Initialize()                                                                             \
    {                                                                                                        \
        return GuidePageInitialize(def);                                                                     \
    }                                                                                                        \
    uint32_t form##_Release()                                                                                \
    {                                                                                                        \
        return GuidePageRelease(def);                                                                        \
    }                                                                                                        \
    uint32_t form##_Paint()                                                                                  \
    {                                                                                                        \
        return GuidePagePaint(def);                                                                          \
    }                                                                                                        \
    uint32_t form##_Process()                                                                                \
    {                                                                                                        \
        return GuidePageProcess(def);                                                                        \
    }
