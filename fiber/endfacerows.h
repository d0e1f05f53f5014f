// Helpers shared by the end-face checks: frame reads that stay inside the picture, and the splice
// options that set the checks' limits.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "fiber/graphics.h"
#include "params/param_tables.h"

namespace endface
{

// Mean of `count` pixels of a row from column `first`, the range shifted to lie inside the row.
inline double row_mean(const uint8_t* row, int first, int count)
{
    count = std::clamp(count, 1, CAMERA_WIDTH);
    first = std::clamp(first, 0, CAMERA_WIDTH - count);
    long sum = 0;
    for (int c = first; c < first + count; ++c)
        sum += row[c];
    return double(sum) / count;
}

// A measured float as an int for rows and columns, or `bad` when it is not a number or far off.
inline int to_int(double v, int bad = -100000)
{
    if (!std::isfinite(v) || v < -100000.0 || v > 100000.0) return bad;
    return int(v);
}

// The splice options; false when the table cannot be read (the checks then cannot judge).
inline bool options(APPTABLE_OPTION* o)
{
    return GetTable_SpliceOption(o) == 0;
}

} // namespace endface
