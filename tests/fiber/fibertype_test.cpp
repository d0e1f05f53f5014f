// Fibre type identification: the transform and the features, the classifier's rules, the
// training's solver and its failure, the training session on the simulated instrument, and the
// shipped table on rendered fibres it has not seen.
#include <filesystem>
#include <fstream>
#include <limits>
#include <vector>

#include "fiber/fibertype.h"
#include "sim/camera_render.h"
#include "sim/profile_shot.h"
#include "tests/fiber/fibertest.h"
#include "tests/sim/sim_util.h"

namespace
{
using fibertest::FiberTest;
using testing::internal::CaptureStdout;
using testing::internal::GetCapturedStdout;

constexpr int D = FIBER_MODE_FEATURES, K = FIBER_MODE_CLASSES;

FIBER_TRAINING stored()
{
    FIBER_TRAINING t;
    std::memcpy(&t, GetTable_Trainning(), sizeof t);
    return t;
}

TEST(FiberTypeTest, DctRoundTripAndConstantInput)
{
    std::vector<float> ramp(41), wave(41), constant(41, 3.0f);
    for (int j = 0; j < 41; ++j) {
        ramp[size_t(j)] = float(j) - 20.0f;
        wave[size_t(j)] = float(std::sin(j * 0.7) * 40.0 + (j % 3));
    }
    for (const auto& in : {ramp, wave, constant}) {
        std::vector<float> coef(41), back(41);
        CalMaxValue(41, in.data(), coef.data());
        AntiDctTrans(41, coef.data(), back.data());
        for (int j = 0; j < 41; ++j)
            EXPECT_NEAR(back[size_t(j)], in[size_t(j)], 1e-4);
    }
    // A constant gives only coefficient 0 (sqrt(n) times the value), which the classifier skips.
    std::vector<float> coef(41);
    CalMaxValue(41, constant.data(), coef.data());
    EXPECT_NEAR(coef[0], 3.0 * std::sqrt(41.0), 1e-4);
    for (int k = 1; k < 41; ++k)
        EXPECT_NEAR(coef[size_t(k)], 0.0, 1e-5) << k;
    // One known coefficient: the unit impulse at j gives sqrt(2/n) cos(pi k (2j + 1) / 2n).
    std::vector<float> impulse(41, 0.0f);
    impulse[7] = 1.0f;
    CalMaxValue(41, impulse.data(), coef.data());
    EXPECT_NEAR(coef[5], std::sqrt(2.0 / 41) * std::cos(M_PI / 82 * 5 * 15), 1e-6);
}

TEST(FiberTypeTest, ProfileNormalisedOnACopyAndDifferencedAroundTheCentre)
{
    std::vector<uint8_t> p(480, 10);
    p[8] = 200; // row 8 counts for the maximum but is not scaled
    p[100] = 100;
    p[240] = 50;
    p[241] = 60;
    uint8_t work[480];
    std::memcpy(work, p.data(), 480);
    float diff[41];
    PreHandleFiberModeFpga(work, 41, 240, diff);
    EXPECT_EQ(work[8], 200);
    EXPECT_EQ(work[100], 100 * 255 / 200);
    EXPECT_EQ(work[9], 10 * 255 / 200);
    // diff[i] = p[c - 20 + i + 1] - p[c - 20 + i]: rows 240 and 241 are i = 19 and 20.
    EXPECT_EQ(diff[19], float(50 * 255 / 200 - 10 * 255 / 200));
    EXPECT_EQ(diff[20], float(60 * 255 / 200 - 50 * 255 / 200));
    EXPECT_EQ(diff[0], 0.0f);

    // The windows the features accept, and profiles they refuse.
    EXPECT_FALSE(FiberModeWindowOk(28));
    EXPECT_TRUE(FiberModeWindowOk(29));
    EXPECT_TRUE(FiberModeWindowOk(450));
    EXPECT_FALSE(FiberModeWindowOk(451));
    float f[D];
    std::vector<uint8_t> zero(480, 0);
    EXPECT_EQ(FiberModeFeatures(zero.data(), 0.0f, f), -1);
    uint8_t before[480];
    sim::ProfileShot shot;
    sim::shot_profile(shot, before);
    std::memcpy(p.data(), before, 480);
    int c = 0;
    ASSERT_EQ(FiberModeFeatures(p.data(), FiberModeShadowBright(p.data()), f), 0);
    EXPECT_EQ(std::memcmp(p.data(), before, 480), 0) << "the caller's profile was changed";
    // A constant profile: all-zero features, so only the biases decide.
    std::vector<uint8_t> flat(480, 100);
    std::fill(f, f + D, 1.0f);
    ASSERT_EQ(FiberModeFeatures(flat.data(), 60.0f, f, &c), 0) << c;
    for (float v : f)
        EXPECT_EQ(v, 0.0f);
    // A narrow fibre at the frame's top: its window leaves the picture.
    const std::vector<uint8_t> top = fibertest::byte_profile({.centre = 16.0, .radius = 8.0, .band = 3.0});
    EXPECT_EQ(FiberModeFeatures(top.data(), FiberModeShadowBright(top.data()), f, &c), -1);
    EXPECT_LT(c, 29);
}

TEST(FiberTypeTest, JudgeTiesBiasAndSecondOpinion)
{
    FIBER_TRAINING t{};
    float f[D] = {};
    f[2] = 1.0f;
    // Classes 1 and 2 score the same: the lower wins; constant profiles (all-zero features)
    // leave only the biases.
    t.dWeightX[1][3] = 2.0;
    t.dWeightX[2][3] = 1.0;
    t.dWeightX[2][0] = 1.0;
    EXPECT_EQ(FiberJudge(&t.dWeightX[0][0], f, D, K), 1);
    float none[D] = {};
    EXPECT_EQ(FiberJudge(&t.dWeightX[0][0], none, D, K), 2);
    t.dWeightX[3][0] = 1.0; // tie of biases 2 and 3
    EXPECT_EQ(FiberJudge(&t.dWeightX[0][0], none, D, K), 2);
    t.dWeightX[0][0] = 5.0;
    EXPECT_EQ(FiberJudge(&t.dWeightX[0][0], none, D, K), 0);
    EXPECT_EQ(FiberReJudge(&t.dWeightX[0][0], none, D, K), 2);

    // Untrained (the first mark missing): a bright core judged class 0 is judged again without 0.
    struct Case {
        uint32_t mark;
        int bright;
        int cls;
        bool noStudy;
    } cases[] = {{0, 1, 2, true}, {0, 0, 0, false}, {FIBER_MODE_TRAINED, 1, 0, false}};
    for (const Case& c : cases) {
        t.dwTrained[0] = c.mark;
        CaptureStdout();
        EXPECT_EQ(FiberClassify(t, 1, none, c.bright), c.cls) << c.mark << " " << c.bright;
        EXPECT_EQ(GetCapturedStdout().find(" no study ") != std::string::npos, c.noStudy);
    }
    // An all-zero (untrained) table: every fibre class 0, or 1 by the second opinion.
    FIBER_TRAINING zero{};
    EXPECT_EQ(FiberClassify(zero, 2, f, 0), 0);
    EXPECT_EQ(FiberClassify(zero, 2, f, 1), 1);
    // The nearest class mean.
    double means[K * D] = {};
    means[2 * D + 2] = 1.0;
    CaptureStdout();
    EXPECT_EQ(FiberJudgeLSME(means, f, D, K), 2);
    EXPECT_NE(GetCapturedStdout().find("\n FiberJudgeLSME"), std::string::npos);
}

TEST(FiberTypeTest, GaussJordanSolvesWithCompletePivotingAndRefusesSingularSystems)
{
    // A zero in the first pivot place and columns of mixed scale: X = {{1, 2}, {-1, 0}, {3, 1}}.
    double A[9] = {0, 2, 1, 1e-3, 1, 0, 4, 0, 5e3};
    const double X[3][2] = {{1, 2}, {-1, 0}, {3, 1}};
    double B[6];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 2; ++c)
            B[r * 2 + c] = A[r * 3] * X[0][c] + A[r * 3 + 1] * X[1][c] + A[r * 3 + 2] * X[2][c];
    ASSERT_EQ(AdBoost(A, B, 3, 2), 0);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 2; ++c)
            EXPECT_NEAR(B[r * 2 + c], X[r][c], 1e-9) << r << "," << c;

    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* what;
        double A[4];
    } singular[] = {{"rank one", {1, 2, 2, 4}}, {"zero", {0, 0, 0, 0}}, {"NaN", {nan, 1, 1, 1}}};
    for (const Case& c : singular) {
        double a[4], b[2] = {1, 1};
        std::memcpy(a, c.A, sizeof a);
        EXPECT_EQ(AdBoost(a, b, 2, 1), -1) << c.what;
    }

    // The normal matrix and the right-hand side of a tiny set: m = 3 samples of d = 1.
    const float x[3] = {1, 2, 4};
    double N[4], T[6] = {1, 0, 0, 1, 1, 0}; // targets: classes 0, 1, 0
    NeuralCell(x, N, 3, 1);
    EXPECT_EQ(std::vector<double>(N, N + 4), (std::vector<double>{3, 7, 7, 21}));
    Bilatery(x, T, 3, 1, 2);
    EXPECT_EQ(std::vector<double>(T, T + 4), (std::vector<double>{2, 1, 5, 2}));
}

// Features of rendered fibres, class by class (multimode alternating its two cores).
sim::FibreType kind(int cls, int i)
{
    static constexpr sim::FibreType k[] = {sim::FibreType::MM50, sim::FibreType::SM, sim::FibreType::NZDS,
                                           sim::FibreType::G657};
    return cls == 0 && i % 2 ? sim::FibreType::MM62 : k[cls];
}

bool features(int cls, int i, int view, uint64_t& seed, float* out)
{
    for (int tries = 0; tries < 20; ++tries) {
        uint8_t p[480];
        sim::shot_profile(sim::random_shot(kind(cls, i), view, seed++), p);
        if (FiberModeFeatures(p, FiberModeShadowBright(p), out) == 0) return true;
    }
    return false;
}

TEST(FiberTypeTest, TrainingSolvesFromRenderedFibresAndASingularOneChangesNothing)
{
    FIBER_TRAINING t{};
    uint64_t seed = 0x7E570001;
    for (int c = 0; c < K; ++c)
        for (int i = 0; i < FIBER_MODE_SAMPLES; ++i) {
            ASSERT_TRUE(features(c, i, 1, seed, t.fFeatureX[c][i]));
            ASSERT_TRUE(features(c, i, 2, seed, t.fFeatureY[c][i]));
        }
    FIBER_TRAINING solved = t;
    ASSERT_EQ(CalFiberTrain(&solved), 0);
    // Every training sample's own class scores near 1 on average; the means are the class means.
    for (int c = 0; c < K; ++c) {
        double own = 0;
        for (int i = 0; i < FIBER_MODE_SAMPLES; ++i) {
            double s = solved.dWeightX[c][0];
            for (int j = 0; j < D; ++j)
                s += solved.dWeightX[c][j + 1] * t.fFeatureX[c][i][j];
            own += s / FIBER_MODE_SAMPLES;
        }
        EXPECT_GT(own, 0.6) << c;
        EXPECT_NEAR(
            solved.dMeanY[c][4],
            [&] {
                double s = 0;
                for (int i = 0; i < FIBER_MODE_SAMPLES; ++i)
                    s += t.fFeatureY[c][i][4];
                return s / FIBER_MODE_SAMPLES;
            }(),
            1e-9);
    }

    // Duplicate samples (one fibre recorded 80 times), a feature that is always 0, or a NaN:
    // no solution; the table keeps what it had.
    auto duplicate = t, constant = t, nan = t;
    for (int c = 0; c < K; ++c)
        for (int i = 0; i < FIBER_MODE_SAMPLES; ++i) {
            std::memcpy(duplicate.fFeatureY[c][i], t.fFeatureY[0][0], sizeof t.fFeatureY[0][0]);
            constant.fFeatureX[c][i][7] = 0.0f;
        }
    nan.fFeatureY[2][5][3] = std::numeric_limits<float>::quiet_NaN();
    for (FIBER_TRAINING* bad : {&duplicate, &constant, &nan}) {
        bad->dWeightX[1][1] = 42.0;
        const FIBER_TRAINING before = *bad;
        EXPECT_EQ(CalFiberTrain(bad), -1);
        EXPECT_EQ(std::memcmp(bad, &before, sizeof before), 0);
    }
}

// The table the data root ships.
FIBER_TRAINING shipped()
{
    const std::filesystem::path file = std::filesystem::path(SPLICER_ASSET_ROOT) / "mnt/usr/fiber.bin";
    std::ifstream in(file, std::ios::binary);
    FIBER_TRAINING t{};
    EXPECT_TRUE(in.read(reinterpret_cast<char*>(&t), sizeof t)) << file;
    return t;
}

class FiberTypeBed : public FiberTest
{
  protected:
    // Backlight on, the cameras' exposure set, the fibres on the axis and the focus stages at
    // their home (the object planes on the fibres' axes).
    void light()
    {
        for (int stage : {1, 4})
            inst().motors().place(stage, 0, 0);
        for (int stage : {0, 3})
            inst().motors().place(stage, 0, -1500);
        simtest::Dev led(DEV_LED), cam(DEV_CAMERA);
        led.set(LED_SET, 0x807F7F);
        for (unsigned long req : {CAM_SENSOR_WRITE_X, CAM_SENSOR_WRITE_Y}) {
            uint8_t e3[3] = {'B', 3, 0x00}, e4[3] = {'B', 4, 0x1C};
            PointerRecord p3{e3, 3}, p4{e4, 3};
            plat_ioctl(cam.fd, req, &p3);
            plat_ioctl(cam.fd, req, &p4);
        }
    }
    void lay(sim::FibreType left, sim::FibreType right, double tips = 60)
    {
        sim::FibrePair pair;
        pair.left.type = left;
        pair.right.type = right;
        pair.tips_um = tips;
        inst().scene().set_fibres(pair);
    }
    // The FPGA's column profiles served by `wave` (asked for lines 0, X view, and 7, Y view;
    // the others are a plain background), instead of drawn from the scene.
    void serve(std::function<void(int line, uint8_t*)> wave)
    {
        wave_ = std::move(wave);
        inst().camera().set_fault_hook(
            [this](sim::DevCall call, unsigned long req, void* arg) -> std::optional<int> {
                if (call != sim::DevCall::Ioctl || req != CAM_BRIGHT_WAVE || !arg) return std::nullopt;
                auto* rec = static_cast<BrightWaveRecord*>(arg);
                if (!rec->pBuffer || rec->lLine > 9) return std::nullopt;
                if (rec->lLine == 0 || rec->lLine == 7)
                    wave_(int(rec->lLine), rec->pBuffer);
                else
                    std::memset(rec->pBuffer, 63, rec->lLine < 8 ? 480 : 640);
                return 0;
            });
    }
    std::function<void(int, uint8_t*)> wave_;
};

TEST_F(FiberTypeBed, ShippedTableIdentifiesEachKindOnTheInstrument)
{
    const FIBER_TRAINING t = shipped();
    ASSERT_EQ(t.dwTrained[0], FIBER_MODE_TRAINED) << "the data root holds no trained table";
    ASSERT_EQ(SetTable_Trainning(&t), 0);
    light();
    struct Case {
        sim::FibreType left, right;
        int typeLeft, typeRight;
    } cases[] = {{sim::FibreType::MM62, sim::FibreType::G657, 0, 4},
                 {sim::FibreType::SM, sim::FibreType::MM50, 1, 0}};
    for (const Case& c : cases) {
        lay(c.left, c.right);
        int l = -1, r = -1;
        CaptureStdout();
        EXPECT_EQ(AutoIdentifyFiberType(&l, &r), 0);
        const std::string out = GetCapturedStdout();
        EXPECT_EQ(l, c.typeLeft) << out;
        EXPECT_EQ(r, c.typeRight) << out;
        EXPECT_NE(out.find("=========iTypeLeft"), std::string::npos);
    }
    // A camera that delivers black profiles: nothing to normalise by, type 5.
    serve([](int, uint8_t* out) { std::memset(out, 0, 480); });
    int l = -1, r = -1;
    EXPECT_EQ(AutoIdentifyFiberType(&l, &r), 0);
    EXPECT_EQ(l, FIBER_TYPE_UNKNOWN);
    EXPECT_EQ(r, FIBER_TYPE_UNKNOWN);
}

TEST_F(FiberTypeBed, TrainingSessionTakesSamplesOfFibresInViewAndSavesOnlyASolvedTable)
{
    light();
    const std::string file = bed_->path("/mnt/usr/fiber.bin");
    auto bytes = [&] {
        std::ifstream in(file, std::ios::binary);
        return std::vector<char>(std::istreambuf_iterator<char>(in), {});
    };
    // Class k of the session: 20 confirmations with the pair in view.
    auto train = [&](int cls) {
        for (int i = 0; i < FIBER_MODE_SAMPLES; ++i) {
            EXPECT_EQ(FiberTrainSolve(), 1); // not every class marked yet
            ASSERT_EQ(GetFiberPara(cls), 0) << cls << " " << i;
        }
        EXPECT_TRUE(FiberTrainMarked(cls));
    };
    FIBER_TRAINING zero{};
    ASSERT_EQ(SetTable_Trainning(&zero), 0);
    ASSERT_EQ(FiberTrainBegin(), 0);
    EXPECT_EQ(GetFiberPara(0), FIBER_ERR_LEFT_MISSING); // nothing laid in
    lay(sim::FibreType::SM, sim::FibreType::SM, 400);   // tips out of the picture
    EXPECT_EQ(GetFiberPara(0), FIBER_ERR_LEFT_MISSING);
    EXPECT_EQ(FiberTrainCount(0), 0);
    EXPECT_EQ(GetFiberPara(4), -1);

    // The same profile every time: 80 identical samples, a singular system. The stored table and
    // file stay untrained, so identification keeps its untrained path.
    lay(sim::FibreType::SM, sim::FibreType::SM);
    const std::vector<uint8_t> still = fibertest::byte_profile(fibertest::Fibre{});
    serve([&](int, uint8_t* out) { std::memcpy(out, still.data(), 480); });
    const auto untrained = bytes();
    for (int c = 0; c < K; ++c)
        train(c);
    EXPECT_EQ(FiberTrainSolve(), -1);
    EXPECT_EQ(bytes(), untrained);
    EXPECT_EQ(stored().dwTrained[0], 0u);

    // Fibres of each kind laid in again and again: the classes taken again solve and are saved.
    ASSERT_EQ(FiberTrainBegin(), 0);
    uint64_t seed = 0x7E575000;
    int cls = 0;
    serve([&](int line, uint8_t* out) {
        sim::shot_profile(sim::random_shot(kind(cls, int(seed)), line == 0 ? 1 : 2, seed), out);
        ++seed;
    });
    for (cls = 0; cls < K; ++cls)
        train(cls);
    EXPECT_EQ(stored().dwTrained[0], 0u) << "a mark reached the stored table before the solve";
    EXPECT_EQ(FiberTrainSolve(), 0);
    EXPECT_NE(bytes(), untrained);
    EXPECT_EQ(stored().dwTrained[3], FIBER_MODE_TRAINED);
    inst().camera().set_fault_hook(nullptr);
    int l = -1, r = -1;
    lay(sim::FibreType::G657, sim::FibreType::MM62);
    ASSERT_EQ(AutoIdentifyFiberType(&l, &r), 0);
    EXPECT_EQ(l, 4);
    EXPECT_EQ(r, 0);
}

// The shipped table on fibres it was not trained on: the confusion table is printed.
TEST(FiberTypeTest, ShippedTableRecognisesHeldOutRenders)
{
    const FIBER_TRAINING t = shipped();
    constexpr int kPerClass = 40;
    uint64_t seed = 0x7E57F000;
    int total = 0, right = 0;
    for (int view = 1; view <= 2; ++view) {
        printf("view %d: rows true class, columns judged (MM, G652, NZ, G657)\n", view);
        for (int c = 0; c < K; ++c) {
            int row[K] = {};
            for (int i = 0; i < kPerClass; ++i) {
                float f[D];
                ASSERT_TRUE(features(c, i, view, seed, f));
                ++row[FiberClassify(t, view, f, 0)];
            }
            printf("  %d: %3d %3d %3d %3d\n", c, row[0], row[1], row[2], row[3]);
            total += kPerClass;
            right += row[c];
            EXPECT_GE(row[c], kPerClass * 7 / 10) << "view " << view << " class " << c;
            // Multimode and single-mode are never taken for each other.
            EXPECT_EQ(c == 0 ? kPerClass - row[0] : row[0], 0) << "view " << view << " class " << c;
        }
    }
    printf("recognised %d of %d\n", right, total);
    EXPECT_GE(right, total * 85 / 100);
}

// Eccentric cores of each kind, seen across either view up to 1 um off the cladding's centre on
// either side, in focus: the shipped table takes each for its kind.
TEST(FiberTypeTest, ShippedTableIdentifiesEccentricCoresOfEachKind)
{
    const FIBER_TRAINING t = shipped();
    const sim::FibreType kinds[K] = {sim::FibreType::MM50, sim::FibreType::SM, sim::FibreType::NZDS,
                                     sim::FibreType::G657};
    for (int c = 0; c < K; ++c)
        for (int view = 1; view <= 2; ++view)
            for (double ecc : {-1.0, -0.6, 0.0, 0.6, 1.0})
                for (double z : {0.0}) {
                    sim::ProfileShot shot;
                    shot.type = kinds[c];
                    shot.view = view;
                    shot.centre_row = 236.3;
                    shot.core_um = ecc;
                    shot.z_um = z;
                    shot.frame = uint64_t(100 * c + 10 * view) + uint64_t(z + 10);
                    uint8_t p[480];
                    sim::shot_profile(shot, p);
                    float f[D];
                    ASSERT_EQ(FiberModeFeatures(p, FiberModeShadowBright(p), f), 0);
                    EXPECT_EQ(FiberClassify(t, view, f, 0), c)
                        << "kind " << c << " view " << view << " eccentricity " << ecc << " z " << z;
                }
}

} // namespace
