// The alignment test: both alignment motors homed, driven and back, positions read.
#include "forms/frmfacttestalign.h"

#include "formmodel/forms.h"
#include "texts/facttesttexts.h"
#include "texts/textres.h"

namespace
{
using Test = FactTestLinesOf<FactTestAlign>;
constexpr FACTTESTDEF kDef = {.ppWnd = &frmFactTestAlign,
                              .title = TXT_FT_TITLE_ALIGN,
                              .enter = Test::enter,
                              .run = Test::run,
                              .lines = Test::lines};
} // namespace

FACTTEST_FORM(frmFactTestAlign, kDef)
