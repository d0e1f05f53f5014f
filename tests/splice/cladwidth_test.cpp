// The reference cladding widths behind the end faces.
#include "splice/spliceinfo.h"
#include "tests/fiber/fibertest.h"

namespace
{
using fibertest::Fibre;

struct CladWidth : fibertest::FiberTest {
    // Each view: the left fibre left of column 320, the right one right of it.
    void fibres(int view, double leftRadius, double rightRadius)
    {
        Fibre l, r;
        l.radius = leftRadius;
        r.radius = rightRadius;
        fibertest::paint(frame(view), l, 0, 320);
        fibertest::paint(frame(view), r, 320, CAMERA_WIDTH);
        for (int side = 0; side < 2; ++side) {
            GetFiberInfo(view, side)->fShadowBright = 115;
            GetFiberInfo(view, side)->fEndfacePos = 320;
        }
    }
};

TEST_F(CladWidth, MeanOfBothFibresPerView)
{
    fibres(1, 97, 95);
    fibres(2, 96, 88);
    SPLICE_INFORMATION* info = GetCurrentInformation();
    info->iCladWidthFlag = 0;
    ASSERT_EQ(StoreCladWidth(GetFiberStruct()), 0);
    // The edge finder reads the shadow a little inside the painted radius; the difference of the
    // views shows each is the mean of its two fibres.
    EXPECT_NEAR(info->fCladWidthX, 192.0, 2.5);
    EXPECT_NEAR(info->fCladWidthX - info->fCladWidthY, 8.0, 0.5);
    const float y = info->fCladWidthY;
    EXPECT_EQ(info->iCladWidthFlag, 1);

    // An end face that was never measured, or one outside the frame, measures nothing.
    for (float end : {std::nanf(""), 9000.0f, -5.0f}) {
        info->iCladWidthFlag = 0;
        GetFiberInfo(2, 1)->fEndfacePos = end;
        EXPECT_NE(StoreCladWidth(GetFiberStruct()), 0) << end;
        EXPECT_EQ(info->iCladWidthFlag, 0);
        EXPECT_EQ(info->fCladWidthY, y);
    }
}

} // namespace
