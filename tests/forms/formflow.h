// Touches and returns for the form tests: touch switched on in the machine settings and the touch
// thread running while a Touch lives (a tap is a press and, 100 ms later, a release at one point),
// and a form run again as the form loop does when the form it opened went back.
#pragma once

#include "formmodel/formevents.h"
#include "formtest.h"
#include "gui/touchpad.h"

namespace formtest
{

struct Touch {
    explicit Touch(Unit& u) : u_(u)
    {
        MachineParameter m{};
        EXPECT_EQ(GetTable_MachinePar(&m), 0);
        m.bTouchEnable = 1;
        EXPECT_EQ(SetTable_MachineParEx(&m), 0);
        EXPECT_EQ(plat_thread_create(&thread_, thread_routine_touch, GetTouchpadObject(DEV_TOUCH), "touch"),
                  0);
    }
    ~Touch()
    {
        if (thread_) plat_thread_stop(thread_);
        ClearEventMsg();
    }
    void tap(uint64_t at, int x, int y)
    {
        u_.tb.after_ms(at, [this, x, y] { u_.inst().touch().touch_down(x, y); });
        u_.tb.after_ms(at + 100, [this, x, y] { u_.inst().touch().touch_up(x, y); });
    }

  private:
    Unit& u_;
    plat_thread_t thread_ = 0;
};

// Runs a form entered by going back to it (code 6), as from the keyboard it opened.
inline uint32_t run_back(GUIWINDOW* w)
{
    w->lReason = FORM_BACK;
    return run_form(w);
}

} // namespace formtest
