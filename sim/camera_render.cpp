// Camera renderer (see camera_render.h).
//
// Across the fibre each row's transmission is a sum of segments (a level over an interval of
// rows), each blurred by a Gaussian and integrated over the pixel, so edges are exact to far below
// a pixel. The central band comes from tracing the backlight's rays through the cylinder: a ray
// leaving at height h is deviated by delta(h) and seen in the object plane at h - z tan(delta);
// the objective accepts it only while delta stays below its acceptance angle. Energy is kept, so
// a band that narrows brightens.
#include "sim/camera_render.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

#include "sim/arc_glow.h"

namespace sim
{

using namespace optics;

namespace
{
// Two surfaces at near-normal incidence each reflect about 3.4 % of the light.
constexpr double kTransmission = 0.93;
// Light scattered into the shadow (surface roughness, the objective's flare).
constexpr double kStray = 0.03;
// Grazing light reflected and diffracted at the edges: a thin fringe just outside each of them
// (from kFringeGapUm to kFringeGapUm + kFringeUm beyond the silhouette).
constexpr double kFringeGain = 0.3, kFringeGapUm = 2.0, kFringeUm = 1.0;
// Diffraction limit of the objective (sigma of its line spread) and the growth of the silhouette
// blur with defocus.
constexpr double kDiffractionUm = 0.5, kDefocusBlur = 0.15;
// The core as a weak lens: a bright line with dark rims while the object plane is near the fibre
// axis; further away the centre turns dark between bright rims and fades, over this distance.
constexpr double kCoreFocusUm = 40.0;
// Rays traced across the core.
constexpr int kCoreRays = 16;
constexpr double kCoreContrastPerDelta = 90.0, kCoreContrastMax = 0.8;
// Defects.
constexpr double kChipDepthUm = 12.0, kChipSpan = 0.4; // fraction of the radius from the edge
constexpr double kLipUm = 3.5, kLipSpan = 0.25;
constexpr double kShrinkUm = 4.0, kRecessDim = 0.5;
constexpr int kDirtSpecks = 4;
// Sensor noise: read noise and shot noise (variance per grey level).
constexpr double kReadNoise = 1.2, kShotPerGrey = 0.04;
// Rays traced across the accepted part of the fibre.
constexpr int kRays = 48;

std::atomic<OverlayHook> g_overlay{nullptr};

double Phi(double x)
{
    return 0.5 * std::erfc(-x * M_SQRT1_2);
}
double phi(double x)
{
    return 0.3989422804014327 * std::exp(-0.5 * x * x);
}

// Integral of a blurred unit step rising at 0, from -inf to s.
double K(double s, double sg)
{
    return s * Phi(s / sg) + sg * phi(s / sg);
}

// Blurred step at x, averaged over the pixel centred on p (1 past it, 0 before it).
double step_cover(double x, double p, double sg)
{
    double d = p - x;
    if (d > 0.5 + 6 * sg) return 1.0;
    if (d < -0.5 - 6 * sg) return 0.0;
    return K(d + 0.5, sg) - K(d - 0.5, sg);
}

// A level over [a, b], or an amount of light E concentrated at a point when a == b.
struct Seg {
    double a, b, level;
    double sigma; // blur, pixels
};

double seg_value(const Seg& s, double p)
{
    if (s.b - s.a < 1e-4) { // a line narrower than anything the optics resolve
        double e = s.level * (s.b - s.a);
        double x = 0.5 * (s.a + s.b);
        return e * (Phi((x - p + 0.5) / s.sigma) - Phi((x - p - 0.5) / s.sigma));
    }
    return s.level * (step_cover(s.a, p, s.sigma) - step_cover(s.b, p, s.sigma));
}

double deviation(double u) // cladding's deviation of the ray leaving at u = h / R
{
    u = std::clamp(u, -1.0, 1.0);
    return 2.0 * (std::asin(u) - std::asin(u / kCladIndex));
}

double core_contrast(const FibreSpec& s)
{
    return std::min(kCoreContrastMax, kCoreContrastPerDelta * s.delta);
}

// One fibre's lateral picture in one view: the segments of its transmission, in pixels from the
// fibre's centre row.
struct Lateral {
    std::vector<Seg> segs;            // everything, with the core
    std::vector<Seg> no_core;         // the same without the core's modulation
    double core_c = 0, core_half = 0; // apparent core, pixels from the centre
    double radius = 0;
};

Lateral lateral(const FibrePose& f)
{
    const FibreSpec& sp = fibre_spec(f.type);
    const double R = sp.clad_um / 2;
    const double z = f.z_um;
    const double se = std::max(1e-3, lens::edge_blur_um(z) / kUmPerPx);
    const double sb = kDiffractionUm / kUmPerPx;
    Lateral L;
    L.radius = R / kUmPerPx;
    const double r = L.radius, fr = kFringeUm / kUmPerPx, fg = kFringeGapUm / kUmPerPx;
    // Background beyond the silhouette, the fringes just outside it, stray light inside it.
    L.segs.push_back({-1e6, -r, 1.0, se});
    L.segs.push_back({r, 1e6, 1.0, se});
    L.segs.push_back({-r - fg - fr, -r - fg, kFringeGain, se});
    L.segs.push_back({r + fg, r + fg + fr, kFringeGain, se});
    L.segs.push_back({-r, r, kStray, se});
    L.no_core = L.segs;

    // Core modulation of the band's rays, as a function of the exit height h (um): energy moves
    // from the core's rims into its middle (1 - 3 x^2 has no net light over the core), or back out
    // of it further from focus.
    const double ce = kCladIndex * f.core_um, ca = kCladIndex * sp.core_um / 2;
    const double q = z / kCoreFocusUm;
    const double contrast = core_contrast(sp) * (1 - q * q) * std::exp(-q * q / 2);
    // A depressed trench ring is a weak diverging lens: light moves out of its middle to its rims.
    const double ti = kCladIndex * sp.trench_in_um, to = kCladIndex * sp.trench_out_um;
    const double trench = sp.trench_delta > 0
                              ? -std::min(kCoreContrastMax, kCoreContrastPerDelta * sp.trench_delta) *
                                    (1 - q * q) * std::exp(-q * q / 2)
                              : 0.0;
    auto weight = [&](double h, bool core) {
        if (!core) return kTransmission;
        double x = (h - ce) / ca;
        if (std::abs(x) < 1) return kTransmission * std::max(0.0, 1.0 + contrast * (1 - 3 * x * x));
        double d = std::abs(h - ce);
        if (trench != 0 && d > ti && d < to) {
            double y = (2 * d - ti - to) / (to - ti);
            return kTransmission * std::max(0.0, 1.0 + trench * (1 - 3 * y * y));
        }
        return kTransmission;
    };
    auto image = [&](double h) { return h - z * std::tan(deviation(h / R)); };

    const double ua = lens::accepted_u() * R;
    std::vector<double> hs;
    for (int i = 0; i <= kRays; ++i)
        hs.push_back(-ua + 2 * ua * i / kRays);
    for (int i = 0; i <= kCoreRays; ++i) {
        double h = ce + ca * (2.0 * i / kCoreRays - 1);
        if (std::abs(h) < ua) hs.push_back(h);
        if (trench == 0) continue;
        for (double sgn : {-1.0, 1.0}) {
            double ht = ce + sgn * (ti + (to - ti) * i / kCoreRays);
            if (std::abs(ht) < ua) hs.push_back(ht);
        }
    }
    std::sort(hs.begin(), hs.end());
    for (int pass = 0; pass < 2; ++pass) {
        bool core = pass == 0;
        auto& out = core ? L.segs : L.no_core;
        for (size_t i = 0; i + 1 < hs.size(); ++i) {
            double h0 = hs[i], h1 = hs[i + 1];
            if (h1 - h0 < 1e-9) continue;
            double w = weight(0.5 * (h0 + h1), core);
            double y0 = image(h0) / kUmPerPx, y1 = image(h1) / kUmPerPx;
            double lo = std::min(y0, y1), hi = std::max(y0, y1);
            double e = w * (h1 - h0) / kUmPerPx; // light carried, in pixel units
            double width = std::max(hi - lo, 1e-6);
            out.push_back({lo, std::max(hi, lo + 1e-6), e / width, sb});
        }
    }
    L.core_c = image(ce) / kUmPerPx;
    L.core_half = std::abs(image(ce + ca) - image(ce - ca)) / 2 / kUmPerPx;
    return L;
}

double profile_at(const std::vector<Seg>& segs, double p)
{
    double v = 0;
    for (auto& s : segs)
        v += seg_value(s, p);
    return v;
}

// The defect's size: the scene's, or the usual one.
double defect_size(const FibrePose& f, double usual)
{
    return f.defect_um > 0 ? f.defect_um : usual;
}

// End-face column on row `rho` pixels from the centre, where the end face crosses the plane of the
// fibre's axis (defects bend it near an edge).
double end_col(const FibrePose& f, bool left, double rho, double radius)
{
    double x = f.tip_col + f.end_slope * rho;
    double back = 0; // micrometres the end lies behind the plane cleave
    double from_top = (rho + radius) / radius, from_bottom = (radius - rho) / radius;
    if (f.defect == EndDefect::Chip && from_top < kChipSpan)
        back = defect_size(f, kChipDepthUm) * (1 - from_top / kChipSpan);
    if (f.defect == EndDefect::Lip && from_bottom < kLipSpan) back = -defect_size(f, kLipUm);
    // A melted end's edges are drawn round: a quarter circle of radius round_um at each edge.
    const double rr = f.round_um / kUmPerPx, edge = radius - std::abs(rho);
    if (rr > 0 && edge < rr) {
        double e = std::max(0.0, edge);
        back += (rr - std::sqrt(std::max(0.0, rr * rr - (rr - e) * (rr - e)))) * kUmPerPx;
    }
    double d = back / kUmPerPx;
    return left ? x - d : x + d;
}

struct Speck {
    double col, row, sigma, depth;
};

// Dirt on the glass near the end face and the core, placed by the fibre's seed.
std::vector<Speck> dirt(const FibrePose& f, bool left, const Lateral& L)
{
    std::vector<Speck> out;
    if (f.defect != EndDefect::Dirt) return out;
    uint32_t s = f.seed * 2654435761u + 12345u;
    auto next = [&] {
        s ^= s << 13;
        s ^= s >> 17;
        s ^= s << 5;
        return (s & 0xFFFFFF) / double(0x1000000);
    };
    for (int i = 0; i < kDirtSpecks; ++i) {
        double behind = (2 + 14 * next()) / kUmPerPx;
        double row = f.centre_row + L.core_c + (next() - 0.5) * 24 / kUmPerPx;
        double col = f.tip_col + f.end_slope * (row - f.centre_row) + (left ? -behind : behind);
        double sigma = 1.2 + 2.0 * next();
        if (f.defect_um > 0) sigma = f.defect_um / kUmPerPx;
        out.push_back({col, row, sigma, 0.55 + 0.35 * next()});
    }
    return out;
}

struct NoiseTable {
    std::array<float, 4096> g{};
    NoiseTable()
    {
        uint64_t s = 0x9E3779B97F4A7C15ull;
        auto uni = [&] {
            s = s * 6364136223846793005ull + 1442695040888963407ull;
            return ((s >> 11) + 0.5) / double(1ull << 53);
        };
        for (size_t i = 0; i < g.size(); i += 2) {
            double r = std::sqrt(-2 * std::log(uni())), t = 2 * M_PI * uni();
            g[i] = float(r * std::cos(t));
            g[i + 1] = float(r * std::sin(t));
        }
    }
};

} // namespace

LateralTable lateral_table(const FibrePose& f, double half_px)
{
    LateralTable out;
    out.half = half_px;
    Lateral L = lateral(f);
    out.radius = L.radius;
    size_t n = size_t(2 * half_px * LateralTable::kPerPx) + 1;
    out.full.resize(n);
    out.plain.resize(n);
    for (size_t i = 0; i < n; ++i) {
        double rho = -half_px + double(i) / LateralTable::kPerPx;
        out.full[i] = float(profile_at(L.segs, rho));
        out.plain[i] = float(profile_at(L.no_core, rho));
    }
    return out;
}

namespace lens
{
double accepted_u()
{
    static const double u = [] {
        double alpha = std::asin(kNA), lo = 0, hi = 1;
        for (int i = 0; i < 60; ++i) {
            double mid = 0.5 * (lo + hi);
            (deviation(mid) < alpha ? lo : hi) = mid;
        }
        return lo;
    }();
    return u;
}
double focal_um(double radius_um)
{
    return kCladIndex * radius_um / (2 * (kCladIndex - 1));
}
double band_half_um(double radius_um, double z_um)
{
    double ua = accepted_u();
    return std::abs(ua * radius_um - z_um * std::tan(deviation(ua)));
}
double edge_blur_um(double z_um)
{
    return std::hypot(kDiffractionUm, kDefocusBlur * z_um * kNA);
}
} // namespace lens

void set_render_overlay(OverlayHook hook)
{
    g_overlay = hook;
}

ViewTruth view_truth(const ViewScene& vs)
{
    ViewTruth t;
    for (int i = 0; i < 2; ++i) {
        const FibrePose& f = vs.fibre[size_t(i)];
        FibreTruth& o = t.fibre[size_t(i)];
        if (!f.present) continue;
        Lateral L = lateral(f);
        o.present = true;
        o.centre_row = f.centre_row;
        o.clad_up_row = f.centre_row - L.radius;
        o.clad_down_row = f.centre_row + L.radius;
        o.core_row = f.centre_row + L.core_c;
        o.tip_col = f.tip_col;
        o.end_slope = f.end_slope;
        o.end_depth_slope = f.end_depth_slope;
        o.band_half_rows = lens::band_half_um(fibre_spec(f.type).clad_um / 2, f.z_um) / kUmPerPx;
        o.z_um = f.z_um;
        const double fringe = (kFringeGapUm + kFringeUm / 2) / kUmPerPx;
        o.fringe_up_row = o.clad_up_row - fringe;
        o.fringe_down_row = o.clad_down_row + fringe;
    }
    return t;
}

double shadow_end_col(const FibreTruth& t, bool left, double row)
{
    const double rho = row - t.centre_row, radius = (t.clad_down_row - t.clad_up_row) / 2;
    const double depth = std::abs(t.end_depth_slope) * std::sqrt(std::max(0.0, radius * radius - rho * rho));
    const double x = t.tip_col + t.end_slope * rho;
    return left ? x + depth : x - depth;
}

void render_view(const ViewScene& vs, uint8_t* buf, bool noise)
{
    const int W = kFrameWidth, H = kFrameHeight;
    thread_local std::vector<float> t;
    t.assign(size_t(W) * H, 1.0f);

    // Once fused, the two fibres are one.
    if (vs.joint.present && vs.fibre[0].present && vs.fibre[1].present) draw_joint(vs, t.data(), W, H);
    for (int i = 0; i < 2; ++i) {
        const FibrePose& f = vs.fibre[size_t(i)];
        if (!f.present || vs.joint.present) continue;
        const bool left = i == 0;
        Lateral L = lateral(f);
        const double se = std::max(1e-3, lens::edge_blur_um(f.z_um) / kUmPerPx);
        const double shrink = f.defect == EndDefect::ShrunkCore ? defect_size(f, kShrinkUm) / kUmPerPx : 0.0;
        for (int r = 0; r < H; ++r) {
            double rho = r - f.centre_row;
            // Far from the fibre a row is plain background.
            if (std::abs(rho) > L.radius + 8 + 8 * se && std::abs(rho - L.core_c) > L.radius) continue;
            float full = float(profile_at(L.segs, rho));
            float recess = full;
            if (shrink > 0) {
                double core_in = std::clamp(L.core_half + 0.5 - std::abs(rho - L.core_c), 0.0, 1.0);
                recess = float(profile_at(L.no_core, rho) * (1 - kRecessDim * core_in));
            }
            // An end face tilted along the line of sight reaches a column further at the glass's
            // near or far side than on the axis: the shadow ends at the furthest glass (xs), while
            // light passes the whole lens only up to the nearest (xg); between them the ray crosses
            // a wedge of glass that turns it away from the objective.
            double xe = end_col(f, left, rho, L.radius);
            double depth =
                std::abs(f.end_depth_slope) * std::sqrt(std::max(0.0, L.radius * L.radius - rho * rho));
            double xs = left ? xe + depth : xe - depth, xg = left ? xe - depth : xe + depth;
            double xc = left ? xg - shrink : xg + shrink; // where the core's light ends
            float* row = t.data() + size_t(r) * W;
            // Only the columns within the blur of these ends need their coverage worked out; the
            // rest are wholly fibre or wholly gap.
            double reach = 0.5 + 6 * se;
            double x_lo = std::min({xs, xg, xc}) - reach, x_hi = std::max({xs, xg, xc}) + reach;
            int c_lo = std::clamp(int(std::floor(x_lo)), 0, W),
                c_hi = std::clamp(int(std::ceil(x_hi)) + 1, 0, W);
            int body0 = left ? 0 : c_hi, body1 = left ? c_lo : W;
            for (int c = body0; c < body1; ++c)
                row[c] *= full;
            for (int c = c_lo; c < c_hi; ++c) {
                // Coverage of the pixel by the glass's silhouette and by its full depth.
                double as = left ? 1 - step_cover(xs, c, se) : step_cover(xs, c, se);
                if (as <= 0) continue;
                double ag = std::min(as, left ? 1 - step_cover(xg, c, se) : step_cover(xg, c, se));
                float tf = full;
                if (shrink > 0) {
                    double inside = left ? 1 - step_cover(xc, c, se) : step_cover(xc, c, se);
                    tf = float(inside * full + (1 - inside) * recess);
                }
                row[c] *= float((1 - as) + (as - ag) * kStray + ag * tf);
            }
        }
        for (const Speck& s : dirt(f, left, L)) {
            int r0 = std::max(0, int(s.row - 4 * s.sigma)),
                r1 = std::min(H - 1, int(s.row + 4 * s.sigma) + 1);
            int c0 = std::max(0, int(s.col - 4 * s.sigma)),
                c1 = std::min(W - 1, int(s.col + 4 * s.sigma) + 1);
            for (int r = r0; r <= r1; ++r)
                for (int c = c0; c <= c1; ++c) {
                    double d2 = (r - s.row) * (r - s.row) + (c - s.col) * (c - s.col);
                    t[size_t(r) * W + size_t(c)] *=
                        float(1 - s.depth * std::exp(-d2 / (2 * s.sigma * s.sigma)));
                }
        }
    }
    for (const Dust& d : vs.dust) {
        double radius = std::max(0.3, d.radius);
        double reach = 4 * radius;
        int r0 = std::max(0, int(d.row - reach)), r1 = std::min(H - 1, int(d.row + reach) + 1);
        int c0 = std::max(0, int(d.col - reach)), c1 = std::min(W - 1, int(d.col + reach) + 1);
        double depth = std::clamp(d.depth, 0.0, 1.0);
        for (int r = r0; r <= r1; ++r)
            for (int c = c0; c <= c1; ++c) {
                double d2 = (r - d.row) * (r - d.row) + (c - d.col) * (c - d.col);
                t[size_t(r) * W + size_t(c)] *= float(1 - depth * std::exp(-d2 / (2 * radius * radius)));
            }
    }
    if (OverlayHook hook = g_overlay) hook(vs, t.data(), W, H);

    static const NoiseTable table;
    std::array<float, 256> sd{};
    for (int v = 0; v < 256; ++v)
        sd[size_t(v)] = float(std::sqrt(kReadNoise * kReadNoise + kShotPerGrey * v));
    uint64_t s = (vs.frame + 1) * 0x9E3779B97F4A7C15ull ^ uint64_t(vs.view) << 40;
    const float base = float(vs.base), light = float(vs.light);
    // The arc's glow: the part in front of the fibres adds to the picture, the part behind shines
    // through them as the backlight does.
    std::array<float, kFrameWidth> glow{};
    if (vs.glow > 0)
        for (int c = 0; c < W; ++c)
            glow[size_t(c)] = float(vs.glow * glow::column_profile(c - vs.electrode_col));
    const float front = float(glow::kFront);
    for (size_t i = 0; i < size_t(W) * H; ++i) {
        float v = base + light * t[i];
        if (vs.glow > 0) v += glow[i % size_t(W)] * (front + (1 - front) * t[i]);
        if (noise) {
            s ^= s << 13;
            s ^= s >> 7;
            s ^= s << 17;
            v += sd[size_t(v > 0 ? (v < 255 ? v : 255.0f) : 0.0f)] * table.g[s & 4095];
        }
        buf[i] = uint8_t((v > 0 ? (v < 255 ? v : 255.0f) : 0.0f) + 0.5f); // NaN reads as 0
    }
}

} // namespace sim
