// Statistics of a series of test splices, taken from their stored records: count, mean, minimum,
// maximum and standard deviation of the loss, the cleave and core angles and the offsets.
#pragma once

#include <array>
#include <cstddef>

#include "records/record.h"

struct SPLICESTAT {
    int count = 0;
    double sum = 0, sumSq = 0, min = 0, max = 0;
    void add(double v);
    double mean() const;
    double stddev() const; // sample standard deviation (0 below two values)
};

// The record fields a splice test follows, in the order shown.
enum SpliceStatField {
    STAT_LOSS,
    STAT_LEFT_ANGLE,
    STAT_RIGHT_ANGLE,
    STAT_CORE_ANGLE,
    STAT_CORE_OFFSET,
    STAT_FIELDS
};

struct SPLICESTATS {
    int splices = 0; // records taken (a record without a loss estimate counts, its loss not)
    std::array<SPLICESTAT, STAT_FIELDS> field{};
};

// A field's value of a record in its unit (dB, degree, um); false when the record has none.
bool SpliceStatValue(const APPRECORD& r, int field, double* value);
void SpliceStatsAdd(SPLICESTATS& s, const APPRECORD& r);
const char* SpliceStatName(int field);
const char* SpliceStatFormat(int field); // printf format of one value
