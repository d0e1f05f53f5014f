// The settings menu: every setting of the unit, each row opening its screen (a locked one, the
// menu lock and the storage format through their password).
#include "forms/frmsystem.h"

#include "formmodel/forms.h"
#include "forms/menuscreen.h"

namespace
{
const MENUSCREEN kMenu = {
    .ppWnd = &frmSystem,
    .items = {&frmSysLanguage, &frmSysPower, &frmSysCalendar, &frmSysPassword, &frmMenuLock, &frmStorage,
              &frmSysFormat, &frmSysWifi, &frmSystem4GSetting, &frmGpsSwitch, &frmUserInfoShow, &frmInformation},
};
} // namespace

MENU_SCREEN_FORM(frmSystem, kMenu)
