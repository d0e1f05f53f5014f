// The splice test: Run makes one complete splice as the workbench does (the operator lays a new
// pair before each); every splice that stored a record adds that record to the statistics:
// count, then mean, minimum, maximum and standard deviation of loss, cleave angles, core angle
// and core offset. Left clears the statistics.
#include "forms/frmfactsplicetest.h"

#include <cstdio>

#include "formmodel/forms.h"
#include "records/record.h"
#include "splice/autosplice.h"
#include "texts/facttesttexts.h"
#include "texts/textres.h"

namespace
{
constexpr uint32_t kFieldText[STAT_FIELDS] = {TXT_FT_LOSS, TXT_FT_LEFT_ANGLE, TXT_FT_RIGHT_ANGLE,
                                              TXT_FT_CORE_ANGLE, TXT_FT_CORE_OFFSET};
SPLICESTATS g;

void enter()
{
    g = SPLICESTATS{};
}

void lines(FactTestLines& out)
{
    out.push_back({"", std::to_string(g.splices), -1, TXT_FT_SPLICES});
    out.push_back({"", PanelTextOf(TXT_FT_STATS_HEAD), -1, 0});
    for (int f = 0; f < STAT_FIELDS; ++f) {
        const SPLICESTAT& s = g.field[size_t(f)];
        std::string v = "-";
        if (s.count) {
            char buf[96], fmt[64];
            const char* one = SpliceStatFormat(f);
            std::snprintf(fmt, sizeof fmt, "%s / %s / %s / %s", one, one, one, one);
            std::snprintf(buf, sizeof buf, fmt, s.mean(), s.min, s.max, s.stddev());
            v = buf;
        }
        out.push_back({"", v, -1, kFieldText[f]});
    }
}

// The newest record; false when there is none.
bool newest(APPRECORD* rec)
{
    LockRecord();
    int count = 0;
    const bool ok = GetCount_Record(&count) == 0 && count > 0 && ReadRecord(count, rec) == 0;
    UnlockRecord();
    return ok;
}

int run()
{
    APPRECORD before{}, after{};
    const bool had = newest(&before);
    const int r = FiberAutoSplice();
    // Only a splice that stored its record counts. A full ring keeps its count, so the newest
    // record's splice number tells a new one.
    if (newest(&after) && (!had || after.dwSpliceNumber != before.dwSpliceNumber)) {
        SpliceStatsAdd(g, after);
        return 0;
    }
    std::printf("splice test: no record (%d)\n", r);
    return -1;
}

uint32_t key(int k)
{
    if (k != 7) return 0;
    g = SPLICESTATS{};
    FactTestSetVerdict(-1);
    FactTestRefresh();
    return FACTTEST_KEY_TAKEN;
}

constexpr FACTTESTDEF kDef = {.ppWnd = &frmFactSpliceTest,
                              .title = TXT_FT_TITLE_SPLICE,
                              .enter = enter,
                              .run = run,
                              .lines = lines,
                              .key = key,
                              .park = true};
} // namespace

const SPLICESTATS& GetFactSpliceStats()
{
    return g;
}

FACTTEST_FORM(frmFactSpliceTest, kDef)
