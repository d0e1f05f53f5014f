// Test bed of the forms: the simulated instrument with the generated data root, the toolkit,
// parameters, devices, status images and every form window built, the screen at the front and
// idle processing on.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/power_saving.h"
#include "devices/platdev.h"
#include "formmodel/appwindow.h"
#include "formmodel/forms.h"
#include "formmodel/global_source.h"
#include "forms/registry.h"
#include "gui/global.h"
#include "params/param_tables.h"
#include "platform/seam.h"
#include "sim/dev_input.h"
#include "sim/request_log.h"
#include "sim/testbed.h"
#include "tests/app/apptest.h"
#include "texts/textres.h"

namespace formtest
{

// The application core's unit (generated data root, toolkit, parameters, devices) plus what the
// forms need on top.
struct Unit : apptest::Unit {
    Unit()
    {
        InitializeGlobalSource();
        CreateFormWindows();
        SyncLanguageChange(0);
        LcdTurnFront();
        InitShutCondition();
        ResetIdleProcess();
        IdleProcessOn();
    }
    ~Unit()
    {
        // A form may end on a press: its release still comes (the operator lifts the finger).
        const uint64_t now = plat_monotonic_ms();
        if (now <= lastRelease_) plat_sleep_ms(uint32_t(lastRelease_ - now) + 1); // ms rounded down
        IdleProcessOff();
        DeleteFormWindows();
        ReleaseGlobalSource();
    }
    sim::Instrument& inst() { return tb.instrument(); }

    // A key pressed `at` ms from now and released 100 ms later.
    void tap(uint64_t at, const char* key)
    {
        uint16_t raw = *sim::key_number(key);
        tb.after_ms(at, [this, raw] { inst().keys().press(raw); });
        tb.after_ms(at + 100, [this, raw] { inst().keys().release(raw); });
        lastRelease_ = std::max(lastRelease_, plat_monotonic_ms() + at + 100);
    }

  private:
    uint64_t lastRelease_ = 0;
};

// Runs a form once as the form loop does and returns its Process code.
inline uint32_t run_form(GUIWINDOW* w)
{
    WND_ACTIVE = w;
    w->fnInitialize();
    w->fnPaint();
    uint32_t code = w->fnProcess();
    w->fnRelease();
    return code;
}

} // namespace formtest
