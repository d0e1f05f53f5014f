// "Camera Angle": the tilt of each fibre in each view.
#include "forms/frmfacttestround.h"

#include "formmodel/forms.h"
#include "texts/facttesttexts.h"
#include "texts/textres.h"

namespace
{
using Test = FactTestLinesOf<FactTestRound>;
constexpr FACTTESTDEF kDef = {.ppWnd = &frmFactTestRound,
                              .title = TXT_FT_TITLE_ROUND,
                              .enter = Test::enter,
                              .run = Test::run,
                              .lines = Test::lines,
                              .park = true};
} // namespace

FACTTEST_FORM(frmFactTestRound, kDef)
