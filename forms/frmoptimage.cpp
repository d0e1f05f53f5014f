// Which camera pictures the splice shows at each step, and what is stored with each splice.
#include "forms/frmoptimage.h"

#include "formmodel/forms.h"
#include "forms/optionrows.h"

namespace
{
extern const ROWSCREEN kScreen;
const std::vector<OPTIONROW> kRows = {
    {105, "Gap Setting", false, 52, 4, 1, 4, OPTSHOW::LAYOUT},
    {89, "Pause 1", false, 56, 4, 1, 4, OPTSHOW::LAYOUT},
    {107, "Aligning", false, 60, 4, 1, 4, OPTSHOW::LAYOUT},
    {90, "Pause 2", false, 64, 4, 1, 4, OPTSHOW::LAYOUT},
    {109, "Arc Discharge", false, 68, 4, 1, 4, OPTSHOW::LAYOUT},
    {761, "Loss Estimate", false, 72, 4, 1, 4, OPTSHOW::LAYOUT},
    {641, "Splice Records", false, 80, 4, 0, 1, OPTSHOW::STORING},
    {0, "Store Images", true, 113, 1, 0, 1, OPTSHOW::ONOFF},
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
    .ppWnd = &frmOptImage,
    .parent = &frmOption,
    .title = "Image Options",
    .hint = "Up/Down: item   Confirm, Left/Right or - +: change (saved at once)   Cancel: back",
    .rows = rows,
    .key = key,
    .step = step,
};
} // namespace

ROW_FORM(frmOptImage, kScreen)
