// The coarse alignment re-centres the shown camera pictures on the fibres: each window moves from
// its mode's place by the fibres' distance from the middle of the frame.
#include "fiber/endface.h"
#include "formmodel/appwindow.h"
#include "sim/display.h"
#include "tests/splice/aimtest.h"

namespace
{
class Recentre : public aimtest::AimBed
{
};

TEST_F(Recentre, PicturesFollowTheFibresAfterTheCoarseAlignment)
{
    const struct {
        bool rear;
        double seatUm; // both fibres, across both views
        bool endFaces; // end faces measured before the alignment
    } cases[] = {{false, 20.0, true}, {true, -15.0, true}, {false, 10.0, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rear << " " << c.seatUm << " " << c.endFaces);
        light(c.rear);
        sim::FibrePair pair;
        for (sim::FibreSetup* f : {&pair.left, &pair.right})
            f->seat_um = {c.seatUm, c.seatUm};
        lay(pair);
        ASSERT_EQ(SetGraphicsShow(3, nullptr), 0); // both pictures, one above the other
        const sim::DisplayState before = sim::display_state();
        *GetFiberStruct() = APPFIBER{};
        if (c.endFaces) {
            GetAllBrightWave();
            GetShadowBrightFPGA();
            GetCladFPGA();
            ASSERT_EQ(GetEndfacePosFpga(), 0);
        }
        ASSERT_EQ(AutoAim(fibre(), 0, 0, 1), 0);
        const sim::DisplayState after = sim::display_state();
        for (int view = 1; view <= 2; ++view) {
            const sim::ViewTruth t = inst().scene().truth(view);
            const double rows = (t.fibre[0].centre_row + t.fibre[1].centre_row) / 2 - 239.5;
            EXPECT_NEAR(double(after.offset_y[view - 1]) - double(before.offset_y[view - 1]), rows, 1.5);
            // The truth gives the front picture's columns; the rear one mirrors them.
            const double front = (t.fibre[0].tip_col + t.fibre[1].tip_col) / 2 - 319.5;
            const double cols = c.rear ? -front : front;
            const double moved = double(after.offset_x[view - 1]) - double(before.offset_x[view - 1]);
            EXPECT_NEAR(moved, c.endFaces ? cols : 0.0, 2.0);
        }
    }
}
} // namespace
