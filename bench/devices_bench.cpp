// Wall time of the device layer's busiest paths through the simulated instrument: the camera
// sensor check (run from the workbench's idle loop and around every arc) and a chunked pair move.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

#include "devices/devices.h"
#include "gui/base.h"
#include "gui/keypad.h"
#include "params/param_tables.h"
#include "sim/request_log.h"
#include "sim/testbed.h"

namespace
{

// The instrument with the generated parameter image, the key device's keypad object and the
// platform opened. SPLICER_ASSET_ROOT names the generated data root template.
class Bench
{
  public:
    Bench() : bed_(sim::Testbed::Options{true})
    {
        InitializeRootList();
        InitializeKeypadQueue();
        pad_ = CreateKeypadDirect(200, 36, DEV_KEY);
        if (pad_) _KeypadMapStandard(pad_);
        InitializeParameter();
        InitializePlatform();
        sim::set_call_logging(false);
    }
    ~Bench()
    {
        ReleasePlatform();
        RemoveMessageQueue();
        ReleaseParameter();
        if (pad_) DeleteKeypadDirect(pad_);
        ReleaseKeypadQueue();
        ReleaseRootList();
    }
    bool ready() const { return ParameterLoaded() && GetDeviceFd(PLATDEV_CAMERA) >= 0; }

  private:
    sim::Testbed bed_;
    GUIKEYPAD* pad_ = nullptr;
};

void BM_CameraStatusMonitor(benchmark::State& state)
{
    Bench b;
    if (!b.ready()) {
        state.SkipWithError("no parameter image (set SPLICER_ASSET_ROOT)");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(CameraStatusMonitor());
}
BENCHMARK(BM_CameraStatusMonitor);

void BM_PressMoveTwoChunks(benchmark::State& state)
{
    Bench b;
    if (!b.ready()) {
        state.SkipWithError("no parameter image (set SPLICER_ASSET_ROOT)");
        return;
    }
    // The move prints nothing on success; the motors go there and back.
    int sign = 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(MovePressMotor(sign * 5000, 0));
        sign = -sign;
    }
}
BENCHMARK(BM_PressMoveTwoChunks);

} // namespace
