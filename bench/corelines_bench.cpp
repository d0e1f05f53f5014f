// The whole-line fits of the four fibres (both views) on rendered pictures against one streaming
// pass over a frame (a plain sum of its 307 200 bytes): the ratio is what the fits cost in frame
// passes.
#include <benchmark/benchmark.h>

#include <numeric>

#include "fiber/corelines.h"
#include "fiber/fiberstruct.h"
#include "fiber/graphics.h"
#include "sim/camera_render.h"

namespace
{

// A single-mode pair at the working focus, tips at columns 300 and 340, with sensor noise; the
// record holds what the earlier steps measure.
void setup_pair()
{
    if (!GetGraphicsEntry(1)) InitializeGraphics();
    for (int view = 1; view <= 2; ++view) {
        sim::ViewScene vs;
        vs.view = view;
        vs.base = 8;
        vs.light = 56;
        for (int side = 0; side < 2; ++side) {
            auto& f = vs.fibre[size_t(side)];
            f.present = true;
            f.centre_row = side ? 243.2 : 238.7;
            f.tip_col = side ? 340 : 300;
            f.z_um = 20;
            f.core_um = 0.5;
        }
        sim::render_view(vs, GetGraphicsEntry(view), true);
        const sim::ViewTruth t = sim::view_truth(vs);
        for (int side = 0; side < 2; ++side) {
            APPFIBER_INFO* f = GetFiberInfo(view, side);
            f->iCladUp = int(t.fibre[size_t(side)].clad_up_row);
            f->iCladDown = int(t.fibre[size_t(side)].clad_down_row);
            f->fEndfacePos = float(t.fibre[size_t(side)].tip_col);
        }
    }
}

// The core line the fits start from, as the FPGA would give it.
void predict_cores()
{
    for (int view = 1; view <= 2; ++view)
        for (int side = 0; side < 2; ++side) {
            GetFiberInfo(view, side)->fCoreK = 0;
            GetFiberInfo(view, side)->fCoreB = side ? 243.5f : 239.0f;
        }
}

void BM_CoreLinesFramePass(benchmark::State& state)
{
    setup_pair();
    const uint8_t* f = GetGraphicsEntry(1);
    for (auto _ : state) {
        unsigned sum = std::accumulate(f, f + CAMERA_FRAME_SIZE, 0u);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_CoreLinesFramePass);

void BM_WholeLineFits(benchmark::State& state)
{
    setup_pair();
    for (auto _ : state) {
        predict_cores();
        int r = GetCoreAndCladKB(0);
        benchmark::DoNotOptimize(r);
    }
}
BENCHMARK(BM_WholeLineFits);

} // namespace
