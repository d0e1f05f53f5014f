// Test bed of the record store: a fresh data root, helpers to make records, to look at the file's
// bytes and to lay down a synthetic store of any size.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/seam.h"
#include "records/record.h"
#include "records/recordstore.h"
#include "sim/flash.h"
#include "sim/request_log.h"
#include "sim/testbed.h"

namespace rectest
{

inline std::vector<uint8_t> read_file(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void write_file(const std::string& path, const std::vector<uint8_t>& data)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
}

// A record told apart by `n` (its loss, angles, mode name and splice number).
inline APPRECORD make_record(int n)
{
    APPRECORD r{};
    r.bLossValue = uint8_t(n % 100);
    r.bCoreAngle = uint8_t(n % 7);
    r.bLeftAngle = uint8_t(n % 11);
    r.bRightAngle = uint8_t(n % 13);
    r.bCladOff = 3;
    r.bCoreOff = 4;
    r.bLossLimit = 10;
    r.bCleaveLimit = 30;
    std::snprintf(r.ModeName, sizeof r.ModeName, "M%d", n % 100000);
    r.dwSpliceTime = PackRecordTime(2026, 12, 10, 4, 30);
    std::memcpy(r.bSplicePlace, "Field", 5);
    r.dwSpliceNumber = uint32_t(n);
    return r;
}

// A store file whose ring holds `slots` (age order) with records make_record(base + i).
inline std::vector<uint8_t> synthetic_store(const std::vector<int>& slots, int base = 1)
{
    int maxSlot = 0;
    for (int s : slots)
        maxSlot = std::max(maxSlot, s);
    std::vector<uint8_t> f(size_t(RecordSlotOffset(slots.empty() ? 0 : maxSlot + 1)), 0);
    f.resize(std::max<size_t>(f.size(), REC_HEADER_SIZE));
    std::memcpy(f.data() + REC_VERSION_OFF, "R1.02", 5);
    RecordPutU16(f.data() + REC_COUNT_OFF, int(slots.size()));
    if (!slots.empty()) {
        RecordPutU16(f.data() + REC_OLDEST_OFF, slots.front());
        RecordPutU16(f.data() + REC_NEWEST_OFF, slots.back());
    }
    for (size_t i = 0; i < slots.size(); ++i) {
        if (i + 1 < slots.size()) RecordPutU16(f.data() + REC_CHAIN_OFF + 2 * slots[i], slots[i + 1]);
        f[size_t(REC_FLAGS_OFF + slots[i])] = REC_FLAG_USED;
        APPRECORD r = make_record(base + int(i));
        std::memcpy(f.data() + RecordSlotOffset(slots[i]), &r, RECORD_SIZE);
    }
    return f;
}

class RecordTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        tb = std::make_unique<sim::Testbed>();
        sim::set_call_logging(false);
        ::mkdir(tb->path("/mnt").c_str(), 0755);
        ::mkdir(tb->path("/mnt/usr").c_str(), 0755);
        file = tb->path(REC_FILE);
    }
    void TearDown() override
    {
        ReleaseRecord();
        tb.reset();
    }
    int count()
    {
        int n = -1;
        EXPECT_EQ(GetCount_Record(&n), 0);
        return n;
    }
    // The splice numbers of the records in age order.
    std::vector<int> numbers()
    {
        std::vector<int> v;
        for (int p = 1; p <= count(); ++p) {
            APPRECORD r;
            EXPECT_EQ(ReadRecord(p, &r), 0) << "position " << p;
            v.push_back(int(r.dwSpliceNumber));
        }
        return v;
    }
    std::unique_ptr<sim::Testbed> tb;
    std::string file;
};

} // namespace rectest
