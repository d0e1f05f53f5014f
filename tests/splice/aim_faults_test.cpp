// Scripted faults of the alignment and focus: each gives its code with every motor standing and
// the align motors' travel limits back at the factory values.
#include <cerrno>
#include <cmath>
#include <cstring>

#include "devices/motor_pair.h"
#include "fiber/profile.h"
#include "tests/splice/aimtest.h"

namespace
{
using aimtest::AimBed;

class AimFaults : public AimBed
{
  protected:
    // Every request `req` of the motor device fails from now on.
    void fail_motor_request(unsigned long req)
    {
        motors().set_fault_hook([req](sim::DevCall call, unsigned long r, void*) -> std::optional<int> {
            if ((call == sim::DevCall::Ioctl || call == sim::DevCall::IoctlValue) && r == req) {
                errno = EIO;
                return -1;
            }
            return std::nullopt;
        });
    }
    void TearDown() override
    {
        motors().set_fault_hook(nullptr);
        AimBed::TearDown();
    }
    void expect_clean_exit()
    {
        EXPECT_FALSE(any_running());
        for (int id : {aimtest::kXAlign, aimtest::kYAlign}) {
            EXPECT_EQ(motors().upper(id), devtest::kAlignLimit) << id;
            EXPECT_EQ(motors().lower(id), -devtest::kAlignLimit) << id;
        }
    }
};

TEST_F(AimFaults, FailedMoveRequestsGiveTheirCodes)
{
    for (bool rear : {false, true}) {
        SCOPED_TRACE(rear ? "rear" : "front");
        light(rear, 150, -200, 300, -300); // off the axis and out of focus: every loop must move
        lay(sim::FibrePair{});
        fail_motor_request(MOT_MOVE_TWO);
        EXPECT_EQ(AutoAim(fibre(), 0, 0, 0), AIM_ERR_ALIGN_MOVE);
        expect_clean_exit();
        EXPECT_EQ(SpliceFocusAdjust(20, 30, fibre()), AIM_ERR_FOCUS_MOVE);
        expect_clean_exit();
        EXPECT_EQ(SpliceAimAdjust(50, 0, 0, fibre()), AIM_ERR_ALIGN_MOVE);
        expect_clean_exit();
        // The seating correction widens the limits before it moves; a failed move narrows them.
        fail_motor_request(MOT_MOVE_ONE);
        fibre()->graX.infL.iCladDown = 300;
        fibre()->graX.infR.iCladDown = 400;
        int moved = 0;
        EXPECT_EQ(AllignErrCorrect(2, fibre(), &moved), AIM_ERR_ALIGN_MOVE);
        EXPECT_EQ(moved, 1);
        expect_clean_exit();
        EXPECT_EQ(ReAllignErrCorrect(4, fibre()), AIM_ERR_ALIGN_MOVE);
        expect_clean_exit();
        motors().set_fault_hook(nullptr);
    }
}

TEST_F(AimFaults, FibreThatCannotBeBroughtIntoViewIsNotSeated)
{
    // The left fibre lies far above the Y picture and its align stage does not move.
    light(false);
    sim::FibrePair p;
    p.left.seat_um = {0, -200};
    lay(p);
    motors().set_stall(aimtest::kYAlign, true);
    int corrected = 0;
    EXPECT_EQ(SpliceSeatingCheck(fibre(), &corrected), AIM_ERR_SEATING);
    EXPECT_EQ(corrected, 1);
    motors().set_stall(aimtest::kYAlign, false);
    expect_clean_exit();
}

TEST_F(AimFaults, SeatingFaultOutOfViewIsFoundAgainOnTheOtherSide)
{
    // Above the Y picture: the blind move goes the wrong way twice, the re-correction brings the
    // fibre back into view and the check passes.
    light(false);
    sim::FibrePair p;
    p.left.seat_um = {0, -200};
    lay(p);
    int corrected = 0;
    EXPECT_EQ(SpliceSeatingCheck(fibre(), &corrected), 0);
    EXPECT_EQ(corrected, 1);
    EXPECT_EQ(CheckPhotoCoupleState(fibre(), 1), 0);
    EXPECT_FALSE(any_running());
}

TEST_F(AimFaults, FibreCutByThePictureTopIsBroughtDownByItsLowerEdge)
{
    // Seating code 2 (not an abort): the right fibre lies 100 um up in the X picture.
    for (bool rear : {false, true}) {
        SCOPED_TRACE(rear ? "rear" : "front");
        light(rear);
        sim::FibrePair p;
        p.right.seat_um = {-100, 0}; // the fibre the X align stage carries
        lay(p);
        EXPECT_EQ(CheckPhotoCoupleState(fibre(), 0), 2);
        int corrected = 0;
        EXPECT_EQ(SpliceSeatingCheck(fibre(), &corrected), 0);
        EXPECT_EQ(corrected, 1);
        EXPECT_EQ(CheckPhotoCoupleState(fibre(), 1), 0);
        EXPECT_LT(std::fabs(clad_offset(1)), 30.0); // within the coarse alignment's reach
        EXPECT_FALSE(any_running());
        SetMotorOrientation(0);
    }
}

TEST_F(AimFaults, OpenCoverAbortsEveryLoopWithTheMotorsStopped)
{
    light(false, 150, -200, 300, -300);
    lay(sim::FibrePair{});
    inst().misc().set_cover_open(true);
    int corrected = 0;
    EXPECT_EQ(CheckPhotoCoupleState(fibre(), 0), 2);
    EXPECT_EQ(SpliceSeatingCheck(fibre(), &corrected), 2);
    EXPECT_EQ(AutoAim(fibre(), 0, 0, 0), 2);
    EXPECT_EQ(SpliceFocusAdjust(20, 30, fibre()), 2);
    EXPECT_EQ(SpliceAimAdjust(50, 0, 0, fibre()), 2);
    expect_clean_exit();
}
} // namespace
