// Builds the trained fibre table "/mnt/usr/fiber.bin" the way a unit is trained in the factory:
// 20 fibres of each kind laid in front of the simulated cameras (varied positions, focus,
// eccentricity, light and noise), each measured through the instrument's own profile path and
// features, then solved by the instrument's own training routine.
//
//   gen_fiber_table OUT_FILE [--check N]
//
// --check N classifies N further fibres of each kind (other seeds) and prints the confusion
// table. The seeds of this tool are its own; the tests draw theirs elsewhere.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fiber/fibertype.h"
#include "sim/profile_shot.h"

namespace
{

// Kinds in the order of the training screen; multimode alternates its two core sizes.
sim::FibreType kind(int cls, int i)
{
    switch (cls) {
    case 0:
        return i % 2 ? sim::FibreType::MM62 : sim::FibreType::MM50;
    case 1:
        return sim::FibreType::SM;
    case 2:
        return sim::FibreType::NZDS;
    default:
        return sim::FibreType::G657;
    }
}

constexpr uint64_t kTrainSeeds = 0x7AB1E000ull, kCheckSeeds = 0xC0FFEE00ull;

// Features of the next usable shot from *seed on (a shot whose window leaves the frame is
// skipped, as the operator would lay that fibre in again).
bool sample(sim::FibreType type, int view, uint64_t& seed, float out[FIBER_MODE_FEATURES])
{
    for (int tries = 0; tries < 100; ++tries) {
        uint8_t p[480];
        sim::shot_profile(sim::random_shot(type, view, seed++), p);
        if (FiberModeFeatures(p, FiberModeShadowBright(p), out) == 0) return true;
    }
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && !(argc == 4 && std::strcmp(argv[2], "--check") == 0)) {
        fprintf(stderr, "usage: gen_fiber_table OUT_FILE [--check N]\n");
        return 2;
    }
    static FIBER_TRAINING t{};
    uint64_t seed = kTrainSeeds;
    for (int c = 0; c < FIBER_MODE_CLASSES; ++c) {
        for (int i = 0; i < FIBER_MODE_SAMPLES; ++i)
            if (!sample(kind(c, i), 1, seed, t.fFeatureX[c][i]) ||
                !sample(kind(c, i), 2, seed, t.fFeatureY[c][i])) {
                fprintf(stderr, "gen_fiber_table: no usable picture of class %d\n", c);
                return 1;
            }
        t.dwTrained[c] = FIBER_MODE_TRAINED;
    }
    if (CalFiberTrain(&t) != 0) {
        fprintf(stderr, "gen_fiber_table: the training failed\n");
        return 1;
    }
    if (argc == 4) {
        const int n = std::atoi(argv[3]);
        uint64_t s = kCheckSeeds;
        for (int view = 1; view <= 2; ++view) {
            printf("view %d (rows: true class, columns: judged)\n", view);
            for (int c = 0; c < FIBER_MODE_CLASSES; ++c) {
                int row[FIBER_MODE_CLASSES] = {};
                for (int i = 0; i < n; ++i) {
                    float f[FIBER_MODE_FEATURES];
                    if (sample(kind(c, i), view, s, f)) ++row[FiberClassify(t, view, f, 0)];
                }
                printf("  %d: %4d %4d %4d %4d\n", c, row[0], row[1], row[2], row[3]);
            }
        }
    }
    const std::string out = argv[1], tmp = out + ".tmp";
    FILE* f = fopen(tmp.c_str(), "wb");
    bool ok = f && fwrite(&t, sizeof t, 1, f) == 1;
    ok = f && fclose(f) == 0 && ok;
    if (!ok || std::rename(tmp.c_str(), out.c_str()) != 0) {
        fprintf(stderr, "gen_fiber_table: cannot write %s\n", out.c_str());
        std::remove(tmp.c_str());
        return 1;
    }
    return 0;
}
