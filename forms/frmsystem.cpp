// The settings menu: every setting of the unit, each row opening its screen (a locked one and the
// menu lock through the password). Scenarios walk it by position: new rows go at the end.
#include "forms/frmsystem.h"

#include "formmodel/forms.h"
#include "forms/menuscreen.h"

namespace
{
const MENUSCREEN kMenu = {
    .ppWnd = &frmSystem,
    .items = {&frmSysLanguage, &frmSysPower, &frmSysCalendar, &frmSysPassword, &frmStorage, &frmInformation,
              &frmSysWifi, &frmMenuLock, &frmUserInfoShow, &frmSystem4GSetting},
};
} // namespace

MENU_SCREEN_FORM(frmSystem, kMenu)
