// The checks of the splice that may be ignored: with a switch on, the check's failure no longer stops the
// splice.
#include "forms/frmoptignore.h"

#include "formmodel/forms.h"
#include "forms/optionrows.h"

namespace
{
extern const ROWSCREEN kScreen;
const std::vector<OPTIONROW> kRows = {
    {240, "Estimated loss too high", false, 28, 4, 0, 1, OPTSHOW::ONOFF},
    {242, "Cleave angle too large", false, 20, 4, 0, 1, OPTSHOW::ONOFF},
    {241, "Core angle too large", false, 24, 4, 0, 1, OPTSHOW::ONOFF},
    {230, "Bubble in the splice", false, 32, 4, 0, 1, OPTSHOW::ONOFF},
    {249, "Splice too fat", false, 36, 4, 0, 1, OPTSHOW::ONOFF},
    {250, "Splice too thin", false, 40, 4, 0, 1, OPTSHOW::ONOFF},
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
    .ppWnd = &frmOptIgnore,
    .parent = &frmOption,
    .title = "Ignore Checks",
    .hint = "Up/Down: item   Confirm, Left/Right or - +: change (saved at once)   Cancel: back",
    .rows = rows,
    .key = key,
    .step = step,
};
} // namespace

ROW_FORM(frmOptIgnore, kScreen)
