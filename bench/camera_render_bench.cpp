// Frames per second of the camera renderer: a standard pair in view with dust, with and without
// sensor noise, a pair with defects and a cleave angle, and a fused joint in the arc's glow.
#include <benchmark/benchmark.h>

#include <vector>

#include "sim/camera_render.h"
#include "sim/scene.h"

namespace
{

sim::ViewScene pair_in_view(bool defects)
{
    sim::FibreSetup l, r;
    if (defects) {
        l.cleave_deg = 2;
        l.defect = sim::EndDefect::ShrunkCore;
        r.defect = sim::EndDefect::Dirt;
        r.eccentricity_um = 1.5;
    }
    sim::ViewScene vs;
    vs.light = 56; // the background of 64 the exposure calibration settles at
    vs.fibre[0] = sim::Scene::pose(l, true, 1, 1000, 0, 0, sim::optics::kFocusOnAxisSteps);
    vs.fibre[1] = sim::Scene::pose(r, false, 1, 1000, 50, 0, sim::optics::kFocusOnAxisSteps);
    vs.dust.push_back({100, 400, 6, 0.5});
    return vs;
}

void BM_RenderFrame(benchmark::State& state)
{
    sim::ViewScene vs = pair_in_view(state.range(1) != 0);
    std::vector<uint8_t> frame(size_t(sim::kFrameWidth) * sim::kFrameHeight);
    for (auto _ : state) {
        ++vs.frame;
        sim::render_view(vs, frame.data(), state.range(0) != 0);
        benchmark::DoNotOptimize(frame.data());
    }
    state.counters["frames_per_s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderFrame)->ArgNames({"noise", "defects"})->Args({1, 0})->Args({0, 0})->Args({1, 1});

void BM_RenderJointInArc(benchmark::State& state)
{
    sim::ViewScene vs = pair_in_view(false);
    vs.electrode_col = sim::optics::kAxisColumn[0];
    vs.glow = 200;
    vs.joint.present = true;
    vs.joint.col = vs.electrode_col + 8;
    vs.joint.clad_step_rows = 0.2;
    vs.joint.core_step_um = 1.0;
    vs.joint.surplus_um = 3;
    std::vector<uint8_t> frame(size_t(sim::kFrameWidth) * sim::kFrameHeight);
    for (auto _ : state) {
        ++vs.frame;
        sim::render_view(vs, frame.data(), true);
        benchmark::DoNotOptimize(frame.data());
    }
    state.counters["frames_per_s"] =
        benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RenderJointInArc);

} // namespace
