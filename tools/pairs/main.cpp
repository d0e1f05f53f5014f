// The seeded random-pairs splice sweep: draws N fibre pairs, splices them one after the other in
// the simulated instrument and compares what the unit measured and stored with the simulator's
// truth of the same joints.
//
//   pairs [--seed S] [--count N] [--root DIR] [--sim FILE] [--assets DIR] [--scenario-only FILE]
//
// The run's data root (default out/pairs) keeps the scenario (pairs.json), the run's standard
// output (run.log), the record file, the truth and the screenshots of every pair. Prints the
// table and its summary in markdown. Exit status 0 when every pair ended as it should (a stored
// record, or a stop its fibres explain), 1 when one did not, 2 when the run itself failed.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "pairs_draw.h"
#include "pairs_results.h"
#include "pairs_table.h"

namespace fs = std::filesystem;

namespace
{
void usage()
{
    std::fprintf(stderr, "usage: pairs [--seed S] [--count N] [--root DIR] [--sim FILE] [--assets DIR] "
                         "[--scenario-only FILE]\n");
}

bool number(const char* text, unsigned long long max, unsigned long long* out)
{
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (!*text || *end || errno || v > max || text[0] == '-') return false;
    *out = v;
    return true;
}

// The build folder of this program: splicer-sim and the data root template sit one level up.
fs::path build_dir()
{
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path(".") : self.parent_path().parent_path();
}

bool write_file(const fs::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return bool(out.flush());
}

// Runs splicer-sim with its standard output and error in LOG; its exit status, -1 if it did not run.
int run_sim(const fs::path& sim, const fs::path& root, const fs::path& scenario, const fs::path& assets,
            const fs::path& log)
{
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&fa, 1, 2);
    std::vector<std::string> args = {sim.string(), "--root", root.string(), "--scenario", scenario.string()};
    if (!assets.empty()) {
        args.push_back("--assets");
        args.push_back(assets.string());
    }
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int r = posix_spawn(&pid, sim.c_str(), &fa, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&fa);
    if (r != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
} // namespace

int main(int argc, char** argv)
{
    unsigned long long seed = 1, count = 20;
    fs::path root = "out/pairs", sim = build_dir() / "splicer-sim", assets = build_dir() / "asset_root", only;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const bool has = i + 1 < argc;
        if (a == "--seed" && has && number(argv[i + 1], ULLONG_MAX, &seed)) {
            ++i;
        } else if (a == "--count" && has && number(argv[i + 1], 200, &count) && count > 0) {
            ++i;
        } else if (a == "--root" && has) {
            root = argv[++i];
        } else if (a == "--sim" && has) {
            sim = argv[++i];
        } else if (a == "--assets" && has) {
            assets = argv[++i];
        } else if (a == "--scenario-only" && has) {
            only = argv[++i];
        } else {
            usage();
            return 2;
        }
    }
    const std::vector<pairs::Pair> drawn = pairs::draw_pairs(seed, int(count));
    const std::string scenario = pairs::pairs_scenario(drawn, seed);
    if (!only.empty()) return write_file(only, scenario) ? 0 : 2;

    // A fresh data root: the unit formats its parameters from the defaults and counts from zero.
    // Only an earlier sweep's root is cleared, never a folder that holds something else.
    std::error_code ec;
    if (fs::exists(root, ec) && !fs::is_empty(root, ec) && !fs::exists(root / "pairs.json", ec)) {
        std::fprintf(stderr, "pairs: %s holds something other than an earlier sweep; give another --root\n",
                     root.c_str());
        return 2;
    }
    for (const char* sub : {"mnt", "usb", "tmp", "sim", "pairs.json", "run.log"})
        fs::remove_all(root / sub, ec);
    fs::create_directories(root, ec);
    const fs::path scenario_file = root / "pairs.json", log = root / "run.log";
    if (!write_file(scenario_file, scenario)) {
        std::fprintf(stderr, "pairs: %s cannot be written\n", scenario_file.c_str());
        return 2;
    }
    std::fprintf(stderr, "pairs: %llu pairs, seed %llu: running %s (log %s)\n", count, seed, sim.c_str(),
                 log.c_str());
    const int status = run_sim(sim, root, scenario_file, fs::exists(assets) ? assets : fs::path(), log);
    std::ifstream in(log, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    pairs::RunFigures run;
    std::string problems;
    const std::vector<pairs::Outcome> out = pairs::read_outcomes(drawn, root.string(), text, &run, &problems);
    std::printf("Seed %llu, %llu pairs (scenario %s):\n\n%s", seed, count, scenario_file.c_str(),
                pairs::report(drawn, out, run).c_str());
    if (!problems.empty()) std::fprintf(stderr, "pairs: %s", problems.c_str());
    if (status != 0 || !run.powered_off) {
        std::fprintf(stderr, "pairs: splicer-sim ended with status %d (see %s)\n", status, log.c_str());
        return 2;
    }
    for (size_t i = 0; i < drawn.size(); ++i)
        if (!pairs::pair_settled(drawn[i], out[i])) return 1;
    return 0;
}
