// Figures of the alignment for the note, printed as a table: seeded random pairs of each fibre
// kind in both screen orientations run from Run (fibres laid in out of the picture) through
// feeding, the coarse alignment, focusing and the gap, then core and cladding alignment. Each row:
// moves of each alignment, the true core and cladding offsets they end with, the focus ratio
// reached, and the instrument's seconds (virtual clock, the simulator's motor speeds) from Run to
// the end of focusing and gap setting. SPLICER_FIGURES_PAIRS pairs per kind and orientation
// (make figures prints the lines beginning "fig:"); by default two pairs only, for a quick run.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "fiber/cladedge.h"
#include "fiber/profile.h"
#include "platform/seam.h"
#include "splice/aim.h"
#include "tests/splice/aimtest.h"
#include "tests/splice/presstest.h"

namespace
{
using sim::FibreType;

struct Kind {
    FibreType type;
    const char* name;
};
constexpr Kind kKinds[] = {{FibreType::SM, "SM"},     {FibreType::DS, "DS"},     {FibreType::NZDS, "NZDS"},
                           {FibreType::G657, "G657"}, {FibreType::MM50, "MM50"}, {FibreType::MM62, "MM62"}};
constexpr int kGap = 15; // pixels, as the splice modes set it

class Figures : public presstest::PressTest
{
  protected:
    void SetUp() override
    {
        PressTest::SetUp();
        devtest::change<TABLEFACTMOTORPAR>(GetTable_FactMotorPar, SetTable_FactMotorPar,
                                           [](TABLEFACTMOTORPAR& p) {
                                               p.lXAlignCoef2 = p.lYAlignCoef2 = aimtest::kAlignCoef;
                                               p.lXFocusCoef2 = p.lYFocusCoef2 = aimtest::kFocusCoef;
                                           });
        GetCurrentInformation()->CurrentSplice.bLeftFocus = 30;
        GetCurrentInformation()->CurrentSplice.bCoreShiftCompensation = 100;
    }

    struct Row {
        int code = 0, coreMoves = 0, cladMoves = 0, coreState = 0;
        double toGap = 0, core = 0, clad = 0, ratio = 0;
    };

    int pair_moves()
    {
        int n = 0;
        uint64_t last = UINT64_MAX;
        for (const auto& m : inst().motors().moves())
            if (m.request == MOT_MOVE_TWO && m.t_us != last) ++n, last = m.t_us;
        return n;
    }
    int align(int type, int* moves)
    {
        GetCurrentInformation()->CurrentSplice.bAlignType = uint8_t(type);
        inst().motors().clear_moves();
        const int r = SpliceAimAdjust(50, 0, 0, GetFiberStruct());
        *moves = pair_moves();
        return r;
    }
    // The mean focus ratio of the four pictures, percent.
    double ratio()
    {
        if (GetAllBrightWave() || GetShadowBrightFPGA() || GetCladFPGA4Focus() || CalFocusRatioFpga())
            return 0;
        const APPFIBER* f = GetFiberStruct();
        return 25.0 * (f->graX.infL.fFocusRate + f->graX.infR.fFocusRate + f->graY.infL.fFocusRate +
                       f->graY.infR.fFocusRate);
    }

    Row run(bool rear, const sim::FibrePair& pair)
    {
        Row row;
        unit(rear, pair);
        XAimPrevDir = YAimPrevDir = 0;
        APPFIBER* fibre = GetFiberStruct();
        const uint64_t t0 = plat_monotonic_ms();
        auto step = [&](int r) { return row.code == 0 ? (row.code = r) : row.code; };
        step(AutoPress());
        if (row.code == 0 && (GetGraphicsData(VIEWMASK_XY) != 0 || GetShadowBrightEx(VIEWMASK_XY) != 0))
            row.code = -2;
        if (row.code == 0) step(AutoAim(fibre, 0, 0, 1));
        if (row.code == 0) step(SpliceFocusAdjust(20, 30, fibre));
        if (row.code == 0) step(SplicePrecisionPressAdjust(6, 0, 50, kGap, 0));
        row.toGap = double(plat_monotonic_ms() - t0) / 1000.0;
        if (row.code != 0) return row;
        row.ratio = ratio();
        step(align(1, &row.coreMoves));
        row.coreState = STATE_AIM;
        row.core = aimtest::true_core_um(inst().scene());
        if (row.code == 0) step(align(2, &row.cladMoves));
        row.clad = aimtest::true_clad_um(inst().scene());
        return row;
    }
};

int pairs_per_kind()
{
    const char* v = std::getenv("SPLICER_FIGURES_PAIRS");
    const int n = v ? std::atoi(v) : 0;
    return std::clamp(n, 0, 100);
}

TEST_F(Figures, AlignmentTable)
{
    const int pairs = pairs_per_kind();
    std::printf("\nfig: kind orient  ecc L/R um  | s to gap | ratio %% | core: moves state true um | "
                "clad: moves true um | code\n");
    std::vector<double> cores, clads;
    for (const Kind& k : kKinds) {
        for (int rear = 0; rear < 2; ++rear) {
            // Quick: a standard single-mode pair at the front, a bend-insensitive one at the rear.
            if (pairs == 0 && !(k.type == FibreType::SM && !rear) && !(k.type == FibreType::G657 && rear))
                continue;
            for (int n = 0; n < std::max(pairs, 1); ++n) {
                std::mt19937 rng(uint32_t(1000 * int(k.type) + 100 * rear + n));
                std::uniform_real_distribution<double> seat(-4, 4), ecc(0, 1.0), az(0, 360);
                sim::FibrePair pair;
                for (sim::FibreSetup* f : {&pair.left, &pair.right}) {
                    f->type = k.type;
                    f->seat_um = {seat(rng), seat(rng)};
                    f->eccentricity_um = ecc(rng);
                    f->eccentricity_azimuth_deg = az(rng);
                }
                const Row r = run(rear, pair);
                EXPECT_EQ(r.code, 0) << k.name << " rear " << rear << " pair " << n;
                std::printf("fig: %-4s %-6s %4.2f/%4.2f  | %8.2f | %7.1f | %5d %5d %7.3f | %5d %7.3f | %d\n",
                            k.name, rear ? "rear" : "front", pair.left.eccentricity_um,
                            pair.right.eccentricity_um, r.toGap, r.ratio, r.coreMoves, r.coreState, r.core,
                            r.cladMoves, r.clad, r.code);
                if (r.code == 0 && k.type != FibreType::MM50 && k.type != FibreType::MM62)
                    cores.push_back(r.core);
                if (r.code == 0) clads.push_back(r.clad);
            }
        }
    }
    auto worst = [](const std::vector<double>& v) {
        return v.empty() ? 0.0 : *std::max_element(v.begin(), v.end());
    };
    std::printf("fig: worst true offset: single-mode cores %.3f um, claddings %.3f um\n", worst(cores),
                worst(clads));
}
} // namespace
