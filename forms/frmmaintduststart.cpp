// The dust check at power-on (when the machine settings ask for it): one check over the wider
// window of the start-up, its verdict shown, a dirty view's error answered, then the start-up
// goes on.
#include "forms/frmmaintduststart.h"

#include "fiber/dustcheck.h"
#include "formmodel/forms.h"
#include "forms/frmmaintdustscreen.h"

namespace
{
const DUSTSCREEN kScreen = {.ppWnd = &frmMaintDustStart, .width = DUST_WIDTH_START, .startup = true};
} // namespace

DUST_SCREEN_FORM(frmMaintDustStart, kScreen)
