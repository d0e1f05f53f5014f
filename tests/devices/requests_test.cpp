// Every request code of the platform devices decoded at run time with the kernel's own ioctl
// macros: direction, argument size, type 0xF0 and number must be what the driver contract says.
#include <gtest/gtest.h>

#include <asm-generic/ioctl.h>

#include "platform/requests.h"

namespace
{

enum Dir { NONE, W, R, RW };

struct Req {
    const char* name;
    unsigned long code;
    Dir dir;
    unsigned size;
    unsigned nr;
};

// Direction, size and number as the driver contract describes each request.
const Req kRequests[] = {
    {"MISC_FPGA_REG_READ", MISC_FPGA_REG_READ, RW, 4, 0x00},
    {"MISC_FPGA_REG_WRITE", MISC_FPGA_REG_WRITE, W, 8, 0x01},
    {"MISC_BUZZER_SWITCH", MISC_BUZZER_SWITCH, W, 4, 0x02},
    {"MISC_COVER_STATE", MISC_COVER_STATE, R, 4, 0x03},
    {"CAM_SENSOR_WRITE_X", CAM_SENSOR_WRITE_X, W, 8, 0x10},
    {"CAM_SENSOR_WRITE_Y", CAM_SENSOR_WRITE_Y, W, 8, 0x11},
    {"CAM_SENSOR_READ_X", CAM_SENSOR_READ_X, RW, 4, 0x12},
    {"CAM_SENSOR_READ_Y", CAM_SENSOR_READ_Y, RW, 4, 0x13},
    {"CAM_READ_FRAME_X", CAM_READ_FRAME_X, W, 8, 0x14},
    {"CAM_READ_FRAME_Y", CAM_READ_FRAME_Y, W, 8, 0x15},
    {"CAM_FIBER_PRESENCE", CAM_FIBER_PRESENCE, R, 4, 0x16},
    {"CAM_FPGA_RECT_X", CAM_FPGA_RECT_X, W, 8, 0x17},
    {"CAM_FPGA_RECT_Y", CAM_FPGA_RECT_Y, W, 8, 0x18},
    {"CAM_CORE_LINE_X", CAM_CORE_LINE_X, R, 16, 0x19},
    {"CAM_CORE_LINE_Y", CAM_CORE_LINE_Y, R, 16, 0x1A},
    {"CAM_BRIGHT_WAVE", CAM_BRIGHT_WAVE, RW, 12, 0x1F},
    {"ENV_BATTERY_VOLTAGE", ENV_BATTERY_VOLTAGE, R, 4, 0x22},
    {"ENV_BATTERY_FULL", ENV_BATTERY_FULL, W, 4, 0x23},
    {"FRM_SHOW_BACK_PAGE", FRM_SHOW_BACK_PAGE, W, 4, 0x32},
    {"FRM_SHOW_FORE_PAGE", FRM_SHOW_FORE_PAGE, W, 4, 0x33},
    {"FRM_LAYOUT", FRM_LAYOUT, W, 4, 0x34},
    {"FRM_PALETTE_ENTRY", FRM_PALETTE_ENTRY, W, 4, 0x35},
    {"FRM_TRANSFER_BACK", FRM_TRANSFER_BACK, W, 8, 0x36},
    {"FRM_TRANSFER_FORE", FRM_TRANSFER_FORE, W, 8, 0x37},
    {"FRM_OFFSET_Y_X", FRM_OFFSET_Y_X, W, 4, 0x38},
    {"FRM_OFFSET_Y_Y", FRM_OFFSET_Y_Y, W, 4, 0x39},
    {"FRM_OFFSET_X_X", FRM_OFFSET_X_X, W, 4, 0x3A},
    {"FRM_OFFSET_X_Y", FRM_OFFSET_X_Y, W, 4, 0x3B},
    {"FRM_CAMERA_ROWCOL_1", FRM_CAMERA_ROWCOL_1, R, 4, 0x3C},
    {"FRM_CAMERA_ROWCOL_2", FRM_CAMERA_ROWCOL_2, R, 4, 0x3D},
    {"HOT_COMMAND", HOT_COMMAND, W, 4, 0x40},
    {"HOT_MIDDLE_VALUE", HOT_MIDDLE_VALUE, W, 4, 0x41},
    {"HOT_END_VALUE", HOT_END_VALUE, W, 4, 0x42},
    {"HOT_TIMES", HOT_TIMES, W, 4, 0x43},
    {"HOT_FINISHED", HOT_FINISHED, R, 4, 0x44},
    {"HOT_TOGGLE_READ", HOT_TOGGLE_READ, R, 4, 0x45},
    {"HOT_STATE", HOT_STATE, R, 4, 0x46},
    {"HOT_SLEEVE_SENSOR", HOT_SLEEVE_SENSOR, R, 4, 0x47},
    {"HOT_MODE", HOT_MODE, W, 4, 0x48},
    {"HOT_PREHEAT_SWITCH_A", HOT_PREHEAT_SWITCH_A, W, 4, 0x49},
    {"HOT_PREHEAT_MIDDLE", HOT_PREHEAT_MIDDLE, W, 4, 0x4A},
    {"HOT_PREHEAT_END", HOT_PREHEAT_END, W, 4, 0x4B},
    {"HOT_PREHEAT_SWITCH_B", HOT_PREHEAT_SWITCH_B, W, 4, 0x4C},
    {"HVT_FIRE", HVT_FIRE, W, 4, 0x50},
    {"HVT_SET_VALUE", HVT_SET_VALUE, W, 4, 0x51},
    {"HVT_ARC_ENDED", HVT_ARC_ENDED, R, 4, 0x52},
    {"HVT_CLOSE_CYCLE", HVT_CLOSE_CYCLE, NONE, 0, 0x53},
    {"KEY_READ_CODES", KEY_READ_CODES, R, 8, 0x60},
    {"KEY_RESET_FLAG", KEY_RESET_FLAG, R, 4, 0x61},
    {"KEY_RESET_CLEAR", KEY_RESET_CLEAR, NONE, 0, 0x62},
    {"KEY_RESET_FUNC_OFF", KEY_RESET_FUNC_OFF, NONE, 0, 0x63},
    {"KEY_RESET_FUNC_ON", KEY_RESET_FUNC_ON, NONE, 0, 0x64},
    {"KEY_IGNORE", KEY_IGNORE, W, 4, 0x65},
    {"KEY_LIGHT_TIME", KEY_LIGHT_TIME, W, 4, 0x67},
    {"KEY_RESET_SET", KEY_RESET_SET, NONE, 0, 0x68},
    {"KEY_POWER_OFF_REQUEST", KEY_POWER_OFF_REQUEST, R, 4, 0x69},
    {"LCD_POWER", LCD_POWER, W, 4, 0x70},
    {"LCD_ORIENTATION", LCD_ORIENTATION, W, 4, 0x71},
    {"LCD_BACKLIGHT", LCD_BACKLIGHT, W, 4, 0x72},
    {"LCD_STEP_UP", LCD_STEP_UP, NONE, 0, 0x73},
    {"LCD_STEP_DOWN", LCD_STEP_DOWN, NONE, 0, 0x74},
    {"LCD_BACKLIGHT_READ", LCD_BACKLIGHT_READ, R, 4, 0x75},
    {"LED_SET", LED_SET, W, 4, 0x80},
    {"LED_GRAB", LED_GRAB, NONE, 0, 0x81},
    {"MOT_HOME", MOT_HOME, W, 4, 0x90},
    {"MOT_MOVE_ONE", MOT_MOVE_ONE, W, 4, 0x91},
    {"MOT_MOVE_TWO", MOT_MOVE_TWO, W, 4, 0x92},
    {"MOT_STOP", MOT_STOP, W, 4, 0x93},
    {"MOT_SPEED", MOT_SPEED, W, 4, 0x94},
    {"MOT_POWER", MOT_POWER, W, 4, 0x95},
    {"MOT_SETUP", MOT_SETUP, W, 4, 0x96},
    {"MOT_UPPER_LIMIT", MOT_UPPER_LIMIT, W, 4, 0x97},
    {"MOT_LOWER_LIMIT", MOT_LOWER_LIMIT, W, 4, 0x98},
    {"MOT_STATUS", MOT_STATUS, RW, 4, 0x99},
    {"MOT_RANGE", MOT_RANGE, RW, 4, 0x9A},
    {"MOT_RUNNING", MOT_RUNNING, R, 4, 0x9B},
    {"MOT_STROKE", MOT_STROKE, W, 4, 0x9C},
    {"PGA_VERSION", PGA_VERSION, R, 4, 0xA0},
    {"PWR_OFF", PWR_OFF, NONE, 0, 0xB0},
    {"PWR_TYPE", PWR_TYPE, R, 4, 0xB1},
    {"PWR_TYPE_SET", PWR_TYPE_SET, W, 4, 0xB2},
    {"PWR_AWAKE", PWR_AWAKE, W, 4, 0xB3},
    {"PWR_BUSY", PWR_BUSY, R, 4, 0xB4},
    {"PWR_CHARGING", PWR_CHARGING, R, 4, 0xB5},
    {"BEEP_SOUND", BEEP_SOUND, W, 4, 0xC0},
    {"BEEP_PREPARE", BEEP_PREPARE, W, 4, 0xC1},
    {"BEEP_SETUP", BEEP_SETUP, W, 8, 0xC2},
};

unsigned kernel_dir(Dir d)
{
    switch (d) {
    case NONE:
        return _IOC_NONE;
    case W:
        return _IOC_WRITE;
    case R:
        return _IOC_READ;
    case RW:
        return _IOC_READ | _IOC_WRITE;
    }
    return ~0u;
}

TEST(RequestCodes, DecodeAsTheLinuxEncodingSays)
{
    for (const Req& r : kRequests) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(_IOC_DIR(r.code), kernel_dir(r.dir));
        EXPECT_EQ(_IOC_SIZE(r.code), r.size);
        EXPECT_EQ(_IOC_TYPE(r.code), 0xF0u);
        EXPECT_EQ(_IOC_NR(r.code), r.nr);
        // And built the other way round with the kernel macro.
        EXPECT_EQ(r.code, static_cast<unsigned long>(_IOC(kernel_dir(r.dir), 0xF0, r.nr, r.size)));
        if (r.dir == NONE) {
            EXPECT_EQ(r.code, static_cast<unsigned long>(_IO(0xF0, r.nr)));
        }
    }
}

} // namespace
