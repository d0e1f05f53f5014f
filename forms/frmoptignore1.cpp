// Further settings of the splice checks and pauses: the fault check sensitivity, the fibre check, the pauses
// and what follows them.
#include "forms/frmoptignore1.h"

#include "formmodel/forms.h"
#include "forms/optionrows.h"

namespace
{
const std::vector<OPTIONROW> kRows = {
    {TXT_OPT_CHECK_SENSITIVITY, "Check Sensitivity", false, 88, 1, 5, 15, OPTSHOW::DEC1},
    {TXT_OPT_FIBER_CHECK, "Fiber Check", false, 89, 1, 0, 1, OPTSHOW::ONOFF},
    {TXT_OPT_AUTO_START, "Auto Start", false, 0, 4, 0, 1, OPTSHOW::ONOFF},
    {TXT_STATUS_PAUSE1, "Pause 1", false, 4, 4, 0, 1, OPTSHOW::ONOFF},
    {TXT_STATUS_PAUSE2, "Pause 2", false, 8, 4, 0, 1, OPTSHOW::ONOFF},
    {TXT_OPT_REALIGN, "Realign After Pause", false, 76, 4, 0, 1, OPTSHOW::ONOFF},
    {TXT_OPT_SHOW_CLEAVE, "Show Cleave Angle", false, 12, 4, 0, 1, OPTSHOW::ONOFF},
    {TXT_OPT_SHOW_OFFSET, "Show Axis Offset", false, 16, 4, 0, 1, OPTSHOW::ONOFF},
};
} // namespace

OPTION_FORM(frmOptIgnore1, kRows, "More Ignore Settings")
