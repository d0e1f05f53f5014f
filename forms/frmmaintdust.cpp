// The dust check from the maintenance menu: Run (or Confirm) checks both views with the cover
// closed and no fibre in view; the X/Y key shows the other view's mask.
#include "forms/frmmaintdust.h"

#include "fiber/dustcheck.h"
#include "formmodel/forms.h"
#include "forms/frmmaintdustscreen.h"

namespace
{
const DUSTSCREEN kScreen = {.ppWnd = &frmMaintDust, .width = DUST_WIDTH_MAINT, .startup = false};
} // namespace

DUST_SCREEN_FORM(frmMaintDust, kScreen)
