// The scene in front of the cameras (see scene.h and docs/optics_geometry.md).
#include "sim/scene.h"

#include <cmath>

#include "sim/camera_render.h"
#include "sim/dev_camera.h"
#include "sim/dev_motor.h"

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

ViewScene Scene::view_scene(int view) const
{
    ViewScene vs;
    vs.view = view == 2 ? 2 : 1;
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
