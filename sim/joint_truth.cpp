// Ground truth of a joint (see joint_truth.h).
#include "sim/joint_truth.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace sim
{

namespace
{
bool multimode(const FibreSpec& s)
{
    return s.graded;
}

double mm_offset_db(double d, double a)
{
    return -10 * std::log10(std::max(0.01, 1 - 8 / (3 * M_PI) * d / a));
}
} // namespace

double joint_loss_db(const FibreSpec& left, const FibreSpec& right, double offset_um, double angle_rad)
{
    const double d = std::abs(offset_um);
    if (multimode(left) || multimode(right)) {
        if (!multimode(left)) return mm_offset_db(d, right.core_um / 2); // a small spot into a wide core
        const double al = left.core_um / 2;
        if (!multimode(right)) { // every mode of the core, but one fits the single-mode fibre
            const double w = right.mfd_um / 2;
            return 10 * std::log10(al * al / (w * w)) + mm_offset_db(d, al);
        }
        const double ar = right.core_um / 2;
        double area = al > ar ? 10 * std::log10(al * al / (ar * ar)) : 0.0;
        return area + mm_offset_db(d, std::min(al, ar));
    }
    const double w1 = left.mfd_um / 2, w2 = right.mfd_um / 2;
    const double w = std::sqrt((w1 * w1 + w2 * w2) / 2);
    const double offset = 4.343 * (d / w) * (d / w);
    const double t = M_PI * loss::kIndex * w * angle_rad / loss::kWavelengthUm;
    const double tilt = 4.343 * t * t;
    const double m = 2 * w1 * w2 / (w1 * w1 + w2 * w2);
    const double mismatch = -10 * std::log10(m * m);
    return offset + tilt + mismatch;
}

const char* joint_defect_name(const JointState& j)
{
    if (j.defect == JointDefect::Bubble) return "bubble";
    if (j.defect == JointDefect::Flaw) return "flaw";
    const double stray = (j.diameter_ratio(0) - 1) * 125.0;
    if (stray > joint::kWidthToleranceUm) return "fat";
    if (stray < -joint::kWidthToleranceUm) return "thin";
    return "none";
}

double joint_defect_loss_db(const JointState& j)
{
    const double ratio = j.diameter_ratio(0);
    double db = ratio > 1 ? loss::kFatDbPerRatio * (ratio - 1) : loss::kThinDbPerRatio * (1 - ratio);
    if (j.defect == JointDefect::Bubble) db += loss::kBubbleDb;
    if (j.defect == JointDefect::Flaw) db += loss::kFlawDb;
    return db;
}

std::string truth_json(const SpliceTruth& t)
{
    const FibreSpec& l = fibre_spec(t.left.type);
    const FibreSpec& r = fibre_spec(t.right.type);
    const auto core = t.joint.core_step_um(), clad = t.joint.clad_step_um();
    const double offset = std::hypot(core[0], core[1]);
    const double angle = std::hypot(t.joint.kink[0], t.joint.kink[1]);
    const double loss = joint_loss_db(l, r, offset, angle) + joint_defect_loss_db(t.joint);
    char b[1024];
    auto fibre = [](const FibreSetup& f, const FibreSpec& s) {
        char o[160];
        std::snprintf(o, sizeof o, "{\"type\":\"%s\",\"cleave_deg\":%.3f,\"mfd_um\":%.2f}", s.name,
                      f.cleave_deg, s.mfd_um);
        return std::string(o);
    };
    std::snprintf(b, sizeof b,
                  "{\"splice\":%u,\"left\":%s,\"right\":%s,\"axis_offset_um\":%.4f,\"core_angle_deg\":%.4f,"
                  "\"defect\":\"%s\",\"loss_db\":%.4f,\"arcs\":%u,\"cladding_offset_um\":%.4f,"
                  "\"melt_back_um\":[%.3f,%.3f],\"joint_diameter_ratio\":%.4f,\"joint_at_um\":%.2f,"
                  "\"fusion_s\":%.3f,\"arc_energy\":%.1f,\"fusion_energy\":%.1f}",
                  t.splice, fibre(t.left, l).c_str(), fibre(t.right, r).c_str(), offset, angle * 180 / M_PI,
                  joint_defect_name(t.joint), loss, t.arcs, std::hypot(clad[0], clad[1]), t.melt_um[0],
                  t.melt_um[1], t.joint.diameter_ratio(0), t.joint.at_um, t.joint.fuse_s, t.arc_energy,
                  t.fusion_energy);
    return b;
}

} // namespace sim
