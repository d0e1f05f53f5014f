// The complete factory test: runs the motor, picture and arc tests in order and lists each one's verdict.
#include "forms/frmfacttestall.h"

#include "formmodel/forms.h"
#include "texts/facttesttexts.h"
#include "texts/textres.h"

namespace
{
using Test = FactTestLinesOf<FactTestAll>;
constexpr FACTTESTDEF kDef = {.ppWnd = &frmFactTestAll,
                              .title = TXT_FT_TITLE_ALL,
                              .enter = Test::enter,
                              .run = Test::run,
                              .lines = Test::lines};
} // namespace

FACTTEST_FORM(frmFactTestAll, kDef)
