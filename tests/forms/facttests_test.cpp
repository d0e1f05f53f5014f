// The factory test screens on the simulated instrument: each drives its hardware and shows what
// the hardware reports, checked here against the simulator itself.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "devices/motor.h"
#include "devices/platdev.h"
#include "fiber/graphics.h"
#include "formmodel/formevents.h"
#include "forms/facttestscreen.h"
#include "forms/frmfactotherendurance.h"
#include "forms/frmfactsensor.h"
#include "forms/frmfactsplicetest.h"
#include "forms/frmfacttestkeypad.h"
#include "forms/frmfacttestwave.h"
#include "sim/dev_misc.h"
#include "sim/dev_motor.h"
#include "sim/dev_power.h"
#include "tests/splice/splicebed.h"
#include "texts/facttesttexts.h"

namespace
{
using splicetest::Bed;

// Opens the form, presses Run after `runAt` ms and Cancel `backAfter` ms later (keys queue while a
// test runs); the lines it showed last.
FactTestLines run_test(Bed& b, GUIWINDOW* w, uint64_t runAt = 300, uint64_t backAfter = 400)
{
    b.tap(runAt, "run");
    b.tap(runAt + backAfter, "cancel");
    EXPECT_EQ(formtest::run_form(w), uint32_t(FORM_BACK));
    return FactTestShownLines();
}

const FACTTESTLINE* line(const FactTestLines& lines, const std::string& label)
{
    for (auto& l : lines)
        if (l.label == label) return &l;
    return nullptr;
}

// Motor ids of the simulator by the names the screens show (front orientation).
const std::map<std::string, int> kMotorIds = {{"X focus", 0}, {"X align", 1}, {"Right press", 2},
                                              {"Y focus", 3}, {"Y align", 4}, {"Left press", 5}};

struct MotorRow {
    GUIWINDOW** form;
    std::vector<const char*> motors;
    int travel;
    int stalled; // motor id made to stall, -1 none
};

class FactMotorScreens : public testing::TestWithParam<MotorRow>
{
};

// Each motor line shows the position before, at the far point and back; the far point lies the
// travel away, and back is where the simulated motor really stands. A stalled motor fails its line.
TEST_P(FactMotorScreens, ShowThePositionsTheMotorsReached)
{
    const MotorRow& row = GetParam();
    Bed b;
    if (row.stalled >= 0) b.inst().motors().set_stall(row.stalled, true);
    // Run straight away: a stalled motor keeps a test busy for a minute, long enough for the
    // screen to dim and take the next key as a wake-up.
    WND_ACTIVE = *row.form;
    (*row.form)->fnInitialize();
    (*row.form)->fnPaint();
    FactTestRunNow();
    const FactTestLines lines = FactTestShownLines();
    (*row.form)->fnRelease();
    for (const char* m : row.motors) {
        const FACTTESTLINE* l = line(lines, m);
        ASSERT_TRUE(l) << m;
        const int id = kMotorIds.at(m);
        if (id == row.stalled) {
            EXPECT_EQ(l->verdict, 0) << m;
            continue;
        }
        int from = 0, far = 0, back = 0;
        ASSERT_EQ(std::sscanf(l->value.c_str(), "%d > %d > %d", &from, &far, &back), 3) << l->value;
        EXPECT_EQ(l->verdict, 1) << m;
        EXPECT_EQ(std::abs(far - from), row.travel) << m;
        EXPECT_EQ(back, from) << m;
        EXPECT_EQ(back, b.inst().motors().position(id)) << m;
    }
    EXPECT_EQ(FactTestVerdict(), row.stalled < 0 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Rows, FactMotorScreens,
                         testing::Values(MotorRow{&frmFactTestPress, {"Left press", "Right press"}, 1000, -1},
                                         MotorRow{&frmFactTestAlign, {"X align", "Y align"}, 400, -1},
                                         MotorRow{&frmFactTestAlign, {"X align", "Y align"}, 400, 4},
                                         MotorRow{&frmFactTestMotor,
                                                  {"X focus", "X align", "Right press", "Y focus", "Y align",
                                                   "Left press"},
                                                  500,
                                                  -1}));

// Every key that goes down is shown with its logical code and name; the test passes once each
// key was seen, and Cancel twice leaves.
TEST(FactTestKeypad, EchoesEachKeysCodeAndName)
{
    Bed b;
    struct Row {
        const char* key;
        int code;
        const char* name;
    };
    // At the front the keypad driver reports up/down and left/right the other way round.
    const std::vector<Row> rows = {{"confirm", 3, "Confirm"}, {"menu", 4, "Menu"},    {"up", 6, "Down"},
                                   {"down", 5, "Up"},         {"left", 8, "Right"},   {"right", 7, "Left"},
                                   {"run", 9, "Run"},         {"heat", 10, "Heat"},   {"arc", 11, "Arc"},
                                   {"view", 12, "View"},      {"cancel", 2, "Cancel"}};
    std::vector<std::pair<int, std::string>> seen;
    uint64_t t = 300;
    for (const Row& r : rows) {
        b.tap(t, r.key);
        b.tb.after_ms(t + 150, [&seen] {
            const FactTestLines& l = FactTestShownLines();
            seen.emplace_back(GetFactTestKeypadLast(), l.size() > 1 ? l[1].value : "");
        });
        t += 300;
    }
    b.tap(t, "cancel");
    EXPECT_EQ(formtest::run_form(frmFactTestKeypad), uint32_t(FORM_BACK));
    ASSERT_EQ(seen.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(seen[i].first, rows[i].code) << rows[i].key;
        EXPECT_EQ(seen[i].second, rows[i].name) << rows[i].key;
    }
    EXPECT_EQ(FactTestVerdict(), 1);
}

// The readings are the simulator's environment, battery and cover.
TEST(FactSensor, ShowsTheSimulatorsEnvironmentBatteryAndCover)
{
    struct Row {
        double temp, kpa, humidity;
        bool cover;
        const char *t, *p, *h;
    };
    for (const Row& r : {Row{31.5, 95.2, 62.0, true, "31.50 C", "95.2 kPa", "62.00 %"},
                         Row{-5.25, 101.3, 8.5, false, "-5.25 C", "101.3 kPa", "8.50 %"}}) {
        Bed b;
        b.inst().env().set_environment(r.temp, r.kpa, r.humidity);
        b.inst().misc().set_cover_open(r.cover);
        const FactTestLines lines = run_test(b, frmFactSensor, 1500);
        ASSERT_EQ(lines.size(), 5u);
        EXPECT_EQ(lines[0].value, r.t);
        EXPECT_EQ(lines[1].value, r.h);
        EXPECT_EQ(lines[2].value, r.p);
        unsigned raw = 0;
        ASSERT_EQ(std::sscanf(lines[3].value.c_str(), "%u", &raw), 1);
        EXPECT_EQ(raw, b.inst().power().battery_reading());
        EXPECT_EQ(lines[4].value, PanelTextOf(r.cover ? TXT_FT_OPEN : TXT_FT_CLOSED));
        EXPECT_EQ(FactTestVerdict(), 1);
    }
}

// The curves are the FPGA's column profiles at the column shown; Left moves the column.
TEST(FactTestWave, DrawsTheFpgaProfilesAtItsColumn)
{
    Bed b;
    sim::FibrePair pair;
    pair.tips_um = 60; // both fibres well in the pictures
    b.lay(pair);
    b.tap(300, "right"); // Left at the front
    b.tap(800, "run");
    b.tap(1300, "cancel");
    EXPECT_EQ(formtest::run_form(frmFactTestWave), uint32_t(FORM_BACK));
    EXPECT_EQ(GetFactTestWaveColumn(), 140);
    EXPECT_EQ(FactTestVerdict(), 1); // a shadow in both views
    for (int v = 0; v < 2; ++v) {
        uint8_t direct[480] = {};
        ASSERT_EQ(SetBrightWavePosition(v * 4, 140), 0);
        ASSERT_EQ(GetBrightWave(v * 4, direct), 0);
        const uint8_t* drawn = GetFactTestWave(v + 1);
        ASSERT_TRUE(drawn);
        double diff = 0;
        int dark = 0;
        for (int i = 0; i < 480; ++i) {
            diff += std::abs(int(drawn[i]) - int(direct[i]));
            dark += drawn[i] < 100;
        }
        EXPECT_LT(diff / 480, 2.0) << v; // the same profile up to the cameras' noise
        EXPECT_GT(dark, 20) << v;        // and the fibre's shadow in it
    }
}

// The reduced sequence twice, the motors parked and a fresh pair laid before each: the first
// run's end faces must not decide where the second one's feed stops.
TEST(FactTestMirror, FindsEachFreshPair)
{
    Bed b;
    WND_ACTIVE = frmFactTestMirror;
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(BacktrackAllMotor(), 0);
        b.lay(sim::FibrePair{});
        FactTestLines lines;
        EXPECT_EQ(FactTestMirror(lines), 0) << run;
        const FACTTESTLINE* set = line(lines, "Fiber set");
        ASSERT_TRUE(set) << run;
        EXPECT_EQ(set->value, "OK") << run;
    }
}

// A plain tap made while a cycle keeps the motors busy stops the run at that cycle.
TEST(FactEndurance, ATapDuringACycleStopsTheRun)
{
    Bed b;
    bool busy = false;
    int cyclesAtTap = -1;
    b.tap(300, "run");
    b.tb.after_ms(4000, [&] {
        busy = !b.motors_still();
        cyclesAtTap = GetFactEnduranceCycles();
    });
    b.tap(4000, "confirm");
    b.tap(7000, "cancel");
    EXPECT_EQ(formtest::run_form(frmFactOtherEndurance), uint32_t(FORM_BACK));
    EXPECT_TRUE(busy);
    ASSERT_GT(cyclesAtTap, 0);
    EXPECT_LE(GetFactEnduranceCycles(), cyclesAtTap + 1);
    EXPECT_EQ(FactTestVerdict(), 1);
}

// Three splices: the count and the statistics are those of the three records stored.
TEST(FactSpliceTest, StatisticsEqualTheRecords)
{
    Bed b;
    const int before = b.records();
    // Each time: a new pair laid in, Run; the result closed with Run once estimated.
    int left = 3;
    std::function<void()> next = [&] {
        b.lay({});
        b.tap(200, "run");
        b.when("estimate", [&] {
            b.tap(1000, "run");
            b.when("ready", [&] {
                if (--left > 0)
                    next();
                else
                    b.tap(500, "cancel");
            });
        });
    };
    b.tb.after_ms(300, next);
    EXPECT_EQ(formtest::run_form(frmFactSpliceTest), uint32_t(FORM_BACK));
    ASSERT_EQ(b.records(), before + 3);
    SPLICESTATS expect;
    for (int p = before + 1; p <= before + 3; ++p) {
        APPRECORD r{};
        ASSERT_EQ(ReadRecord(p, &r), 0);
        SpliceStatsAdd(expect, r);
    }
    const SPLICESTATS& got = GetFactSpliceStats();
    EXPECT_EQ(got.splices, 3);
    for (int f = 0; f < STAT_FIELDS; ++f) {
        const SPLICESTAT &e = expect.field[size_t(f)], &g = got.field[size_t(f)];
        EXPECT_EQ(g.count, e.count) << f;
        EXPECT_DOUBLE_EQ(g.mean(), e.mean()) << f;
        EXPECT_DOUBLE_EQ(g.min, e.min) << f;
        EXPECT_DOUBLE_EQ(g.max, e.max) << f;
        EXPECT_DOUBLE_EQ(g.stddev(), e.stddev()) << f;
    }
}

} // namespace
