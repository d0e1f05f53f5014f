// Further settings of the splice checks and pauses: the fault check sensitivity, the fibre check, the pauses
// and what follows them.
#include "forms/frmoptignore1.h"

#include "formmodel/forms.h"
#include "forms/optionrows.h"

namespace
{
extern const ROWSCREEN kScreen;
const std::vector<OPTIONROW> kRows = {
    {0, "Check Sensitivity", false, 88, 1, 5, 15, OPTSHOW::DEC1},
    {0, "Fiber Check", false, 89, 1, 0, 1, OPTSHOW::ONOFF},
    {0, "Auto Start", false, 0, 4, 0, 1, OPTSHOW::ONOFF},
    {89, "Pause 1", false, 4, 4, 0, 1, OPTSHOW::ONOFF},
    {90, "Pause 2", false, 8, 4, 0, 1, OPTSHOW::ONOFF},
    {0, "Realign After Pause", false, 76, 4, 0, 1, OPTSHOW::ONOFF},
    {0, "Show Cleave Angle", false, 12, 4, 0, 1, OPTSHOW::ONOFF},
    {0, "Show Axis Offset", false, 16, 4, 0, 1, OPTSHOW::ONOFF},
};
const OPTIONSCREEN kOptions = {&kRows, &kScreen};

void rows(std::vector<ROWLINE>& out)
{
    OptionRows(kOptions, out);
}
uint32_t key(int k, int)
{
    return OptionKey(kOptions, k);
}
void step(int row, int dir, int)
{
    OptionChange(kOptions, row, dir);
}

const ROWSCREEN kScreen = {
    .ppWnd = &frmOptIgnore1,
    .parent = &frmOption,
    .title = "More Ignore Settings",
    .hint = "Up/Down: item   Confirm, Left/Right or - +: change (saved at once)   Cancel: back",
    .rows = rows,
    .key = key,
    .step = step,
};
} // namespace

ROW_FORM(frmOptIgnore1, kScreen)
