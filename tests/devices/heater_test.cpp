// Heater: zone drive values, heating programs, the toggle, pause and resume, preheating and the
// heater thread with the sleeve sensor.
#include "devtest.h"

namespace
{

using namespace devtest;

class HeaterTest : public DevicesTest
{
  protected:
    sim::HeaterDevice& hot() { return inst().heater(); }
    std::vector<sim::BeepDevice::Sound> sounds() { return inst().beep().sounds(); }
};

TEST_F(HeaterTest, ZoneValuesFollowTheCalibrationLine)
{
    struct Case {
        int temp, ret, middle, end;
    };
    // Middle zone 500 / 1500 and end zones 400 / 1200 at 100 / 200 degree C.
    const Case cases[] = {
        {100, 0, 500, 400}, {200, 0, 1500, 1200}, {150, 0, 1000, 800}, {230, 0, 1800, 1440},
        {231, -1, 0, 0},    {0, 0, 10, 10},       {300, -1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.temp);
        uint16_t m = 0, e = 0;
        EXPECT_EQ(CalcHeaterValue(c.temp, &m, &e), c.ret);
        EXPECT_EQ(m, c.middle);
        EXPECT_EQ(e, c.end);
    }
    factsys([](TABLEFACTORYSYS& t) { t.lHeatMiddleHigh = 90000; });
    uint16_t m = 0, e = 0;
    EXPECT_EQ(CalcHeaterValue(230, &m, &e), 0);
    EXPECT_EQ(m, 10000);
    EXPECT_EQ(CalcHeaterValue(100, nullptr, &e), -1);
}

TEST_F(HeaterTest, ProgramRequestsAndRefusals)
{
    EXPECT_EQ(SetHeaterDev(5, 1000, 800, 30, 10), 0);
    EXPECT_EQ(hot().mode(), 3u);
    EXPECT_EQ(hot().middle_value(), 1000u);
    EXPECT_EQ(hot().end_value(), 800u);
    EXPECT_EQ(words(DEV_HEATER, HOT_TIMES).back(), 30u << 16 | 10);
    EXPECT_EQ(SetHeaterDev(2, 1000, 800, 30, 10), 0);
    EXPECT_EQ(hot().mode(), 2u);

    sim::clear_call_log();
    EXPECT_EQ(SetHeaterDev(3, 1000, 800, 1001, 10), -1);
    EXPECT_EQ(SetHeaterDev(3, 1000, 800, 10, 1001), -1);
    EXPECT_TRUE(sim::call_log(DEV_HEATER).empty());

    sim::fault_request(DEV_HEATER, HOT_END_VALUE, 1);
    EXPECT_EQ(SetHeaterDev(3, 1000, 800, 30, 10), 1);
    EXPECT_TRUE(words(DEV_HEATER, HOT_TIMES).empty()); // stopped at the failing request
}

TEST_F(HeaterTest, ToggleStartsAndStopsAndRefusesAnOutOfRangeTemperature)
{
    EXPECT_EQ(HeaterFiber(), 0);
    EXPECT_EQ(hot().state(), HEAT_HEATING);
    EXPECT_EQ(hot().middle_value(), 1000u); // 150 degrees
    EXPECT_EQ(hot().heating_time(), 30u);
    EXPECT_EQ(HeaterFiber(), 0);
    EXPECT_EQ(hot().state(), HEAT_IDLE);

    heater_mode([](APPHEATER& h) { h.wHeatTemp = 231; });
    sim::clear_call_log();
    EXPECT_EQ(HeaterFiber(), 1);
    EXPECT_EQ(hot().state(), HEAT_IDLE);
    EXPECT_TRUE(words(DEV_HEATER, HOT_MODE).empty());
    EXPECT_TRUE(words(DEV_HEATER, HOT_COMMAND).empty());

    ReleaseDevHeater();
    EXPECT_EQ(HeaterFiber(), 1);
}

TEST_F(HeaterTest, PauseAndResumeOnlyFromTheMatchingState)
{
    EXPECT_EQ(HeaterPause(1), 0); // idle: nothing to pause
    EXPECT_TRUE(words(DEV_HEATER, HOT_COMMAND).empty());
    ASSERT_EQ(HeaterFiber(), 0);
    EXPECT_EQ(HeaterPause(0), 0); // heating: nothing to resume
    EXPECT_EQ(hot().state(), HEAT_HEATING);
    EXPECT_EQ(HeaterPause(1), 0);
    EXPECT_EQ(hot().state(), HEAT_PAUSED);
    EXPECT_EQ(HeaterPause(1), 0);
    EXPECT_EQ(hot().state(), HEAT_PAUSED);
    EXPECT_EQ(HeaterPause(0), 0);
    EXPECT_EQ(hot().state(), HEAT_RESUMED);
    EXPECT_EQ(words(DEV_HEATER, HOT_COMMAND), (std::vector<uint32_t>{1, 2, 3}));
}

TEST_F(HeaterTest, StartLoadsPreheatAndProgram)
{
    // Preheat 100 degrees is driven at 120; above 230 the drive is that of 230.
    ReleaseDevHeater();
    sim::clear_call_log();
    ASSERT_EQ(InitializeDevHeater(), 0);
    EXPECT_EQ(words(DEV_HEATER, HOT_PREHEAT_MIDDLE), std::vector<uint32_t>{700});
    EXPECT_EQ(words(DEV_HEATER, HOT_PREHEAT_END), std::vector<uint32_t>{560});
    EXPECT_EQ(words(DEV_HEATER, HOT_PREHEAT_SWITCH_A), std::vector<uint32_t>{1});
    EXPECT_EQ(words(DEV_HEATER, HOT_PREHEAT_SWITCH_B), std::vector<uint32_t>{1});
    EXPECT_EQ(GetPreheatStatus(), 1);
    EXPECT_EQ(words(DEV_HEATER, HOT_MIDDLE_VALUE), std::vector<uint32_t>{1000});

    heater_mode([](APPHEATER& h) {
        h.bPreheatTemp = 250;
        h.bPreheat = 0;
    });
    ReleaseDevHeater();
    sim::clear_call_log();
    ASSERT_EQ(InitializeDevHeater(), 0);
    EXPECT_EQ(words(DEV_HEATER, HOT_PREHEAT_MIDDLE), std::vector<uint32_t>{1800});
    EXPECT_EQ(words(DEV_HEATER, HOT_PREHEAT_SWITCH_A), std::vector<uint32_t>{0});
    EXPECT_EQ(GetPreheatStatus(), 0);

    // Preheat off in the mode: the switches stay untouched, the flag follows the call.
    sim::clear_call_log();
    EXPECT_EQ(EnablePreheatFunc(), 0);
    EXPECT_EQ(GetPreheatStatus(), 1);
    EXPECT_TRUE(words(DEV_HEATER, HOT_PREHEAT_SWITCH_A).empty());
    EXPECT_EQ(DisablePreheatFunc(), 0);
    EXPECT_EQ(GetPreheatStatus(), 0);
}

TEST_F(HeaterTest, ThreadStartsOnTheSleeveAndSoundsStartAndFinishOnce)
{
    machine([](MachineParameter& m) { m.dwAutoHeat = 1; });
    inst().beep().clear_sounds();
    plat_thread_t th = 0;
    ASSERT_EQ(plat_thread_create(&th, thread_routine_heat, nullptr, "heat"), 0);
    plat_sleep_ms(1000);
    EXPECT_EQ(hot().cycles_started(), 0u);
    hot().set_sleeve(true);
    uint64_t put_in = plat_monotonic_ms();
    plat_sleep_ms(80000); // heating 30 s and cooling 10 s, then the sleeve stays in
    EXPECT_EQ(hot().cycles_started(), 1u);
    EXPECT_EQ(hot().cycles_finished(), 1u);
    hot().set_sleeve(false);
    plat_sleep_ms(1000);
    plat_thread_stop(th);

    std::vector<sim::BeepDevice::Sound> s = sounds();
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0].number, 2u); // heating started
    EXPECT_EQ(s[1].number, 2u); // heating finished
    EXPECT_LT(s[0].t_us / 1000, put_in + 500);
    EXPECT_GE(s[1].t_us / 1000, put_in + 30000);
}

TEST_F(HeaterTest, HeaterLockHoldsTheThreadBack)
{
    machine([](MachineParameter& m) { m.dwAutoHeat = 1; });
    plat_thread_t th = 0;
    ASSERT_EQ(plat_thread_create(&th, thread_routine_heat, nullptr, "heat"), 0);
    thread_heat_lock();
    thread_heat_lock(); // idempotent
    hot().set_sleeve(true);
    plat_sleep_ms(2000);
    EXPECT_EQ(hot().cycles_started(), 0u);
    thread_heat_unlock();
    plat_sleep_ms(500);
    EXPECT_EQ(hot().cycles_started(), 1u);
    plat_thread_stop(th);
    hot().set_sleeve(false);
}

TEST_F(HeaterTest, ThreadDoesNotStopACycleTheOperatorStarted)
{
    machine([](MachineParameter& m) { m.dwAutoHeat = 1; });
    ASSERT_EQ(HeaterFiber(), 0); // started by hand, no sleeve sensed
    hot().set_sleeve(true);
    HeaterThreadPass();
    EXPECT_EQ(hot().state(), HEAT_HEATING);
    hot().set_sleeve(false);
    HeaterThreadPass();
    EXPECT_EQ(hot().state(), HEAT_HEATING);
}

} // namespace
