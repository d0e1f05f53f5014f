// The arc's work on the fibre ends (see fusion.h).
#include "sim/fusion.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "sim/backend.h"
#include "sim/dev_arc.h"
#include "sim/dev_motor.h"
#include "sim/dev_power.h"
#include "sim/electrode_wear.h"
#include "sim/events.h"
#include "sim/joint_truth.h"
#include "sim/scheduler.h"

namespace sim
{

namespace heat
{
double effective_drive(double value, double pressure_kpa, double temperature_c)
{
    return value - kDrivePerKpa * (kRefPressureKpa - pressure_kpa) -
           kDrivePerDegree * (kRefTemperatureC - temperature_c);
}

namespace
{
// The Gaussian column convolved with the glass's exp(-|x| / L), unnormalised.
double column_in_glass(double x)
{
    const double s = kArcSigmaUm, l = kGlassSpreadUm, a = s * s / l, r2s = s * std::sqrt(2.0);
    return std::exp(-x / l) * std::erfc((a - x) / r2s) + std::exp(x / l) * std::erfc((a + x) / r2s);
}
} // namespace

double reach(double u_um)
{
    // Far out the two terms under- and overflow; the heat there is nil anyway.
    const double u = std::min(std::abs(u_um), 20 * kGlassSpreadUm);
    return column_in_glass(u) / column_in_glass(0);
}

double melt_rate(double effective, double reach)
{
    return kMeltUmPerDriveSecond * std::max(0.0, effective * reach - kSofteningDrive);
}
} // namespace heat

double JointState::clad_residual() const
{
    return std::exp(-fuse_s / joint::kAlignSeconds);
}

std::array<double, 2> JointState::clad_step_um() const
{
    double s = clad_residual();
    return {clad_met_um[0] * s, clad_met_um[1] * s};
}

std::array<double, 2> JointState::core_step_um() const
{
    // The claddings moved (1 - s) of their step towards each other; the cores kCoreFollow of that.
    double moved = joint::kCoreFollow * (1 - clad_residual());
    return {core_met_um[0] - moved * clad_met_um[0], core_met_um[1] - moved * clad_met_um[1]};
}

double JointState::diameter_ratio(double x_um) const
{
    const double sg = joint::kSpreadUm;
    double area = 1 + surplus_um / (sg * std::sqrt(2 * M_PI)) * std::exp(-x_um * x_um / (2 * sg * sg));
    // However little glass is left, surface tension keeps a thread.
    return std::sqrt(std::max(0.04, area));
}

void Fusion::set_truth_path(std::string path)
{
    std::lock_guard<std::mutex> lk(mu_);
    truth_path_ = std::move(path);
}

std::string Fusion::truth_path()
{
    std::lock_guard<std::mutex> lk(mu_);
    return truth_path_.empty() ? data_root() + "/sim/truth.jsonl" : truth_path_;
}

unsigned Fusion::splices()
{
    std::lock_guard<std::mutex> lk(mu_);
    return splices_;
}

void Fusion::set_splices(unsigned n)
{
    std::lock_guard<std::mutex> lk(mu_);
    splices_ = n;
}

void Fusion::reset_locked(uint64_t now)
{
    generation_ = scene_.generation();
    pair_ = scene_.fibres();
    melt_ = {};
    joint_.reset();
    heated_ = false;
    arc_energy_ = fusion_energy_ = 0;
    t_last_ = now;
}

FusionState Fusion::state()
{
    advance();
    std::lock_guard<std::mutex> lk(mu_);
    return {melt_, joint_};
}

void Fusion::advance()
{
    uint64_t now = Scheduler::instance().now_us();
    std::lock_guard<std::mutex> lk(mu_);
    if (scene_.generation() != generation_) reset_locked(now);
    if (now <= t_last_) return;
    if (pair_) {
        for (const ArcDevice::Burn& b : arc_.burns_since(t_last_)) {
            uint64_t a = std::max(b.from_us, t_last_), z = std::min(b.to_us, now);
            if (z > a) heat_locked(a, z, double(b.value));
        }
    }
    t_last_ = now;
    // A fusion arc has ended with a joint: its truth.
    if (joint_ && heated_ && !arc_.burning()) {
        heated_ = false;
        write_truth_locked();
    }
}

// The arc burns at `value` from t0 to t1: step through it.
void Fusion::heat_locked(uint64_t t0, uint64_t t1, double value)
{
    // Worn electrodes give the glass less of the drive's heat.
    const double worn = value * wear::heat_factor(arc_.electrode_arcs());
    const double eff = heat::effective_drive(worn, env_.pressure_kpa(), env_.temperature_c());
    // The arc's axis along the fibre, from both views' electrode columns.
    const double axis_um = 0.5 *
                           ((scene_.electrode_col(1) - optics::kAxisColumn[0]) +
                            (scene_.electrode_col(2) - optics::kAxisColumn[1])) *
                           optics::kUmPerPx;
    auto reach = [&](double u) { return heat::reach(u - axis_um); };
    // A thin joint's glass melts back faster: its end loses joint_um more in the standard arc.
    auto speed_up = [&](const FibreSetup& f) {
        if (f.joint != JointDefect::Thin) return 1.0;
        return 1 + (f.joint_um > 0 ? f.joint_um : joint::kThinUm) / heat::kStandardMeltUm;
    };
    const std::array<double, 2> faster = {speed_up(pair_->left), speed_up(pair_->right)};
    constexpr uint64_t kStepUs = 1000;
    for (uint64_t t = t0; t < t1; t += kStepUs) {
        uint64_t t_next = std::min(t1, t + kStepUs);
        double dt = double(t_next - t) / 1e6;
        arc_energy_ += value * dt;
        auto g = scene_.geometry_at(t + (t_next - t) / 2);
        if (!g) return;
        // End positions along the axis after melt-back: left ends face right (+), right left.
        double left_end = (*g)[0].tip_um - melt_[0], right_end = (*g)[1].tip_um + melt_[1];
        if (!joint_) {
            for (int s = 0; s < 2; ++s)
                melt_[size_t(s)] +=
                    heat::melt_rate(eff, reach(s ? right_end : left_end)) * faster[size_t(s)] * dt;
            left_end = (*g)[0].tip_um - melt_[0];
            right_end = (*g)[1].tip_um + melt_[1];
            // They fuse where they touch while the glass is soft.
            if (left_end >= right_end && heat::melt_rate(eff, reach(right_end)) > 0) {
                JointState j;
                j.at_um = 0.5 * (left_end + right_end);
                for (int k = 0; k < 2; ++k) {
                    j.clad_met_um[size_t(k)] = (*g)[1].centre_um[size_t(k)] - (*g)[0].centre_um[size_t(k)];
                    j.core_met_um[size_t(k)] =
                        j.clad_met_um[size_t(k)] + (*g)[1].core_um[size_t(k)] - (*g)[0].core_um[size_t(k)];
                    // End faces that meet askew flow unevenly and bend the joint.
                    double wedge = (*g)[0].end_slope[size_t(k)] - (*g)[1].end_slope[size_t(k)];
                    j.kink[size_t(k)] = joint::kWedgeBend * std::atan(wedge);
                }
                for (const FibreSetup* f : {&pair_->left, &pair_->right}) {
                    if (f->joint == JointDefect::Fat)
                        j.creep_um += f->joint_um > 0 ? f->joint_um : joint::kFatUm;
                    if ((f->joint == JointDefect::Bubble || f->joint == JointDefect::Flaw) &&
                        j.defect == JointDefect::None) {
                        j.defect = f->joint;
                        j.defect_um = f->joint_um;
                    }
                }
                last_overlap_ = (*g)[0].tip_um - (*g)[1].tip_um;
                j.surplus_um = j.creep_um + last_overlap_ - melt_[0] - melt_[1];
                j.splice = ++splices_;
                event("fusion: the ends met at %.1f um, melt-back %.2f + %.2f um", j.at_um, melt_[0],
                      melt_[1]);
                joint_ = j;
                fusion_energy_ = 0;
                heated_ = true;
                ++joint_->arcs;
            }
            continue;
        }
        // Fused: the glass the ends still lose thins the joint, further push fattens it, and
        // surface tension draws the claddings together, while the glass is soft.
        double r = heat::melt_rate(eff, reach(joint_->at_um));
        if (r <= 0) continue;
        // The faces' overlap as cleaved: what the stages pushed (or pulled) since the last step.
        // While the glass was cold the fibres slid in their clamps instead.
        const double overlap = (*g)[0].tip_um - (*g)[1].tip_um;
        if (!heated_) {
            heated_ = true;
            ++joint_->arcs;
            last_overlap_ = overlap;
        }
        double lost = 0;
        for (int s = 0; s < 2; ++s) {
            double dm = heat::kFusedLoss * r * faster[size_t(s)] * dt;
            melt_[size_t(s)] += dm;
            lost += dm;
        }
        joint_->surplus_um += overlap - last_overlap_ - lost;
        last_overlap_ = overlap;
        joint_->fuse_s += r / (heat::kMeltUmPerDriveSecond * heat::kStandardHeat) * dt;
        fusion_energy_ += value * dt;
    }
}

void Fusion::write_truth_locked()
{
    if (!pair_ || !joint_) return;
    SpliceTruth t;
    t.splice = joint_->splice;
    t.arcs = joint_->arcs;
    t.left = pair_->left;
    t.right = pair_->right;
    t.joint = *joint_;
    t.melt_um = melt_;
    t.arc_energy = arc_energy_;
    t.fusion_energy = fusion_energy_;
    std::string path = truth_path_.empty() ? data_root() + "/sim/truth.jsonl" : truth_path_;
    if (FILE* f = std::fopen(path.c_str(), "a")) {
        std::string line = truth_json(t);
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

} // namespace sim
