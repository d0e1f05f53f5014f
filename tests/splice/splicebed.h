// Test bed of the splice sequence: the application with its forms on the workbench, lit and
// homed, a standard single-mode mode in use, a pair of fibres laid in, and an operator who acts
// when the unit reports a splice status.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "devices/motor.h"
#include "devices/motor_pair.h"
#include "fiber/fiberstruct.h"
#include "fiber/graphics.h"
#include "records/record.h"
#include "sim/scene.h"
#include "sim/trace.h"
#include "splice/autosplice.h"
#include "splice/spliceinfo.h"
#include "splice/splicestate.h"
#include "tests/devices/devtest.h"
#include "tests/forms/formtest.h"
#include "tests/sim/sim_util.h"

namespace splicetest
{

constexpr int kXAlign = 1, kYAlign = 4;

struct Bed : formtest::Unit {
    // `tmpl`: the splice template the mode in use is made from.
    explicit Bed(int tmpl = 2)
    {
        InitializeGraphics();
        InitializeFiberStruct();
        InitializeRecord();
        sim::clear_trace();
        use_template(tmpl);
        options([](APPTABLE_OPTION& o) { o.lEnablePauseOne = o.lEnablePauseTwo = 0; });
        light();
        ResetAllMotor();
        WND_ACTIVE = frmWorkbench;
        frmWorkbench->fnInitialize();
        frmWorkbench->fnPaint();
        lay({});
    }
    ~Bed()
    {
        for (auto id : polls_)
            tb.cancel(id);
        frmWorkbench->fnRelease();
        ReleaseRecord();
        ReleaseGraphics();
    }

    void use_template(int tmpl)
    {
        APPSPLICE m{};
        ASSERT_EQ(ReadTemp_Splice(tmpl + 1, &m), 0);
        m.bModeIndex = 0;
        m.bModeDefine = m.bModeActive = 1;
        WriteMode_Splice(1, &m);
        APPSPLICE cur{};
        ASSERT_EQ(GetCurrentSplice(&cur), 0);
        ASSERT_EQ(cur.bTemplateIndex, tmpl);
    }
    void mode(const std::function<void(APPSPLICE&)>& fn)
    {
        APPSPLICE m{};
        ASSERT_EQ(ReadMode_Splice(1, &m), 0);
        fn(m);
        WriteMode_Splice(1, &m);
    }
    void options(const std::function<void(APPTABLE_OPTION&)>& fn)
    {
        devtest::change<APPTABLE_OPTION>(GetTable_SpliceOption, SetTable_SpliceOption, fn);
    }
    // Backlight and exposure as the start-up calibration leaves them.
    void light()
    {
        simtest::Dev led(DEV_LED), cam(DEV_CAMERA);
        led.set(LED_SET, 0x807F7F);
        for (unsigned long req : {CAM_SENSOR_WRITE_X, CAM_SENSOR_WRITE_Y}) {
            uint8_t e3[3] = {'B', 3, 0x00}, e4[3] = {'B', 4, 0x1C};
            PointerRecord p3{e3, 3}, p4{e4, 3};
            plat_ioctl(cam.fd, req, &p3);
            plat_ioctl(cam.fd, req, &p4);
        }
    }
    void lay(sim::FibrePair pair) { inst().scene().set_fibres(pair); }

    // Runs fn once the unit reports the splice status `name` (polled every 10 ms); with `key`
    // another report, e.g. "error".
    void when(const std::string& name, std::function<void()> fn, const char* key = "splice")
    {
        auto poll = std::make_shared<std::function<void()>>();
        std::function<void()>* self = poll.get();
        *poll = [this, name, fn, self, key] {
            if (sim::trace_value(key) == name) return fn();
            polls_.push_back(tb.after_ms(10, *self));
        };
        pollers_.push_back(poll);
        polls_.push_back(tb.after_ms(10, *poll));
    }
    // A key clicked once the status is `name`, `delay` ms later.
    void tap_when(const std::string& name, const char* key, uint64_t delay = 200)
    {
        when(name, [this, key, delay] { tap(delay, key); });
    }
    // A key clicked `delay` ms after the splice, its estimate shown, waits for the operator (the
    // last wait; a loss message before it may take any time).
    void tap_at_last_wait(const char* key, uint64_t delay = 200)
    {
        when("estimate", [this, key, delay] {
            when(
                "splice", [this, key, delay] { tap(delay, key); }, "key_wait");
        });
    }
    // The splice sequence, ended by the cover (and failed) if it has not ended within `limitMs`
    // of the virtual clock: a wait nobody answers must not hold the test program for ever.
    int run_splice(uint64_t limitMs = 120000)
    {
        const auto id = tb.after_ms(limitMs, [this, limitMs] {
            ADD_FAILURE() << "the splice still ran after " << limitMs << " ms (status "
                          << sim::trace_value("splice") << ")";
            inst().misc().set_cover_open(true);
        });
        const int r = FiberAutoSplice();
        tb.cancel(id);
        return r;
    }
    void cover_when(const std::string& name, uint64_t delay = 50)
    {
        when(name, [this, delay] { tb.after_ms(delay, [this] { inst().misc().set_cover_open(true); }); });
    }

    unsigned seen(const char* status) { return sim::trace_count("splice", status); }
    int records()
    {
        int n = 0;
        GetCount_Record(&n);
        return n;
    }
    bool motors_still() { return (inst().motors().running_word() & 0x3F) == 0; }
    // The align motors' travel as the factory table sets it.
    void expect_normal_limits()
    {
        MotorLimits l{};
        ASSERT_EQ(GetMotorLimits(MOT_XALIGN, &l), 0);
        EXPECT_EQ(inst().motors().upper(kXAlign), l.upper);
        EXPECT_EQ(inst().motors().lower(kXAlign), l.lower);
        EXPECT_LT(inst().motors().upper(kYAlign), 3500);
    }

  private:
    std::vector<sim::Testbed::TimerId> polls_;
    std::vector<std::shared_ptr<std::function<void()>>> pollers_;
};

} // namespace splicetest
