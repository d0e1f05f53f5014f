// The sweep's report (see pairs_table.h).
#include "pairs_table.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

namespace pairs
{
namespace
{
// Differences past these are marked in the table as looking wrong.
constexpr double kCleaveTol = 0.3, kOffsetTol = 0.3, kLossTol = 0.05;
// The unit calls a joint fat or thin from 2 pixels (1.29 um) off the cladding's 125 um at its
// default check sensitivity, before the simulator's truth names it (2 um): a joint 1.2 um off
// explains the unit's message.
constexpr double kCladdingUm = 125.0, kUnitFatThinUm = 1.2;

const char* kind_name(int k)
{
    static const char* names[] = {"MM", "SM", "DS", "NZ", "G657", "?"};
    return k >= 0 && k <= 5 ? names[k] : "?";
}

// The unit's kind for a simulated fibre type.
int kind_of(const std::string& type)
{
    if (type == "MM50" || type == "MM62") return 0;
    if (type == "SM") return 1;
    if (type == "DS") return 2;
    if (type == "NZDS") return 3;
    if (type == "G657") return 4;
    return 5;
}

bool quick(const Pair& p)
{
    return std::string(p.mode.name) == "SM-Q";
}

// An error the pair's truth explains: a cleave beyond the mode's limit (the check rounds to
// tenths and allows half a tenth), kinds the identification must tell apart, a loss over the
// mode's limit, or the joint the truth names (fat, thin, a bubble).
bool explained(const Pair& p, const Outcome& o, int code)
{
    const std::string& defect = o.truth.defect;
    switch (code) {
    case 242:
        return std::max(p.left.cleave_deg, p.right.cleave_deg) >=
               (o.has_record ? o.record.cleave_limit_deg : 3.0) + 0.05;
    case 271:
        return !quick(p) && kind_of(p.left.type) != kind_of(p.right.type);
    case 240:
        return o.has_truth && o.has_record && o.truth.loss_db >= o.record.loss_limit_db - 0.005;
    case 249:
        return o.has_truth &&
               (defect == "fat" || (o.truth.joint_diameter_ratio - 1) * kCladdingUm >= kUnitFatThinUm);
    case 250:
        return o.has_truth &&
               (defect == "thin" || (1 - o.truth.joint_diameter_ratio) * kCladdingUm >= kUnitFatThinUm);
    case 230:
        return o.has_truth && defect == "bubble";
    default:
        return false;
    }
}

const char* cause(int code)
{
    switch (code) {
    case 242:
        return "cleave over the limit";
    case 271:
        return "kinds differ";
    case 240:
        return "loss over the limit";
    case 249:
        return "fat joint";
    case 250:
        return "thin joint";
    default:
        return "bubble";
    }
}

std::string fmt(const char* f, double v)
{
    char b[32];
    std::snprintf(b, sizeof b, f, v);
    return b;
}

std::string pair_of(double truth, double measured, bool have, double tol, const char* f,
                    std::vector<std::string>* off, const char* name)
{
    if (!have) return fmt(f, truth) + " / -";
    std::string s = fmt(f, truth) + " / " + fmt(f, measured);
    if (std::fabs(truth - measured) > tol) {
        off->push_back(name);
        s = "**" + s + "**";
    }
    return s;
}

struct Stat {
    double sum = 0, max = 0;
    int n = 0;
    void add(double d)
    {
        sum += std::fabs(d);
        max = std::max(max, std::fabs(d));
        ++n;
    }
    std::string text(const char* unit) const
    {
        if (!n) return "-";
        char b[96];
        std::snprintf(b, sizeof b, "mean %.3f, max %.3f %s (%d)", sum / n, max, unit, n);
        return b;
    }
};

struct Spread {
    double sum = 0, lo = 1e300, hi = -1e300;
    int n = 0;
    void add(double v)
    {
        sum += v;
        lo = std::min(lo, v);
        hi = std::max(hi, v);
        ++n;
    }
    std::string text(const char* f) const
    {
        if (!n) return "-";
        return "mean " + fmt(f, sum / n) + " (" + fmt(f, lo) + " to " + fmt(f, hi) + ", " +
               std::to_string(n) + ")";
    }
};
} // namespace

bool pair_settled(const Pair& p, const Outcome& o)
{
    if (o.has_record && o.ended) return true;
    if (!o.ended) return false;
    for (int e : o.errors)
        if (explained(p, o, e)) return true;
    return false;
}

std::string report(const std::vector<Pair>& pairs, const std::vector<Outcome>& out, const RunFigures& run)
{
    std::string s = "| # | mode | kinds | cleave L (deg) true / unit | cleave R (deg) true / unit | "
                    "core offset (um) true / unit | loss (dB) true / unit | errors | cycle (s) | CPU (ms) | "
                    "looks wrong |\n|---|---|---|---|---|---|---|---|---|---|---|\n";
    Stat cleave, offset, loss;
    std::map<std::string, Spread> cycles;
    Spread cpu, sim_cpu, cpu_whole;
    int settled = 0, recorded = 0;
    for (size_t i = 0; i < pairs.size(); ++i) {
        const Pair& p = pairs[i];
        const Outcome& o = out[i];
        const bool both = o.has_truth && o.has_record;
        std::vector<std::string> off;
        std::string kinds = p.left.type + "/" + p.right.type;
        if (o.has_record && quick(p))
            kinds += " (unit -/-)"; // the quick mode identifies nothing
        else if (o.has_record)
            kinds += std::string(" (unit ") + kind_name(o.record.kinds[0]) + "/" +
                     kind_name(o.record.kinds[1]) + ")";
        // The mode the record names beside the one the script meant to choose.
        std::string mode = p.mode.name;
        if (o.has_record) mode += " (unit " + o.record.mode_name + ")";
        std::string row = "| " + std::to_string(p.number) + " | " + mode + " | " + kinds + " | ";
        const bool angles = both && !quick(p); // the quick mode measures no cleave
        row +=
            pair_of(p.left.cleave_deg, o.record.cleave_deg[0], angles, kCleaveTol, "%.2f", &off, "cleave L") +
            " | ";
        row += pair_of(p.right.cleave_deg, o.record.cleave_deg[1], angles, kCleaveTol, "%.2f", &off,
                       "cleave R") +
               " | ";
        if (o.has_truth)
            row += pair_of(o.truth.axis_offset_um, o.record.core_offset_um, o.has_record, kOffsetTol, "%.2f",
                           &off, "offset") +
                   " | ";
        else
            row += "- | ";
        const bool estimated = both && o.record.loss_db >= 0;
        if (o.has_truth)
            row +=
                pair_of(o.truth.loss_db, o.record.loss_db, estimated, kLossTol, "%.3f", &off, "loss") + " | ";
        else
            row += "- | ";
        std::string errors;
        for (int e : o.errors)
            errors += (errors.empty() ? "" : ", ") + std::to_string(e) +
                      (explained(p, o, e) ? std::string(" (") + cause(e) + ")" : "");
        if (!o.errors.empty() && !pair_settled(p, o)) off.push_back("stopped");
        for (int e : o.errors)
            if (!explained(p, o, e) && o.has_record) {
                off.push_back("error " + std::to_string(e));
            }
        if (!o.ended) off.push_back("not ended");
        if (o.has_record && o.record.mode_name != p.mode.name) off.push_back("mode");
        row += (errors.empty() ? "-" : errors) + " | ";
        row += (o.cycle_s() >= 0 ? fmt("%.1f", o.cycle_s()) : "-") + " | ";
        row += (o.cpu_ms >= 0 ? fmt("%.0f", o.cpu_ms) : "-") + " | ";
        std::string w;
        for (const auto& x : off)
            w += (w.empty() ? "" : ", ") + x;
        s += row + (w.empty() ? "-" : w) + " |\n";

        if (pair_settled(p, o)) ++settled;
        if (o.has_record) ++recorded;
        if (angles)
            for (int k = 0; k < 2; ++k)
                cleave.add(o.record.cleave_deg[k] - (k ? p.right.cleave_deg : p.left.cleave_deg));
        if (both) offset.add(o.record.core_offset_um - o.truth.axis_offset_um);
        if (estimated) loss.add(o.record.loss_db - o.truth.loss_db);
        if (o.has_record && o.cycle_s() >= 0) {
            cycles[p.mode.name].add(o.cycle_s());
            if (o.cpu_ms >= 0) {
                cpu.add(o.cpu_ms);
                sim_cpu.add(o.sim_cpu_ms);
            }
            if (o.cpu_whole_ms >= 0) cpu_whole.add(o.cpu_whole_ms);
        }
    }
    s += "\nTruth: the simulator's; unit: the record the unit stored. Bold: more than 0.3 deg, 0.3 um or "
         "0.05 dB apart. Errors: the codes the unit showed, with the cause when the truth explains them. "
         "Cycle: instrument seconds from Run to the result, less the operator's time at errors. CPU: the "
         "application's milliseconds from Run to the result (ROOT/sim/cpu.jsonl).\n";
    char b[160];
    std::snprintf(b, sizeof b,
                  "\n%d of %zu pairs ended as they should (%d with a stored record; the rest stopped by "
                  "an error their fibres explain).\n\n",
                  settled, pairs.size(), recorded);
    s += b;
    s += "| figure | value |\n|---|---|\n";
    s += "| cleave angle, unit - truth | " + cleave.text("deg") + " |\n";
    s += "| core offset, unit - truth | " + offset.text("um") + " |\n";
    s += "| loss, unit - truth | " + loss.text("dB") + " |\n";
    for (const auto& [mode, c] : cycles)
        s += "| cycle, Run to the result, mode " + mode + " (instrument s) | " + c.text("%.1f") + " |\n";
    s += "| application CPU per complete splice, Run to the result (ms) | " + cpu.text("%.0f") + " |\n";
    s += "| the same to the end of the splice, the result on show until Run (ms) | " +
         cpu_whole.text("%.0f") + " |\n";
    s += "| simulator work inside the application's calls, Run to the result (ms) | " + sim_cpu.text("%.0f") +
         " |\n";
    if (run.powered_off) {
        std::snprintf(b, sizeof b, "| the run: virtual time / wall time (s) | %.1f / %.1f |\n", run.virtual_s,
                      run.wall_s);
        s += b;
    }
    return s;
}

} // namespace pairs
