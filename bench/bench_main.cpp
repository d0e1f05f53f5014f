// Runs every benchmark and prints one table: the figures the instrument is judged by first, each
// derived from its benchmarks, then every other benchmark's time. Google Benchmark's own options
// work as usual (--benchmark_filter, --benchmark_out for JSON).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <thread>

namespace
{

struct Result {
    double ns = 0; // CPU time per iteration: on a shared machine closer to an idle one's time than wall time
    std::map<std::string, double> counters;
};

double unit_ns(benchmark::TimeUnit u)
{
    switch (u) {
    case benchmark::kNanosecond:
        return 1;
    case benchmark::kMicrosecond:
        return 1e3;
    case benchmark::kMillisecond:
        return 1e6;
    case benchmark::kSecond:
        return 1e9;
    }
    return 1;
}

std::string cpu_model()
{
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("model name", 0) == 0 && line.find(':') != std::string::npos)
            return line.substr(line.find(':') + 2);
    return "unknown CPU";
}

class TableReporter : public benchmark::BenchmarkReporter
{
  public:
    explicit TableReporter(FILE* out) : out_(out) {}
    bool ReportContext(const Context&) override
    {
        std::fprintf(stderr, "running the benchmarks (a few minutes)...\n");
        return true;
    }
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration) continue;
            // Function and arguments only: the iteration and timing options are not part of it.
            std::string name = r.run_name.function_name;
            if (!r.run_name.args.empty()) name += "/" + r.run_name.args;
            if (r.error_occurred) {
                failed_[name] = r.error_message;
                continue;
            }
            Result& res = results_[name];
            res.ns = r.GetAdjustedCPUTime() * unit_ns(r.time_unit);
            for (const auto& [k, c] : r.counters)
                res.counters[k] = c.value;
        }
    }
    void Finalize() override
    {
        std::fprintf(out_, "Figures on %s, %u cores\n\n", cpu_model().c_str(),
                     std::thread::hardware_concurrency());
        std::fprintf(out_, "| %-44s | %-14s | %s\n", "figure", "value", "how");
        std::fprintf(out_, "|%s|%s|%s\n", std::string(46, '-').c_str(), std::string(16, '-').c_str(),
                     std::string(60, '-').c_str());
        figures();
        for (const auto& [name, r] : results_)
            if (!used_.count(name)) row(name, fmt("%.3g us", r.ns / 1e3), "CPU time per iteration");
        for (const auto& [name, why] : failed_)
            row(name, "failed", why);
    }

  private:
    FILE* out_;
    std::map<std::string, Result> results_;
    std::map<std::string, std::string> failed_;
    std::map<std::string, bool> used_;

    static std::string fmt(const char* f, double a, double b = 0, double c = 0)
    {
        char buf[160];
        std::snprintf(buf, sizeof buf, f, a, b, c);
        return buf;
    }
    void row(const std::string& figure, const std::string& value, const std::string& how)
    {
        std::fprintf(out_, "| %-44s | %-14s | %s\n", figure.c_str(), value.c_str(), how.c_str());
    }
    const Result* take(const std::string& name)
    {
        auto it = results_.find(name);
        if (it == results_.end()) return nullptr;
        used_[name] = true;
        return &it->second;
    }
    double counter(const Result* r, const char* key)
    {
        auto it = r->counters.find(key);
        return it == r->counters.end() ? 0 : it->second;
    }

    void figures()
    {
        if (const Result* r = take("BM_BootToWorkbench"))
            row("boot to the workbench", fmt("%.2f s", counter(r, "shown_s")),
                fmt("instrument time; start-up moves done at %.2f s; %.2f s CPU, simulated hardware included",
                    counter(r, "ready_s"), counter(r, "cpu_s")));
        if (const Result* r = take("BM_ParameterStartupLoad"))
            row("parameter load at start-up", fmt("%.0f pages", counter(r, "page_reads")),
                fmt("page reads; %.0f ms on the I2C bus, %.2f ms CPU", counter(r, "virtual_ms"),
                    r->ns / 1e6));
        const Result* sum = take("BM_FrameSum");
        if (const Result* r = take("BM_CladCoreMeasurement"); r && sum && sum->ns > 0)
            row("frame analysis of one view", fmt("%.1f passes", r->ns / sum->ns),
                fmt("cladding, core and focus %.0f us; one pass over the frame %.0f us", r->ns / 1e3,
                    sum->ns / 1e3));
        if (const Result* r = take("BM_RenderFrame/noise:1/defects:0"); r && r->ns > 0)
            row("camera renderer", fmt("%.0f frames/s", 1e9 / r->ns),
                fmt("640 x 480 with noise, %.2f ms a frame", r->ns / 1e6));
        if (const Result* r = take("BM_StoredSplice"))
            row("record append with images and report", fmt("%.1f ms", r->ns / 1e6),
                "record, both pictures and the PDF report");
        if (const Result* r = take("BM_ListFullRing"))
            row("full record listing (10 000 records)", fmt("%.0f ms", r->ns / 1e6),
                fmt("%.0f records/s, header check included", counter(r, "records_per_s")));
        if (const Result* r = take("BM_CompleteSplice")) {
            row("CPU per complete splice", fmt("%.0f ms", counter(r, "app_cpu_ms")),
                "the application's threads from Run to the loss estimate, simulated hardware excluded");
            row("CPU per run with one splice", fmt("%.2f s", counter(r, "cpu_s")),
                "the whole process less the boot; simulated hardware and renderer included");
            row("simulated splice cycle", fmt("%.1f s", counter(r, "cycle_instrument_s")),
                "instrument time from Run to the loss estimate");
        }
    }
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // The code under measurement prints its diagnostics on standard output: they go to /dev/null
    // (up to the process's end), the table to the original standard output.
    std::fflush(stdout);
    FILE* out = fdopen(::dup(STDOUT_FILENO), "w");
    int null = ::open("/dev/null", O_WRONLY);
    if (!out || null < 0 || ::dup2(null, STDOUT_FILENO) < 0) return 1;
    ::close(null);
    TableReporter table(out);
    benchmark::RunSpecifiedBenchmarks(&table);
    std::fflush(stdout);
    std::fclose(out);
    benchmark::Shutdown();
    return 0;
}
