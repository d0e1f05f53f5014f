// Arc calibration cycles that must end without storing anything: the cover or Reset during the
// discharges, end faces that cannot be measured, and an arc that never reaches the glass.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>

#include "devices/platdev.h"
#include "params/param_tables.h"
#include "splice/arccal.h"
#include "tests/splice/splicebed.h"

namespace
{
using splicetest::Bed;

TABLEFACTORYSYS factory()
{
    TABLEFACTORYSYS fs{};
    GetTable_FactSys(&fs);
    return fs;
}

bool same(const TABLEFACTORYSYS& a, const TABLEFACTORYSYS& b)
{
    return std::memcmp(&a, &b, offsetof(TABLEFACTORYSYS, dwCrc)) == 0;
}

// Runs `fn` once the arc device has fired `n` times and the last discharge has ended; the caller
// keeps the poll alive.
std::shared_ptr<std::function<void()>> after_fires(Bed& bed, size_t n, std::function<void()> fn)
{
    auto poll = std::make_shared<std::function<void()>>();
    std::function<void()>* self = poll.get();
    *poll = [&bed, n, fn, self] {
        if (bed.inst().arc().fires().size() >= n && !bed.inst().arc().burning()) return fn();
        bed.tb.after_ms(20, *self);
    };
    bed.tb.after_ms(20, *poll);
    return poll;
}
} // namespace

TEST(ArcCalCycle, InterruptionsEndWithTheirStateAndStoreNothing)
{
    struct Row {
        const char* what;
        size_t fires; // act after this many discharges (cleaning arc, first, second)
        int result;
    } rows[] = {
        {"cover", 2, ARCCAL_ABORTED}, // opened during the pause after the first discharge
        {"reset", 2, ARCCAL_ABORTED},
        {"fibres", 3, ARCCAL_NO_ENDFACE}, // taken out after the second discharge
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Bed bed;
        ArcCaliBegin();
        const TABLEFACTORYSYS before = factory();
        auto poll = after_fires(bed, r.fires, [&bed, &r] {
            if (!std::strcmp(r.what, "cover"))
                bed.inst().misc().set_cover_open(true);
            else if (!std::strcmp(r.what, "reset"))
                bed.inst().keys().press(sim::KeyDevice::kResetKey);
            else
                bed.inst().scene().set_fibres(std::nullopt);
        });
        EXPECT_EQ(ArcCalibration(), r.result);
        const ARCCAL_STATUS s = ArcCaliStatus();
        EXPECT_EQ(s.state, ARCCAL_STATE_INTERRUPTED);
        EXPECT_EQ(s.cycles, 1);
        EXPECT_TRUE(same(factory(), before));
        bed.inst().misc().set_cover_open(false);
        ClearResetFlag();
    }
}

TEST(ArcCalCycle, AnArcThatNeverReachesTheGlassGivesUpAtTheDrivesLimit)
{
    Bed bed;
    TABLEFACTORYSYS fs = factory();
    fs.lArcCaliResult = 3900 + 10000;
    ASSERT_EQ(SetTable_FactSys(&fs), 0);
    const TABLEFACTORYSYS before = factory();
    bed.inst().arc().set_no_arc(true);
    ArcCaliBegin();
    int r = ArcCalibration();
    EXPECT_EQ(r, ARCCAL_AGAIN);
    EXPECT_EQ(ArcCaliStatus().arcValue, 4000);
    bed.lay({});
    r = ArcCalibration();
    EXPECT_EQ(r, ARCCAL_NO_CONVERGE);
    EXPECT_EQ(ArcCaliStatus().state, ARCCAL_STATE_FAILED);
    EXPECT_NEAR(ArcCaliStatus().backLength, 0.0f, 0.5f);
    EXPECT_TRUE(same(factory(), before));
}
