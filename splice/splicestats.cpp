// Statistics of test splices (see splicestats.h).
#include "splice/splicestats.h"

#include <algorithm>
#include <cmath>

void SPLICESTAT::add(double v)
{
    min = count ? std::min(min, v) : v;
    max = count ? std::max(max, v) : v;
    ++count;
    sum += v;
    sumSq += v * v;
}

double SPLICESTAT::mean() const
{
    return count ? sum / count : 0.0;
}

double SPLICESTAT::stddev() const
{
    if (count < 2) return 0.0;
    const double m = mean();
    return std::sqrt(std::max(0.0, (sumSq - count * m * m) / (count - 1)));
}

bool SpliceStatValue(const APPRECORD& r, int field, double* value)
{
    switch (field) {
    case STAT_LOSS:
        if (r.bLossValue == RECORD_NO_LOSS) return false;
        *value = r.bLossValue / 100.0;
        return true;
    case STAT_LEFT_ANGLE:
        *value = r.bLeftAngle / 10.0;
        return true;
    case STAT_RIGHT_ANGLE:
        *value = r.bRightAngle / 10.0;
        return true;
    case STAT_CORE_ANGLE:
        *value = r.bCoreAngle / 10.0;
        return true;
    case STAT_CORE_OFFSET:
        *value = r.bCoreOff / 10.0;
        return true;
    default:
        return false;
    }
}

void SpliceStatsAdd(SPLICESTATS& s, const APPRECORD& r)
{
    ++s.splices;
    for (int f = 0; f < STAT_FIELDS; ++f) {
        double v = 0;
        if (SpliceStatValue(r, f, &v)) s.field[size_t(f)].add(v);
    }
}

const char* SpliceStatName(int field)
{
    static constexpr const char* kNames[STAT_FIELDS] = {"Loss (dB)", "Left angle (deg)", "Right angle (deg)",
                                                        "Core angle (deg)", "Core offset (um)"};
    return field >= 0 && field < STAT_FIELDS ? kNames[field] : "";
}

const char* SpliceStatFormat(int field)
{
    return field == STAT_LOSS ? "%.3f" : "%.2f";
}
