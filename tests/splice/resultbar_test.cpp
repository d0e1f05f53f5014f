// The status line and the result bar as the operator sees them on the workbench.
#include <cstring>

#include "fiber/graphics.h"
#include "splice/buildrecord.h"
#include "splice/resultbar.h"
#include "tests/forms/formtest.h"
#include "tests/support/screens.h"

namespace
{

struct ResultBar : ::testing::Test {
    formtest::Unit u;
    SPLICE_INFORMATION* info = GetCurrentInformation();
    GUIWINDOW* w = frmWorkbench;

    void SetUp() override
    {
        ASSERT_EQ(InitializeRecord(), 0);
        WND_ACTIVE = w;
        w->fnInitialize();
        w->fnPaint();
        ASSERT_EQ(InitializeSpliceInformation(), 0);
    }
    void TearDown() override
    {
        w->fnRelease();
        ReleaseRecord();
    }

    // Palette index of the foreground at (x, y); 255 lets the picture below show through.
    static int fore(GUIWINDOW* wnd, int x, int y)
    {
        const GUIFRAME* f = wnd->pFrmFore;
        return f->pBuffer[(y + f->wYOffset) * f->wBufWidth + x + f->wXOffset];
    }
    // Foreground pixels of a rectangle that are not see-through.
    static int drawn(GUIWINDOW* wnd, int x1, int y1, int x2, int y2)
    {
        int n = 0;
        for (int y = y1; y <= y2; ++y)
            for (int x = x1; x <= x2; ++x)
                n += fore(wnd, x, y) != 255;
        return n;
    }
    void splice_result()
    {
        info->iLeftFiberType = 1;
        info->iRightFiberType = 4;
        info->fLeftCleaveAngle = 0.4f;
        info->fRightCleaveAngle = 1.2f;
        info->fCoreAngleSum = 0.3f;
        info->fAxisCladOffset = 0.6f;
        info->fAxisCoreOffset = 0.2f;
        info->iCoreOffsetFlag = 1;
        info->fEstimateLossValue = 0.02f;
    }
};

// Screens renewed with the others (`make renew-references`).
using ResultBarScreens = ResultBar;

TEST_F(ResultBarScreens, SpliceResultOnTheWorkbench)
{
    splice_result();
    info->iCurrentSpliceStatus = SPLICE_ESTIMATE;
    DisplaySpliceStatus(info, w);
    DisplayFiberType(info, w);
    DisplayCleaveAngle(info, w);
    DisplayCoreAngle(info, w);
    DisplayAxisOffset(info, w);
    EXPECT_SCREEN("result_bar");
    DisplayEstimateLoss(info, w);
    EXPECT_SCREEN("result_bar_loss");
}

TEST_F(ResultBarScreens, StatusLine)
{
    const struct {
        SpliceStatus status;
        bool logger;
        const char* name;
    } cases[] = {{SPLICE_GAP, false, "status_gap"}, {SPLICE_PULL, true, "status_pull_logger"}};
    const APPRECORD stored{};
    for (int i = 0; i < 6; ++i) // the next record is number 7
        ASSERT_EQ(AppendRecord(&stored), 0);
    for (auto& c : cases) {
        APPTABLE_OPTION opt{};
        ASSERT_EQ(GetTable_SpliceOption(&opt), 0);
        opt.bSpliceLogger = c.logger;
        SetTable_SpliceOption(&opt);
        info->iCurrentSpliceStatus = c.status;
        DisplaySpliceStatus(info, w);
        EXPECT_SCREEN(c.name);
    }
}

TEST_F(ResultBar, StatusWithoutTextClearsTheBar)
{
    splice_result();
    DisplayFiberType(info, w);
    info->iCurrentSpliceStatus = SPLICE_ALIGN;
    DisplaySpliceStatus(info, w);
    ASSERT_GT(drawn(w, 90, 448, 709, 479), 0);
    ASSERT_GT(drawn(w, 180, 422, 619, 447), 0);
    // Ready clears both; a status out of range shows nothing rather than a stray text.
    for (int status : {int(SPLICE_READY), 9, -1}) {
        DisplayFiberType(info, w);
        info->iCurrentSpliceStatus = status;
        DisplaySpliceStatus(info, w);
        EXPECT_EQ(drawn(w, 180, 422, 619, 447), 0) << status;
        if (status == SPLICE_READY) {
            EXPECT_EQ(drawn(w, 90, 448, 709, 479), 0);
        }
    }
    DisplayFiberType(info, w);
    ClearDisplayInformation(w);
    EXPECT_EQ(drawn(w, 90, 422, 709, 479), 0);
}

TEST_F(ResultBar, AlternateBackgroundOutsideTheSpliceScreens)
{
    splice_result();
    DisplayCleaveAngle(info, w);
    EXPECT_EQ(fore(w, 196, 449), 255);
    EXPECT_EQ(fore(w, 603, 478), 255);
    GUIWINDOW* other = frmMaintArc;
    ASSERT_NE(other->pFrmFore, nullptr);
    DisplayCleaveAngle(info, other);
    EXPECT_EQ(fore(other, 196, 449), int(RESULT_ALT_BACKGROUND));
    EXPECT_EQ(fore(other, 603, 478), int(RESULT_ALT_BACKGROUND));
    DisplayStatus(1, other);
    EXPECT_EQ(fore(other, 90, 448), int(RESULT_ALT_BACKGROUND));
    EXPECT_EQ(fore(other, 709, 479), int(RESULT_ALT_BACKGROUND));
    DisplayStatus(0, other);
    EXPECT_EQ(drawn(other, 90, 448, 709, 479), 0);
}

TEST_F(ResultBar, SavingNoteLeavesNothingBehind)
{
    ASSERT_EQ(InitializeGraphics(), 0); // the camera frames the images are taken from
    ASSERT_EQ(BuildSpliceRecord(info), 0);
    const int before = drawn(w, 500, 40, 700, 75);
    EXPECT_EQ(BuildSpliceImage(), 1);
    EXPECT_EQ(drawn(w, 500, 40, 700, 75), before);
}

} // namespace
