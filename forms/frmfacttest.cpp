// The factory test menu: one row per test screen, in the order a technician works through them.
#include "forms/frmfacttest.h"

#include "formmodel/forms.h"
#include "forms/menuscreen.h"

namespace
{
const MENUSCREEN kMenu = {
    .ppWnd = &frmFactTest,
    .items = {&frmFactTestAll, &frmFactTestPress, &frmFactTestAlign, &frmFactTestMirror, &frmFactTestMotor,
              &frmFactTestCali, &frmFactTestFiber, &frmFactTestRound, &frmFactTestArc, &frmFactTestWave,
              &frmFactTestKeypad},
};
} // namespace

MENU_SCREEN_FORM(frmFactTest, kMenu)
