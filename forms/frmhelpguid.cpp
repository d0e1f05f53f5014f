// The help menu, the user guide's two sub-menus and its pages.
#include "forms/frmhelpguid.h"

#include "formmodel/forms.h"
#include "forms/guidepage.h"
#include "forms/menuscreen.h"

namespace
{
const MENUSCREEN kHelp = {
    .ppWnd = &frmHelpGuid,
    .items = {&frmUserFunction, &frmUserPowerSupply, &frmUserDailyMaintain, &frmUserSpliceProcess,
              &frmUserMaintainMenu, &frmUserSetupMenu},
};
const MENUSCREEN kFunctions = {
    .ppWnd = &frmUserFunction,
    .items = {&frmUserFuncOverview, &frmUserFuncMode, &frmUserFuncConnector, &frmUserFuncCommunication,
              &frmUserFuncVideo, &frmUserFuncContact},
};
const MENUSCREEN kSplicing = {
    .ppWnd = &frmUserSpliceProcess,
    .items = {&frmUserSpliceTools, &frmUserSplicePretreatment, &frmUserSpliceHowto, &frmUserSpliceExec,
              &frmUserSpliceCheck, &frmUserSpliceProtect},
};

GUIWINDOW** const kPages[GUIDE_PAGES] = {
    &frmUserPowerSupply,  &frmUserMaintainMenu, &frmUserSetupMenu,     &frmUserDailyMaintain,
    &frmUserSpliceHowto,  &frmUserSpliceCheck,  &frmUserSpliceExec,    &frmUserSpliceProtect,
    &frmUserFuncOverview, &frmUserFuncMode,     &frmUserFuncConnector, &frmUserFuncCommunication,
    &frmUserFuncContact,  &frmUserFuncVideo,    &frmUserSpliceTools,   &frmUserSplicePretreatment,
};

#define PAGE(form, n) const GUIDEPAGE k##form = {&form, n};
PAGE(frmUserPowerSupply, 0)
PAGE(frmUserMaintainMenu, 1)
PAGE(frmUserSetupMenu, 2)
PAGE(frmUserDailyMaintain, 3)
PAGE(frmUserSpliceHowto, 4)
PAGE(frmUserSpliceCheck, 5)
PAGE(frmUserSpliceExec, 6)
PAGE(frmUserSpliceProtect, 7)
PAGE(frmUserFuncOverview, 8)
PAGE(frmUserFuncMode, 9)
PAGE(frmUserFuncConnector, 10)
PAGE(frmUserFuncCommunication, 11)
PAGE(frmUserFuncContact, 12)
PAGE(frmUserFuncVideo, 13)
PAGE(frmUserSpliceTools, 14)
PAGE(frmUserSplicePretreatment, 15)
#undef PAGE
} // namespace

GUIWINDOW* GuidePageForm(int page)
{
    return page >= 0 && page < GUIDE_PAGES ? *kPages[page] : nullptr;
}

MENU_SCREEN_FORM(frmHelpGuid, kHelp)
MENU_SCREEN_FORM(frmUserFunction, kFunctions)
MENU_SCREEN_FORM(frmUserSpliceProcess, kSplicing)
GUIDE_PAGE_FORM(frmUserPowerSupply, kfrmUserPowerSupply)
GUIDE_PAGE_FORM(frmUserMaintainMenu, kfrmUserMaintainMenu)
GUIDE_PAGE_FORM(frmUserSetupMenu, kfrmUserSetupMenu)
GUIDE_PAGE_FORM(frmUserDailyMaintain, kfrmUserDailyMaintain)
GUIDE_PAGE_FORM(frmUserSpliceHowto, kfrmUserSpliceHowto)
GUIDE_PAGE_FORM(frmUserSpliceCheck, kfrmUserSpliceCheck)
GUIDE_PAGE_FORM(frmUserSpliceExec, kfrmUserSpliceExec)
GUIDE_PAGE_FORM(frmUserSpliceProtect, kfrmUserSpliceProtect)
GUIDE_PAGE_FORM(frmUserFuncOverview, kfrmUserFuncOverview)
GUIDE_PAGE_FORM(frmUserFuncMode, kfrmUserFuncMode)
GUIDE_PAGE_FORM(frmUserFuncConnector, kfrmUserFuncConnector)
GUIDE_PAGE_FORM(frmUserFuncCommunication, kfrmUserFuncCommunication)
GUIDE_PAGE_FORM(frmUserFuncContact, kfrmUserFuncContact)
GUIDE_PAGE_FORM(frmUserFuncVideo, kfrmUserFuncVideo)
GUIDE_PAGE_FORM(frmUserSpliceTools, kfrmUserSpliceTools)
GUIDE_PAGE_FORM(frmUserSplicePretreatment, kfrmUserSplicePretreatment)
