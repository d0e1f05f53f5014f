// Motor correction: with a pair laid in, the technician jogs the alignment motors until the
// fibres meet in both pictures (Up/Down the X motor, Left/Right the Y motor, 10 steps a press);
// Run keeps where they stand as the alignment motors' home. Both live pictures show above.
#include "forms/frmfactothermotorcorrect.h"

#include <cstdio>

#include "devices/motor.h"
#include "formmodel/forms.h"
#include "texts/facttesttexts.h"
#include "texts/textres.h"

namespace
{
constexpr int kJog = 10;

struct Correct {
    FactTestLines result;
} g;

void enter()
{
    g = Correct{};
}

void lines(FactTestLines& out)
{
    for (uint32_t m : {MOT_XALIGN, MOT_YALIGN}) {
        int pos = 0, dir = 0;
        MotorLimits l{};
        char s[64] = "-";
        if (GetMotorPosition(m, &pos, &dir) == 0 && GetMotorLimits(m, &l) == 0)
            std::snprintf(s, sizeof s, "%d  (%d .. %d)", pos, l.lower, l.upper);
        out.push_back({m == MOT_XALIGN ? "X align" : "Y align", s});
    }
    out.insert(out.end(), g.result.begin(), g.result.end());
}

int run()
{
    g.result.clear();
    int x = 0, y = 0;
    const int r = FactTestStoreAlignHome(&x, &y);
    char s[48];
    std::snprintf(s, sizeof s, "%d, %d", x, y);
    g.result.push_back({"Home stored", r == 0 ? s : "failed", r == 0 ? 1 : 0});
    return r == 0 ? 0 : -1;
}

uint32_t key(int k)
{
    int moved = -1;
    if (k == 5 || k == 6) moved = MoveAnyoneMotor(MOT_XALIGN, k == 5 ? kJog : -kJog);
    if (k == 7 || k == 8) moved = MoveAnyoneMotor(MOT_YALIGN, k == 8 ? kJog : -kJog);
    if (moved < 0 && !(k >= 5 && k <= 8)) return 0;
    g.result.clear();
    FactTestSetVerdict(-1);
    FactTestRefresh();
    return FACTTEST_KEY_TAKEN;
}

constexpr FACTTESTDEF kDef = {.ppWnd = &frmFactOtherMotorCorrect,
                              .title = TXT_FT_TITLE_MOTORCORRECT,
                              .enter = enter,
                              .run = run,
                              .lines = lines,
                              .liveHeight = 180,
                              .draw = FactTestPictures,
                              .poll = FactTestPicturesDue,
                              .key = key};
} // namespace

FACTTEST_FORM(frmFactOtherMotorCorrect, kDef)
