// "Mirror Position": where the fibres lie in each view against the middle of the frame.
#include "forms/frmfacttestmirror.h"

#include "formmodel/forms.h"
#include "texts/facttesttexts.h"
#include "texts/textres.h"

namespace
{
using Test = FactTestLinesOf<FactTestMirror>;
constexpr FACTTESTDEF kDef = {.ppWnd = &frmFactTestMirror,
                              .title = TXT_FT_TITLE_MIRROR,
                              .enter = Test::enter,
                              .run = Test::run,
                              .lines = Test::lines,
                              .park = true};
} // namespace

FACTTEST_FORM(frmFactTestMirror, kDef)
