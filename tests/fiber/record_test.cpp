// The measurement record: fibre presence, motor snapshot, the FPGA exchange, frame grabs and the
// display type.
#include "tests/fiber/fibertest.h"

namespace
{
using fibertest::FiberTest;

TEST_F(FiberTest, PresenceReportsTheFirstMissingFibreXFirst)
{
    struct Case {
        bool xl, xr, yl, yr;
        int views, sides, code;
        uint32_t both;
    } cases[] = {
        {true, true, true, true, 3, 3, 0, 3},
        {true, false, false, true, 3, 3, 229, 0}, // Y left and X right missing: X is checked first
        {false, true, true, true, 3, 3, 228, 2},
        {true, true, false, true, 1, 3, 0, 2}, // Y not asked
        {true, true, false, true, 2, 2, 0, 2}, // left not asked
        {true, true, true, false, 2, 3, 229, 1},
    };
    for (const auto& c : cases) {
        presence(c.xl, c.xr, c.yl, c.yr);
        GetFiberStruct()->lFiberErrorFlag = 0;
        EXPECT_EQ(CheckFiberVisible(c.views, c.sides), c.code);
        EXPECT_EQ(GetFiberStruct()->lFiberErrorFlag, c.code);
        uint32_t mask = 99;
        EXPECT_EQ(GetFiberVisible(&mask), 0);
        EXPECT_EQ(mask, c.both);
    }
}

TEST_F(FiberTest, MotorSnapshotSeesMovesBeyondTheTolerance)
{
    ASSERT_EQ(InitializeFiberStruct(), 0);
    EXPECT_EQ(CheckMotorStatus(MOT_ALL, 1), 0);
    inst().motors().place(MOT_XALIGN_ID, 40, 500);
    inst().motors().place(MOT_YFOCUS_ID, -7, 500);
    ASSERT_EQ(GetMotorStatus(MOT_ALL), 0);
    APPFIBER* f = GetFiberStruct();
    EXPECT_EQ(f->iXAlignCurrDis, 40);
    EXPECT_EQ(f->iYFocusCurrDis, -7);
    EXPECT_EQ(f->iXAlignPrevDis, 0);
    const struct {
        uint32_t mask;
        int tolerance, moved;
    } cases[] = {
        {MOT_XALIGN, 40, 1}, {MOT_XALIGN, 41, 0}, {MOT_YFOCUS, 7, 1}, {MOT_XFOCUS, 0, 0}, {MOT_ALL, 8, 1}};
    for (const auto& c : cases)
        EXPECT_EQ(CheckMotorStatus(c.mask, c.tolerance), c.moved) << c.mask << " " << c.tolerance;
    ASSERT_EQ(SetMotorStatus(MOT_ALL), 0);
    EXPECT_EQ(CheckMotorStatus(MOT_ALL, 0), 0);
    ReleaseDevMotor();
    EXPECT_EQ(GetMotorStatus(MOT_ALL), -1);
    EXPECT_EQ(InitializeFiberStruct(), -1);
}

TEST_F(FiberTest, FpgaRegionCoreLinesAndTheirSavedCopy)
{
    APPFIBER* f = GetFiberStruct();
    f->graX.infL = {};
    f->graX.infL.fCladCenter = 241.0f;
    f->graX.infR.fCladCenter = 239.5f;
    f->graX.infR.fEndfacePos = 330.0f;
    f->graX.infL.fEndfacePos = 310.0f;
    f->graX.infL.fShadowBright = 300.0f; // above a byte: clamped, not wrapped
    f->graX.infL.fCladWidth = 194.0f;
    f->graY.infR.fCladWidth = 190.0f;
    f->graY.infL.fEndfacePos = 10.0f; // left of the region: 0, not a wrapped byte
    f->graY.infR.fEndfacePos = NAN;
    ASSERT_EQ(SetFpgaRect(), 0);
    EXPECT_EQ(inst().camera().fpga_rect(1), (std::array<uint8_t, 6>{119, 120, 145, 145, 255, 58}));
    EXPECT_EQ(inst().camera().fpga_rect(2), (std::array<uint8_t, 6>{0, 0, 0, 0, 0, 57}));

    core_lines(1, 241.5f, 0.01f, 238.25f, -0.02f);
    core_lines(2, 200.0f, 0.5f, 201.0f, 0.25f);
    ASSERT_EQ(GetFpgaKB(), 0);
    EXPECT_EQ(f->graX.infL.fCoreB, 241.5f);
    EXPECT_EQ(f->graX.infR.fCoreK, -0.02f);
    EXPECT_EQ(f->graY.infR.fCoreB, 201.0f);
    ASSERT_EQ(PushAndPopKB(1), 0);
    core_lines(1, 1.0f, 2.0f, 3.0f, 4.0f);
    ASSERT_EQ(GetFpgaB(), 0);
    EXPECT_EQ(f->graX.infL.fCoreB, 1.0f);
    EXPECT_EQ(f->graX.infL.fCoreK, 0.01f); // only B was read
    ASSERT_EQ(PushAndPopKB(0), 0);
    EXPECT_EQ(f->graX.infL.fCoreB, 241.5f);
    EXPECT_EQ(f->graX.infR.fCoreK, -0.02f);
}

TEST_F(FiberTest, GrabFillsTheFrameOrFailsWithoutTouchingIt)
{
    // A camera that never answers: reset once at the 100000th attempt, then the grab gives up
    // with -1 and the previous picture stays.
    std::memset(frame(1), 77, CAMERA_FRAME_SIZE);
    const unsigned images = inst().camera().images_received(1);
    sim::fault_request(DEV_CAMERA, CAM_READ_FRAME_X);
    EXPECT_EQ(GetGraphicsData(VIEWMASK_X), -1);
    EXPECT_EQ(frame(1)[1000], 77);
    EXPECT_EQ(inst().camera().images_received(1), images + 1);
    sim::clear_faults();

    const unsigned grabs = inst().led().grabs();
    ASSERT_EQ(GetGraphicsData(VIEWMASK_XY), 0);
    EXPECT_EQ(inst().led().grabs(), grabs + 1);
    EXPECT_NE(frame(1)[1000], 77);

    ReleaseDevCamera();
    EXPECT_EQ(GetGraphicsData(VIEWMASK_XY), -1);
    // Buffers are allocated once.
    EXPECT_EQ(InitializeGraphics(), -1);
    EXPECT_EQ(GetGraphicsEntry(0), nullptr);
    EXPECT_EQ(GetGraphicsEntry(3), nullptr);
}

TEST(TypeInfo, AcceptsTypesBelowThirteen)
{
    for (int t : {0, 5, 12}) {
        EXPECT_EQ(SetTypeInfo(t), 0);
        EXPECT_EQ(GetTypeInfo(), t);
    }
    for (int t : {13, -1, 200}) {
        EXPECT_EQ(SetTypeInfo(t), -1);
        EXPECT_EQ(GetTypeInfo(), 12);
    }
    SetTypeInfo(0);
}

} // namespace
