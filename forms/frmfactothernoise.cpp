// The noise test: for each camera, over eight pictures, the background level, the noise (how much
// a pixel varies from picture to picture) and the spread (how much pixels differ across the
// picture). Both live pictures show above.
#include "forms/frmfactothernoise.h"

#include <cstdio>

#include "fiber/graphics.h"
#include "formmodel/forms.h"
#include "texts/facttesttexts.h"
#include "texts/textres.h"

namespace
{
constexpr int kFrames = 8;
// Grey levels: above this the picture is too noisy to measure edges to a tenth of a pixel.
constexpr double kMaxNoise = 3.0, kMaxSpread = 12.0;

int noise_test(FactTestLines& out)
{
    int failed = 0;
    for (int view : {VIEW_X, VIEW_Y}) {
        const std::string name = view == VIEW_X ? "X " : "Y ";
        FACTNOISE n{};
        if (FactTestNoise(view, kFrames, &n) != 0) {
            out.push_back({name + "picture", "none", 0});
            ++failed;
            continue;
        }
        char s[32];
        std::snprintf(s, sizeof s, "%.1f", n.mean);
        out.push_back({name + "level", s});
        std::snprintf(s, sizeof s, "%.2f", n.noise);
        out.push_back({name + "noise", s, n.noise <= kMaxNoise ? 1 : 0});
        std::snprintf(s, sizeof s, "%.2f", n.spread);
        out.push_back({name + "spread", s, n.spread <= kMaxSpread ? 1 : 0});
        failed += n.noise > kMaxNoise || n.spread > kMaxSpread;
    }
    return failed ? -1 : 0;
}

using Test = FactTestLinesOf<noise_test>;
constexpr FACTTESTDEF kDef = {.ppWnd = &frmFactOtherNoise,
                              .title = TXT_FT_TITLE_NOISE,
                              .enter = Test::enter,
                              .run = Test::run,
                              .lines = Test::lines,
                              .liveHeight = 180,
                              .draw = FactTestPictures,
                              .poll = FactTestPicturesDue};
} // namespace

FACTTEST_FORM(frmFactOtherNoise, kDef)
