// The splice-mode, heater-mode and splice option screens as the operator sees them, in English and
// in Simplified Chinese, compared with their reference pictures.
#include "formmodel/formevents.h"
#include "forms/frmheateditprop.h"
#include "forms/frmsplceditprop.h"
#include "forms/modetable.h"
#include "formtest.h"
#include "tests/support/screens.h"

namespace
{

struct Case {
    const char* name;
    GUIWINDOW*& form;
    uint32_t param; // the editors: the mode's table index
};

void show_all(const char* suffix)
{
    const Case cases[] = {
        {"splice", frmSplice, 0},
        {"splcselect", frmSplcSelect, 0},
        {"splcedit", frmSplcEdit, 0},
        {"splcdelete", frmSplcDelete, 0},
        {"splceditprop", frmSplcEditProp, 0},
        {"splcselecttemp", frmSplcSelectTemp, 0},
        {"option", frmOption, 0},
        {"optignore", frmOptIgnore, 0},
        {"optignore1", frmOptIgnore1, 0},
        {"optimage", frmOptImage, 0},
        {"heater", frmHeater, 0},
        {"heatselect", frmHeatSelect, 0},
        {"heatedit", frmHeatEdit, 0},
        {"heatdelete", frmHeatDelete, 0},
        {"heateditprop", frmHeatEditProp, 0},
        {"heatselecttemp", frmHeatSelectTemp, 0},
    };
    for (const Case& c : cases) {
        GUIWINDOW* w = c.form;
        WND_ACTIVE = w;
        w->lParam = c.param;
        w->lReason = FORM_NEXT;
        w->fnInitialize();
        w->fnPaint();
        EXPECT_SCREEN(std::string("modes-") + c.name + suffix);
        w->fnRelease();
    }
}

TEST(ModeScreens, English)
{
    formtest::Unit u;
    show_all("");
}

TEST(ModeScreens, SimplifiedChinese)
{
    formtest::Unit u;
    if (!LanguageAvailable(LANG_CHINESE_SIMPLIFIED)) GTEST_SKIP() << "no Chinese language files";
    ASSERT_EQ(SyncLanguageChange(LANG_CHINESE_SIMPLIFIED), 0);
    show_all("-zh");
    SyncLanguageChange(LANG_ENGLISH);
}

} // namespace
