// The scene in front of the cameras (see scene.h and docs/optics_geometry.md).
#include "sim/scene.h"

#include <algorithm>
#include <cmath>

#include "sim/camera_render.h"
#include "sim/dev_camera.h"
#include "sim/dev_motor.h"
#include "sim/fusion.h"

namespace sim
{

using namespace optics;

namespace
{
constexpr int kXFocus = 0, kXAlign = 1, kRightFeed = 2, kYFocus = 3, kYAlign = 4, kLeftFeed = 5;
constexpr double kDeg = M_PI / 180.0;
} // namespace

void Scene::set_fibres(std::optional<FibrePair> pair)
{
    // The fibres ride on the feed stages from where they were clamped.
    std::array<double, 2> at = {motors_.stage_position(kLeftFeed), motors_.stage_position(kRightFeed)};
    std::lock_guard<std::mutex> lk(mu_);
    pair_ = std::move(pair);
    laid_at_ = at;
    ++generation_;
    for (auto& f : feed_)
        f.slips.clear();
}

FeedMechanics Scene::feed(int side) const
{
    std::lock_guard<std::mutex> lk(mu_);
    return feed_[side == 1 ? 1 : 0];
}

void Scene::set_feed_um_per_step(int side, double um_per_step)
{
    std::lock_guard<std::mutex> lk(mu_);
    feed_[side == 1 ? 1 : 0].um_per_step = um_per_step;
}

void Scene::set_fibre_late(int side, double steps)
{
    std::lock_guard<std::mutex> lk(mu_);
    feed_[side == 1 ? 1 : 0].late_steps = steps;
}

void Scene::set_fibre_stop(int side, std::optional<double> um)
{
    std::lock_guard<std::mutex> lk(mu_);
    feed_[side == 1 ? 1 : 0].stop_um = um;
}

void Scene::slip(int side, double um, bool on_next_feed)
{
    int id = side == 1 ? kRightFeed : kLeftFeed;
    std::optional<unsigned> after;
    if (on_next_feed) after = motors_.move_count(id);
    std::lock_guard<std::mutex> lk(mu_);
    feed_[side == 1 ? 1 : 0].slips.push_back({um, after});
}

uint64_t Scene::generation() const
{
    std::lock_guard<std::mutex> lk(mu_);
    return generation_;
}

void Scene::set_electrode_col(int view, double col)
{
    std::lock_guard<std::mutex> lk(mu_);
    electrode_col_[view == 2 ? 1 : 0] = col;
}

double Scene::electrode_col(int view) const
{
    std::lock_guard<std::mutex> lk(mu_);
    return electrode_col_[view == 2 ? 1 : 0];
}

void Scene::set_fusion(Fusion* fusion)
{
    std::lock_guard<std::mutex> lk(mu_);
    fusion_ = fusion;
}

std::optional<std::array<FibreGeometry, 2>> Scene::geometry_at(uint64_t t) const
{
    std::optional<FibrePair> pair;
    std::array<double, 2> laid{};
    std::array<FeedMechanics, 2> feed;
    {
        std::lock_guard<std::mutex> lk(mu_);
        pair = pair_;
        laid = laid_at_;
        feed = feed_;
    }
    if (!pair) return std::nullopt;
    const double xa = motors_.stage_position_at(kXAlign, t) * kAlignUmPerStep;
    const double ya = motors_.stage_position_at(kYAlign, t) * kAlignUmPerStep;
    std::array<FibreGeometry, 2> g;
    for (int side = 0; side < 2; ++side) {
        const bool left = side == 0;
        const FibreSetup& f = left ? pair->left : pair->right;
        const int id = left ? kLeftFeed : kRightFeed;
        double travel =
            fibre_travel_um(feed[size_t(side)], motors_.stage_position_at(id, t) - laid[size_t(side)],
                            motors_.move_count(id));
        FibreGeometry& o = g[size_t(side)];
        o.tip_um = left ? travel - pair->tips_um : pair->tips_um - travel;
        o.centre_um = {f.seat_um[0] + (left ? 0.0 : xa), f.seat_um[1] + (left ? ya : 0.0)};
        double az = f.eccentricity_azimuth_deg * kDeg, ca = f.cleave_azimuth_deg * kDeg;
        o.core_um = {f.eccentricity_um * std::cos(az), f.eccentricity_um * std::sin(az)};
        double tt = std::tan(f.cleave_deg * kDeg);
        o.end_slope = {tt * std::cos(ca), tt * std::sin(ca)};
    }
    return g;
}

std::optional<FibrePair> Scene::fibres() const
{
    std::lock_guard<std::mutex> lk(mu_);
    return pair_;
}

void Scene::set_dust(int view, std::vector<Dust> dust)
{
    std::lock_guard<std::mutex> lk(mu_);
    dust_[view == 2 ? 1 : 0] = std::move(dust);
}

FibrePose Scene::pose(const FibreSetup& f, bool left, int view, double fed, double xalign, double yalign,
                      double focus, double lay_in_um)
{
    return pose_at(f, left, view, fed * kFeedUmPerStep, xalign, yalign, focus, lay_in_um);
}

FibrePose Scene::pose_at(const FibreSetup& f, bool left, int view, double travel_um, double xalign,
                         double yalign, double focus, double lay_in_um)
{
    FibrePose p;
    p.present = true;
    p.type = f.type;
    p.defect = f.defect;
    p.seed = left ? 1 : 2;
    // Across the axis: the X alignment stage carries the right fibre along x, the Y stage the left
    // fibre along y.
    double x = f.seat_um[0] + (left ? 0.0 : xalign * kAlignUmPerStep);
    double y = f.seat_um[1] + (left ? yalign * kAlignUmPerStep : 0.0);
    bool xv = view != 2;
    double across = xv ? x : y;
    double depth = xv ? y : x; // along this camera's line of sight
    p.centre_row = kCentreRow + across / kUmPerPx;
    p.z_um = (focus - kFocusOnAxisSteps) * kFocusUmPerStep - depth;
    double az = f.eccentricity_azimuth_deg * kDeg;
    p.core_um = f.eccentricity_um * (xv ? std::cos(az) : std::sin(az));
    double ca = f.cleave_azimuth_deg * kDeg, tt = std::tan(f.cleave_deg * kDeg);
    p.end_slope = tt * (xv ? std::cos(ca) : std::sin(ca));
    p.end_depth_slope = tt * (xv ? std::sin(ca) : std::cos(ca));
    p.defect_um = f.defect_um;
    // Along the axis: each feed stage pushes its fibre towards the electrodes.
    double axial = lay_in_um - travel_um;
    double axis_col = kAxisColumn[xv ? 0 : 1];
    p.tip_col = axis_col + (left ? -axial : axial) / kUmPerPx;
    return p;
}

namespace
{
// The melted-back ends, or the joint, as view vs.view shows them.
void apply_fusion(ViewScene& vs, const FusionState& fs)
{
    const size_t k = vs.view == 2 ? 1 : 0; // the axis across this picture
    for (size_t s = 0; s < 2; ++s) {
        FibrePose& p = vs.fibre[s];
        double m = fs.melt_um[s];
        p.tip_col += (s == 0 ? -m : m) / kUmPerPx;
        // A melting end draws its edges round first.
        p.round_um = std::min(fibre_spec(p.type).clad_um / 4, 3 * m);
    }
    if (!fs.joint) return;
    const JointState& j = *fs.joint;
    JointView& o = vs.joint;
    o.present = true;
    o.col = kAxisColumn[k] + j.at_um / kUmPerPx;
    o.clad_step_rows = j.clad_step_um()[k] / kUmPerPx;
    o.core_step_um = j.core_step_um()[k];
    o.kink = j.kink[k];
    o.surplus_um = j.surplus_um;
    o.defect = j.defect;
    o.defect_um = j.defect_um;
}
} // namespace

ViewScene Scene::view_scene(int view) const
{
    Fusion* fusion;
    {
        std::lock_guard<std::mutex> lk(mu_);
        fusion = fusion_;
    }
    // The arc's work so far (it reads the stages and this scene itself: not under the lock).
    std::optional<FusionState> fused;
    if (fusion) fused = fusion->state();
    ViewScene vs;
    vs.view = view == 2 ? 2 : 1;
    vs.glow = camera_.glow_level(vs.view);
    vs.base = camera_.shadow_level(vs.view);
    vs.light = camera_.scene_level(vs.view) - vs.base;
    std::optional<FibrePair> pair;
    std::array<double, 2> laid{};
    std::array<FeedMechanics, 2> feed;
    double lay = kLayInUm;
    {
        std::lock_guard<std::mutex> lk(mu_);
        pair = pair_;
        laid = laid_at_;
        feed = feed_;
        if (pair) lay = pair->tips_um;
        vs.dust = dust_[size_t(vs.view - 1)];
        vs.frame = frames_;
        vs.electrode_col = electrode_col_[size_t(vs.view - 1)];
    }
    if (pair) {
        double focus = motors_.stage_position(vs.view == 1 ? kXFocus : kYFocus);
        double xa = motors_.stage_position(kXAlign), ya = motors_.stage_position(kYAlign);
        double tl = fibre_travel_um(feed[0], motors_.stage_position(kLeftFeed) - laid[0],
                                    motors_.move_count(kLeftFeed));
        double tr = fibre_travel_um(feed[1], motors_.stage_position(kRightFeed) - laid[1],
                                    motors_.move_count(kRightFeed));
        vs.fibre[0] = pose_at(pair->left, true, vs.view, tl, xa, ya, focus, lay);
        vs.fibre[1] = pose_at(pair->right, false, vs.view, tr, xa, ya, focus, lay);
        if (fused) apply_fusion(vs, *fused);
    }
    return vs;
}

ViewTruth Scene::truth(int view) const
{
    return view_truth(view_scene(view));
}

void Scene::render(int view, uint8_t* buf) const
{
    ViewScene vs = view_scene(view);
    {
        std::lock_guard<std::mutex> lk(mu_);
        vs.frame = ++frames_;
    }
    render_view(vs, buf, true);
}

} // namespace sim
