// The maintenance menu: the electrode, arc, optics, motor and software procedures, each row opening
// its screen (the software update through the menu lock password when the menu is locked). The
// menu itself is guarded on the way in from the root menu. Scenarios walk it by position: new
// rows go at the end.
#include "forms/frmmaintain.h"

#include "formmodel/forms.h"
#include "forms/menuscreen.h"

namespace
{
const MENUSCREEN kMenu = {
    .ppWnd = &frmMaintain,
    .items = {&frmMaintReplace, &frmMaintStabilize, &frmMaintArc, &frmMaintDust, &frmMaintMotor,
              &frmMaintBrightness, &frmMaintElectrode, &frmMaintUpdate, &frmMaintDiagnostic,
              &frmMaintMotorDriver},
};
} // namespace

MENU_SCREEN_FORM(frmMaintain, kMenu)
