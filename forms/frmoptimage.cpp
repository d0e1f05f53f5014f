// Which camera pictures the splice shows at each step, and what is stored with each splice.
#include "forms/frmoptimage.h"

#include "formmodel/forms.h"
#include "forms/optionrows.h"

namespace
{
const std::vector<OPTIONROW> kRows = {
    {TXT_STATUS_GAP, "Gap Setting", false, 52, 4, 1, 4, OPTSHOW::LAYOUT},
    {TXT_STATUS_PAUSE1, "Pause 1", false, 56, 4, 1, 4, OPTSHOW::LAYOUT},
    {TXT_STATUS_ALIGN, "Aligning", false, 60, 4, 1, 4, OPTSHOW::LAYOUT},
    {TXT_STATUS_PAUSE2, "Pause 2", false, 64, 4, 1, 4, OPTSHOW::LAYOUT},
    {TXT_STATUS_ARC, "Arc Discharge", false, 68, 4, 1, 4, OPTSHOW::LAYOUT},
    {TXT_ITEM_LOSS_ESTIMATE, "Loss Estimate", false, 72, 4, 1, 4, OPTSHOW::LAYOUT},
    {TXT_TITLE_SPLICE_RECORDS, "Splice Records", false, 80, 4, 0, 1, OPTSHOW::STORING},
    {TXT_OPT_STORE_IMAGES, "Store Images", true, 113, 1, 0, 1, OPTSHOW::ONOFF},
};
} // namespace

OPTION_FORM(frmOptImage, kRows, "Image Options")
