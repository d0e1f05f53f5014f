// The forms' screens as the operator sees them, compared with their reference pictures.
#include "formtest.h"
#include "tests/support/screens.h"

namespace
{

TEST(Screens, WorkbenchAndRootMenu)
{
    const struct {
        const char* name;
        GUIWINDOW*& form;
    } cases[] = {{"workbench", frmWorkbench}, {"rootmenu", frmRootmenu}};
    for (auto& c : cases) {
        formtest::Unit u;
        GUIWINDOW* w = c.form;
        WND_ACTIVE = w;
        w->fnInitialize();
        w->fnPaint();
        EXPECT_SCREEN(c.name);
        w->fnRelease();
    }
}

} // namespace
