// End faces and cleave angles of both views on rendered pictures against one streaming pass over
// a frame (a plain sum of its 307 200 bytes): the ratio is what the analysis costs in frame
// passes.
#include <benchmark/benchmark.h>

#include <numeric>

#include "devices/platdev.h"
#include "fiber/cladedge.h"
#include "fiber/endface.h"
#include "fiber/graphics.h"
#include "gui/base.h"
#include "sim/camera_render.h"
#include "sim/request_log.h"
#include "sim/testbed.h"

namespace
{

// The instrument (the end-face step snapshots the feed motors) and both views with a pair cleaved
// at 1 and 2 degrees.
class Views
{
  public:
    Views()
    {
        InitializeRootList();
        InitializePlatform();
        sim::set_call_logging(false);
        if (!GetGraphicsEntry(1)) InitializeGraphics();
        for (int view = 1; view <= 2; ++view) {
            sim::ViewScene vs;
            vs.view = view;
            vs.base = 8;
            vs.light = 56; // the background of 64 the exposure calibration settles at
            sim::FibreSetup left, right;
            left.cleave_deg = 1;
            left.cleave_azimuth_deg = 30;
            right.cleave_deg = 2;
            right.cleave_azimuth_deg = 200;
            vs.fibre[0] = sim::Scene::pose(left, true, view, 0, 0, 0, 1560, 40);
            vs.fibre[1] = sim::Scene::pose(right, false, view, 0, 0, 0, 1560, 40);
            sim::render_view(vs, GetGraphicsEntry(view), true);
        }
    }
    ~Views()
    {
        ReleasePlatform();
        ReleaseRootList();
    }

  private:
    sim::Testbed bed_;
};

// One instrument for the whole run.
void views()
{
    static Views v;
}

void BM_EndfaceStreamingPass(benchmark::State& state)
{
    views();
    const uint8_t* f = GetGraphicsEntry(1);
    for (auto _ : state) {
        unsigned sum = std::accumulate(f, f + CAMERA_FRAME_SIZE, 0u);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_EndfaceStreamingPass);

// Shadow thresholds, cladding, focus and end-face line of all four fibres, and the four angles.
void BM_EndfaceAndAngles(benchmark::State& state)
{
    views();
    for (auto _ : state) {
        GetShadowBrightEx(VIEWMASK_XY);
        int r = GetEndfaceEx(VIEWMASK_XY);
        const APPFIBER* f = GetFiberStruct();
        const APPFIBER_INFO &xl = f->graX.infL, &xr = f->graX.infR, &yl = f->graY.infL, &yr = f->graY.infR;
        double a = CalcVectorValue(1, xl.fEndfaceK, xl.fCoreK, yl.fEndfaceK, yl.fCoreK);
        a += CalcVectorValue(1, xr.fEndfaceK, xr.fCoreK, yr.fEndfaceK, yr.fCoreK);
        a += CalcVectorValue(0, xl.fEndfaceK, xr.fEndfaceK, yl.fEndfaceK, yr.fEndfaceK);
        a += CalcVectorValue(0, xl.fCoreK, xr.fCoreK, yl.fCoreK, yr.fCoreK);
        benchmark::DoNotOptimize(r);
        benchmark::DoNotOptimize(a);
    }
}
BENCHMARK(BM_EndfaceAndAngles);

} // namespace
