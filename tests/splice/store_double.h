// A record store that keeps appended records in memory, for the splice tests.
#pragma once

#include <vector>

#include "records/record.h"

namespace storedouble
{
struct Store {
    std::vector<APPRECORD> records;
    int images = 0;
    bool failAppend = false;
};
extern Store g;
} // namespace storedouble
