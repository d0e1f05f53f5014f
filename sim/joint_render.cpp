// The fused joint in a picture: one continuous fibre whose cladding centre, core and diameter
// change along the axis around the joint, with a bubble or a flaw where one was scripted.
//
// How it works: each column is the fibre's lateral profile (sim/camera_render.cpp) taken from a
// table, moved to that column's cladding centre, stretched by its diameter, with the core's
// modulation moved to its apparent core. The fibres away from the joint follow their stages.
#include <algorithm>
#include <cmath>
#include <map>

#include "sim/camera_render.h"
#include "sim/fusion.h"

namespace sim
{

using namespace optics;

float LateralTable::plain_at(double rho) const
{
    double i = (rho + half) * kPerPx;
    if (i <= 0 || i >= double(plain.size() - 1)) return 1.0f;
    size_t k = size_t(i);
    float w = float(i - double(k));
    return plain[k] + w * (plain[k + 1] - plain[k]);
}

float LateralTable::core_at(double rho) const
{
    double i = (rho + half) * kPerPx;
    if (i <= 0 || i >= double(full.size() - 1)) return 0.0f;
    size_t k = size_t(i);
    float w = float(i - double(k));
    float a = full[k] - plain[k], b = full[k + 1] - plain[k + 1];
    return a + w * (b - a);
}

namespace
{
double smooth_step(double u)
{
    return 0.5 * (1 + std::tanh(u));
}

// Tables are dear to compute and a picture's focus rarely changes: keep the recent ones.
const LateralTable& table_for(const FibrePose& f)
{
    thread_local std::map<std::pair<int, long>, LateralTable> cache;
    auto key = std::make_pair(int(f.type), std::lround(f.z_um * 4));
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
    if (cache.size() > 32) cache.clear();
    FibrePose p = f;
    p.core_um = 0;
    p.z_um = double(key.second) / 4;
    double radius = fibre_spec(f.type).clad_um / 2 / kUmPerPx;
    return cache.emplace(key, lateral_table(p, radius * 1.6 + 30)).first->second;
}

// A soft disk (a bubble): 1 inside, 0 outside, over about a pixel.
double disk(double d, double r)
{
    return 1 / (1 + std::exp((d - r) / 0.6));
}
} // namespace

void draw_joint(const ViewScene& vs, float* t, int W, int H)
{
    const JointView& j = vs.joint;
    const FibrePose &L = vs.fibre[0], &R = vs.fibre[1];
    const LateralTable& tab = table_for(L);
    const double n = kCladIndex, radius_um = fibre_spec(L.type).clad_um / 2;
    const double sg = joint::kSpreadUm;
    double centre_at_joint = 0;
    for (int c = 0; c < W; ++c) {
        const double x = (c - j.col) * kUmPerPx;
        const double sb = smooth_step(x / joint::kBendUm);
        // The claddings: the remaining step at the joint, the rest taken up by the fibres bending.
        const double step = j.clad_step_rows;
        const double clad =
            L.centre_row + (R.centre_row - L.centre_row - step) * sb + step * smooth_step(x / joint::kStepUm);
        // The cores (true rows): the same with their own step, and the bend between them.
        const double cl = L.centre_row + L.core_um / kUmPerPx, cr = R.centre_row + R.core_um / kUmPerPx;
        const double cstep = j.core_step_um / kUmPerPx;
        const double core = cl + (cr - cl - cstep) * sb + cstep * smooth_step(x / joint::kCoreStepUm) +
                            0.5 * j.kink * std::abs(x) * std::exp(-std::abs(x) / joint::kBendUm) / kUmPerPx;
        if (c == int(std::lround(j.col))) centre_at_joint = clad;
        // Seen through the cladding the core lies n times further out (less away from focus).
        const double z = L.z_um + (R.z_um - L.z_um) * sb;
        const double apparent = (core - clad) * n * (1 - 2 * z * (1 - 1 / n) / radius_um);
        // Surplus glass bulges the joint, missing glass necks it.
        const double area = 1 + j.surplus_um / (sg * std::sqrt(2 * M_PI)) * std::exp(-x * x / (2 * sg * sg));
        const double k = std::sqrt(std::max(0.04, area));
        const double reach = k * tab.half;
        int r0 = std::clamp(int(std::floor(clad - reach)), 0, H),
            r1 = std::clamp(int(std::ceil(clad + reach)), 0, H);
        for (int r = r0; r < r1; ++r) {
            const double rho = r - clad;
            float v = tab.plain_at(rho / k) + tab.core_at(rho - apparent);
            t[size_t(r) * size_t(W) + size_t(c)] *= std::max(0.0f, v);
        }
    }
    if (j.defect == JointDefect::Bubble) {
        // Gas trapped on the axis turns the light away: a dark spot.
        const double rb = (j.defect_um > 0 ? j.defect_um : joint::kBubbleUm) / 2 / kUmPerPx;
        for (int r = std::max(0, int(centre_at_joint - rb - 4));
             r < std::min(H, int(centre_at_joint + rb + 5)); ++r)
            for (int c = std::max(0, int(j.col - rb - 4)); c < std::min(W, int(j.col + rb + 5)); ++c) {
                double d = std::hypot(r - centre_at_joint, c - j.col);
                t[size_t(r) * size_t(W) + size_t(c)] *= float(1 - 0.85 * disk(d, rb));
            }
    }
    if (j.defect == JointDefect::Flaw) {
        // A crack in the cladding reflects the backlight into the objective: bright streaks in
        // the dark part of the cladding, along the joint.
        const double len = (j.defect_um > 0 ? j.defect_um : joint::kFlawUm) / kUmPerPx;
        const double rpx = tab.radius;
        const double at[3] = {-0.7, -0.55, 0.62}, slope[3] = {0.05, -0.08, 0.03};
        for (int s = 0; s < 3; ++s)
            for (int c = std::max(0, int(j.col - len / 2)); c < std::min(W, int(j.col + len / 2) + 1); ++c) {
                double row = centre_at_joint + at[s] * rpx + slope[s] * (c - j.col);
                for (int r = std::max(0, int(row) - 2); r < std::min(H, int(row) + 3); ++r) {
                    double d = r - row;
                    t[size_t(r) * size_t(W) + size_t(c)] += float(0.9 * std::exp(-d * d / (2 * 0.6 * 0.6)));
                }
            }
    }
}

} // namespace sim
