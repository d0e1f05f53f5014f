// The help menu and the user guide: its menus and its pages of text.
#pragma once

#include <cstdint>

#include "gui/window.h"

#define GUIDE_FORM_ENTRIES(form)                                                                             \
    uint32_t form##_Initialize();                                                                            \
    uint32_t form##_Release();                                                                               \
    uint32_t form##_Paint();                                                                                 \
    uint32_t form##_Process();

GUIDE_FORM_ENTRIES(frmHelpGuid)
GUIDE_FORM_ENTRIES(frmUserFunction)
GUIDE_FORM_ENTRIES(frmUserSpliceProcess)
GUIDE_FORM_ENTRIES(frmUserPowerSupply)
GUIDE_FORM_ENTRIES(frmUserMaintainMenu)
GUIDE_FORM_ENTRIES(frmUserSetupMenu)
GUIDE_FORM_ENTRIES(frmUserDailyMaintain)
GUIDE_FORM_ENTRIES(frmUserSpliceHowto)
GUIDE_FORM_ENTRIES(frmUserSpliceCheck)
GUIDE_FORM_ENTRIES(frmUserSpliceExec)
GUIDE_FORM_ENTRIES(frmUserSpliceProtect)
GUIDE_FORM_ENTRIES(frmUserFuncOverview)
GUIDE_FORM_ENTRIES(frmUserFuncMode)
GUIDE_FORM_ENTRIES(frmUserFuncConnector)
GUIDE_FORM_ENTRIES(frmUserFuncCommunication)
GUIDE_FORM_ENTRIES(frmUserFuncContact)
GUIDE_FORM_ENTRIES(frmUserFuncVideo)
GUIDE_FORM_ENTRIES(frmUserSpliceTools)
GUIDE_FORM_ENTRIES(frmUserSplicePretreatment)

#undef GUIDE_FORM_ENTRIES

// The guide's pages in the order of their texts (page p's paragraphs start at TXT_GUIDE + 20 p).
constexpr int GUIDE_PAGES = 16;
GUIWINDOW* GuidePageForm(int page);
