// Outlier filter over 4-byte records with a u16 value first: keeps the values near the mean of
// all but the two farthest.
#include <cstdlib>
#include <cstring>

#include "fiber/numeric.h"

namespace
{
int value_at(const uint8_t* records, int i)
{
    uint16_t v;
    std::memcpy(&v, records + 4 * i, 2);
    return v;
}
} // namespace

int FilterData(uint8_t* records, int count, int limit)
{
    // Two set-aside values need a third to average.
    if (!records || count < 3) return 0;
    long sum = 0;
    for (int i = 0; i < count; ++i)
        sum += value_at(records, i);
    const long m1 = sum / count;
    int far1 = 0;
    for (int i = 1; i < count; ++i)
        if (std::labs(value_at(records, i) - m1) > std::labs(value_at(records, far1) - m1)) far1 = i;
    const long m2 = (sum - value_at(records, far1)) / (count - 1);
    int far2 = -1;
    for (int i = 0; i < count; ++i) {
        if (i == far1) continue;
        if (far2 < 0 || std::labs(value_at(records, i) - m2) > std::labs(value_at(records, far2) - m2))
            far2 = i;
    }
    const long m3 = (sum - value_at(records, far1) - value_at(records, far2)) / (count - 2);
    const long lim = std::labs(long(limit));
    int kept = 0;
    for (int i = 0; i < count; ++i) {
        if (std::labs(value_at(records, i) - m3) >= lim) continue;
        if (kept != i) std::memmove(records + 4 * kept, records + 4 * i, 4);
        ++kept;
    }
    // The terminating zero goes only into a record the caller gave us.
    if (kept < count) std::memset(records + 4 * kept, 0, 2);
    return kept;
}
