// One fuzz case of the record file: a small sound store damaged as the input says (header
// fields, chain entries, flags, length, journal bytes), run through the header check, the
// inspector's listing, the journal parser and the store's open, repair, read and append. Returns
// what went wrong ("" when nothing). Used by the seeded driver of the test run and by the
// libFuzzer target.
#pragma once

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "records/record.h"
#include "records/recordjournal.h"
#include "records/recordlisting.h"
#include "records/recordstore.h"

namespace recfuzz
{

inline std::vector<uint8_t> damaged_file(const uint8_t* d, size_t n)
{
    const int slots[] = {5, 0, 17, 3, 9, 12, 1};
    std::vector<uint8_t> f(size_t(RecordSlotOffset(18)), 0);
    std::memcpy(f.data() + REC_VERSION_OFF, "R1.02", 5);
    RecordPutU16(f.data() + REC_COUNT_OFF, 7);
    RecordPutU16(f.data() + REC_OLDEST_OFF, 5);
    RecordPutU16(f.data() + REC_NEWEST_OFF, 1);
    for (int i = 0; i < 7; ++i) {
        if (i < 6) RecordPutU16(f.data() + REC_CHAIN_OFF + 2 * slots[i], slots[i + 1]);
        f[size_t(REC_FLAGS_OFF + slots[i])] = REC_FLAG_USED | REC_FLAG_NEW;
        std::memset(f.data() + RecordSlotOffset(slots[i]), 'a' + i, RECORD_SIZE);
    }
    // Each 3 bytes of input: where (a field, a chain entry, a flag, anywhere) and the value.
    for (size_t i = 0; i + 3 <= n; i += 3) {
        size_t at;
        switch (d[i] % 5) {
        case 0:
            at = d[i + 1] % 13;
            break;
        case 1:
            at = size_t(REC_CHAIN_OFF + 2 * (d[i + 1] % 20));
            break;
        case 2:
            at = size_t(REC_FLAGS_OFF + d[i + 1] % 20);
            break;
        case 3:
            if (f.empty()) continue; // cut to nothing by an earlier step
            at = (size_t(d[i + 1]) << 8 | d[i + 2]) * 37 % f.size();
            break;
        default:
            f.resize((size_t(d[i + 1]) << 8 | d[i + 2]) * 41 % (f.size() + 1));
            continue;
        }
        if (at < f.size()) f[at] = d[i + 2];
    }
    return f;
}

// `hostFile` is the record file as the running store sees it (the test bed's data root).
inline std::string run(const uint8_t* d, size_t n, const std::string& hostFile)
{
    std::vector<uint8_t> f = damaged_file(d, n);
    RecordHeaderCheck c =
        CheckRecordHeader(f.data(), std::min<size_t>(f.size(), REC_HEADER_SIZE), int64_t(f.size()));
    if (!c.refused) {
        RecordHeaderCheck again = CheckRecordHeader(c.fixed.data(), c.fixed.size(), int64_t(f.size()));
        if (!again.faults.empty() || again.order != c.order) return "the repaired header is not sound";
    }
    std::string out, faults;
    InspectRecordFile(f.data(), f.size(), true, &out, &faults);
    InspectRecordFile(f.data(), f.size(), false, &out, &faults);
    std::vector<RecordPatch> patches;
    RecordJournalParse(std::vector<uint8_t>(d, d + n), &patches);

    std::ofstream(hostFile, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(f.data()), std::streamsize(f.size()));
    if (InitializeRecord() != 0) return "open failed";
    int count = -1;
    GetCount_Record(&count);
    if (count != int(c.order.size())) return "open kept another count than the check";
    for (int p = 1; p <= count; ++p) {
        APPRECORD r;
        if (ReadRecord(p, &r) != 0) return "a kept record cannot be read";
        if (std::memcmp(&r, f.data() + RecordSlotOffset(c.order[size_t(p - 1)]), RECORD_SIZE) != 0)
            return "a kept record changed";
    }
    APPRECORD r{};
    r.dwSpliceNumber = 4711;
    if (AppendRecord(&r) != 0) return "append after the repair failed";
    if (InitializeRecord() != 0) return "reopen failed";
    int after = -1;
    GetCount_Record(&after);
    APPRECORD last;
    if (after != std::min(count + 1, RECORD_MAX) || ReadRecord(after, &last) != 0 ||
        last.dwSpliceNumber != 4711)
        return "the appended record is not the newest";
    ReleaseRecord();
    return "";
}

} // namespace recfuzz
