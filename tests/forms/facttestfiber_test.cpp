// The fibre test form: choosing the kind, a Confirm without fibres in view, and its screen.
#include "fiber/fibertype.h"
#include "forms/frmfacttestfiber.h"
#include "formtest.h"
#include "sim/scene.h"
#include "tests/support/screens.h"

namespace
{

TEST(FactTestFiber, KindsCycleAndAConfirmWithoutFibresTakesNothing)
{
    formtest::Unit u;
    // At the front the key named "up" is down (6): the next kind; "down" (5) the previous one.
    u.tap(300, "down");
    u.tap(700, "confirm");
    u.tap(1100, "up");
    u.tap(1500, "up");
    u.tap(1900, "cancel");
    EXPECT_EQ(formtest::run_form(frmFactTestFiber), 6u);
    EXPECT_EQ(GetFactTestFiberKind(), 1);
    for (int k = 0; k < FIBER_MODE_CLASSES; ++k)
        EXPECT_EQ(FiberTrainCount(k), 0) << k;
    u.tap(300, "reset");
    EXPECT_EQ(formtest::run_form(frmFactTestFiber), 2u);
}

TEST(Screens, FactTestFiber)
{
    formtest::Unit u;
    WND_ACTIVE = frmFactTestFiber;
    frmFactTestFiber->fnInitialize();
    frmFactTestFiber->fnPaint();
    EXPECT_SCREEN("facttestfiber");
    frmFactTestFiber->fnRelease();
}

} // namespace
