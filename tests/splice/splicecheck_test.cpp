// Judging a splice: the angle checks, the stages of the loss estimate, the estimate as the
// sequence asks for it, and the joint tests on small painted pictures of a neck, a bulge, a dark
// spot and a seam.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <limits>

#include "formmodel/forms.h"
#include "splice/loss.h"
#include "splice/splicecheck.h"
#include "tests/fiber/fibertest.h"

namespace
{
using fibertest::Fibre;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr int kElec = 320, kRow = 240;

class SpliceCheck : public fibertest::FiberTest
{
  protected:
    void SetUp() override
    {
        FiberTest::SetUp();
        WND_ACTIVE = nullptr; // no form: the estimate is shown nowhere
        devtest::factsys([](TABLEFACTORYSYS& f) {
            f.lElecPosX = kElec;
            f.lElecPosY = kElec;
        });
        InitializeSpliceInformation();
        info()->CurrentSplice = APPSPLICE{};
        mode().bLossLimit = 30;
        mode().bLossMin = 2;
        mode().bLossEstimate = 1;
        mode().bCleaveLimit = 30;
        mode().bCoreLimit = 10;
        mode().bTemplateIndex = 3;
        iMultiFlag = sm_mm_flag = 0;
        devtest::option([](APPTABLE_OPTION& o) {
            o = APPTABLE_OPTION{};
            o.bCheckDegree = 5;
        });
    }
    void TearDown() override
    {
        iMultiFlag = sm_mm_flag = 0;
        FiberTest::TearDown();
    }
    SPLICE_INFORMATION* info() { return GetCurrentInformation(); }
    APPSPLICE& mode() { return info()->CurrentSplice; }

    // Both views show `f` over the whole frame; the fibres' records know its shadow threshold
    // and centre.
    void picture(const Fibre& f)
    {
        for (int view : {1, 2})
            fibertest::paint(frame(view), f);
        picture_records(f);
    }
    void picture_records(const Fibre& f)
    {
        for (int view : {1, 2})
            for (int side : {0, 1}) {
                GetFiberInfo(view, side)->fShadowBright = float((f.background + f.shadow) / 2);
                GetFiberInfo(view, side)->fCladCenter = float(f.centre);
            }
    }
    // Columns [c0, c1) of both views show `f` instead.
    void joint(const Fibre& f, int c0, int c1)
    {
        for (int view : {1, 2})
            fibertest::paint(frame(view), f, c0, c1);
    }
    // A dark disc at (col, row) of radius r in view `view`.
    void spot(int view, int col, int row, double r, uint8_t level = 30)
    {
        for (int y = row - int(r) - 1; y <= row + int(r) + 1; ++y)
            for (int x = col - int(r) - 1; x <= col + int(r) + 1; ++x)
                if (std::hypot(x - col, y - row) <= r) frame(view)[y * CAMERA_WIDTH + x] = level;
    }
};

TEST_F(SpliceCheck, AnglesFailFromHalfATenthAboveTheLimit)
{
    struct Case {
        float left, right, core;
        int ignore; // 1 cleave, 2 core angle
        int cleave, coreResult;
    };
    const Case cases[] = {
        {3.04f, 0.0f, 1.04f, 0, 0, 0},   {3.05f, 0.0f, 1.05f, 0, 242, 241}, {0.0f, 3.05f, 0.0f, 0, 242, 0},
        {kNaN, 0.0f, kNaN, 0, 242, 241}, {9.0f, 9.0f, 9.0f, 1, 0, 241},     {9.0f, 9.0f, 9.0f, 2, 242, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.left << " " << c.right << " " << c.core << " " << c.ignore);
        devtest::option([&](APPTABLE_OPTION& o) {
            o.lIgnoreCleaveErr = c.ignore == 1;
            o.lIgnoreAngleErr = c.ignore == 2;
        });
        info()->fLeftCleaveAngle = c.left;
        info()->fRightCleaveAngle = c.right;
        info()->fCoreAngleSum = c.core;
        EXPECT_EQ(CheckCleaveAngle(info()), c.cleave);
        EXPECT_EQ(CheckCoreAngle(info()), c.coreResult);
    }
}

TEST_F(SpliceCheck, OverlapLossIsTheGaussianModeOverlap)
{
    // 4.343 (d / w)^2 dB for a lateral offset d between modes of radius w.
    for (double mfd : {8.1, 10.4})
        for (double d : {0.0, 0.3, 1.0, 2.5}) {
            const double w = mfd / 2;
            const double gaussian = 4.343 * (d / w) * (d / w);
            EXPECT_NEAR(OverlapLoss(d, 0.0, mfd), gaussian, 1e-3 * gaussian) << d << " um, " << mfd;
        }
    EXPECT_NEAR(OverlapLoss(0.0, 0.01, 10.4), 4.34 * 11.45 * 1e-4, 1e-9);
}

TEST_F(SpliceCheck, ShapingAtEveryBandEdge)
{
    const struct {
        double in, out;
    } cases[] = {
        {0.1, 0.05},      {0.04, 0.02},  {0.0399, 0.0399}, {0.02, 0.02},     {0.0199, 0.02985}, {0.01, 0.015},
        {0.0099, 0.0198}, {0.005, 0.01}, {0.0049, 0.0245}, {0.0025, 0.0125}, {0.0024, 0.024},   {0.0, 0.0},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(ShapeLoss(c.in), c.out, 1e-12) << c.in;
    const struct {
        double in, out;
    } mixed[] = {{0.01, 0.2}, {0.0199, 0.398}, {0.02, 0.1}, {0.0999, 0.4995}, {0.1, 0.5}, {0.15, 0.5}};
    for (const auto& c : mixed)
        EXPECT_NEAR(MixedPairLoss(c.in), c.out, 1e-12) << c.in;
}

TEST_F(SpliceCheck, EstimateAsTheSequenceAsksForIt)
{
    // The simulated cameras show an empty, even background: the joint tests find nothing.
    const double sm = 10.4, mixedOffset = 5.2 * std::sqrt(0.30 / 4.34); // shaped: exactly 0.15
    struct Case {
        const char* what;
        int success, spliceType, templateIndex, estimate, lossLimit, mixed, ignoreLoss;
        double offset, mfd;
        float loss;
        int result;
    };
    const Case cases[] = {
        {"no offset, no angle: the minimum", 1, 0, 3, 1, 30, 0, 0, 0.0, sm, 0.02f, 0},
        {"failed joint: the limit", 0, 0, 3, 1, 30, 0, 0, 0.0, sm, 0.30f, 240},
        {"failed joint, loss errors ignored", 0, 0, 3, 1, 30, 0, 1, 0.0, sm, 0.30f, 0},
        {"no estimate: the minimum whatever was seen", 1, 0, 3, 0, 30, 0, 0, 3.0, sm, 0.02f, 0},
        {"1 um: halved Gaussian", 1, 1, 3, 1, 30, 0, 0, 1.0, sm, float(4.34 / 27.04 / 2), 0},
        {"capped, then cut at the limit", 1, 1, 3, 1, 15, 0, 0, 4.0, sm, 0.15f, 240},
        {"diameter 0: the fibres' (standard)", 1, 1, 3, 1, 30, 0, 0, 1.0, 0.0, float(4.34 / 27.04 / 2), 0},
        {"multimode to single-mode 0.15: 0.5, capped", 1, 0, 3, 1, 30, 1, 0, mixedOffset, sm, 0.2f, 0},
        {"attenuation template 9", 1, 2, 9, 1, 30, 0, 0, 5.0, sm, float(0.0328 * std::pow(5.0, 2.2127)), 0},
        {"attenuation, other template: the limit", 1, 2, 24, 1, 30, 0, 0, 5.0, sm, 0.30f, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        info()->iSpliceSuccessFlag = c.success;
        info()->iEstimateLossFlag = 0;
        mode().bSpliceType = uint8_t(c.spliceType);
        mode().bTemplateIndex = uint8_t(c.templateIndex);
        mode().bLossEstimate = uint8_t(c.estimate);
        mode().bLossLimit = uint8_t(c.lossLimit);
        sm_mm_flag = c.mixed;
        devtest::option([&](APPTABLE_OPTION& o) { o.lIgnoreLossErr = c.ignoreLoss; });
        EXPECT_EQ(HandleLossValue(c.offset, 0.0, c.mfd), c.result);
        EXPECT_NEAR(info()->fEstimateLossValue, c.loss, 2e-6);
        EXPECT_EQ(info()->iEstimateLossFlag, 1);
    }
}

TEST_F(SpliceCheck, FatAndThinJointsAgainstTheReferenceWidth)
{
    struct Case {
        double radius; // of the joint, rows
        bool fat, thin;
        bool addsThin; // a neck below the threshold still leaves its sum
    };
    // The threshold at sensitivity 1.5 (stored 15) is 3 rows of width: 1.5 of radius.
    const Case cases[] = {
        {97.0, false, false, false}, {98.0, false, false, false}, {99.0, true, false, false},
        {96.0, false, false, true},  {95.0, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.radius);
        Fibre f;
        picture(f);
        ASSERT_EQ(SingleCladLocalEx(VIEW_X, 0, 100), 0);
        const float reference = GetFiberInfo(VIEW_X, 0)->fCladWidth;
        Fibre j = f;
        j.radius = c.radius;
        joint(j, kElec - 40, kElec + 40);
        JointDefects d;
        const APPFIBER_INFO before = *GetFiberInfo(VIEW_X, 0);
        MeasureFatThin(VIEW_X, kElec, reference, FatThinThreshold(15), &d);
        EXPECT_EQ(d.fat, c.fat);
        EXPECT_EQ(d.thin, c.thin);
        EXPECT_EQ(d.thinSum > 0.01, c.addsThin);
        EXPECT_EQ(std::memcmp(&before, GetFiberInfo(VIEW_X, 0), sizeof before), 0) << "record kept";
    }
}

TEST_F(SpliceCheck, DarkSpotInTheJointIsABubble)
{
    struct Case {
        double radius; // of the spot, pixels; 0 none
        int col;
        bool bubble;
    };
    const Case cases[] = {{0, kElec, false}, {8, kElec, true}, {2, kElec, false}, {8, kElec + 60, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.radius << " at " << c.col);
        picture(Fibre{});
        if (c.radius > 0) spot(VIEW_Y, c.col, kRow, c.radius);
        JointDefects d;
        MeasureBubble(VIEW_Y, kElec, BubbleThreshold(10), &d);
        EXPECT_EQ(d.bubble, c.bubble);
    }
}

TEST_F(SpliceCheck, CoreLineStepAcrossTheJointAddsLoss)
{
    for (double step : {0.0, 4.0}) {
        SCOPED_TRACE(step);
        Fibre left;
        picture(left);
        Fibre right = left;
        right.centre += step;
        joint(right, kElec, CAMERA_WIDTH);
        JointDefects d;
        MeasureCoreLine(VIEW_X, kElec, &d);
        if (step == 0)
            EXPECT_EQ(d.coreLine, 0.0);
        else
            EXPECT_GT(d.coreLine, 0.002 * 2);
    }
}

TEST_F(SpliceCheck, JointPictureJudgedRowByRow)
{
    struct Case {
        const char* what;
        int wedge; // a gap left between the ends, widening by 2 px a row
        int seam;  // half width of a dark line across every row
        int result;
    };
    const Case cases[] = {
        {"even joint: no edges, nothing to judge", 0, 0, 0},
        {"open wedge: widths change from row to row", 1, 0, -1},
        {"straight seam: the same width in every row", 0, 3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        picture(Fibre{});
        for (int r = kRow - 6; r <= kRow + 5 && c.wedge; ++r) {
            const int half = 2 + (r - kRow + 6);
            std::memset(frame(VIEW_X) + r * CAMERA_WIDTH + kElec - half, 30, size_t(2 * half + 1));
        }
        for (int r = 0; r < CAMERA_HEIGHT && c.seam; ++r)
            std::memset(frame(VIEW_X) + r * CAMERA_WIDTH + kElec - c.seam, 30, size_t(2 * c.seam + 1));
        EXPECT_EQ(AnalyzeJointData(VIEW_X, kRow, kElec - 100, frame(VIEW_X), 200), c.result);
    }
    const uint8_t* f = frame(VIEW_X);
    for (auto [view, row, start, length] :
         {std::array{0, kRow, 220, 200}, std::array{3, kRow, 220, 200}, std::array{1, kRow, 7, 200},
          std::array{1, kRow, 633, 5}, std::array{1, kRow, 500, 200}, std::array{1, 3, 220, 200},
          std::array{1, 476, 220, 200}})
        EXPECT_EQ(AnalyzeJointData(view, row, start, f, length), -1) << view << " " << row << " " << start;
}

TEST_F(SpliceCheck, JointCheckOfBothViews)
{
    struct Case {
        const char* what;
        int elec;     // electrode column of both views
        int flawView; // view with the flaw, 0 none
        bool wedge;   // an open wedge at the electrode, else bright specks in the cladding
        int result;
    };
    const Case cases[] = {
        {"even joint", kElec, 0, false, 0},
        {"open wedge in the X view", kElec, VIEW_X, true, 251},
        {"bright flaw in the Y view's cladding", kElec, VIEW_Y, false, 251},
        {"electrodes near the edge: the window stays in the frame", 20, 0, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        devtest::factsys([&](TABLEFACTORYSYS& f) { f.lElecPosX = f.lElecPosY = c.elec; });
        inst().camera().set_frame_source([&](int view, uint8_t* buf, int w, int h) {
            ASSERT_EQ(w * h, CAMERA_FRAME_SIZE);
            fibertest::paint(buf, Fibre{});
            if (view != c.flawView) return;
            for (int r = kRow - 6; r <= kRow + 5 && c.wedge; ++r) {
                const int half = 2 + (r - kRow + 6);
                std::memset(buf + r * CAMERA_WIDTH + c.elec - half, 30, size_t(2 * half + 1));
            }
            for (int k = 0; k < 8 && !c.wedge; ++k)
                buf[(kRow - 60) * CAMERA_WIDTH + c.elec - 20 + 5 * k] = 250;
        });
        for (int view : {1, 2})
            for (int side : {0, 1}) {
                APPFIBER_INFO* f = GetFiberInfo(view, side);
                f->fShadowBright = 115;
                f->iCladUp = kRow - 97;
                f->iCoreUp = kRow - 12;
                f->iCoreDown = kRow + 12;
                f->iCladDown = kRow + 97;
            }
        info()->iSpliceSuccessFlag = 1;
        EXPECT_EQ(CheckSplice(), c.result);
        EXPECT_EQ(info()->iSpliceSuccessFlag, c.result == 0 ? 1 : 0);
        EXPECT_NEAR(GetFiberInfo(VIEW_X, 0)->fCladCenter, kRow, 1.0);
    }
}

TEST_F(SpliceCheck, JointDefectsAddToTheLossAndRaiseTheFirstErrorThatApplies)
{
    // Both views: a bulge 6 rows wider than the fibre around the electrode, with a dark bubble.
    inst().camera().set_frame_source([](int, uint8_t* buf, int, int) {
        fibertest::paint(buf, Fibre{});
        Fibre bulge;
        bulge.radius = 103;
        fibertest::paint(buf, bulge, kElec - 40, kElec + 40);
        for (int y = kRow - 8; y <= kRow + 8; ++y)
            for (int x = kElec - 8; x <= kElec + 8; ++x)
                if (std::hypot(x - kElec, y - kRow) <= 8) buf[y * CAMERA_WIDTH + x] = 30;
    });
    ASSERT_EQ(GetGraphicsData(VIEWMASK_XY), 0);
    picture_records(Fibre{});
    ASSERT_EQ(SingleCladLocalEx(VIEW_X, 0, 100), 0);
    info()->fCladWidthX = info()->fCladWidthY = GetFiberInfo(VIEW_X, 0)->fCladWidth;
    info()->iCladWidthFlag = 1;
    struct Case {
        const char* what;
        int ignore; // bit 0 bubble, bit 1 fat
        int lossLimit, templ, multi;
        int result;
    };
    const Case cases[] = {
        {"bubble first", 0, 30, 3, 0, 230},
        {"then fat", 1, 30, 3, 0, 249},
        {"both ignored", 3, 30, 3, 0, 0},
        {"the loss limit before them", 0, 2, 3, 0, 240},
        {"no errors in special modes", 0, 30, 22, 0, 0},
        {"multimode templates skip the bubble test", 0, 30, 3, 1, 249},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        devtest::option([&](APPTABLE_OPTION& o) {
            o.lIgnoreBubbleErr = c.ignore & 1;
            o.lIgnoreFatErr = (c.ignore >> 1) & 1;
        });
        mode().bLossLimit = uint8_t(c.lossLimit);
        mode().bLossMin = 1;
        mode().bTemplateIndex = uint8_t(c.templ);
        iMultiFlag = c.multi;
        info()->iSpliceSuccessFlag = 1;
        EXPECT_EQ(HandleLossValue(0.0, 0.0, 10.4), c.result);
        // The bubble's 0.02 and the bulge's width sum come on top of a perfect joint.
        if (c.lossLimit == 30) {
            EXPECT_GT(info()->fEstimateLossValue, c.multi ? 0.01f : 0.03f);
        }
    }
}

} // namespace
