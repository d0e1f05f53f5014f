// Reading a sweep run back (see pairs_results.h).
#include "pairs_results.h"

#include <cJSON.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "records/record.h"
#include "records/recordlisting.h"

namespace pairs
{
namespace
{
std::string read_file(const std::string& path, bool* ok = nullptr)
{
    std::ifstream in(path, std::ios::binary);
    if (ok) *ok = bool(in);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct JsonDoc {
    cJSON* p;
    explicit JsonDoc(const std::string& s) : p(cJSON_Parse(s.c_str())) {}
    ~JsonDoc() { cJSON_Delete(p); }
    JsonDoc(const JsonDoc&) = delete;
    JsonDoc& operator=(const JsonDoc&) = delete;
};

double num(const cJSON* o, const char* key, double fallback = 0)
{
    const cJSON* v = cJSON_GetObjectItemCaseSensitive(o, key);
    return cJSON_IsNumber(v) ? v->valuedouble : fallback;
}

std::string str(const cJSON* o, const char* key)
{
    const cJSON* v = cJSON_GetObjectItemCaseSensitive(o, key);
    return cJSON_IsString(v) && v->valuestring ? v->valuestring : "";
}

// "[hh:mm:ss.mmm] sim: TEXT": the seconds and the text, false for other lines.
bool event_line(const std::string& line, double* t, std::string* text)
{
    unsigned h, m, s, ms;
    char tail[8];
    if (std::sscanf(line.c_str(), "[%u:%u:%u.%u] sim:%1s", &h, &m, &s, &ms, tail) != 5) return false;
    *t = h * 3600.0 + m * 60.0 + s + ms / 1000.0;
    *text = line.substr(line.find("sim: ") + 5);
    return true;
}

// "screenshot pNN-WHAT.png": the pair number, 0 for other texts.
int marker(const std::string& text, const char* what)
{
    int n = 0;
    char w[16] = {};
    if (std::sscanf(text.c_str(), "screenshot p%d-%15[a-z].png", &n, w) != 2) return 0;
    return std::strcmp(w, what) == 0 ? n : 0;
}

void read_events(const std::string& log, std::vector<Outcome>& out, RunFigures* run)
{
    std::istringstream in(log);
    std::string line, text;
    Outcome* cur = nullptr;
    double error_at = -1;
    while (std::getline(in, line)) {
        double vs = 0, ws = 0;
        unsigned h, m, s, ms;
        if (std::sscanf(line.c_str(), "splicer-sim: powered off after %u:%u:%u.%u virtual time (%lf s wall)",
                        &h, &m, &s, &ms, &ws) == 5) {
            vs = h * 3600.0 + m * 60.0 + s + ms / 1000.0;
            run->virtual_s = vs;
            run->wall_s = ws;
            run->powered_off = true;
            continue;
        }
        double t = 0;
        if (!event_line(line, &t, &text)) continue;
        if (int n = marker(text, "start"); n >= 1 && size_t(n) <= out.size()) {
            cur = &out[size_t(n) - 1];
            cur->started = true;
            error_at = -1;
            continue;
        }
        if (!cur) continue;
        if (int n = marker(text, "end"); n >= 1 && cur == &out[size_t(n) - 1]) {
            cur->ended = true;
            cur->end_s = t;
            cur = nullptr;
            continue;
        }
        if (text == "operator presses run" || text == "operator presses cancel") {
            if (cur->run_s < 0) {
                cur->run_s = t;
            } else if (error_at >= 0) {
                if (!cur->estimated) cur->waited_s += t - error_at;
                error_at = -1;
            }
        } else if (text.rfind("unit shows error ", 0) == 0) {
            cur->errors.push_back(std::atoi(text.c_str() + 17));
            error_at = t;
        } else if (text == "unit shows splice estimate" && !cur->estimated) {
            cur->estimated = true;
            cur->estimate_s = t;
        }
    }
}

// The last line of each joint is its state now; joints follow the pairs in order, and a pair
// that never fused has none: a joint belongs to the next pair whose fibres it names.
void read_truth(const std::string& text, const std::vector<Pair>& pairs, std::vector<Outcome>& out,
                std::string* problems)
{
    std::map<int, std::string> last;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty()) {
            JsonDoc d(line);
            if (!cJSON_IsObject(d.p)) {
                *problems += "truth.jsonl: a line is not a JSON object\n";
                continue;
            }
            // Other objects (the electrodes' truth) carry no splice number.
            if (!cJSON_GetObjectItemCaseSensitive(d.p, "splice")) continue;
            last[int(num(d.p, "splice"))] = line;
        }
    size_t next = 0;
    for (const auto& [number, l] : last) {
        JsonDoc d(l);
        const cJSON* side[2] = {cJSON_GetObjectItemCaseSensitive(d.p, "left"),
                                cJSON_GetObjectItemCaseSensitive(d.p, "right")};
        for (size_t i = next; i < pairs.size(); ++i) {
            const Fibre* f[2] = {&pairs[i].left, &pairs[i].right};
            bool same = true;
            for (int k = 0; k < 2; ++k)
                same = same && str(side[k], "type") == f[k]->type &&
                       std::fabs(num(side[k], "cleave_deg", -1) - f[k]->cleave_deg) < 0.0015;
            if (!same) continue;
            Truth& t = out[i].truth;
            for (int k = 0; k < 2; ++k)
                t.cleave_deg[k] = num(side[k], "cleave_deg");
            t.axis_offset_um = num(d.p, "axis_offset_um");
            t.cladding_offset_um = num(d.p, "cladding_offset_um");
            t.loss_db = num(d.p, "loss_db");
            t.joint_diameter_ratio = num(d.p, "joint_diameter_ratio", 1);
            t.defect = str(d.p, "defect");
            out[i].has_truth = true;
            next = i + 1;
            break;
        }
    }
}

// A record carries the unit's splice count, which grows at every result the unit reaches; so
// the records' numbers follow the pairs that reached their result, in order.
void read_records(const std::string& bytes, std::vector<Outcome>& out, std::string* problems)
{
    std::string listing, faults;
    if (InspectRecordFile(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), true, &listing,
                          &faults) != 0)
        *problems += "sprecord.bin: " + faults;
    JsonDoc d(listing);
    if (!cJSON_IsArray(d.p)) return;
    std::vector<Outcome*> counted;
    for (Outcome& o : out)
        if (o.estimated) counted.push_back(&o);
    double base = -1;
    const cJSON* r = nullptr;
    cJSON_ArrayForEach(r, d.p)
    {
        const double n = num(r, "dwSpliceNumber");
        if (base < 0 || n - 1 < base) base = n - 1;
    }
    cJSON_ArrayForEach(r, d.p)
    {
        const long i = long(num(r, "dwSpliceNumber") - base) - 1;
        if (i < 0 || size_t(i) >= counted.size()) {
            *problems += "a record's splice number matches no pair that reached its result\n";
            continue;
        }
        Record& rec = counted[size_t(i)]->record;
        rec.cleave_deg[0] = num(r, "bLeftAngle") / 10;
        rec.cleave_deg[1] = num(r, "bRightAngle") / 10;
        rec.core_offset_um = num(r, "bCoreOff") / 10;
        rec.cladding_offset_um = num(r, "bCladOff") / 10;
        const int loss = int(num(r, "bLossValue"));
        rec.loss_db = loss == RECORD_NO_LOSS ? -1 : loss / 100.0;
        rec.cleave_limit_deg = num(r, "bCleaveLimit") / 10;
        rec.loss_limit_db = num(r, "bLossLimit") / 100;
        rec.mode_name = str(r, "ModeName");
        rec.kinds[0] = int(num(r, "bLeftFiberType", 5));
        rec.kinds[1] = int(num(r, "bRightFiberType", 5));
        counted[size_t(i)]->has_record = true;
    }
}

// A splice's CPU time: the application's CPU clock at the first status after Run, at the result
// and at the last status up to the pair's end (the return to ready).
void read_cpu(const std::string& text, std::vector<Outcome>& out)
{
    struct Point {
        double t, app, sim;
    };
    std::vector<Point> points;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        JsonDoc d(line);
        if (cJSON_IsObject(d.p))
            points.push_back(
                {num(d.p, "t_ms") / 1000, num(d.p, "app_cpu_ms"), num(d.p, "sim_in_app_cpu_ms")});
    }
    for (Outcome& o : out) {
        if (o.run_s < 0 || !o.ended) continue;
        const Point* a = nullptr;
        const Point* result = nullptr;
        const Point* b = nullptr;
        for (const Point& p : points) {
            if (p.t >= o.run_s && p.t <= o.end_s + 0.0005) {
                if (!a) a = &p;
                if (o.estimated && !result && p.t >= o.estimate_s - 0.0005) result = &p;
                b = &p;
            }
        }
        if (a && b && b != a) o.cpu_whole_ms = b->app - a->app;
        if (a && result && result != a) {
            o.cpu_ms = result->app - a->app;
            o.sim_cpu_ms = result->sim - a->sim;
        }
    }
}
} // namespace

std::vector<Outcome> read_outcomes(const std::vector<Pair>& pairs, const std::string& root,
                                   const std::string& log, RunFigures* run, std::string* problems)
{
    std::vector<Outcome> out(pairs.size());
    read_events(log, out, run);
    bool ok = false;
    const std::string truth = read_file(root + "/sim/truth.jsonl", &ok);
    if (!ok) *problems += "no " + root + "/sim/truth.jsonl\n";
    read_truth(truth, pairs, out, problems);
    const std::string records = read_file(root + "/mnt/usr/sprecord.bin", &ok);
    if (ok)
        read_records(records, out, problems);
    else
        *problems += "no record file\n";
    read_cpu(read_file(root + "/sim/cpu.jsonl"), out);
    return out;
}

} // namespace pairs
