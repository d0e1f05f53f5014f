// The arc test: fires an arc and shows the glow in both views against the dark level.
#include "forms/frmfacttestarc.h"

#include "formmodel/forms.h"
#include "texts/facttesttexts.h"
#include "texts/textres.h"

namespace
{
using Test = FactTestLinesOf<FactTestArcStandard>;
constexpr FACTTESTDEF kDef = {.ppWnd = &frmFactTestArc,
                              .title = TXT_FT_TITLE_ARC,
                              .enter = Test::enter,
                              .run = Test::run,
                              .lines = Test::lines};
} // namespace

FACTTEST_FORM(frmFactTestArc, kDef)
