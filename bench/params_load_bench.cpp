// The parameter store's start-up load on a formatted chip: wall time per load, and as counters
// the I2C page transfers it needs (the chip's own limit is one read per page: 36 journal and
// module pages and the 233 pages of the active part) and the virtual time the bus takes.
#include <benchmark/benchmark.h>

#include "params/param_store.h"
#include "params/param_tables.h"
#include "sim/i2c_chips.h"
#include "sim/request_log.h"
#include "sim/scheduler.h"
#include "sim/testbed.h"

namespace
{

void BM_ParameterStartupLoad(benchmark::State& state)
{
    sim::Testbed bed(sim::Testbed::Options{true});
    sim::set_call_logging(false);
    E2prom_close();
    GetParameter(OnlineModule); // formats the blank chip once
    uint64_t virtualUs = 0;
    int reads = 0, writes = 0, loads = 0;
    for (auto _ : state) {
        E2prom_close();
        int r0 = sim::eeprom_page_reads(), w0 = sim::eeprom_page_writes();
        uint64_t t0 = sim::Scheduler::instance().now_us();
        benchmark::DoNotOptimize(GetParameter(OnlineModule));
        virtualUs += sim::Scheduler::instance().now_us() - t0;
        reads += sim::eeprom_page_reads() - r0;
        writes += sim::eeprom_page_writes() - w0;
        ++loads;
    }
    E2prom_close();
    state.counters["page_reads"] = double(reads) / loads;
    state.counters["page_writes"] = double(writes) / loads;
    state.counters["virtual_ms"] = double(virtualUs) / loads / 1000.0;
}
BENCHMARK(BM_ParameterStartupLoad)->Unit(benchmark::kMillisecond);

} // namespace
