// The keypad test: every key that goes down shows its logical code and name, and the keys seen so
// far are listed; once each key was pressed the test passes. Cancel twice in a row goes back,
// Reset goes home (it also stops motors, so it keeps its meaning here).
#include "forms/frmfacttestkeypad.h"

#include <array>
#include <cstdio>
#include <string>

#include "formmodel/formevents.h"
#include "formmodel/forms.h"
#include "texts/facttesttexts.h"
#include "texts/textres.h"

namespace
{
// Logical codes of the keypad map: single keys 1..12, two-key combinations 0 and 13..19.
constexpr std::array<const char*, 20> kNames = {
    "Reset+Run",  "Reset",      "Cancel",  "Confirm",        "Menu",        "Up",          "Down",
    "Left",       "Right",      "Run",     "Heat",           "Arc",         "View",        "Menu+Left",
    "Right+Menu", "Right+Left", "Up+Down", "Confirm+Cancel", "Menu+Cancel", "Confirm+Menu"};
constexpr int kFirstSingle = 2, kLastSingle = 12; // the keys the test asks for (Reset leaves)

struct Keys {
    int last = -1;
    bool cancelOnce = false;
    std::array<bool, kNames.size()> seen{};
} g;

void enter()
{
    g = Keys{};
}

bool all_seen()
{
    for (int k = kFirstSingle; k <= kLastSingle; ++k)
        if (!g.seen[size_t(k)]) return false;
    return true;
}

void draw(GUIFRAME*, GUIFRAME* fore, int x, int y, int w, int h)
{
    if (g.last < 0) {
        FactTestText(fore, PanelTextOf(TXT_FT_PRESS_KEY), x, y, w, h, 2);
        return;
    }
    char s[64];
    std::snprintf(s, sizeof s, "%d   %s", g.last, g.last < int(kNames.size()) ? kNames[size_t(g.last)] : "?");
    FactTestText(fore, s, x, y, w, h, 2);
}

void lines(FactTestLines& out)
{
    out.push_back({"", g.last < 0 ? "-" : std::to_string(g.last), -1, TXT_FT_KEY_CODE});
    out.push_back(
        {"", g.last >= 0 && g.last < int(kNames.size()) ? kNames[size_t(g.last)] : "-", -1, TXT_FT_KEY_NAME});
    std::string seen;
    for (int k = kFirstSingle; k <= kLastSingle; ++k)
        if (g.seen[size_t(k)]) seen += std::string(seen.empty() ? "" : " ") + kNames[size_t(k)];
    out.push_back({"", seen.empty() ? "-" : seen, all_seen() ? 1 : -1, TXT_FT_KEYS_SEEN});
}

// Run (the touch button) starts again.
int run()
{
    g = Keys{};
    return 1;
}

uint32_t key(int k)
{
    if (k == 1) return 0;
    if (k == 2 && g.cancelOnce) return 0; // the frame's Cancel: back
    g.cancelOnce = k == 2;
    g.last = k;
    if (k >= 0 && k < int(kNames.size())) g.seen[size_t(k)] = true;
    std::printf("keypad test: key %d\n", k);
    FactTestSetVerdict(all_seen() ? 1 : -1);
    FactTestRefresh();
    return FACTTEST_KEY_TAKEN;
}

constexpr FACTTESTDEF kDef = {.ppWnd = &frmFactTestKeypad,
                              .title = TXT_FT_TITLE_KEYPAD,
                              .enter = enter,
                              .run = run,
                              .lines = lines,
                              .liveHeight = 120,
                              .draw = draw,
                              .key = key,
                              .runText = TXT_FT_CLEAR,
                              .readyText = TXT_FT_READY_KEYS};
} // namespace

int GetFactTestKeypadLast()
{
    return g.last;
}

FACTTEST_FORM(frmFactTestKeypad, kDef)
