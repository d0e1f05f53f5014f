// The check of a record file's header: the chain is walked from the oldest record, bounded by
// the count; every hop must name a slot below 10 000 that lies in the file and was not visited.
// What the walk reaches is what a reader by position can read, so the repair keeps exactly that.
#include <cstdio>
#include <cstring>

#include "records/recordstore.h"

namespace
{

std::string fmt(const char* f, long a, long b = 0, long c = 0)
{
    char buf[160];
    std::snprintf(buf, sizeof buf, f, a, b, c);
    return buf;
}

} // namespace

RecordHeaderCheck CheckRecordHeader(const uint8_t* hdr, size_t len, int64_t fileSize)
{
    RecordHeaderCheck r;
    if (len < size_t(REC_HEADER_SIZE)) {
        r.refused = true;
        r.faults.push_back(fmt("short file: %ld bytes, the header needs %ld", long(len), REC_HEADER_SIZE));
        return r;
    }
    char version[REC_VERSION_LEN] = {};
    std::strncpy(version, REC_VERSION, sizeof version);
    if (std::memcmp(hdr + REC_VERSION_OFF, version, REC_VERSION_LEN) != 0) {
        r.refused = true;
        r.faults.push_back("version text is not R1.02");
        return r;
    }
    r.fixed.assign(hdr, hdr + REC_HEADER_SIZE);
    uint8_t* h = r.fixed.data();
    int count = RecordU16(h + REC_COUNT_OFF);
    int oldest = RecordU16(h + REC_OLDEST_OFF);
    int newest = RecordU16(h + REC_NEWEST_OFF);
    if (count > RECORD_MAX) {
        r.faults.push_back(fmt("record count %ld exceeds %ld", count, RECORD_MAX));
        count = RECORD_MAX;
    }
    if (count > 0 && oldest >= RECORD_MAX) {
        r.faults.push_back(fmt("oldest slot %ld out of range: no record can be reached", oldest));
        count = 0;
    }
    std::vector<uint8_t> seen(RECORD_MAX, 0);
    int s = oldest;
    for (int i = 0; i < count; ++i) {
        if (RecordSlotOffset(s) + RECORD_SIZE > fileSize) {
            r.faults.push_back(fmt("position %ld (slot %ld) lies beyond the end of the file", i + 1, s));
            break;
        }
        if (seen[s]) {
            r.faults.push_back(fmt("chain loops back to slot %ld at position %ld", s, i + 1));
            break;
        }
        seen[s] = 1;
        r.order.push_back(uint16_t(s));
        if (i + 1 == count) break;
        int next = RecordU16(h + REC_CHAIN_OFF + 2 * s);
        if (next >= RECORD_MAX) {
            r.faults.push_back(
                fmt("chain hop out of range after position %ld (slot %ld -> %ld)", i + 1, s, next));
            break;
        }
        s = next;
    }
    int kept = int(r.order.size());
    if (kept != RecordU16(hdr + REC_COUNT_OFF))
        r.faults.push_back(
            fmt("count %ld but the chain holds %ld records", RecordU16(hdr + REC_COUNT_OFF), kept));
    if (kept > 0 && newest != r.order.back())
        r.faults.push_back(fmt("newest slot %ld but the chain ends at slot %ld", newest, r.order.back()));
    if (kept == 0 && (oldest >= RECORD_MAX || newest >= RECORD_MAX))
        r.faults.push_back(fmt("empty store with slots %ld and %ld out of range", oldest, newest));
    RecordPutU16(h + REC_COUNT_OFF, kept);
    RecordPutU16(h + REC_OLDEST_OFF, kept ? r.order.front() : 0);
    RecordPutU16(h + REC_NEWEST_OFF, kept ? r.order.back() : 0);
    if (kept == 0 && oldest < RECORD_MAX && newest < RECORD_MAX) { // an empty store keeps its ends
        RecordPutU16(h + REC_OLDEST_OFF, oldest);
        RecordPutU16(h + REC_NEWEST_OFF, newest);
    }
    // Used bits follow the chain; a free slot carries no mark.
    int flagFaults = 0;
    for (int i = 0; i < RECORD_MAX; ++i) {
        uint8_t& f = h[REC_FLAGS_OFF + i];
        uint8_t want = seen[i] ? uint8_t((f & (REC_FLAG_IMAGES | REC_FLAG_NEW)) | REC_FLAG_USED) : 0;
        if (f != want) {
            ++flagFaults;
            f = want;
        }
    }
    if (flagFaults) r.faults.push_back(fmt("flags of %ld slots disagree with the chain", flagFaults));
    return r;
}
