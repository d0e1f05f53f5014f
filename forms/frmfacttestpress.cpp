// The press motor test: both press motors homed, driven forward and back, positions read.
#include "forms/frmfacttestpress.h"

#include "formmodel/forms.h"
#include "texts/facttesttexts.h"
#include "texts/textres.h"

namespace
{
using Test = FactTestLinesOf<FactTestPress>;
constexpr FACTTESTDEF kDef = {.ppWnd = &frmFactTestPress,
                              .title = TXT_FT_TITLE_PRESS,
                              .enter = Test::enter,
                              .run = Test::run,
                              .lines = Test::lines};
} // namespace

FACTTEST_FORM(frmFactTestPress, kDef)
