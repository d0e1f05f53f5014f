// Motor moves against the simulated motor driver: packed words, chunking, limits, the Reset
// flag, homing results and the Reset function, a stalled motor.
#include <optional>

#include "devtest.h"

namespace
{

using namespace devtest;
using sim::MotorDevice;

struct Chunk {
    int idA, stepsA, idB, stepsB;
    bool operator==(const Chunk&) const = default;
};

// Decodes a two-motor move word; `press` selects the feed motors' direction sense.
Chunk decode_pair(uint32_t w, bool press)
{
    auto sign = [press](uint32_t dir) { return (dir != 0) == press ? 1 : -1; };
    int sa = int(w & 0xFFF), sb = int((w >> 16) & 0xFFF);
    return {int((w >> 13) & 7), sa ? sign((w >> 12) & 1) * sa : 0, int(w >> 29),
            sb ? sign((w >> 28) & 1) * sb : 0};
}

std::vector<Chunk> pair_chunks(bool press)
{
    std::vector<Chunk> out;
    for (uint32_t w : words(DEV_MOTOR, MOT_MOVE_TWO))
        out.push_back(decode_pair(w, press));
    return out;
}

class MotorTest : public DevicesTest
{
  protected:
    MotorDevice& mot() { return inst().motors(); }
    void place_all(int pos)
    {
        for (int id = 0; id < MotorDevice::kMotors; ++id)
            mot().place(id, pos, -100);
    }
};

TEST_F(MotorTest, StartLoadsSetupValuesAndLimitsOfTheChosenFocusMotor)
{
    EXPECT_EQ(mot().setup(0), 0x11u);
    EXPECT_EQ(mot().setup(3), 0x12u);
    EXPECT_EQ(mot().setup(1), 0x13u);
    EXPECT_EQ(mot().setup(4), 0x14u);
    EXPECT_EQ(mot().setup(2), 0u);
    EXPECT_EQ(mot().upper(0), kFocusLimit);
    EXPECT_EQ(mot().lower(3), -kFocusLimit);
    EXPECT_EQ(mot().upper(5), kFeedLimit);
    EXPECT_EQ(mot().lower(1), -kAlignLimit);

    // The alternative focus motor takes the high halves of the focus limits.
    machine([](MachineParameter& m) { m.bFocMotAlterFlag = FOCUS_MOTOR_ALTER; });
    ReleaseDevMotor();
    ASSERT_EQ(InitializeDevMotor(), 0);
    EXPECT_EQ(mot().upper(0), kFocusAltLimit);
    EXPECT_EQ(mot().lower(3), -kFocusAltLimit);
    EXPECT_EQ(mot().upper(1), kAlignLimit);
}

TEST_F(MotorTest, PairMovesSendTheIntendedMotorsDirectionsAndChunks)
{
    struct Case {
        const char* name;
        bool rear;
        int (*move)(int, int);
        bool press;
        int a, b;
        int startA, startB;
        std::vector<Chunk> chunks;
    };
    const Case cases[] = {
        {"align", false, MoveAlignMotor, false, 7000, -100, -3500, 0, {{1, 3500, 4, -100}, {1, 3500, 4, 0}}},
        {"focus",
         false,
         MoveFocusMotor,
         false,
         -6600,
         5000,
         3000,
         -2000,
         {{0, -4000, 3, 4000}, {0, -2600, 3, 1000}}},
        {"press front", false, MovePressMotor, true, 5000, -300, 0, 0, {{5, 4095, 2, -300}, {5, 905, 2, 0}}},
        {"press rear", true, MovePressMotor, true, 5000, -300, 0, 0, {{2, 4095, 5, -300}, {2, 905, 5, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.rear)
            LcdTurnRear();
        else
            LcdTurnFront();
        place_all(0);
        const Chunk& first = c.chunks.front();
        mot().place(first.idA, c.startA, -100);
        mot().place(first.idB, c.startB, -100);
        sim::clear_call_log();
        ASSERT_EQ(c.move(c.a, c.b), 0);
        EXPECT_EQ(pair_chunks(c.press), c.chunks);
        EXPECT_EQ(mot().position(first.idA), c.startA + c.a);
        EXPECT_EQ(mot().position(first.idB), c.startB + c.b);
    }
}

TEST_F(MotorTest, SingleMoveWordCarriesMaskDirectionAndSteps)
{
    place_all(0);
    ASSERT_EQ(MoveAnyoneMotor(MOT_LPRESS, 250), 0);
    ASSERT_EQ(MoveAnyoneMotor(MOT_XFOCUS, -40), 0);
    ASSERT_EQ(MoveAnyoneMotor(MOT_YALIGN, 30), 0); // front: positive steps set the byte
    EXPECT_EQ(words(DEV_MOTOR, MOT_MOVE_ONE),
              (std::vector<uint32_t>{32u << 24 | 63u << 16 | 250, 1u << 24 | 63u << 16 | 40,
                                     16u << 24 | 63u << 16 | 30}));
    EXPECT_EQ(mot().position(5), 250);
    EXPECT_EQ(mot().position(0), -40);
}

TEST_F(MotorTest, OutOfRangeArgumentsAndClosedDeviceMoveNothing)
{
    place_all(0);
    EXPECT_EQ(MoveAnyoneMotor(3, 10), -1); // two motors
    EXPECT_EQ(MoveAnyoneMotor(0, 10), -1);
    EXPECT_EQ(MoveAnyoneMotor(64, 10), -1);
    EXPECT_EQ(MoveAnyoneMotor(MOT_XALIGN, 8001), -1);
    EXPECT_EQ(MoveAlignMotor(8001, 0), -1);
    EXPECT_EQ(MoveAlignMotor(0, -8001), -1);
    EXPECT_EQ(MoveFocusMotor(6601, 0), -1);
    EXPECT_EQ(MovePressMotor(0, 8001), -1);
    EXPECT_EQ(RelocateAlignMotor(kAlignLimit + 1, 0), -1);
    EXPECT_EQ(RelocateFocusMotor(0, -kFocusLimit - 1), -1);
    EXPECT_EQ(MoveAlignMotor(0, 0), 0);
    EXPECT_TRUE(words(DEV_MOTOR, MOT_MOVE_ONE).empty());
    EXPECT_TRUE(words(DEV_MOTOR, MOT_MOVE_TWO).empty());

    ReleaseDevMotor();
    EXPECT_EQ(MoveAnyoneMotor(MOT_XALIGN, 10), -1);
    EXPECT_EQ(MovePressMotor(10, 10), -1);
    EXPECT_EQ(RelocateAlignMotor(0, 0), -1);
    EXPECT_EQ(WaitMotorStop(MOT_ALL), -1);
    EXPECT_EQ(ResetAllMotor(), -1);
}

TEST_F(MotorTest, FailingRequestEndsTheMoveWithItsResult)
{
    place_all(0);
    sim::fault_request(DEV_MOTOR, MOT_MOVE_TWO, 1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(MovePressMotor(5000, 0), -1);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("ioctl MOTORRUN failed"), std::string::npos);
    EXPECT_EQ(sim::call_log(DEV_MOTOR, MOT_MOVE_TWO).size(), 1u); // no second chunk
    EXPECT_EQ(mot().position(5), 0);

    // An absolute move reports its move's failure too.
    sim::fault_request(DEV_MOTOR, MOT_MOVE_TWO, 1);
    EXPECT_EQ(RelocateAlignMotor(100, 100), -1);
}

TEST_F(MotorTest, AbsoluteMovesTakeLimitsInclusiveAndSplitLongDistances)
{
    place_all(0);
    EXPECT_EQ(RelocateAlignMotor(kAlignLimit, -kAlignLimit), 0);
    EXPECT_EQ(mot().position(1), kAlignLimit);
    EXPECT_EQ(mot().position(4), -kAlignLimit);

    // From one feed limit to the other is longer than one move allows.
    mot().place(5, -kFeedLimit, -100);
    mot().place(2, -kFeedLimit, -100);
    EXPECT_EQ(RelocatePressMotor(kFeedLimit, kFeedLimit), 0);
    EXPECT_EQ(mot().position(5), kFeedLimit);
    EXPECT_EQ(mot().position(2), kFeedLimit);

    // Already there: nothing is sent.
    sim::clear_call_log();
    EXPECT_EQ(RelocateFocusMotor(0, 0), 0);
    EXPECT_TRUE(words(DEV_MOTOR, MOT_MOVE_TWO).empty());

    // A focus motor standing outside its limits is not moved.
    mot().place(0, kFocusLimit + 500, -100);
    EXPECT_EQ(RelocateFocusMotor(0, 0), -1);
    EXPECT_EQ(mot().position(0), kFocusLimit + 500);
}

TEST_F(MotorTest, ResetFlagEndsMovesWithResultZero)
{
    place_all(0);
    inst().keys().press(sim::KeyDevice::kResetKey);
    ASSERT_TRUE(inst().keys().reset_flag());
    EXPECT_EQ(MoveAnyoneMotor(MOT_XALIGN, 100), 0);
    EXPECT_EQ(MoveAlignMotor(100, 100), 0);
    EXPECT_TRUE(words(DEV_MOTOR, MOT_MOVE_ONE).empty());
    EXPECT_TRUE(words(DEV_MOTOR, MOT_MOVE_TWO).empty());
    ClearResetFlag();

    // Pressed while the first chunk runs: the second chunk is not sent.
    int chunks = 0;
    mot().set_fault_hook([&](sim::DevCall call, unsigned long req, void*) -> std::optional<int> {
        if (call == sim::DevCall::Ioctl && req == MOT_MOVE_TWO && ++chunks == 1)
            inst().keys().press(sim::KeyDevice::kResetKey);
        return std::nullopt;
    });
    mot().place(1, -3500, -100);
    EXPECT_EQ(MoveAlignMotor(7000, 0), 0);
    EXPECT_EQ(chunks, 1);
    EXPECT_EQ(mot().position(1), 0);
    mot().set_fault_hook(nullptr);
}

TEST_F(MotorTest, HomingResultsAndTheResetFunctionOnEveryExit)
{
    struct Case {
        const char* name;
        int missing; // motor id whose switch is never found, -1 none
        int result;
    };
    const Case cases[] = {
        {"all found", -1, 0}, {"x focus", 0, 2}, {"y focus", 3, 8}, {"feed", 2, 1}, {"x align", 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int id = 0; id < MotorDevice::kMotors; ++id)
            mot().set_home_missing(id, id == c.missing);
        sim::clear_call_log();
        EXPECT_EQ(ResetAllMotor(), c.result);
        EXPECT_TRUE(inst().keys().reset_function());
        EXPECT_FALSE(sim::call_log(DEV_KEY, KEY_RESET_FUNC_OFF).empty());
        if (c.result == 0) {
            EXPECT_EQ(getMotorResetFlag(), 1);
        }
    }
    // The alignment motor without a switch was moved off its stop by 2000 steps.
    std::vector<uint32_t> escapes = words(DEV_MOTOR, MOT_MOVE_ONE);
    ASSERT_EQ(escapes.size(), 1u);
    EXPECT_EQ(escapes[0] >> 24, MOT_XALIGN);
    EXPECT_EQ(escapes[0] & 0xFFFF, 2000u);
    for (int id = 0; id < MotorDevice::kMotors; ++id)
        mot().set_home_missing(id, false);

    EXPECT_EQ(ResetFocusMotor(), 0);
    EXPECT_EQ(ResetAlignMotor(6000), 0);
    mot().set_home_missing(4, true);
    EXPECT_EQ(ResetAlignMotor(1500), 1);
    EXPECT_TRUE(inst().keys().reset_function());
}

TEST_F(MotorTest, FocusOverrunShortensTheHomingSearch)
{
    mot().set_overrun(0, true);
    ASSERT_EQ(ResetAllMotor(), 0);
    std::vector<uint32_t> homes = words(DEV_MOTOR, MOT_HOME);
    ASSERT_GE(homes.size(), 3u);
    EXPECT_EQ(homes[0], 1500u << 16 | MOT_XFOCUS);
    EXPECT_EQ(homes[1], 6000u << 16 | MOT_YFOCUS);
    EXPECT_EQ(homes[2], 8000u << 16 | MOT_PRESS);
}

TEST_F(MotorTest, StalledMotorMakesTheWaitTimeOut)
{
    place_all(0);
    mot().set_stall(1, true);
    MoveAnyoneMotor(MOT_XALIGN, 100);
    uint64_t t0 = plat_monotonic_ms();
    EXPECT_EQ(WaitMotorStop(MOT_XALIGN), 1);
    EXPECT_GE(plat_monotonic_ms() - t0, 5000u);
    EXPECT_EQ(WaitMotorStop(MOT_YALIGN), 0);
    mot().set_stall(1, false);
}

TEST_F(MotorTest, BacktrackMovesHomeAndCheckFocusReportsLimits)
{
    place_all(0);
    EXPECT_EQ(BacktrackAllMotor(), 0);
    EXPECT_EQ(mot().position(5), -200); // left feed at the front
    EXPECT_EQ(mot().position(2), -300);
    EXPECT_EQ(mot().position(0), kFocusHome);
    EXPECT_EQ(mot().position(3), kFocusHome);
    EXPECT_TRUE(inst().keys().reset_function());

    EXPECT_EQ(CheckFocusMotor(), 0);
    mot().place(3, -kFocusLimit - 1, -100);
    EXPECT_EQ(CheckFocusMotor(), -1);
    EXPECT_TRUE(inst().keys().reset_function());
}

TEST_F(MotorTest, LocateAlignMotorStoresZeroHomes)
{
    LocateAlignMotor(); // the save may fail when the program runs on the default image
    TABLEFACTMOTORDIS d{};
    ASSERT_EQ(GetTable_FactMotorDis(&d), 0);
    EXPECT_EQ(+d.lXAlignHome, PAR_OFFSET_CODE);
    EXPECT_EQ(+d.lYAlignHome, PAR_OFFSET_CODE);
}

} // namespace
