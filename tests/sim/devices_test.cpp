// Device contracts of the simulated instrument: requests and their answers, malformed arguments,
// and the fault faces (backend faults and each emulator's hook).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "sim/backend.h"
#include "sim/dev_camera.h"
#include "sim/dev_input.h"
#include "sim/dev_misc.h"
#include "sim/dev_motor.h"
#include "sim/dev_power.h"
#include "sim/dev_simple.h"
#include "sim/request_log.h"
#include "sim/scene.h"
#include "sim/testbed.h"
#include "sim_util.h"

using simtest::Dev;

namespace
{

// Each row: device, request, argument, expected result (the answer of a read, or 0), or the
// errno of a refused request.
struct Row {
    const char* dev;
    unsigned long req;
    uint32_t arg;
    int64_t want; // >= 0: answer / 0; < 0: -errno
};

TEST(DeviceContract, RequestTable)
{
    sim::Testbed tb;
    const Row rows[] = {
        // LCD: power 4/0, orientation 0/1, backlight 8..80 with steps of 2.
        {DEV_LCD, LCD_POWER, 4, 0},
        {DEV_LCD, LCD_POWER, 1, -EINVAL},
        {DEV_LCD, LCD_ORIENTATION, 2, -EINVAL},
        {DEV_LCD, LCD_BACKLIGHT, 7, -EINVAL},
        {DEV_LCD, LCD_BACKLIGHT, 81, -EINVAL},
        {DEV_LCD, LCD_BACKLIGHT, 79, 0},
        {DEV_LCD, LCD_STEP_UP, 0, 0},
        {DEV_LCD, LCD_BACKLIGHT_READ, 0, 80},
        {DEV_LCD, LCD_STEP_UP, 0, 0},
        {DEV_LCD, LCD_BACKLIGHT_READ, 0, 80}, // saturates
        {DEV_LCD, LCD_BACKLIGHT, 9, 0},
        {DEV_LCD, LCD_STEP_DOWN, 0, 0},
        {DEV_LCD, LCD_BACKLIGHT_READ, 0, 8},
        // LEDs: the enable bit with the two voltages, or 0.
        {DEV_LED, LED_SET, 0x807F60, 0},
        {DEV_LED, LED_SET, 0x007F60, -EINVAL},
        {DEV_LED, LED_SET, 0x1807F60, -EINVAL},
        {DEV_LED, LED_GRAB, 0, 0},
        // Speaker: sounds 1..3 only.
        {DEV_BEEP, BEEP_PREPARE, 5, 0},
        {DEV_BEEP, BEEP_SOUND, 2, 0},
        {DEV_BEEP, BEEP_SOUND, 0, -EINVAL},
        {DEV_BEEP, BEEP_SOUND, 4, -EINVAL},
        // Keys: flags, light time at most 120 s, power-off word clear until the power key.
        {DEV_KEY, KEY_RESET_FLAG, 0, 0},
        {DEV_KEY, KEY_RESET_SET, 0, 0},
        {DEV_KEY, KEY_RESET_FLAG, 0, 1},
        {DEV_KEY, KEY_RESET_CLEAR, 0, 0},
        {DEV_KEY, KEY_RESET_FLAG, 0, 0},
        {DEV_KEY, KEY_LIGHT_TIME, 120, 0},
        {DEV_KEY, KEY_LIGHT_TIME, 121, -EINVAL},
        {DEV_KEY, KEY_IGNORE, 2, -EINVAL},
        {DEV_KEY, KEY_POWER_OFF_REQUEST, 0, 0},
        // Power: adapter by default, awake word 0/1.
        {DEV_POWER, PWR_TYPE, 0, sim::PowerDevice::kTypeAdapter},
        {DEV_POWER, PWR_AWAKE, 1, 0},
        {DEV_POWER, PWR_AWAKE, 2, -EINVAL},
        {DEV_POWER, PWR_BUSY, 0, 0},
        {DEV_POWER, PWR_CHARGING, 0, 1},
        {DEV_ENV, ENV_BATTERY_FULL, 1, 0},
        {DEV_ENV, ENV_BATTERY_FULL, 2, -EINVAL},
        // FPGA version and cover.
        {DEV_FPGA, PGA_VERSION, 0, sim::FpgaDevice::kVersion},
        {DEV_MISC, MISC_COVER_STATE, 0, 0},
        {DEV_MISC, MISC_BUZZER_SWITCH, 1, 0},
        // Camera sensor registers exist up to 143.
        {DEV_CAMERA, CAM_SENSOR_READ_X, 143, -1}, // volatile: any answer, checked below
        {DEV_CAMERA, CAM_SENSOR_READ_Y, 144, -EINVAL},
        // Motors: single-motor requests refuse a mask of two.
        {DEV_MOTOR, MOT_STATUS, 3, -EINVAL},
        {DEV_MOTOR, MOT_SPEED, 16, -EINVAL},
        {DEV_MOTOR, MOT_MOVE_ONE, 3u << 24 | 10, -EINVAL},
        {DEV_MOTOR, MOT_MOVE_TWO, 6u << 29 | 1 | 1u << 13, -EINVAL}, // no motor 6
        {DEV_MOTOR, MOT_MOVE_TWO, 1u << 29 | 1 | 1u << 13, -EINVAL}, // the same motor twice
        // Unknown requests.
        {DEV_LCD, LED_SET, 0, -ENOTTY},
        {DEV_HIGHVOLT, HOT_COMMAND, 0, -ENOTTY},
    };
    for (auto& r : rows) {
        SCOPED_TRACE(testing::Message() << r.dev << " 0x" << std::hex << r.req << " arg 0x" << r.arg);
        Dev d(r.dev);
        ASSERT_GE(d.fd, 0);
        bool read = plat_ioc::dir(r.req) & plat_ioc::kRead;
        if (r.want == -1) {
            EXPECT_GE(d.get(r.req, r.arg), 0);
            continue;
        }
        int64_t got;
        if (read) {
            got = d.get(r.req, r.arg);
            if (got < 0) got = got + 1; // -1 - errno -> -errno
        } else if (plat_ioc::size(r.req) == 0) {
            got = d.cmd(r.req) == 0 ? 0 : -errno;
        } else {
            got = -d.err_set(r.req, r.arg);
        }
        EXPECT_EQ(got, r.want);
    }
    auto& inst = tb.instrument();
    EXPECT_EQ(inst.lcd().level(), 8u);
    EXPECT_TRUE(inst.lcd().power_on());
    EXPECT_TRUE(inst.led().on()); // refused words leave the last good one
    EXPECT_EQ(inst.led().x_volt(), 0x60u);
    EXPECT_EQ(inst.led().y_volt(), 0x7Fu);
    EXPECT_EQ(inst.led().grabs(), 1u);
    ASSERT_EQ(inst.beep().sounds().size(), 1u);
    EXPECT_EQ(inst.beep().sounds()[0].number, 2u);
    EXPECT_TRUE(inst.power().dozing());
    EXPECT_TRUE(inst.power().battery_full_flag());
    EXPECT_EQ(inst.misc().buzzer(), 1u);
}

TEST(DeviceContract, PointerRecordsAreChecked)
{
    sim::Testbed tb;
    Dev misc(DEV_MISC), beep(DEV_BEEP), cam(DEV_CAMERA);
    FpgaRegWrite w{FPGA_REG_ELEC_POS_X, 321};
    PointerRecord good{&w, sizeof w}, shortrec{&w, 4}, null{nullptr, 8};
    EXPECT_EQ(plat_ioctl(misc.fd, MISC_FPGA_REG_WRITE, &good), 0);
    EXPECT_EQ(plat_ioctl(misc.fd, MISC_FPGA_REG_WRITE, &shortrec), -1);
    EXPECT_EQ(plat_ioctl(misc.fd, MISC_FPGA_REG_WRITE, &null), -1);
    EXPECT_EQ(plat_ioctl(misc.fd, MISC_FPGA_REG_WRITE, nullptr), -1);
    // The register word carries the value shifted left by 8.
    EXPECT_EQ(misc.get(MISC_FPGA_REG_READ, FPGA_REG_ELEC_POS_X), 321 << 8);
    // The brightness registers belong to the FPGA.
    FpgaRegWrite sum{FPGA_REG_BRIGHT_SUM_X, 5};
    PointerRecord s{&sum, sizeof sum};
    EXPECT_EQ(plat_ioctl(misc.fd, MISC_FPGA_REG_WRITE, &s), -1);
    EXPECT_EQ(errno, EPERM);

    SpeakerSetup setup{3000, 35, {}};
    PointerRecord sp{&setup, sizeof setup}, sp_short{&setup, 11};
    EXPECT_EQ(plat_ioctl(beep.fd, BEEP_SETUP, &sp_short), -1);
    EXPECT_EQ(plat_ioctl(beep.fd, BEEP_SETUP, &sp), 0);
    SpeakerSetup got{};
    ASSERT_TRUE(tb.instrument().beep().setup(got));
    EXPECT_EQ(got.wValue, 3000);
    EXPECT_EQ(got.bValue, 35);

    std::vector<uint8_t> small(640 * 480 - 1);
    PointerRecord fr{small.data(), uint32_t(small.size())};
    EXPECT_EQ(plat_ioctl(cam.fd, CAM_READ_FRAME_X, &fr), -1);
    EXPECT_EQ(errno, EINVAL);
}

TEST(DeviceContract, CameraSensorsTakeImagesAndSingleRegisters)
{
    sim::Testbed tb;
    auto& cam = tb.instrument().camera();
    Dev d(DEV_CAMERA);
    std::vector<uint8_t> image(146);
    for (size_t i = 0; i < image.size(); ++i)
        image[i] = uint8_t(i * 7 + 1);
    PointerRecord rec{image.data(), 146};
    ASSERT_EQ(plat_ioctl(d.fd, CAM_SENSOR_WRITE_Y, &rec), 0);
    EXPECT_EQ(cam.images_received(2), 1u);
    EXPECT_EQ(cam.images_received(1), 0u);
    // Register r holds image byte r + 2, except the registers the sensor updates itself.
    int mismatches = 0;
    for (uint32_t r = 0; r < 144; ++r) {
        int64_t v = d.get(CAM_SENSOR_READ_Y, r);
        if (sim::CameraDevice::volatile_register(r)) continue;
        mismatches += v != image[r + 2];
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(d.get(CAM_SENSOR_READ_X, 5), 0); // the X sensor was not touched

    uint8_t one[3] = {'B', 15, 34};
    PointerRecord r1{one, 3};
    ASSERT_EQ(plat_ioctl(d.fd, CAM_SENSOR_WRITE_X, &r1), 0);
    EXPECT_EQ(d.get(CAM_SENSOR_READ_X, 15), 34);
    uint8_t bad_reg[3] = {'B', 144, 1}, bad_cmd[3] = {'A', 1, 1};
    PointerRecord r2{bad_reg, 3}, r3{bad_cmd, 3}, r4{image.data(), 145};
    EXPECT_EQ(plat_ioctl(d.fd, CAM_SENSOR_WRITE_X, &r2), -1);
    EXPECT_EQ(plat_ioctl(d.fd, CAM_SENSOR_WRITE_X, &r3), -1);
    EXPECT_EQ(plat_ioctl(d.fd, CAM_SENSOR_WRITE_X, &r4), -1);

    // A volatile register does not keep what was written: it counts on with the frames.
    uint8_t v39[3] = {'B', 39, 0xAA};
    PointerRecord r5{v39, 3};
    ASSERT_EQ(plat_ioctl(d.fd, CAM_SENSOR_WRITE_X, &r5), 0);
    int64_t a = d.get(CAM_SENSOR_READ_X, 39);
    plat_sleep_ms(100);
    EXPECT_NE(d.get(CAM_SENSOR_READ_X, 39), a);
}

TEST(DeviceContract, CameraFpgaWordsAndFrames)
{
    sim::Testbed tb;
    auto& cam = tb.instrument().camera();
    Dev d(DEV_CAMERA);
    EXPECT_EQ(d.get(CAM_FIBER_PRESENCE), 0); // nothing laid in

    uint8_t rect[6] = {1, 2, 3, 4, 5, 6};
    PointerRecord rr{rect, 6};
    ASSERT_EQ(plat_ioctl(d.fd, CAM_FPGA_RECT_Y, &rr), 0);
    EXPECT_EQ(cam.fpga_rect(2)[5], 6);

    // Bright wave: position set with no buffer, read with position 0, both set is refused.
    BrightWaveRecord set{5, 300, nullptr}, row{9, 200, nullptr};
    ASSERT_EQ(plat_ioctl(d.fd, CAM_BRIGHT_WAVE, &set), 0);
    ASSERT_EQ(plat_ioctl(d.fd, CAM_BRIGHT_WAVE, &row), 0);
    EXPECT_EQ(cam.bright_wave_position(5), 300u);
    BrightWaveRecord no_line{10, 10, nullptr}, past{0, 640, nullptr}, below{8, 480, nullptr};
    EXPECT_EQ(plat_ioctl(d.fd, CAM_BRIGHT_WAVE, &no_line), -1);
    EXPECT_EQ(plat_ioctl(d.fd, CAM_BRIGHT_WAVE, &past), -1);
    EXPECT_EQ(plat_ioctl(d.fd, CAM_BRIGHT_WAVE, &below), -1);
    std::vector<uint8_t> line(641, 0xEE);
    BrightWaveRecord both{1, 5, line.data()};
    EXPECT_EQ(plat_ioctl(d.fd, CAM_BRIGHT_WAVE, &both), -1);

    // Lines come from the frames: a column line is 480 rows of 32-column means, a row line 640
    // columns along the axis.
    cam.set_frame_source([](int view, uint8_t* buf, int w, int h) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                buf[y * w + x] = uint8_t(view == 1 ? y / 2 : x / 4);
    });
    BrightWaveRecord col{1, 0, line.data()};
    ASSERT_EQ(plat_ioctl(d.fd, CAM_BRIGHT_WAVE, &col), 0);
    EXPECT_EQ(line[0], 0);
    EXPECT_EQ(line[479], 239);
    EXPECT_EQ(line[480], 0xEE); // nothing past the 480 rows
    BrightWaveRecord axis{9, 0, line.data()};
    ASSERT_EQ(plat_ioctl(d.fd, CAM_BRIGHT_WAVE, &axis), 0);
    EXPECT_EQ(line[0], 0);
    EXPECT_EQ(line[639], 159);
    EXPECT_EQ(line[640], 0xEE);
    std::vector<uint8_t> frame(640 * 480);
    PointerRecord fr{frame.data(), uint32_t(frame.size())};
    ASSERT_EQ(plat_ioctl(d.fd, CAM_READ_FRAME_Y, &fr), 0);
    EXPECT_EQ(frame[12345], 12345 % 640 / 4);

    // A frame read fails like any request the fault injection names.
    sim::fault_request(DEV_CAMERA, CAM_READ_FRAME_X, 1);
    EXPECT_EQ(plat_ioctl(d.fd, CAM_READ_FRAME_X, &fr), -1);
    EXPECT_EQ(errno, EIO);
    EXPECT_EQ(plat_ioctl(d.fd, CAM_READ_FRAME_X, &fr), 0);
}

TEST(DeviceContract, FrameFollowsLightExposureAndFibres)
{
    sim::Testbed tb;
    auto& cam = tb.instrument().camera();
    Dev d(DEV_CAMERA), led(DEV_LED);
    std::vector<uint8_t> f(640 * 480);
    PointerRecord fr{f.data(), uint32_t(f.size())};
    ASSERT_EQ(plat_ioctl(d.fd, CAM_READ_FRAME_X, &fr), 0);
    uint8_t dark = f[0];
    // LEDs at 127 and the factory exposure 28 (registers 3 and 4) light the background
    // to the brightness target 64.
    uint8_t e3[3] = {'B', 3, 0x00}, e4[3] = {'B', 4, 0x1C};
    PointerRecord p3{e3, 3}, p4{e4, 3};
    plat_ioctl(d.fd, CAM_SENSOR_WRITE_X, &p3);
    plat_ioctl(d.fd, CAM_SENSOR_WRITE_X, &p4);
    EXPECT_EQ(cam.exposure(1), 28u);
    led.set(LED_SET, 0x807F7F);
    sim::FibrePair pair;
    pair.tips_um = 100; // laid in view, 100 um from the electrodes
    tb.instrument().scene().set_fibres(pair);
    ASSERT_EQ(plat_ioctl(d.fd, CAM_READ_FRAME_X, &fr), 0);
    EXPECT_GT(f[0], dark + 40);
    EXPECT_NEAR(f[0], 64, 6);
    // The fibres' shadows take more than half of the backlight above the sensor's black level.
    EXPECT_LT(f[180 * 640 + 40] - dark, (f[0] - dark) / 2);  // the left fibre
    EXPECT_LT(f[360 * 640 + 600] - dark, (f[0] - dark) / 2); // the right one (its stage holds it lower)
    EXPECT_NEAR(f[180 * 640 + 320], 64, 6);                  // the gap between them
}

TEST(DeviceContract, KeyQueueAndFlags)
{
    sim::Testbed tb;
    auto& keys = tb.instrument().keys();
    Dev d(DEV_KEY);
    keys.press(16);
    keys.release(16);
    keys.press_combination(16, 18);
    uint16_t buf[18] = {};
    KeypadReadDesc desc{buf, 8}; // room for two codes
    ASSERT_EQ(plat_ioctl(d.fd, KEY_READ_CODES, &desc), 0);
    EXPECT_EQ(buf[1], 2);
    EXPECT_EQ(buf[2], 0x1010);
    EXPECT_EQ(buf[3], 0x0010);
    desc.lSize = sizeof buf;
    ASSERT_EQ(plat_ioctl(d.fd, KEY_READ_CODES, &desc), 0);
    EXPECT_EQ(buf[1], 1);
    EXPECT_EQ(buf[2], 0x3000 | 16 | 18 << 6);
    ASSERT_EQ(plat_ioctl(d.fd, KEY_READ_CODES, &desc), 0);
    EXPECT_EQ(buf[1], 0);
    KeypadReadDesc tiny{buf, 2};
    EXPECT_EQ(plat_ioctl(d.fd, KEY_READ_CODES, &tiny), -1);

    // The Reset key raises the flag only while the Reset function is on; ignored keys vanish.
    d.cmd(KEY_RESET_FUNC_OFF);
    keys.press(sim::KeyDevice::kResetKey);
    EXPECT_EQ(d.get(KEY_RESET_FLAG), 0);
    d.cmd(KEY_RESET_FUNC_ON);
    keys.press(sim::KeyDevice::kResetKey);
    EXPECT_EQ(d.get(KEY_RESET_FLAG), 1);
    d.set(KEY_IGNORE, 1);
    size_t before = keys.queued();
    keys.press(1);
    EXPECT_EQ(keys.queued(), before);

    // The power key's request word stays set once raised.
    keys.press_power();
    EXPECT_EQ(d.get(KEY_POWER_OFF_REQUEST), 1);
    EXPECT_EQ(d.get(KEY_POWER_OFF_REQUEST), 1);
}

void* touch_reader(void* arg)
{
    auto* out = static_cast<std::vector<TouchInputEvent>*>(arg);
    int fd = plat_open(DEV_TOUCH, O_RDONLY);
    TouchInputEvent ev[4];
    while (out->size() < 8) {
        ssize_t n = plat_read(fd, ev, sizeof ev);
        if (n <= 0) break;
        for (ssize_t i = 0; i < n / 16; ++i)
            out->push_back(ev[i]);
    }
    plat_close(fd);
    return nullptr;
}

TEST(DeviceContract, TouchReadBlocksOnTheVirtualClock)
{
    sim::Testbed tb;
    std::vector<TouchInputEvent> got;
    plat_thread_t th = 0;
    ASSERT_EQ(plat_thread_create(&th, touch_reader, &got, "touch"), 0);
    uint64_t t0 = plat_monotonic_ms();
    plat_sleep_ms(700);
    EXPECT_TRUE(got.empty()); // still blocked
    tb.instrument().touch().touch_down(120, 340);
    plat_sleep_ms(100);
    tb.instrument().touch().touch_up(120, 340);
    plat_sleep_ms(100);
    plat_thread_stop(th);
    ASSERT_EQ(got.size(), 8u);
    EXPECT_EQ(got[0].wType, 1);
    EXPECT_EQ(got[0].iValue, 1);
    EXPECT_EQ(got[1].wType, 3);
    EXPECT_EQ(got[1].wCode, 0);
    EXPECT_EQ(got[1].iValue, 120);
    EXPECT_EQ(got[2].iValue, 340);
    EXPECT_EQ(got[3].wType, 0);
    EXPECT_EQ(got[4].iValue, 0); // finger up
    // Stamped with the wall clock 700 ms after the start, then 100 ms later.
    int64_t us0 = int64_t(got[0].lSeconds) * 1000000 + got[0].lMicroseconds;
    int64_t us1 = int64_t(got[4].lSeconds) * 1000000 + got[4].lMicroseconds;
    EXPECT_NEAR(double(us1 - us0), 100000.0, 1000.0);
    EXPECT_GE(plat_monotonic_ms() - t0, 900u);

    // A short read buffer is refused; a non-blocking read of an empty queue says so.
    int fd = plat_open(DEV_TOUCH, O_RDONLY | O_NONBLOCK);
    char small[8];
    EXPECT_EQ(plat_read(fd, small, sizeof small), -1);
    EXPECT_EQ(errno, EINVAL);
    TouchInputEvent ev;
    EXPECT_EQ(plat_read(fd, &ev, sizeof ev), -1);
    EXPECT_EQ(errno, EAGAIN);
    plat_close(fd);
}

TEST(DeviceContract, EnvironmentAndBattery)
{
    sim::Testbed tb;
    auto& inst = tb.instrument();
    inst.env().set_environment(-5.25, 87.4, 61.0);
    Dev env(DEV_ENV), pwr(DEV_POWER);
    EnvironmentRecord r{};
    ASSERT_EQ(plat_read(env.fd, &r, sizeof r), 12);
    EXPECT_EQ(r.lTemperature, -525);
    EXPECT_EQ(r.lPressure, 874);
    EXPECT_EQ(r.lHumidity, 6100);
    char part[8];
    EXPECT_EQ(plat_read(env.fd, part, sizeof part), -1); // read whole or not at all

    // A full battery reads 310, an empty one 475; on battery it drains 12 % an hour.
    inst.power().set_battery_level(100);
    EXPECT_EQ(env.get(ENV_BATTERY_VOLTAGE), 310);
    inst.power().set_adapter(false);
    EXPECT_EQ(pwr.get(PWR_TYPE), sim::PowerDevice::kTypeBattery);
    EXPECT_EQ(pwr.get(PWR_CHARGING), 0);
    plat_sleep_ms(3600 * 1000);
    EXPECT_NEAR(inst.power().battery_level(), 88.0, 0.01);
    EXPECT_EQ(env.get(ENV_BATTERY_VOLTAGE), 330); // 310 + 12 % of 165
    inst.power().set_adapter(true);
    EXPECT_EQ(pwr.get(PWR_CHARGING), 1);
    plat_sleep_ms(3600 * 1000);
    EXPECT_EQ(pwr.get(PWR_CHARGING), 0); // full again
    EXPECT_EQ(env.get(ENV_BATTERY_VOLTAGE), 310);
}

TEST(DeviceContract, PowerOffReachesTheHandler)
{
    sim::Testbed tb;
    Dev pwr(DEV_POWER);
    EXPECT_FALSE(tb.powered_off());
    EXPECT_EQ(pwr.cmd(PWR_OFF), 0);
    EXPECT_EQ(tb.power_off_count(), 1);
    EXPECT_EQ(tb.instrument().power().power_off_requests(), 1u);
}

TEST(DeviceFaults, BackendFaultsAndEmulatorHooks)
{
    sim::Testbed tb;
    // A missing device cannot be opened; the others can.
    sim::fault_device_missing(DEV_LED);
    EXPECT_EQ(plat_open(DEV_LED, O_RDWR), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(plat_open("/dev/platnothing", O_RDWR), -1);

    // A request that fails twice, then works.
    Dev mot(DEV_MOTOR);
    sim::fault_request(DEV_MOTOR, MOT_SPEED, 2);
    EXPECT_EQ(mot.err_set(MOT_SPEED, 3), EIO);
    EXPECT_EQ(mot.err_set(MOT_SPEED, 3), EIO);
    EXPECT_EQ(mot.err_set(MOT_SPEED, 3), 0);
    EXPECT_EQ(tb.instrument().motors().speed(), 3u);

    // The hook runs before the device: a refused homing never reaches the motors.
    auto& motors = tb.instrument().motors();
    motors.set_fault_hook([](sim::DevCall call, unsigned long req, void*) -> std::optional<int> {
        if (call == sim::DevCall::Ioctl && req == MOT_HOME) {
            errno = EBUSY;
            return -1;
        }
        return std::nullopt;
    });
    EXPECT_EQ(mot.err_set(MOT_HOME, 6000u << 16 | 1), EBUSY);
    EXPECT_EQ(motors.homings(), 0u);
    EXPECT_EQ(mot.err_set(MOT_SPEED, 4), 0); // everything else falls through
    motors.set_fault_hook(nullptr);
    EXPECT_EQ(mot.err_set(MOT_HOME, 6000u << 16 | 1), 0);

    // Every call is in the log with its result.
    auto calls = sim::call_log(DEV_MOTOR, MOT_SPEED);
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].result, -1);
    EXPECT_EQ(calls[2].result, 0);
}

} // namespace
