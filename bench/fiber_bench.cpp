// The cladding and core measurement of one view on a rendered picture against one streaming pass
// over the same frame (a plain sum of its 307 200 bytes): the ratio is what the measurement costs
// in frame passes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <numeric>

#include "fiber/cladedge.h"
#include "fiber/fiberstruct.h"
#include "fiber/graphics.h"
#include "fiber/profile.h"
#include "sim/camera_render.h"

namespace
{

void setup_view()
{
    if (!GetGraphicsEntry(1)) InitializeGraphics();
    sim::ViewScene vs;
    vs.view = 1;
    vs.base = 8;
    vs.light = 56; // the background of 64 the exposure calibration settles at
    for (int side = 0; side < 2; ++side) {
        auto& f = vs.fibre[size_t(side)];
        f.present = true;
        f.centre_row = side ? 243.2 : 238.7;
        f.tip_col = side ? 340 : 300;
    }
    sim::render_view(vs, GetGraphicsEntry(1), true);
}

void BM_FrameSum(benchmark::State& state)
{
    setup_view();
    const uint8_t* f = GetGraphicsEntry(1);
    for (auto _ : state) {
        unsigned sum = std::accumulate(f, f + CAMERA_FRAME_SIZE, 0u);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_FrameSum);

// Threshold, cladding of both fibres (precise), core band and focus ratio of one view.
void BM_CladCoreMeasurement(benchmark::State& state)
{
    setup_view();
    for (auto _ : state) {
        GetShadowBrightEx(VIEWMASK_X);
        int r = GetCladEx(VIEWMASK_X, 1);
        r |= CalcSingleCladEx(VIEW_X, 0);
        r |= CalcSingleCladEx(VIEW_X, 1);
        CalcSingleFocus(VIEW_X, 0);
        CalcSingleFocus(VIEW_X, 1);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_CladCoreMeasurement);

} // namespace
