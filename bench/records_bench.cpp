// The record store: a stored splice (record, both images, the report) in milliseconds per
// append, and the listing of a full ring of 10 000 records (open with the header check, then
// every record read in age order) in records per second.
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <vector>

#include "fiber/graphics.h"
#include "records/record.h"
#include "records/recordstore.h"
#include "sim/request_log.h"
#include "sim/testbed.h"

namespace
{

void make_dirs(sim::Testbed& bed)
{
    sim::set_call_logging(false);
    ::mkdir(bed.path("/mnt").c_str(), 0755);
    ::mkdir(bed.path("/mnt/usr").c_str(), 0755);
}

void BM_StoredSplice(benchmark::State& state)
{
    sim::Testbed bed;
    make_dirs(bed);
    InitializeGraphics();
    for (int v : {VIEW_X, VIEW_Y})
        for (int i = 0; i < CAMERA_FRAME_SIZE; ++i)
            GetGraphicsEntry(v)[i] = uint8_t((i % 640) / 3 + (i / 640) / 5);
    InitializeRecord();
    APPRECORD r{};
    std::strcpy(r.ModeName, "SM-SM");
    for (auto _ : state) {
        AppendRecord(&r);
        AppendRecordImage();
        int n = 0;
        GetCount_Record(&n);
        benchmark::DoNotOptimize(BuildSpliceRecordPDF(n));
    }
    ReleaseRecord();
    ReleaseGraphics();
}
BENCHMARK(BM_StoredSplice)->Unit(benchmark::kMillisecond);

void BM_ListFullRing(benchmark::State& state)
{
    sim::Testbed bed;
    make_dirs(bed);
    std::vector<uint8_t> f(size_t(REC_FILE_SIZE), 0);
    std::memcpy(f.data() + REC_VERSION_OFF, REC_VERSION, 5);
    RecordPutU16(f.data() + REC_COUNT_OFF, RECORD_MAX);
    int prev = -1;
    for (int i = 0; i < RECORD_MAX; ++i) {
        int s = (i * 7919) % RECORD_MAX;
        if (prev >= 0) RecordPutU16(f.data() + REC_CHAIN_OFF + 2 * prev, s);
        if (i == 0) RecordPutU16(f.data() + REC_OLDEST_OFF, s);
        f[size_t(REC_FLAGS_OFF + s)] = REC_FLAG_USED;
        prev = s;
    }
    RecordPutU16(f.data() + REC_NEWEST_OFF, prev);
    std::ofstream(bed.path(REC_FILE), std::ios::binary)
        .write(reinterpret_cast<const char*>(f.data()), long(f.size()));
    int64_t listed = 0;
    for (auto _ : state) {
        InitializeRecord();
        int n = 0;
        GetCount_Record(&n);
        APPRECORD r;
        for (int p = 1; p <= n; ++p)
            benchmark::DoNotOptimize(ReadRecord(p, &r));
        listed += n;
    }
    ReleaseRecord();
    state.counters["records_per_s"] = benchmark::Counter(double(listed), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ListFullRing)->Unit(benchmark::kMillisecond);

} // namespace
