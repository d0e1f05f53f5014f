// Platform devices: open and release orders, closed devices, sounds, key-driver flags, the
// camera sensor check, orientation, cover, environment thread, key-code queue and time helpers.
#include "devtest.h"

namespace
{

using namespace devtest;

class PlatformTest : public DevicesTest
{
};

std::vector<std::string> calls_of(const char* what)
{
    std::vector<std::string> out;
    for (const auto& c : sim::call_log())
        if (c.call == what && (c.device.rfind("/dev/plat", 0) == 0 || c.device == DEV_I2C_RTC))
            out.push_back(c.device);
    return out;
}

TEST_F(PlatformTest, OpensAndReleasesInOrder)
{
    ReleasePlatform();
    EXPECT_EQ(bed_->power_off_count(), 0) << "releasing the devices leaves the unit on";
    sim::clear_call_log();
    InitializePlatform();
    EXPECT_EQ(calls_of("open"), (std::vector<std::string>{DEV_BEEP, DEV_FPGA, DEV_CAMERA, DEV_FRAME, DEV_ENV,
                                                          DEV_HEATER, DEV_HIGHVOLT, DEV_LCD, DEV_LED,
                                                          DEV_MOTOR, DEV_I2C_RTC, DEV_MISC, DEV_POWER}));
    for (int i : {0, 1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 13})
        EXPECT_GE(GetDeviceFd(i), 0) << i;
    for (int i : {-1, 2, 12, 14, 15})
        EXPECT_EQ(GetDeviceFd(i), -1) << i;
    EXPECT_EQ(InitializeDevMotor(), -1); // already open

    sim::clear_call_log();
    ReleasePlatform();
    std::vector<std::string> closes = calls_of("close");
    std::vector<std::string> want = {DEV_POWER,  DEV_MISC,     DEV_I2C_RTC, DEV_MOTOR, DEV_LED,
                                     DEV_LCD,    DEV_HIGHVOLT, DEV_HEATER,  DEV_ENV,   DEV_FRAME,
                                     DEV_CAMERA, DEV_FPGA,     DEV_BEEP};
    EXPECT_EQ(closes, want);
    EXPECT_EQ(bed_->power_off_count(), 0);
    // Switching off afterwards reaches the power device through a descriptor of its own.
    EXPECT_EQ(ShutdownSplicer(), 0);
    EXPECT_EQ(bed_->power_off_count(), 1);
    EXPECT_FALSE(inst().lcd().power_on());
    for (int i = 0; i < PLATDEV_COUNT; ++i)
        EXPECT_EQ(GetDeviceFd(i), -1);
}

TEST_F(PlatformTest, ClosedDevicesRefuseWithoutCrashing)
{
    ReleasePlatform();
    testing::internal::CaptureStdout();
    EXPECT_EQ(SpeakerPutSound(3), -1);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Beep isn't open"), std::string::npos);
    uint32_t v = 0;
    EXPECT_EQ(ReadFpgaRegister(FPGA_REG_BRIGHT_SUM_X, &v), -1);
    EXPECT_EQ(GetCoverStatus(), -1);
    EXPECT_EQ(CheckCoverStatus(nullptr), -1);
    EXPECT_EQ(CameraStatusMonitor(), -1);
    EXPECT_EQ(LedOn(), -1);
    EXPECT_EQ(LcdBrightAdd(), -1);
    EXPECT_EQ(GetPowerType(&v), -1);
    EXPECT_EQ(ReadEnvironmentRecord(), -1);
    EXPECT_EQ(HeaterPause(1), -1);
    EXPECT_EQ(ReleaseDevMotor(), -1);
}

TEST_F(PlatformTest, MissingPaletteClosesTheFrameDevice)
{
    ReleaseDevFrame();
    std::remove(bed_->path("/mnt/font/Fore.pal").c_str());
    EXPECT_EQ(InitializeDevFrame(), -1);
    EXPECT_EQ(GetDeviceFd(PLATDEV_FRAME), -1);
}

TEST_F(PlatformTest, FrameStartSendsLayoutAndPalette)
{
    ReleaseDevFrame();
    sim::clear_call_log();
    ASSERT_EQ(InitializeDevFrame(), 0);
    EXPECT_EQ(words(DEV_FRAME, FRM_LAYOUT), std::vector<uint32_t>{8});
    std::vector<uint32_t> pal = words(DEV_FRAME, FRM_PALETTE_ENTRY);
    ASSERT_EQ(pal.size(), 256u);
    for (uint32_t i = 0; i < 256; ++i)
        EXPECT_EQ(pal[i] >> 24, i);
}

TEST_F(PlatformTest, SoundsPerEvent)
{
    struct Case {
        int event, sound;
    };
    const Case cases[] = {{1, 1},   {9, 1},    {10, 0},   {11, 1},   {20, 1},     {21, 3},     {0, 3},
                          {255, 3}, {4097, 2}, {4098, 2}, {4099, 3}, {0x7000, 1}, {0x8FFF, 1}, {0x9000, 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.event);
        inst().beep().clear_sounds();
        sim::clear_call_log();
        EXPECT_EQ(SpeakerPutSound(c.event), 0);
        std::vector<sim::BeepDevice::Sound> s = inst().beep().sounds();
        if (c.sound == 0) {
            EXPECT_TRUE(s.empty());
            EXPECT_TRUE(words(DEV_BEEP, BEEP_PREPARE).empty());
        } else {
            ASSERT_EQ(s.size(), 1u);
            EXPECT_EQ(s[0].number, uint32_t(c.sound));
            EXPECT_EQ(words(DEV_BEEP, BEEP_PREPARE), std::vector<uint32_t>{5});
        }
    }
    // A held key repeats silently; a heater or error sound right after it still plays.
    inst().beep().clear_sounds();
    SetRepeatEvent(1);
    EXPECT_EQ(SpeakerPutSound(5), 0);
    EXPECT_TRUE(inst().beep().sounds().empty());
    EXPECT_EQ(SpeakerPutSound(4098), 0);
    EXPECT_EQ(SpeakerPutSound(244), 0);
    EXPECT_EQ(inst().beep().sounds().size(), 2u);
    SetRepeatEvent(0);

    machine([](MachineParameter& m) { m.dwKeySound = 0; });
    inst().beep().clear_sounds();
    EXPECT_EQ(SpeakerPutSound(3), 0);
    EXPECT_TRUE(inst().beep().sounds().empty());
}

TEST_F(PlatformTest, SpeakerSettingsAreRepairedOnce)
{
    machine([](MachineParameter& m) { m.dwSpeakerMarker = 0; });
    ReleaseDevSpeaker();
    ASSERT_EQ(InitializeDevSpeaker(), 0);
    MachineParameter m{};
    ASSERT_EQ(GetTable_MachinePar(&m), 0);
    EXPECT_EQ(+m.dwSpeakerMarker, SPEAKER_MARKER);
    EXPECT_EQ(+m.bSpeakerSet1, 35);
    EXPECT_EQ(+m.wSpeakerSet2, 3000);
    SpeakerSetup setup{};
    ASSERT_TRUE(inst().beep().setup(setup));
    uint16_t w = setup.wValue;
    uint8_t b = setup.bValue;
    EXPECT_EQ(w, 3000);
    EXPECT_EQ(b, 35);
}

TEST_F(PlatformTest, KeyDriverFlags)
{
    EXPECT_EQ(KeypadLightDly(121), 1);
    EXPECT_TRUE(words(DEV_KEY, KEY_LIGHT_TIME).empty());
    EXPECT_EQ(KeypadLightDly(120), 0);
    EXPECT_EQ(inst().keys().light_time(), 120u);

    EXPECT_EQ(GetResetFlag(), 0);
    EXPECT_EQ(SetResetFlag(), 0);
    EXPECT_EQ(GetResetFlag(), 1);
    EXPECT_EQ(ClearResetFlag(), 0);
    EXPECT_EQ(GetResetFlag(), 0);
    EXPECT_EQ(DisableResetFunc(), 0);
    EXPECT_FALSE(inst().keys().reset_function());
    EXPECT_EQ(EnableResetFunc(), 0);
    EXPECT_EQ(KeyIgnoreOn(), 0);
    EXPECT_TRUE(inst().keys().ignoring());
    EXPECT_EQ(KeyIgnoreOff(), 0);
}

TEST_F(PlatformTest, SensorCheckResendsOnlyTheSensorThatDiffers)
{
    sim::CameraDevice& cam = inst().camera();
    EXPECT_EQ(CameraStatusMonitor(), 0);
    unsigned x0 = cam.images_received(1), y0 = cam.images_received(2);

    uint8_t good = cam.reg(2, 7);
    cam.set_reg(2, 7, uint8_t(good ^ 0x55));
    testing::internal::CaptureStdout();
    EXPECT_EQ(CameraStatusMonitor(), 2);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Y Reg0x7 Error!"), std::string::npos);
    EXPECT_EQ(out.find("X Reg"), std::string::npos);
    EXPECT_EQ(cam.images_received(1), x0);
    EXPECT_EQ(cam.images_received(2), y0 + 1);
    EXPECT_EQ(cam.reg(2, 7), good);

    // Registers the check leaves out are not compared.
    cam.set_reg(1, 91, uint8_t(cam.reg(1, 91) ^ 0xFF));
    EXPECT_EQ(CameraStatusMonitor(), 0);

    // The orientation register follows the screen, so the check does not turn the picture back.
    LcdTurnRear();
    EXPECT_EQ(CameraStatusMonitor(), 0);
    EXPECT_EQ(cam.reg(1, 15), 50);
    EXPECT_EQ(cam.reg(2, 15), 34);
}

TEST_F(PlatformTest, CameraRegistersOneAtATime)
{
    EXPECT_EQ(WriteCameraReg(3, 4, 0x21), 0);
    EXPECT_EQ(inst().camera().reg(1, 4), 0x21);
    EXPECT_EQ(inst().camera().reg(2, 4), 0x21);
    EXPECT_EQ(WriteCameraReg(1, 33, 1), -1);
    EXPECT_EQ(WriteCameraReg(4, 3, 1), -1);
    EXPECT_EQ(WriteCameraReg(1, 3, 256), -1);

    EXPECT_EQ(SetCameraPara(3, 4, 0x22), 0); // both pages keep the value
    uint8_t v = 0;
    EXPECT_EQ(GetCameraPara(1, 4, &v), 0);
    EXPECT_EQ(v, 0x22);
    EXPECT_EQ(GetCameraPara(2, 4, &v), 0);
    EXPECT_EQ(v, 0x22);
    uint32_t r = 0;
    EXPECT_EQ(ReadCameraReg(2, 4, &r), 0);
    EXPECT_EQ(r, 0x22u);
    EXPECT_EQ(ReadCameraReg(2, 144, &r), -1);
    EXPECT_EQ(GetCameraPara(3, 4, &v), -1);
}

TEST_F(PlatformTest, OrientationTurnsEverythingThatFollowsTheScreen)
{
    struct Case {
        bool rear;
        int type;
        uint32_t ox, oy;
        uint8_t up_key;
        uint8_t reg_x, reg_y;
        uint32_t lpress;
    };
    // Placement values 32 and 30 of the test image.
    const Case cases[] = {
        {true, 0, 32, 30, 1, 50, 34, 4},
        {false, 0, 64, 66, 10, 34, 50, 32},
        {true, 4, 144, 147, 1, 50, 34, 4},
        {false, 8, 176, 183, 10, 34, 50, 32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rear << " " << c.type);
        SetTypeInfo(c.type);
        sim::clear_call_log();
        EXPECT_EQ(c.rear ? LcdTurnRear() : LcdTurnFront(), 0);
        EXPECT_EQ(words(DEV_FRAME, FRM_OFFSET_X_X), std::vector<uint32_t>{c.ox});
        EXPECT_EQ(words(DEV_FRAME, FRM_OFFSET_X_Y), std::vector<uint32_t>{c.oy});
        EXPECT_EQ(GetKeypadMap(5, pad_)->bKey1, c.up_key);
        EXPECT_EQ(inst().camera().reg(1, 15), c.reg_x);
        EXPECT_EQ(inst().camera().reg(2, 15), c.reg_y);
        EXPECT_EQ(inst().lcd().orientation(), c.rear ? 1u : 0u);
        EXPECT_EQ(MOT_LPRESS.load(), c.lpress);
        EXPECT_EQ(MOT_ALIGN_FLG.load(), c.rear ? 0 : 1);
        MachineParameter m{};
        ASSERT_EQ(GetTable_MachinePar(&m), 0);
        EXPECT_EQ(+m.dwScreenTurn, c.rear ? 1u : 0u);
    }
    SetTypeInfo(0);

    // A placement beyond the window's origin puts the picture at 0, not at a wrapped offset.
    change<TABLEUSERINFO>(GetTable_UserInfo, SetTable_UserInfo,
                          [](TABLEUSERINFO& u) { u.dwXImagePlace = 200; });
    sim::clear_call_log();
    LcdTurnFront();
    EXPECT_EQ(words(DEV_FRAME, FRM_OFFSET_X_X), std::vector<uint32_t>{0});
}

TEST_F(PlatformTest, ElectrodeRegistersAndBrightnessLinesFollowTheScreen)
{
    EXPECT_EQ(inst().misc().reg(FPGA_REG_ELEC_POS_X), uint32_t(kElecPosX));
    EXPECT_EQ(inst().misc().reg(FPGA_REG_ELEC_POS_Y), uint32_t(kElecPosY));
    const uint32_t front[8] = {64, kElecPosX - 64, kElecPosX + 64, 576,
                               64, kElecPosY - 64, kElecPosY + 64, 576};
    for (unsigned l = 0; l < 8; ++l)
        EXPECT_EQ(inst().camera().bright_wave_position(l), front[l]) << l;
    LcdTurnRear();
    EXPECT_EQ(GetElectrodeLocationInLcdPosition(1), 640 - kElecPosX);
    EXPECT_EQ(GetElectrodeLocationInLcdPosition(2), 640 - kElecPosY);
    ASSERT_EQ(ResetBrightWavePos(), 0);
    EXPECT_EQ(inst().camera().bright_wave_position(1), uint32_t(640 - kElecPosX - 64));
    for (auto [line, pos] : {std::pair{1, 0}, {1, 640}, {1, -5}, {10, 100}, {-1, 100}}) {
        EXPECT_EQ(SetBrightWavePosition(line, pos), -1) << line << " " << pos;
    }
    uint8_t wave[640];
    EXPECT_EQ(GetBrightWave(10, wave), -1);
    EXPECT_EQ(GetBrightWave(8, nullptr), -1);
}

TEST_F(PlatformTest, OpeningCoverSendsMotorsHomeOnce)
{
    for (int id = 0; id < sim::MotorDevice::kMotors; ++id)
        inst().motors().place(id, 0, -100);
    int state = -1;
    EXPECT_EQ(CheckCoverStatus(&state), 0);
    EXPECT_EQ(state, 0);
    inst().misc().set_cover_open(true);
    EXPECT_EQ(CheckCoverStatus(&state), 0);
    EXPECT_EQ(state, 1);
    EXPECT_EQ(inst().motors().position(0), kFocusHome);
    size_t moves = words(DEV_MOTOR, MOT_MOVE_TWO).size();
    inst().motors().place(0, 0, -100);
    EXPECT_EQ(CheckCoverStatus(&state), 0); // still open: nothing more
    EXPECT_EQ(words(DEV_MOTOR, MOT_MOVE_TWO).size(), moves);
    inst().misc().set_cover_open(false);
    EXPECT_EQ(CheckCoverStatus(&state), 0);
    inst().misc().set_cover_open(true);
    EXPECT_EQ(CheckCoverStatus(&state), 0);
    EXPECT_EQ(inst().motors().position(0), kFocusHome);
}

TEST_F(PlatformTest, EnvironmentThreadReadsEveryTenSecondsAndStops)
{
    inst().env().set_environment(21.5, 99.8, 45.0);
    plat_thread_t th = 0;
    ASSERT_EQ(plat_thread_create(&th, thread_routine_environment, nullptr, "environment"), 0);
    plat_sleep_ms(25000);
    EXPECT_EQ(plat_thread_stop(th), 0);
    size_t reads = 0;
    for (const auto& c : sim::call_log(DEV_ENV))
        if (c.call == "read") ++reads;
    EXPECT_EQ(reads, 3u);
    EnvironmentRecord rec{};
    ASSERT_EQ(GetEnvironmentValue(&rec), 0);
    EXPECT_EQ(rec.lTemperature, 2150);
    EXPECT_EQ(rec.lPressure, 998);
}

TEST_F(PlatformTest, KeyCodesFromTheQueueMarkRepeats)
{
    mqd_t q = GetMessageQueue();
    ASSERT_NE(q, static_cast<mqd_t>(-1));
    EXPECT_EQ(GetComEvent(q), 0);
    for (uint32_t code : {0x0305u, 0x0105u}) {
        ASSERT_EQ(plat_mq_send(q, reinterpret_cast<const char*>(&code), sizeof code, 0), 0);
        EXPECT_EQ(GetComEvent(q), int(code));
        EXPECT_EQ(CheckRepeatEvent(), code == 0x0305u ? 1 : 0);
    }
    // A queue that never opened is polled on every form pass: quietly nothing.
    testing::internal::CaptureStderr();
    EXPECT_EQ(GetComEvent(static_cast<mqd_t>(-1)), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(PlatformTest, TimeHelpersRunOnTheMonotonicClock)
{
    struct timeval start {
    };
    GetUserTime(&start);
    time_t slot = time_t(plat_monotonic_ms() / 1000);
    struct timeval far {
    };
    far.tv_sec = 2000000000;
    plat_settimeofday(&far); // setting the date changes nothing below
    EXPECT_TRUE(UserMSleep(&start, 500));
    EXPECT_EQ(CheckTimeSlot(&slot, 5), 0);
    plat_sleep_ms(499);
    EXPECT_TRUE(UserMSleep(&start, 500));
    plat_sleep_ms(1);
    EXPECT_FALSE(UserMSleep(&start, 500));
    plat_sleep_ms(5000);
    time_t before = slot;
    EXPECT_EQ(CheckTimeSlot(&slot, 5), 1);
    EXPECT_GT(slot, before);
    time_t future = slot + 100;
    EXPECT_EQ(CheckTimeSlot(&future, 5), 1);
    EXPECT_EQ(future, slot + 100);
}

TEST_F(PlatformTest, LedWordKeepsEachVoltageInItsByte)
{
    EXPECT_TRUE(inst().led().on());
    EXPECT_EQ(inst().led().x_volt(), 60u);
    EXPECT_EQ(inst().led().y_volt(), 70u);
    factsys([](TABLEFACTORYSYS& t) { t.lXLedVolt = 300; });
    sim::clear_call_log();
    EXPECT_EQ(LedOn(), 0);
    EXPECT_EQ(words(DEV_LED, LED_SET), std::vector<uint32_t>{0x800000u | 70u << 8 | 255u});
    EXPECT_EQ(LedOff(), 0);
    EXPECT_FALSE(inst().led().on());
}

} // namespace
