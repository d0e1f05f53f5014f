// The checks of the splice that may be ignored: with a switch on, the check's failure no longer stops the
// splice.
#include "forms/frmoptignore.h"

#include "formmodel/forms.h"
#include "forms/optionrows.h"

namespace
{
const std::vector<OPTIONROW> kRows = {
    {240, "Estimated loss too high", false, 28, 4, 0, 1, OPTSHOW::ONOFF},
    {242, "Cleave angle too large", false, 20, 4, 0, 1, OPTSHOW::ONOFF},
    {241, "Core angle too large", false, 24, 4, 0, 1, OPTSHOW::ONOFF},
    {230, "Bubble in the splice", false, 32, 4, 0, 1, OPTSHOW::ONOFF},
    {249, "Splice too fat", false, 36, 4, 0, 1, OPTSHOW::ONOFF},
    {250, "Splice too thin", false, 40, 4, 0, 1, OPTSHOW::ONOFF},
};
} // namespace

OPTION_FORM(frmOptIgnore, kRows, "Ignore Checks")
