// "Brightness Wave": the FPGA's column profiles of both views at one column, drawn live side by side
// (Left/Right move the column); Run checks that each view shows a fibre's shadow there.
#include "forms/frmfacttestwave.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "devices/platdev.h"
#include "fiber/graphics.h"
#include "formmodel/forms.h"
#include "forms/formkit.h"
#include "gui/global.h"
#include "platform/seam.h"
#include "texts/facttesttexts.h"
#include "texts/textres.h"

namespace
{
constexpr int kSamples = 480, kStep = 20, kRefreshMs = 250;
constexpr uint32_t kCurve[2] = {0x1F5FBF, 0xC0392B}, kGrid = 0xC9D3DE;

struct Wave {
    int column = 160;
    std::array<std::array<uint8_t, kSamples>, 2> profile{};
    bool read[2] = {};
    uint64_t last = 0;
    FactTestLines result;
} g;

void read_profiles()
{
    for (int v = 0; v < 2; ++v) {
        const int line = v == 0 ? 0 : 4;
        g.read[v] = SetBrightWavePosition(line, g.column) == 0 &&
                    GetBrightWave(line, g.profile[size_t(v)].data()) == 0;
    }
    g.last = plat_monotonic_ms();
}

void enter()
{
    g = Wave{};
    read_profiles();
}

// One view's profile in a box: rows of the picture across, grey level up.
void draw_curve(GUIFRAME* back, GUIFRAME* fore, int v, int x, int y, int w, int h)
{
    if (back) {
        GUIBRUSH grid{1, 1, FormRgb(back, kGrid), FormRgb(back, kGrid), nullptr};
        for (int level = 0; level <= 256; level += 64) {
            const int gy = y + h - 1 - level * (h - 1) / 256;
            DrawHorizontalDirect(MakePoint(uint32_t(x), uint32_t(gy)),
                                 MakePoint(uint32_t(x + w - 1), uint32_t(gy)), &grid, back);
        }
    }
    FactTestText(fore, v == 0 ? "X" : "Y", x + 4, y, 30, 24);
    if (!g.read[v] || !back) return;
    // On the layer below: its palette has the curves' colours.
    const uint32_t c = FormRgb(back, kCurve[v]);
    GUIBRUSH pen{1, 1, c, c, nullptr};
    auto point = [&](int i) {
        const int px = x + i * (w - 1) / (kSamples - 1);
        const int py = y + h - 1 - g.profile[size_t(v)][size_t(i)] * (h - 1) / 255;
        return MakePoint(uint32_t(px), uint32_t(py));
    };
    for (int i = 1; i < kSamples; ++i)
        DrawLineDirect(point(i - 1), point(i), &pen, back);
}

void draw(GUIFRAME* back, GUIFRAME* fore, int x, int y, int w, int h)
{
    const int half = (w - 20) / 2;
    draw_curve(back, fore, 0, x, y, half, h);
    draw_curve(back, fore, 1, x + half + 20, y, half, h);
}

void lines(FactTestLines& out)
{
    char s[48];
    std::snprintf(s, sizeof s, "%d  (Left/Right)", g.column);
    out.push_back({"Column", s});
    out.insert(out.end(), g.result.begin(), g.result.end());
}

int run()
{
    g.result.clear();
    int failed = 0;
    for (int view : {VIEW_X, VIEW_Y}) {
        double c = 0, w = 0;
        const bool seen = FactTestShadow(view, g.column, &c, &w);
        char s[48];
        std::snprintf(s, sizeof s, "row %.1f, width %.1f", c, w);
        g.result.push_back({view == VIEW_X ? "X shadow" : "Y shadow", seen ? s : "no fiber", seen ? 1 : 0});
        failed += !seen;
    }
    read_profiles();
    return failed ? -1 : 0;
}

bool poll()
{
    if (plat_monotonic_ms() - g.last < kRefreshMs) return false;
    read_profiles();
    return true;
}

uint32_t key(int k)
{
    if (k != 7 && k != 8) return 0;
    g.column = std::clamp(g.column + (k == 7 ? -kStep : kStep), 20, 620);
    g.result.clear();
    read_profiles();
    FactTestRefresh();
    return FACTTEST_KEY_TAKEN;
}

constexpr FACTTESTDEF kDef = {.ppWnd = &frmFactTestWave,
                              .title = TXT_FT_TITLE_WAVE,
                              .enter = enter,
                              .run = run,
                              .lines = lines,
                              .liveHeight = 270,
                              .draw = draw,
                              .poll = poll,
                              .key = key};
} // namespace

// The profile of a view (1 X, 2 Y) as last drawn.
const uint8_t* GetFactTestWave(int view)
{
    return view == VIEW_X || view == VIEW_Y ? g.profile[size_t(view - 1)].data() : nullptr;
}
int GetFactTestWaveColumn()
{
    return g.column;
}

FACTTEST_FORM(frmFactTestWave, kDef)
