// The settings menu: every setting of the unit, each row opening its screen (a locked one, the menu
// lock and the storage format through their password). Scenarios walk it by position.
#include "forms/frmsystem.h"

#include "formmodel/forms.h"
#include "forms/menuscreen.h"

namespace
{
const MENUSCREEN kMenu = {
    .ppWnd = &frmSystem,
    .items = {&frmSysLanguage, &frmSysPower, &frmSysCalendar, &frmSysPassword, &frmSysFormat, &frmStorage,
              &frmInformation, &frmSysWifi, &frmMenuLock, &frmUserInfoShow, &frmSystem4GSetting},
};
} // namespace

MENU_SCREEN_FORM(frmSystem, kMenu)
