// A record store that keeps appended records in memory, for the splice tests.
#include "tests/splice/store_double.h"

namespace storedouble
{
Store g;
}

using storedouble::g;

uint32_t PackRecordTime(int year, int month, int day, int hour, int minute)
{
    return uint32_t(year & 0xFFF) | uint32_t(month & 0xF) << 12 | uint32_t(day & 0x1F) << 16 |
           uint32_t(hour & 0x1F) << 21 | uint32_t(minute & 0x3F) << 26;
}

int AppendRecord(const APPRECORD* record)
{
    if (g.failAppend) return 1;
    g.records.push_back(*record);
    return 0;
}

int AppendRecordImage()
{
    ++g.images;
    return 0;
}

int GetCount_Record(int* count)
{
    *count = int(g.records.size());
    return 0;
}
