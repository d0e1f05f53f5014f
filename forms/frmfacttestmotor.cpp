// The motor test: all six motors homed, to a position and back, positions read.
#include "forms/frmfacttestmotor.h"

#include "formmodel/forms.h"
#include "texts/facttesttexts.h"
#include "texts/textres.h"

namespace
{
using Test = FactTestLinesOf<FactTestMotor>;
constexpr FACTTESTDEF kDef = {.ppWnd = &frmFactTestMotor,
                              .title = TXT_FT_TITLE_MOTOR,
                              .enter = Test::enter,
                              .run = Test::run,
                              .lines = Test::lines};
} // namespace

FACTTEST_FORM(frmFactTestMotor, kDef)
