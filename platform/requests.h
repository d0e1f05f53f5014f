// Request codes and argument records of the platform character devices and the I2C bus.
// Every code is written as the driver contract gives it; the static_asserts check each against
// the Linux ioctl encoding (type 0xF0: direction, size, type, number).
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat_ioc {
constexpr unsigned long kNone = 0u, kWrite = 1u, kRead = 2u;
constexpr unsigned long make(unsigned long dir, unsigned long size, unsigned long nr)
{
    return (dir << 30) | (size << 16) | (0xF0ul << 8) | nr;
}
constexpr unsigned long dir(unsigned long req) { return (req >> 30) & 3u; }
constexpr unsigned long size(unsigned long req) { return (req >> 16) & 0x3FFFu; }
constexpr unsigned long type(unsigned long req) { return (req >> 8) & 0xFFu; }
constexpr unsigned long nr(unsigned long req) { return req & 0xFFu; }
} // namespace plat_ioc

// ---- Device paths -------------------------------------------------------------------------------
inline constexpr const char* DEV_MISC = "/dev/plat";
inline constexpr const char* DEV_BEEP = "/dev/platbeep";
inline constexpr const char* DEV_CAMERA = "/dev/platcam";
inline constexpr const char* DEV_ENV = "/dev/platenv";
inline constexpr const char* DEV_FRAME = "/dev/platfrm";
inline constexpr const char* DEV_HEATER = "/dev/plathot";
inline constexpr const char* DEV_HIGHVOLT = "/dev/plathvt";
inline constexpr const char* DEV_KEY = "/dev/platkey";
inline constexpr const char* DEV_LCD = "/dev/platlcd";
inline constexpr const char* DEV_LED = "/dev/platled";
inline constexpr const char* DEV_MOTOR = "/dev/platmot";
inline constexpr const char* DEV_FPGA = "/dev/platpga";
inline constexpr const char* DEV_POWER = "/dev/platpwr";
inline constexpr const char* DEV_RAVELIN = "/dev/ravelin";
inline constexpr const char* DEV_TOUCH = "/dev/event0";
inline constexpr const char* DEV_SERIAL = "/dev/ttyS2";
inline constexpr const char* DEV_I2C_RTC = "/dev/i2c-0";
inline constexpr const char* DEV_I2C_EEPROM = "/dev/i2c-1";
inline constexpr const char* KEYCODE_QUEUE = "/keycode";

// ---- Miscellaneous device "/dev/plat" ----------------------------------------------------------
constexpr unsigned long MISC_FPGA_REG_READ = 0xC004F000;  // u32 in: address, out: word (value << 8)
constexpr unsigned long MISC_FPGA_REG_WRITE = 0x4008F001; // PointerRecord to {u32 address, u32 value}
constexpr unsigned long MISC_BUZZER_SWITCH = 0x4004F002;  // u32
constexpr unsigned long MISC_COVER_STATE = 0x8004F003;    // u32 out: non-zero open

// FPGA registers
constexpr uint32_t FPGA_REG_ELEC_POS_X = 0x300000B2;
constexpr uint32_t FPGA_REG_ELEC_POS_Y = 0x300000B4;
constexpr uint32_t FPGA_REG_BRIGHT_SUM_X = 0x300000B6;
constexpr uint32_t FPGA_REG_BRIGHT_SUM_Y = 0x300000B8;

// ---- Camera device "/dev/platcam" ---------------------------------------------------------------
constexpr unsigned long CAM_SENSOR_WRITE_X = 0x4008F010; // PointerRecord to a command stream
constexpr unsigned long CAM_SENSOR_WRITE_Y = 0x4008F011;
constexpr unsigned long CAM_SENSOR_READ_X = 0xC004F012; // u32 in: register, out: value
constexpr unsigned long CAM_SENSOR_READ_Y = 0xC004F013;
// Numbers the driver contract uses without giving them, chosen here once:
constexpr unsigned long CAM_READ_FRAME_X = 0x4008F014;    // PointerRecord to a 640 x 480 buffer
constexpr unsigned long CAM_READ_FRAME_Y = 0x4008F015;    // PointerRecord to a 640 x 480 buffer
constexpr unsigned long CAM_FIBER_PRESENCE = 0x8004F016;  // u32 out: bytes X-right, X-left, Y-right, Y-left
constexpr unsigned long CAM_FPGA_RECT_X = 0x4008F017;     // PointerRecord to the 6-byte region
constexpr unsigned long CAM_FPGA_RECT_Y = 0x4008F018;
constexpr unsigned long CAM_CORE_LINE_X = 0x8010F019;     // CoreLineRecord out
constexpr unsigned long CAM_CORE_LINE_Y = 0x8010F01A;
constexpr unsigned long CAM_BRIGHT_WAVE = 0xC00CF01F;     // BrightWaveRecord

// ---- Environment device "/dev/platenv" ----------------------------------------------------------
constexpr unsigned long ENV_BATTERY_VOLTAGE = 0x8004F022; // u32 out
constexpr unsigned long ENV_BATTERY_FULL = 0x4004F023;    // u32: 1 full, 0 not

// ---- Frame device "/dev/platfrm" ----------------------------------------------------------------
constexpr unsigned long FRM_SHOW_BACK_PAGE = 0x4004F032;  // u32 page 0..3
constexpr unsigned long FRM_SHOW_FORE_PAGE = 0x4004F033;  // u32 page 0..3
constexpr unsigned long FRM_LAYOUT = 0x4004F034;          // u32 camera layout code (8: none)
constexpr unsigned long FRM_PALETTE_ENTRY = 0x4004F035;   // u32 (index << 24) + packed colour
constexpr unsigned long FRM_TRANSFER_BACK = 0x4008F036;   // FrameTransferDesc
constexpr unsigned long FRM_TRANSFER_FORE = 0x4008F037;   // FrameTransferDesc
constexpr unsigned long FRM_OFFSET_Y_X = 0x4004F038;      // vertical offset of the X picture
constexpr unsigned long FRM_OFFSET_Y_Y = 0x4004F039;      // vertical offset of the Y picture
constexpr unsigned long FRM_OFFSET_X_X = 0x4004F03A;      // horizontal offset of the X picture
constexpr unsigned long FRM_OFFSET_X_Y = 0x4004F03B;      // horizontal offset of the Y picture
constexpr unsigned long FRM_CAMERA_ROWCOL_1 = 0x8004F03C; // u32 out: rows << 16 | columns
constexpr unsigned long FRM_CAMERA_ROWCOL_2 = 0x8004F03D;

// ---- Heater device "/dev/plathot" ----------------------------------------------------------------
constexpr unsigned long HOT_COMMAND = 0x4004F040;        // u32 state: 0 stop, 1 start, 2 pause, 3 resume
constexpr unsigned long HOT_MIDDLE_VALUE = 0x4004F041;   // u32 middle zone drive value
constexpr unsigned long HOT_END_VALUE = 0x4004F042;      // u32 end zone drive value
constexpr unsigned long HOT_TIMES = 0x4004F043;          // u32 heating << 16 | cooling
constexpr unsigned long HOT_FINISHED = 0x8004F044;       // u32 out
constexpr unsigned long HOT_TOGGLE_READ = 0x8004F045;    // u32 out (value unused)
constexpr unsigned long HOT_STATE = 0x8004F046;          // u32 out
constexpr unsigned long HOT_SLEEVE_SENSOR = 0x8004F047;  // u32 out
constexpr unsigned long HOT_MODE = 0x4004F048;           // u32 heating mode code 2 or 3
constexpr unsigned long HOT_PREHEAT_SWITCH_A = 0x4004F049;
constexpr unsigned long HOT_PREHEAT_MIDDLE = 0x4004F04A;
constexpr unsigned long HOT_PREHEAT_END = 0x4004F04B;
constexpr unsigned long HOT_PREHEAT_SWITCH_B = 0x4004F04C;

// ---- High-voltage device "/dev/plathvt" ---------------------------------------------------------
constexpr unsigned long HVT_FIRE = 0x4004F050;       // u32 duration << 16 | 0x8000 | value
constexpr unsigned long HVT_SET_VALUE = 0x4004F051;  // u32 arc value while burning
constexpr unsigned long HVT_ARC_ENDED = 0x8004F052;  // u32 out
constexpr unsigned long HVT_CLOSE_CYCLE = 0xF053;    // none

// ---- Key device "/dev/platkey" ------------------------------------------------------------------
constexpr unsigned long KEY_READ_CODES = 0x8008F060;     // KeypadReadDesc
constexpr unsigned long KEY_RESET_FLAG = 0x8004F061;     // u32 out
constexpr unsigned long KEY_RESET_CLEAR = 0xF062;
constexpr unsigned long KEY_RESET_FUNC_OFF = 0xF063;
constexpr unsigned long KEY_RESET_FUNC_ON = 0xF064;
constexpr unsigned long KEY_IGNORE = 0x4004F065;         // u32 1 on, 0 off
constexpr unsigned long KEY_LIGHT_TIME = 0x4004F067;     // u32 seconds <= 120
constexpr unsigned long KEY_RESET_SET = 0xF068;
constexpr unsigned long KEY_POWER_OFF_REQUEST = 0x8004F069; // u32 out

// ---- LCD device "/dev/platlcd" ------------------------------------------------------------------
constexpr unsigned long LCD_POWER = 0x4004F070;        // u32 4 on, 0 off
constexpr unsigned long LCD_ORIENTATION = 0x4004F071;  // u32 0 front, 1 rear
constexpr unsigned long LCD_BACKLIGHT = 0x4004F072;    // u32 8..80
constexpr unsigned long LCD_STEP_UP = 0xF073;
constexpr unsigned long LCD_STEP_DOWN = 0xF074;
constexpr unsigned long LCD_BACKLIGHT_READ = 0x8004F075; // u32 out

// ---- LED device "/dev/platled" ------------------------------------------------------------------
constexpr unsigned long LED_SET = 0x4004F080;   // u32 0x800000 | Y << 8 | X; 0 off
constexpr unsigned long LED_GRAB = 0xF081;      // none, around image grabs

// ---- Motor device "/dev/platmot" ----------------------------------------------------------------
constexpr unsigned long MOT_HOME = 0x4004F090;         // u32 distance << 16 | mask
constexpr unsigned long MOT_MOVE_ONE = 0x4004F091;     // u32 mask << 24 | dir << 16 | steps
constexpr unsigned long MOT_MOVE_TWO = 0x4004F092;     // u32 idB<<29|dirB<<28|stepsB<<16|idA<<13|dirA<<12|stepsA
constexpr unsigned long MOT_STOP = 0x4004F093;         // u32 mask
constexpr unsigned long MOT_SPEED = 0x4004F094;        // u32 0..15
constexpr unsigned long MOT_POWER = 0x4004F095;        // u32 mask, | 128 for off
constexpr unsigned long MOT_SETUP = 0x4004F096;        // u32 mask << 24 | value
constexpr unsigned long MOT_UPPER_LIMIT = 0x4004F097;  // u32 mask << 24 | (limit & 0xFFFF)
constexpr unsigned long MOT_LOWER_LIMIT = 0x4004F098;  // u32 mask << 24 | (limit & 0xFFFF)
constexpr unsigned long MOT_STATUS = 0xC004F099;       // u32 in mask, out position << 16 | dir << 8
constexpr unsigned long MOT_RANGE = 0xC004F09A;        // u32 in mask, out up << 16 | down
constexpr unsigned long MOT_RUNNING = 0x8004F09B;      // u32 out running mask | overrun << (8 + id)
constexpr unsigned long MOT_STROKE = 0x4004F09C;       // u32 motor << 24 | (distance & 0xFFFF)

// ---- FPGA version device "/dev/platpga" (number chosen here) --------------------------------------
constexpr unsigned long PGA_VERSION = 0x8004F0A0;      // u32 out

// ---- Power device "/dev/platpwr" ----------------------------------------------------------------
constexpr unsigned long PWR_OFF = 0xF0B0;              // none: switch the unit off
constexpr unsigned long PWR_TYPE = 0x8004F0B1;         // u32 out: power source type
constexpr unsigned long PWR_TYPE_SET = 0x4004F0B2;     // u32 follow-up set of the power type word
constexpr unsigned long PWR_AWAKE = 0x4004F0B3;        // u32 0 awake, 1 dozing
constexpr unsigned long PWR_BUSY = 0x8004F0B4;         // u32 out busy word
constexpr unsigned long PWR_CHARGING = 0x8004F0B5;     // u32 out charging state

// ---- Speaker device "/dev/platbeep" -------------------------------------------------------------
constexpr unsigned long BEEP_SOUND = 0x4004F0C0;       // u32 sound number 1..3
constexpr unsigned long BEEP_PREPARE = 0x4004F0C1;     // u32 (5)
constexpr unsigned long BEEP_SETUP = 0x4008F0C2;       // PointerRecord to SpeakerSetup

// ---- I2C ----------------------------------------------------------------------------------------
constexpr unsigned long I2C_WRITE_PROTECT = 0x0709;    // argument by value: 0 released, 1 protected
constexpr uint16_t I2C_ADDR_EEPROM = 0x51;
constexpr uint16_t I2C_ADDR_RTC = 0x51;

// ---- Argument records ---------------------------------------------------------------------------
// Addresses are native pointers: 4 bytes on the instrument's 32-bit board, as its driver expects.

// Pointer record: address of a byte block and its length.
struct PointerRecord {
    void* pAddr;
    uint32_t lLength;
};
static_assert(sizeof(void*) != 4 || (sizeof(PointerRecord) == 8 && offsetof(PointerRecord, lLength) == 4));

// FPGA register write block.
struct FpgaRegWrite {
    uint32_t lAddress;
    uint32_t lValue;
};
static_assert(sizeof(FpgaRegWrite) == 8);

// Brightness wave position / read: position set when buffer is null; read when position is 0.
struct BrightWaveRecord {
    uint32_t lLine;
    uint32_t lPosition;
    uint8_t* pBuffer;
};
static_assert(offsetof(BrightWaveRecord, pBuffer) == 8);
static_assert(sizeof(void*) != 4 || sizeof(BrightWaveRecord) == 12);

// Core line fit read per view: k and b of the left fibre, then of the right fibre (f32 bits).
struct CoreLineRecord {
    uint32_t lLeftB;
    uint32_t lLeftK;
    uint32_t lRightB;
    uint32_t lRightK;
};
static_assert(sizeof(CoreLineRecord) == 16);

// Frame transfer block and its descriptor.
struct FrameTransferBlock {
    uint32_t lPage;      // 0, 1; 2, 3 for the saved error backgrounds
    uint32_t lFirstLine;
    uint32_t lLastLine;  // inclusive
    const uint8_t* pBuffer;
};
struct FrameTransferDesc {
    FrameTransferBlock* pBlock;
    uint32_t lLength; // 16 on the instrument
};
static_assert(sizeof(void*) != 4 ||
              (sizeof(FrameTransferBlock) == 16 && offsetof(FrameTransferBlock, pBuffer) == 12));
static_assert(sizeof(void*) != 4 ||
              (sizeof(FrameTransferDesc) == 8 && offsetof(FrameTransferDesc, lLength) == 4));

// Keypad read descriptor: the driver fills u16 values: [1] = count n, codes from [2] on.
struct KeypadReadDesc {
    uint16_t* pBuffer;
    uint32_t lSize; // bytes
};
static_assert(sizeof(void*) != 4 || (sizeof(KeypadReadDesc) == 8 && offsetof(KeypadReadDesc, lSize) == 4));

// Speaker setup record, 12 bytes.
#pragma pack(push, 1)
struct SpeakerSetup {
    uint16_t wValue;   // machine table value at 107
    uint8_t bValue;    // machine table value at 106
    uint8_t bZero[9];
};
#pragma pack(pop)
static_assert(sizeof(SpeakerSetup) == 12);

// Environment record, read whole from "/dev/platenv".
struct EnvironmentRecord {
    int32_t lTemperature; // 0.01 degree C
    int32_t lPressure;    // 0.1 kPa
    int32_t lHumidity;    // third value, not used by the arc compensation
};
static_assert(sizeof(EnvironmentRecord) == 12);

// Touch input event, 16 bytes on the instrument (32-bit time fields).
struct TouchInputEvent {
    uint32_t lSeconds;
    uint32_t lMicroseconds;
    uint16_t wType;
    uint16_t wCode;
    int32_t iValue;
};
static_assert(sizeof(TouchInputEvent) == 16 && offsetof(TouchInputEvent, wType) == 8);
static_assert(offsetof(TouchInputEvent, iValue) == 12);

// ---- Encoding checks ----------------------------------------------------------------------------
namespace plat_ioc {
constexpr bool check(unsigned long req, unsigned long d, unsigned long sz, unsigned long n)
{
    return req == make(d, sz, n);
}
static_assert(check(MISC_FPGA_REG_READ, kRead | kWrite, 4, 0x00));
static_assert(check(MISC_FPGA_REG_WRITE, kWrite, 8, 0x01));
static_assert(check(MISC_BUZZER_SWITCH, kWrite, 4, 0x02));
static_assert(check(MISC_COVER_STATE, kRead, 4, 0x03));
static_assert(check(CAM_SENSOR_WRITE_X, kWrite, 8, 0x10) && check(CAM_SENSOR_WRITE_Y, kWrite, 8, 0x11));
static_assert(check(CAM_SENSOR_READ_X, kRead | kWrite, 4, 0x12) && check(CAM_SENSOR_READ_Y, kRead | kWrite, 4, 0x13));
static_assert(check(CAM_READ_FRAME_X, kWrite, 8, 0x14) && check(CAM_READ_FRAME_Y, kWrite, 8, 0x15));
static_assert(check(CAM_FIBER_PRESENCE, kRead, 4, 0x16));
static_assert(check(CAM_FPGA_RECT_X, kWrite, 8, 0x17) && check(CAM_FPGA_RECT_Y, kWrite, 8, 0x18));
static_assert(check(CAM_CORE_LINE_X, kRead, 16, 0x19) && check(CAM_CORE_LINE_Y, kRead, 16, 0x1A));
static_assert(check(CAM_BRIGHT_WAVE, kRead | kWrite, 12, 0x1F));
static_assert(check(ENV_BATTERY_VOLTAGE, kRead, 4, 0x22) && check(ENV_BATTERY_FULL, kWrite, 4, 0x23));
static_assert(check(FRM_SHOW_BACK_PAGE, kWrite, 4, 0x32) && check(FRM_SHOW_FORE_PAGE, kWrite, 4, 0x33));
static_assert(check(FRM_LAYOUT, kWrite, 4, 0x34) && check(FRM_PALETTE_ENTRY, kWrite, 4, 0x35));
static_assert(check(FRM_TRANSFER_BACK, kWrite, 8, 0x36) && check(FRM_TRANSFER_FORE, kWrite, 8, 0x37));
static_assert(check(FRM_OFFSET_Y_X, kWrite, 4, 0x38) && check(FRM_OFFSET_Y_Y, kWrite, 4, 0x39));
static_assert(check(FRM_OFFSET_X_X, kWrite, 4, 0x3A) && check(FRM_OFFSET_X_Y, kWrite, 4, 0x3B));
static_assert(check(FRM_CAMERA_ROWCOL_1, kRead, 4, 0x3C) && check(FRM_CAMERA_ROWCOL_2, kRead, 4, 0x3D));
static_assert(check(HOT_COMMAND, kWrite, 4, 0x40) && check(HOT_MIDDLE_VALUE, kWrite, 4, 0x41));
static_assert(check(HOT_END_VALUE, kWrite, 4, 0x42) && check(HOT_TIMES, kWrite, 4, 0x43));
static_assert(check(HOT_FINISHED, kRead, 4, 0x44) && check(HOT_TOGGLE_READ, kRead, 4, 0x45));
static_assert(check(HOT_STATE, kRead, 4, 0x46) && check(HOT_SLEEVE_SENSOR, kRead, 4, 0x47));
static_assert(check(HOT_MODE, kWrite, 4, 0x48) && check(HOT_PREHEAT_SWITCH_A, kWrite, 4, 0x49));
static_assert(check(HOT_PREHEAT_MIDDLE, kWrite, 4, 0x4A) && check(HOT_PREHEAT_END, kWrite, 4, 0x4B));
static_assert(check(HOT_PREHEAT_SWITCH_B, kWrite, 4, 0x4C));
static_assert(check(HVT_FIRE, kWrite, 4, 0x50) && check(HVT_SET_VALUE, kWrite, 4, 0x51));
static_assert(check(HVT_ARC_ENDED, kRead, 4, 0x52) && check(HVT_CLOSE_CYCLE, kNone, 0, 0x53));
static_assert(check(KEY_READ_CODES, kRead, 8, 0x60) && check(KEY_RESET_FLAG, kRead, 4, 0x61));
static_assert(check(KEY_RESET_CLEAR, kNone, 0, 0x62) && check(KEY_RESET_FUNC_OFF, kNone, 0, 0x63));
static_assert(check(KEY_RESET_FUNC_ON, kNone, 0, 0x64) && check(KEY_IGNORE, kWrite, 4, 0x65));
static_assert(check(KEY_LIGHT_TIME, kWrite, 4, 0x67) && check(KEY_RESET_SET, kNone, 0, 0x68));
static_assert(check(KEY_POWER_OFF_REQUEST, kRead, 4, 0x69));
static_assert(check(LCD_POWER, kWrite, 4, 0x70) && check(LCD_ORIENTATION, kWrite, 4, 0x71));
static_assert(check(LCD_BACKLIGHT, kWrite, 4, 0x72) && check(LCD_STEP_UP, kNone, 0, 0x73));
static_assert(check(LCD_STEP_DOWN, kNone, 0, 0x74) && check(LCD_BACKLIGHT_READ, kRead, 4, 0x75));
static_assert(check(LED_SET, kWrite, 4, 0x80) && check(LED_GRAB, kNone, 0, 0x81));
static_assert(check(MOT_HOME, kWrite, 4, 0x90) && check(MOT_MOVE_ONE, kWrite, 4, 0x91));
static_assert(check(MOT_MOVE_TWO, kWrite, 4, 0x92) && check(MOT_STOP, kWrite, 4, 0x93));
static_assert(check(MOT_SPEED, kWrite, 4, 0x94) && check(MOT_POWER, kWrite, 4, 0x95));
static_assert(check(MOT_SETUP, kWrite, 4, 0x96) && check(MOT_UPPER_LIMIT, kWrite, 4, 0x97));
static_assert(check(MOT_LOWER_LIMIT, kWrite, 4, 0x98) && check(MOT_STATUS, kRead | kWrite, 4, 0x99));
static_assert(check(MOT_RANGE, kRead | kWrite, 4, 0x9A) && check(MOT_RUNNING, kRead, 4, 0x9B));
static_assert(check(MOT_STROKE, kWrite, 4, 0x9C) && check(PGA_VERSION, kRead, 4, 0xA0));
static_assert(check(PWR_OFF, kNone, 0, 0xB0) && check(PWR_TYPE, kRead, 4, 0xB1));
static_assert(check(PWR_TYPE_SET, kWrite, 4, 0xB2) && check(PWR_AWAKE, kWrite, 4, 0xB3));
static_assert(check(PWR_BUSY, kRead, 4, 0xB4) && check(PWR_CHARGING, kRead, 4, 0xB5));
static_assert(check(BEEP_SOUND, kWrite, 4, 0xC0) && check(BEEP_PREPARE, kWrite, 4, 0xC1));
static_assert(check(BEEP_SETUP, kWrite, 8, 0xC2));
// On the board the size field of a code is the size of the record it carries.
static_assert(sizeof(void*) != 4 || (size(CAM_BRIGHT_WAVE) == sizeof(BrightWaveRecord) &&
                                     size(KEY_READ_CODES) == sizeof(KeypadReadDesc) &&
                                     size(FRM_TRANSFER_BACK) == sizeof(FrameTransferDesc)));
static_assert(sizeof(void*) != 4 || (size(CAM_READ_FRAME_X) == sizeof(PointerRecord) &&
                                     size(CAM_FPGA_RECT_X) == sizeof(PointerRecord) &&
                                     size(CAM_SENSOR_WRITE_X) == sizeof(PointerRecord) &&
                                     size(MISC_FPGA_REG_WRITE) == sizeof(PointerRecord) &&
                                     size(BEEP_SETUP) == sizeof(PointerRecord)));
static_assert(size(CAM_CORE_LINE_X) == sizeof(CoreLineRecord));
} // namespace plat_ioc
