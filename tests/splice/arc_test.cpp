// The splice's discharges against the simulated arc: what is fired and when, the overlap push,
// the glow measurement, what the discharge gives back on every way out, and the brightness
// correction of the arc calibration.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "devices/arc.h"
#include "devices/heater.h"
#include "devices/motor.h"
#include "devices/platdev.h"
#include "splice/aim.h"
#include "splice/arc.h"
#include "splice/arc_bright.h"
#include "splice/arc_support.h"
#include "splice/press.h"
#include "splice/spliceinfo.h"
#include "tests/fiber/fibertest.h"

namespace
{
constexpr int kCoef = 200;
constexpr int kPrefuseMs = 200;

class ArcBed : public fibertest::FiberTest
{
  protected:
    void SetUp() override
    {
        FiberTest::SetUp();
        ASSERT_EQ(LedOn(), 0);
        InitializeSpliceInformation();
        APPSPLICE& m = mode();
        m = APPSPLICE{};
        m.bTemplateIndex = 3;
        m.bKerfOverlap = 10;
        m.bFuseSpeed = 5;
        m.arcClearArc = {100, 0, 150};
        m.arcPreheatArc = {50, 0, kPrefuseMs};
        m.arcFuseArc = {100, 0, 1500};
        iLowQualityFiberFlag = 0;
        fCoefForwardL = kCoef;
        // Ends 20 px apart in both views; claddings where the glow is measured.
        for (APPFIBER_GRAPH* g : {&fibre()->graX, &fibre()->graY}) {
            g->infL.fEndfacePos = 300;
            g->infR.fEndfacePos = 320;
            for (APPFIBER_INFO* f : {&g->infL, &g->infR}) {
                f->fCladCenter = 240;
                f->fCladWidth = 180;
                f->iCladUp = 150;
                f->iCoreUp = 230;
                f->iCoreDown = 250;
                f->iCladDown = 330;
            }
        }
        // Exposure registers as the calibration left them, different in each camera.
        ASSERT_EQ(WriteCameraReg(1, 3, 1), 0);
        ASSERT_EQ(WriteCameraReg(1, 4, 28), 0);
        ASSERT_EQ(WriteCameraReg(2, 3, 2), 0);
        ASSERT_EQ(WriteCameraReg(2, 4, 30), 0);
        sim::clear_call_log();
    }
    void TearDown() override
    {
        iLowQualityFiberFlag = 0;
        fCoefForwardL = 0;
        FiberTest::TearDown();
    }
    APPSPLICE& mode() { return GetCurrentInformation()->CurrentSplice; }
    APPFIBER* fibre() { return GetFiberStruct(); }
    sim::ArcDevice& arc() { return inst().arc(); }
    int drive(int power)
    {
        int v = 0;
        EXPECT_EQ(CalcHighvoltValue(power, &v), 0);
        return v;
    }
    uint32_t arcs()
    {
        TABLEUSERINFO u{};
        EXPECT_EQ(GetTable_UserInfo(&u), 0);
        return u.dwTotalArcCount;
    }
    void expect_exposure_restored()
    {
        EXPECT_EQ(inst().camera().reg(1, 3), 1);
        EXPECT_EQ(inst().camera().reg(1, 4), 28);
        EXPECT_EQ(inst().camera().reg(2, 3), 2);
        EXPECT_EQ(inst().camera().reg(2, 4), 30);
    }
    std::vector<sim::MotorDevice::Move> feed_moves(uint32_t id)
    {
        std::vector<sim::MotorDevice::Move> out;
        for (const auto& m : inst().motors().moves())
            if (m.id == int(id)) out.push_back(m);
        return out;
    }
};

TEST_F(ArcBed, FusionFollowsPrefuseWithThePushAndGivesEverythingBack)
{
    ASSERT_EQ(HeaterFiber(), 0); // a sleeve is shrinking meanwhile
    const uint32_t before = arcs();
    struct Seen {
        uint32_t value = 0;
        unsigned exposure = 0;
        uint32_t heater = 0;
    } prefuse, fusion;
    auto look = [this](Seen* s) {
        return [this, s] {
            s->value = arc().value();
            s->exposure = inst().camera().exposure(1);
            s->heater = inst().heater().state();
        };
    };
    const uint64_t start = plat_monotonic_ms();
    bed_->after_ms(kPrefuseMs / 2, look(&prefuse));
    bed_->after_ms(kPrefuseMs + 500, look(&fusion));

    EXPECT_EQ(SpliceArc(fibre()), 0);

    EXPECT_EQ(prefuse.value, uint32_t(drive(50)));
    EXPECT_EQ(fusion.value, uint32_t(drive(100)));
    EXPECT_EQ(prefuse.exposure, 9u);
    EXPECT_EQ(prefuse.heater, HEAT_PAUSED);
    ASSERT_EQ(arc().fires().size(), 1u);
    EXPECT_EQ(arc().fires()[0].duration_ms, uint32_t(kPrefuseMs + 1500));
    EXPECT_EQ(arcs(), before + 1);
    // Gap 20 + overlap 10, at 200 steps per 100 px: only the left fibre moves.
    const auto left = feed_moves(MOT_LPRESS_ID), right = feed_moves(MOT_RPRESS_ID);
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].count, 60u);
    EXPECT_TRUE(right.empty() || right[0].count == 0);
    EXPECT_GE(left[0].t_us / 1000 - start, uint64_t(kPrefuseMs)) << "pushed after the prefuse";
    expect_exposure_restored();
    EXPECT_EQ(inst().heater().state(), HEAT_RESUMED);
    EXPECT_FALSE(inst().motors().powered(int(MOT_LPRESS_ID.load())));
    EXPECT_GT(GetCurrentInformation()->bCurArcBright, 0);
}

TEST_F(ArcBed, GlowMeasuredOnlyInFusionsLongerThanASecond)
{
    for (int fuse : {1000, 1001}) {
        SCOPED_TRACE(fuse);
        GetCurrentInformation()->bCurArcBright = 0;
        mode().arcFuseArc.wTimeCount = uint16_t(fuse);
        const uint64_t start = plat_monotonic_ms();
        EXPECT_EQ(SpliceArc(fibre()), 0);
        EXPECT_EQ(GetCurrentInformation()->bCurArcBright > 0, fuse > 1000);
        EXPECT_GE(plat_monotonic_ms() - start, uint64_t(kPrefuseMs + fuse));
    }
}

TEST_F(ArcBed, CoverOpenedDuringTheFusionEndsItAndRestoresEverything)
{
    devtest::machine([](MachineParameter& m) { m.dwAutoHeat = 1; });
    plat_thread_t th = 0;
    ASSERT_EQ(plat_thread_create(&th, thread_routine_heat, nullptr, "heat"), 0);
    unsigned startedDuringArc = 99;
    // A sleeve laid into the heater while the arc burns must wait for the arc.
    bed_->after_ms(50, [this] { inst().heater().set_sleeve(true); });
    bed_->after_ms(kPrefuseMs + 250,
                   [this, &startedDuringArc] { startedDuringArc = inst().heater().cycles_started(); });
    bed_->after_ms(kPrefuseMs + 300, [this] { inst().misc().set_cover_open(true); });

    EXPECT_EQ(SpliceArc(fibre()), 2);
    EXPECT_EQ(arc().aborts(), 1u);
    EXPECT_EQ(GetCurrentInformation()->bCurArcBright, 0) << "no measurement after the cover opened";
    expect_exposure_restored();
    EXPECT_FALSE(inst().motors().powered(int(MOT_LPRESS_ID.load())));

    plat_sleep_ms(1500);
    EXPECT_EQ(startedDuringArc, 0u);
    EXPECT_EQ(inst().heater().cycles_started(), 1u) << "heater thread released";
    plat_thread_stop(th);
    inst().heater().set_sleeve(false);
    inst().misc().set_cover_open(false);
}

TEST_F(ArcBed, NothingFiresWithTheCoverOpenOrResetPending)
{
    for (bool cover : {true, false}) {
        SCOPED_TRACE(cover);
        inst().misc().set_cover_open(cover);
        if (!cover) SetResetFlag();
        EXPECT_EQ(SpliceArc(fibre()), 2);
        EXPECT_EQ(ClearArc(1), 2);
        EXPECT_EQ(ClearArc_Calib(), 2);
        EXPECT_EQ(SpliceExtraArc(), 2);
        inst().misc().set_cover_open(false);
        ClearResetFlag();
    }
    EXPECT_TRUE(arc().fires().empty());
    expect_exposure_restored();
}

TEST_F(ArcBed, CleaningArcsFireTheirValueAndReportAnArcNotSeen)
{
    EXPECT_EQ(ClearArc(0), 0);
    EXPECT_EQ(ClearArc_Calib(), 0);
    arc().set_no_arc(true);
    EXPECT_EQ(ClearArc(1), ARC_NOT_SEEN);
    arc().set_no_arc(false);
    const auto fires = arc().fires();
    ASSERT_EQ(fires.size(), 3u);
    EXPECT_EQ(fires[0].value, uint32_t(drive(100)));
    EXPECT_EQ(fires[1].value, 200u);
    EXPECT_EQ(fires[0].duration_ms, 150u);
    EXPECT_EQ(fires[1].duration_ms, 150u);
}

TEST_F(ArcBed, LowQualityFibreAndTheFiringLimit)
{
    struct Case {
        int templ, fuseMs, prefuseMs;
        bool low;
        float push;
        int fuseValueCut, fuseMsOut;
    };
    const Case cases[] = {
        {3, 1500, 200, false, 30, 0, 1500}, {3, 1500, 200, true, 33, 100, 1400},
        {8, 1500, 200, true, 33, 0, 1400},  {3, 60, 200, true, 33, 100, 0},
        {3, 3900, 200, false, 30, 0, 3800},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.templ << " " << c.fuseMs << " " << c.low);
        APPSPLICE m = mode();
        m.bTemplateIndex = uint8_t(c.templ);
        m.arcFuseArc.wTimeCount = uint16_t(c.fuseMs);
        m.arcPreheatArc.wTimeCount = uint16_t(c.prefuseMs);
        FusionPlan p;
        ASSERT_EQ(PlanFusion(m, 20.0f, float(kCoef), c.low, &p), 0);
        EXPECT_FLOAT_EQ(p.push, c.push);
        EXPECT_EQ(p.pushSteps, int(c.push * kCoef / 100));
        EXPECT_EQ(p.fuseValue, drive(100) - c.fuseValueCut);
        EXPECT_EQ(p.fuseMs, c.fuseMsOut);
    }
    APPSPLICE m = mode();
    FusionPlan p;
    // Ends measured the wrong way round, not at all, or farther apart than a picture shows.
    for (float gap : {-50.0f, NAN, 2000.0f}) {
        ASSERT_EQ(PlanFusion(m, gap, float(kCoef), false, &p), 0);
        EXPECT_EQ(p.pushSteps, 0) << gap;
    }
    m.arcFuseArc.bIntensOff = 201; // nothing to fire
    EXPECT_NE(PlanFusion(m, 20.0f, float(kCoef), false, &p), 0);
}

TEST_F(ArcBed, BrightnessCorrectionOfTheArcCalibration)
{
    const struct {
        int delta;
        bool success;
        int correction;
    } poly[] = {{4, true, 0},    {-4, true, 0},    {5, true, 22},     {-5, true, -17},  {40, true, 450},
                {50, true, 500}, {50, false, 100}, {-60, true, -200}, {-60, false, -50}};
    for (const auto& c : poly)
        EXPECT_EQ(ArcBrightCorrection(c.delta, c.success), c.correction) << c.delta << " " << c.success;

    struct Case {
        const char* what;
        int result;   // lArcCaliResult without its offset
        int standard; // factory byte 79
        int current;  // bCurArcBright
        int templ, fuseMs, option;
        int expected;
    };
    const Case cases[] = {
        {"4 levels: unchanged", 1500, 100, 96, 2, 2000, 1, 1500},
        {"5 levels dimmer: +22", 1500, 100, 95, 2, 2000, 1, 1522},
        {"5 levels brighter: -17", 1500, 100, 105, 2, 2000, 1, 1483},
        {"kept below 4000", 3990, 150, 100, 2, 2000, 1, 4000},
        {"kept above 100", 150, 40, 100, 2, 2000, 1, 100},
        {"option off", 1500, 100, 90, 2, 2000, 0, 1500},
        {"another template", 1500, 100, 90, 3, 2000, 1, 1500},
        {"short fusion", 1500, 100, 90, 2, 1500, 1, 1500},
        {"standard unset", 1500, 0, 90, 2, 2000, 1, 1500},
        {"standard 255", 1500, 255, 90, 2, 2000, 1, 1500},
        {"nothing measured", 1500, 100, 0, 2, 2000, 1, 1500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        devtest::factsys([&](TABLEFACTORYSYS& f) {
            f.lArcCaliResult = devtest::offset(c.result);
            f.bCompensationBright = uint8_t(c.standard);
        });
        devtest::option([&](APPTABLE_OPTION& o) { o.bArcBrightComp = uint8_t(c.option); });
        SPLICE_INFORMATION* info = GetCurrentInformation();
        info->iSpliceSuccessFlag = 1;
        info->bCurArcBright = uint8_t(c.current);
        mode().bTemplateIndex = uint8_t(c.templ);
        mode().arcFuseArc.wTimeCount = uint16_t(c.fuseMs);
        AdjustStandardArcValueByBright();
        TABLEFACTORYSYS f{};
        ASSERT_EQ(GetTable_FactSys(&f), 0);
        EXPECT_EQ(f.lArcCaliResult, devtest::offset(c.expected));
    }
}

} // namespace
