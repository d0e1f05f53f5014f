// Pair drawing and the sweep's scenario (see pairs_draw.h).
#include "pairs_draw.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <random>

namespace pairs
{
namespace
{
// Places in the default splice-mode list (SM, AUTO, MM, DS, NZ, G657, SM-Q, ...).
constexpr Mode kSM{"SM", 1}, kMM{"MM", 3}, kDS{"DS", 4}, kNZ{"NZ", 5}, kQuick{"SM-Q", 7};

// The generator's own uniform and normal draws, so that a seed gives the same pairs with any
// standard library.
class Draw
{
  public:
    explicit Draw(uint64_t seed) : g_(seed) {}
    double uniform(double lo, double hi) { return lo + (hi - lo) * double(g_() >> 11) * 0x1.0p-53; }
    double normal(double sigma)
    {
        const double u1 = std::max(uniform(0, 1), 1e-12), u2 = uniform(0, 1);
        return sigma * std::sqrt(-2 * std::log(u1)) * std::cos(2 * M_PI * u2);
    }
    bool chance(double p) { return uniform(0, 1) < p; }
    template <typename T, size_t N> const T& pick(const T (&items)[N])
    {
        return items[size_t(uniform(0, N)) % N];
    }

  private:
    std::mt19937_64 g_;
};

double round3(double v)
{
    return std::round(v * 1000) / 1000;
}

// A cleaved, laid-in fibre: most cleaves within 1 degree, some up to 2; a core mostly within
// 0.4 um of the cladding's centre (standard fibres guarantee 0.6), some up to 1 um; a V-groove
// seating error of about a micrometre or two.
Fibre fibre(Draw& d, const std::string& type)
{
    Fibre f;
    f.type = type;
    f.cleave_deg = round3(d.chance(0.75) ? d.uniform(0, 1) : d.uniform(1, 2));
    f.cleave_azimuth_deg = round3(d.uniform(0, 360));
    f.eccentricity_um = round3(d.chance(0.7) ? d.uniform(0, 0.4) : d.uniform(0.4, 1));
    f.eccentricity_azimuth_deg = round3(d.uniform(0, 360));
    for (double& s : f.seat_um)
        s = round3(std::clamp(d.normal(1.5), -4.0, 4.0));
    return f;
}
} // namespace

std::vector<Pair> draw_pairs(uint64_t seed, int count)
{
    Draw d(seed);
    std::vector<Pair> out;
    for (int i = 0; i < count; ++i) {
        Pair p;
        p.number = i + 1;
        // Every mode once, then the standard single-mode mode most often. The quick mode takes
        // mixed single-mode kinds (it identifies nothing), the others a matched pair of their kind.
        static const Mode kFirst[] = {kSM, kQuick, kMM, kDS, kNZ};
        static const Mode kModes[] = {kSM, kSM, kSM, kQuick, kQuick, kMM, kMM, kDS, kNZ};
        p.mode = d.pick(kModes);
        if (size_t(i) < std::size(kFirst)) p.mode = kFirst[i];
        std::string l, r;
        if (p.mode.place == kSM.place) {
            l = r = "SM";
        } else if (p.mode.place == kQuick.place) {
            static const char* kQuickKinds[] = {"SM", "SM", "G657", "NZDS"};
            l = "SM";
            r = d.pick(kQuickKinds);
        } else if (p.mode.place == kMM.place) {
            l = r = d.chance(0.7) ? "MM50" : "MM62";
        } else {
            l = r = p.mode.place == kDS.place ? "DS" : "NZDS";
        }
        p.left = fibre(d, l);
        p.right = fibre(d, r);
        p.tips_um = std::round(d.uniform(300, 600));
        out.push_back(p);
    }
    return out;
}

namespace
{
std::string fibre_json(const Fibre& f)
{
    char b[320];
    std::snprintf(
        b, sizeof b,
        "{\"type\": \"%s\", \"cleave_deg\": %.3f, \"cleave_azimuth_deg\": %.3f, \"eccentricity_um\": "
        "%.3f, \"eccentricity_azimuth_deg\": %.3f, \"seat_um\": [%.3f, %.3f]}",
        f.type.c_str(), f.cleave_deg, f.cleave_azimuth_deg, f.eccentricity_um, f.eccentricity_azimuth_deg,
        f.seat_um[0], f.seat_um[1]);
    return b;
}

std::string pair_json(const Pair& p)
{
    char b[32];
    std::snprintf(b, sizeof b, ", \"tips_um\": %.0f}", p.tips_um);
    return "{\"left\": " + fibre_json(p.left) + ", \"right\": " + fibre_json(p.right) + b;
}

class Script
{
  public:
    void add(const std::string& action) { lines_.push_back("    " + action); }
    std::string text() const
    {
        std::string s;
        for (size_t i = 0; i < lines_.size(); ++i)
            s += lines_[i] + (i + 1 < lines_.size() ? ",\n" : "\n");
        return s;
    }

  private:
    std::vector<std::string> lines_;
};

std::string tag(const Pair& p, const char* what)
{
    char b[32];
    std::snprintf(b, sizeof b, "p%02d-%s", p.number, what);
    return b;
}

// Root menu, splice modes, select, then the mode's row: the list opens on the current mode's row
// (`from`); the keypad's Up key steps to the next row and Down to the one before.
void choose_mode(Script& s, int from, const Mode& m)
{
    s.add(R"({"after_ms": 500, "press": "menu"})");
    s.add(R"({"after_ms": 800, "when": {"screen": "frmRootmenu"}, "timeout_ms": 5000, "press": "right"})");
    s.add(R"({"after_ms": 500, "press": "confirm"})");
    s.add(R"({"after_ms": 800, "when": {"screen": "frmSplice"}, "timeout_ms": 5000, "press": "confirm"})");
    s.add(R"({"after_ms": 800, "when": {"screen": "frmSplcSelect"}, "timeout_ms": 5000, "wait": 0})");
    for (int i = from; i < m.place; ++i)
        s.add(R"({"after_ms": 400, "press": "up"})");
    for (int i = m.place; i < from; ++i)
        s.add(R"({"after_ms": 400, "press": "down"})");
    s.add(R"({"after_ms": 400, "press": "confirm"})");
    s.add(R"({"after_ms": 800, "when": {"screen": "frmWorkbench"}, "timeout_ms": 5000, "wait": 0})");
}

// How many errors of one splice the operator goes on past before giving the splice up.
constexpr int kErrorsPassed = 3;
} // namespace

std::string pairs_scenario(const std::vector<Pair>& pairs, uint64_t seed)
{
    Script s;
    s.add(R"({"at_ms": 10000, "when": {"screen": "frmWorkbench"}, "timeout_ms": 10000, "wait": 0})");
    int mode = kSM.place; // the default parameters' current mode
    for (const Pair& p : pairs) {
        if (p.number > 1) {
            s.add(R"({"after_ms": 1000, "cover": "open"})");
            s.add(R"({"after_ms": 1000, "fibres": "remove"})");
            s.add(R"({"after_ms": 2000, "fibres": )" + pair_json(p) + "}");
            s.add(R"({"after_ms": 1000, "cover": "close"})");
            s.add(R"({"after_ms": 1500, "wait": 0})");
        }
        if (p.mode.place != mode) choose_mode(s, mode, p.mode);
        mode = p.mode.place;
        s.add(R"({"after_ms": 500, "screenshot": ")" + tag(p, "start") + "\"}");
        s.add(R"({"after_ms": 0, "press": "run"})");
        // Each round: the result, or an error waiting for the operator, who goes on with Run.
        for (int i = 0; i < kErrorsPassed; ++i) {
            s.add(R"({"when": {"splice": "estimate"}, "timeout_ms": 60000, "wait": 0})");
            s.add(R"({"after_ms": 800, "when": {"error": "any"}, "timeout_ms": 100, "press": "run"})");
        }
        s.add(R"({"after_ms": 800, "when": {"error": "any"}, "timeout_ms": 100, "press": "cancel"})");
        s.add(R"({"when": {"splice": "estimate"}, "timeout_ms": 5000, "after_ms": 3000, "screenshot": ")" +
              tag(p, "result") + "\"}");
        s.add(R"({"after_ms": 500, "when": {"splice": "estimate"}, "timeout_ms": 100, "press": "run"})");
        s.add(R"({"when": {"splice": "ready"}, "timeout_ms": 30000, "after_ms": 500, "screenshot": ")" +
              tag(p, "end") + "\"}");
    }
    s.add(R"({"after_ms": 2000, "power": true})");
    char head[256];
    std::snprintf(
        head, sizeof head,
        "{\n  \"comment\": \"%zu seeded random fibre pairs (seed %llu) spliced one after the other; "
        "Run goes on past every error.\",\n  \"start\": \"2026-03-14 10:00:00\",\n",
        pairs.size(), static_cast<unsigned long long>(seed));
    std::string first = pairs.empty() ? "true" : pair_json(pairs.front());
    char tail[64];
    std::snprintf(tail, sizeof tail, "  \"end_ms\": %zu\n}\n", 60000 + pairs.size() * 300000);
    return std::string(head) +
           "  \"instrument\": {\"cover\": \"closed\", \"power\": {\"adapter\": true}, \"fibres\": " + first +
           "},\n  \"script\": [\n" + s.text() + "  ],\n" + tail;
}

} // namespace pairs
