// The splice options menu: the checks to ignore, further settings, the images.
#include "forms/frmoption.h"

#include "formmodel/forms.h"
#include "forms/modemenus.h"

namespace
{
const std::vector<MENUROW> kMenu = {
    {TXT_TITLE_IGNORE_CHECKS, "Ignore Checks", &frmOptIgnore},
    {TXT_TITLE_IGNORE_MORE, "More Ignore Settings", &frmOptIgnore1},
    {TXT_TITLE_IMAGE_OPTIONS, "Image Options", &frmOptImage},
};
} // namespace

MODE_MENU_FORM(frmOption, kMenu, frmSplice, "Splice Options")
