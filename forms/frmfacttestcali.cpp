// The calibration test: each view's background level and electrode column.
#include "forms/frmfacttestcali.h"

#include "formmodel/forms.h"
#include "texts/facttesttexts.h"
#include "texts/textres.h"

namespace
{
using Test = FactTestLinesOf<FactTestCali>;
constexpr FACTTESTDEF kDef = {.ppWnd = &frmFactTestCali,
                              .title = TXT_FT_TITLE_CALI,
                              .enter = Test::enter,
                              .run = Test::run,
                              .lines = Test::lines};
} // namespace

FACTTEST_FORM(frmFactTestCali, kDef)
