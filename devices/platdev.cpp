// The platform device layer: device table, start and release orders, FPGA registers, cover,
// camera sensors and brightness lines, environment sensor, frame attach, LCD and orientation,
// LEDs, speaker, power controller, key-driver flags, key-code queue and the time helpers.
#include "devices/platdev.h"

#include <fcntl.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "devices/arc.h"
#include "devices/dev_internal.h"
#include "devices/heater.h"
#include "devices/motor.h"
#include "gui/base.h"
#include "gui/frame.h"
#include "gui/keypad.h"
#include "gui/touchpad.h"
#include "params/param_store.h"
#include "params/param_tables.h"
#include "platform/seam.h"

namespace
{

std::atomic<int> s_fd[PLATDEV_COUNT] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};

// Environment record shared with the environment thread; published only whole.
PlatMutex environment_mtx;
EnvironmentRecord s_env{};
bool s_envValid = false;

// Set once the cover opened and the motors were sent home; cleared when it closes.
std::atomic<bool> s_coverHomed{false};

std::atomic<mqd_t> s_keyQueue{static_cast<mqd_t>(-1)};

// Camera sensor registers that the check leaves out (volatile or write-only on the sensor).
constexpr bool skipped_register(int r)
{
    return r == 39 || r == 50 || (r >= 55 && r <= 58) || r == 77 || r == 90 || r == 91 || r == 140 ||
           r == 143;
}

constexpr int SENSOR_ORIENT_REG = 15;

int sensor_orient_value(int camera, int rear)
{
    // X 34 / Y 50 at the front, swapped at the rear.
    return (camera == 1) == (rear == 0) ? 34 : 50;
}

// Both sensor images from the factory camera pages. The orientation register carries the value
// of the current screen orientation, so that the check does not turn the picture back.
bool build_sensor_images(uint8_t x[CAMERA_IMAGE_SIZE], uint8_t y[CAMERA_IMAGE_SIZE])
{
    TABLEFACTCAMERA p0{}, p1{};
    if (GetTable_FactCamera(0, &p0) != 0 || GetTable_FactCamera(1, &p1) != 0) return false;
    std::memcpy(x, p0.bData, 124);
    std::memcpy(x + 124, p1.bData, 22);
    std::memcpy(y, x, CAMERA_IMAGE_SIZE);
    std::memcpy(y, p1.bData + CAMERA_Y_IMAGE_OFFSET, 32);
    int rear = devint::screen_rear();
    x[SENSOR_ORIENT_REG + 2] = uint8_t(sensor_orient_value(1, rear));
    y[SENSOR_ORIENT_REG + 2] = uint8_t(sensor_orient_value(2, rear));
    return true;
}

int send_sensor_block(int camera, uint8_t* block, uint32_t length)
{
    PointerRecord rec{block, length};
    return plat_ioctl(devint::slot_fd(PLATDEV_CAMERA), camera == 1 ? CAM_SENSOR_WRITE_X : CAM_SENSOR_WRITE_Y,
                      &rec);
}

int read_machine(MachineParameter* m)
{
    return GetTable_MachinePar(m) == 0 ? 0 : -1;
}

} // namespace

// ---- Internal helpers ---------------------------------------------------------------------------
namespace devint
{

int open_slot(int index, const char* path)
{
    if (index < 0 || index >= PLATDEV_COUNT || s_fd[index] >= 0) return -1;
    int fd = GuiDevOpen(path, O_RDWR);
    if (fd < 0) return -1;
    s_fd[index] = fd;
    return 0;
}

int close_slot(int index)
{
    if (index < 0 || index >= PLATDEV_COUNT) return -1;
    int fd = s_fd[index].exchange(-1);
    if (fd < 0) return -1;
    if (GuiDevClose(fd) != 0) plat_close(fd);
    return 0;
}

int slot_fd(int index)
{
    return index < 0 || index >= PLATDEV_COUNT ? -1 : s_fd[index].load();
}

int key_fd()
{
    GUIKEYPAD* pad = GetKeypadObject(DEV_KEY);
    return pad ? pad->iDevFd : -1;
}

int read_u32(int fd, unsigned long request, uint32_t* value)
{
    if (fd < 0 || !value) return -1;
    uint32_t v = 0;
    if (plat_ioctl(fd, request, &v) != 0) return -1;
    *value = v;
    return 0;
}

int rw_u32(int fd, unsigned long request, uint32_t* value)
{
    if (fd < 0 || !value) return -1;
    uint32_t v = *value;
    if (plat_ioctl(fd, request, &v) != 0) return -1;
    *value = v;
    return 0;
}

int write_u32(int fd, unsigned long request, uint32_t value)
{
    if (fd < 0) return -1;
    return plat_ioctl_u32(fd, request, value);
}

int no_arg(int fd, unsigned long request)
{
    if (fd < 0) return -1;
    return plat_ioctl(fd, request, nullptr);
}

int screen_rear()
{
    MachineParameter m{};
    if (read_machine(&m) != 0) return 0;
    return m.dwScreenTurn == 1 ? 1 : 0;
}

} // namespace devint

using namespace devint;

// ---- Start and end ------------------------------------------------------------------------------
int GetDeviceFd(int index)
{
    return slot_fd(index);
}

int InitializePlatform()
{
    InitializeDevSpeaker();
    InitializeDevFpga();
    InitializeDevCamera();
    InitializeDevFrame();
    InitializeDevEnvironment();
    InitializeDevHeater();
    InitializeDevHighvolt();
    InitializeDevLcd();
    InitializeDevLed();
    InitializeDevMotor();
    InitializeDevTime();
    InitializeDevMisc();
    InitializeDevPower();
    InitializeMessageQueue();
    return 0;
}

int ReleasePlatform()
{
    ReleaseDevPower();
    ReleaseDevMisc();
    Rtc_close();
    ReleaseDevMotor();
    ReleaseDevLed();
    ReleaseDevLcd();
    ReleaseDevHighvolt();
    ReleaseDevHeater();
    ReleaseDevEnvironment();
    ReleaseDevFrame();
    ReleaseDevCamera();
    ReleaseDevFpga();
    ReleaseDevSpeaker();
    // The key-code queue's descriptor goes too; the queue itself belongs to the platform.
    mqd_t q = s_keyQueue.exchange(static_cast<mqd_t>(-1));
    if (q != static_cast<mqd_t>(-1)) plat_mq_close(q);
    return 0;
}

// ---- FPGA and miscellaneous device --------------------------------------------------------------
int InitializeDevFpga()
{
    return open_slot(PLATDEV_FPGA, DEV_FPGA);
}
int ReleaseDevFpga()
{
    return close_slot(PLATDEV_FPGA);
}

int ReadFpgaRegister(uint32_t address, uint32_t* value)
{
    uint32_t word = address;
    if (!value || rw_u32(slot_fd(PLATDEV_MISC), MISC_FPGA_REG_READ, &word) != 0) return -1;
    *value = word >> 8;
    return 0;
}

int WriteFpgaRegister(uint32_t address, uint32_t value)
{
    int fd = slot_fd(PLATDEV_MISC);
    if (fd < 0) return -1;
    FpgaRegWrite reg{address, value};
    PointerRecord rec{&reg, sizeof reg};
    return plat_ioctl(fd, MISC_FPGA_REG_WRITE, &rec);
}

int GetCoverStatus()
{
    uint32_t v = 0;
    if (read_u32(slot_fd(PLATDEV_MISC), MISC_COVER_STATE, &v) != 0) return -1;
    return v != 0 ? 1 : 0;
}

int SetBuzzerSwitch(uint32_t on)
{
    return write_u32(slot_fd(PLATDEV_MISC), MISC_BUZZER_SWITCH, on);
}

int CheckCoverStatus(int* state)
{
    if (slot_fd(PLATDEV_MISC) < 0 || slot_fd(PLATDEV_MOTOR) < 0) return -1;
    int open = GetCoverStatus();
    if (open < 0) return -1;
    if (state) *state = open;
    if (!open) {
        s_coverHomed = false;
        return 0;
    }
    if (s_coverHomed) return 0;
    uint32_t running = 0;
    if (GetMotorRunMask(&running) != 0 || (running & MOT_ALL) != 0) return 0;
    int r = BacktrackAllMotor();
    s_coverHomed = true;
    return r;
}

int InitializeDevMisc()
{
    if (open_slot(PLATDEV_MISC, DEV_MISC) != 0) return -1;
    TABLEFACTORYSYS fs{};
    if (GetTable_FactSys(&fs) != 0) {
        close_slot(PLATDEV_MISC);
        return -1;
    }
    WriteFpgaRegister(FPGA_REG_ELEC_POS_X, uint32_t(fs.lElecPosX));
    WriteFpgaRegister(FPGA_REG_ELEC_POS_Y, uint32_t(fs.lElecPosY));
    ResetBrightWavePos();
    return 0;
}

int ReleaseDevMisc()
{
    return close_slot(PLATDEV_MISC);
}

// ---- Camera sensors -----------------------------------------------------------------------------
int InitializeDevCamera()
{
    if (open_slot(PLATDEV_CAMERA, DEV_CAMERA) != 0) return -1;
    auto* block = static_cast<uint8_t*>(GuiMemAlloc(CAMERA_IMAGE_SIZE));
    if (!block) {
        close_slot(PLATDEV_CAMERA);
        return -1;
    }
    uint8_t x[CAMERA_IMAGE_SIZE], y[CAMERA_IMAGE_SIZE];
    if (build_sensor_images(x, y)) {
        std::memcpy(block, x, CAMERA_IMAGE_SIZE);
        send_sensor_block(1, block, CAMERA_IMAGE_SIZE);
        std::memcpy(block, y, 32); // the Y image differs in its first 32 bytes only
        send_sensor_block(2, block, CAMERA_IMAGE_SIZE);
    }
    GuiMemFree(block);
    plat_sleep_ms(100);
    return 0;
}

int ResendCameraImage(int camera)
{
    if (camera != 1 && camera != 2) return -1;
    uint8_t x[CAMERA_IMAGE_SIZE], y[CAMERA_IMAGE_SIZE];
    if (!build_sensor_images(x, y)) return -1;
    return send_sensor_block(camera, camera == 1 ? x : y, CAMERA_IMAGE_SIZE) == 0 ? 0 : -1;
}

int ReleaseDevCamera()
{
    return close_slot(PLATDEV_CAMERA);
}

int WriteCameraReg(int camera, int reg, int value)
{
    if (camera < 1 || camera > 3 || reg < 0 || reg > 32 || value < 0 || value > 255) return -1;
    if (slot_fd(PLATDEV_CAMERA) < 0) return -1;
    int r = 0;
    for (int c = 1; c <= 2; ++c) {
        if (!(camera & c)) continue;
        uint8_t stream[3] = {0x42, uint8_t(reg), uint8_t(value)};
        if (send_sensor_block(c, stream, sizeof stream) != 0) r = -1;
    }
    return r;
}

int SetCameraPara(int camera, int reg, int value)
{
    int r = WriteCameraReg(camera, reg, value);
    if (r != 0) return r;
    if (camera & 1) {
        TABLEFACTCAMERA p{};
        if (GetTable_FactCamera(0, &p) != 0) return -1;
        p.bData[reg + CAMERA_X_REG_OFFSET] = uint8_t(value);
        if (SetTable_FactCamera(0, &p) != 0) r = -1;
    }
    if (camera & 2) {
        TABLEFACTCAMERA p{};
        if (GetTable_FactCamera(1, &p) != 0) return -1;
        p.bData[reg + CAMERA_Y_REG_OFFSET] = uint8_t(value);
        if (SetTable_FactCamera(1, &p) != 0) r = -1;
    }
    return r;
}

int GetCameraPara(int camera, int reg, uint8_t* value)
{
    if ((camera != 1 && camera != 2) || reg < 0 || reg > 32 || !value) return -1;
    TABLEFACTCAMERA p{};
    if (GetTable_FactCamera(camera - 1, &p) != 0) return -1;
    *value = p.bData[reg + (camera == 1 ? CAMERA_X_REG_OFFSET : CAMERA_Y_REG_OFFSET)];
    return 0;
}

int ReadCameraReg(int camera, int reg, uint32_t* value)
{
    if ((camera != 1 && camera != 2) || reg < 0 || reg > 143 || !value) return -1;
    uint32_t v = uint32_t(reg);
    if (rw_u32(slot_fd(PLATDEV_CAMERA), camera == 1 ? CAM_SENSOR_READ_X : CAM_SENSOR_READ_Y, &v) != 0)
        return -1;
    *value = v;
    return 0;
}

int CameraStatusMonitor()
{
    return CameraStatusMonitorExposure(nullptr);
}

int CameraStatusMonitorExposure(const int* exposure)
{
    if (slot_fd(PLATDEV_CAMERA) < 0) return -1;
    uint8_t img[2][CAMERA_IMAGE_SIZE];
    if (!build_sensor_images(img[0], img[1])) return -1;
    if (exposure)
        for (int c = 0; c < 2; ++c) {
            const int e = std::clamp(exposure[c], 0, 0xFFFF);
            img[c][3 + 2] = uint8_t(e >> 8);
            img[c][4 + 2] = uint8_t(e & 0xFF);
        }
    int resent = 0;
    for (int c = 1; c <= 2; ++c) {
        bool differs = false;
        for (int r = 0; r <= 143; ++r) {
            if (skipped_register(r)) continue;
            uint32_t v = 0;
            if (ReadCameraReg(c, r, &v) != 0) continue; // unknown, not a difference
            uint32_t want = img[c - 1][r + 2];
            if (v != want) {
                std::printf(c == 1 ? "X Reg0x%X Error! Set Value = 0x%X, Read Value = 0x%X\n"
                                   : "Y Reg0x%X Error! Set Value = 0x%X, Read Value = 0x%X\n",
                            unsigned(r), unsigned(want), unsigned(v));
                differs = true;
            }
        }
        if (differs) {
            send_sensor_block(c, img[c - 1], CAMERA_IMAGE_SIZE);
            resent |= c;
        }
    }
    if (resent) plat_sleep_ms(100);
    return resent;
}

// ---- Brightness lines ---------------------------------------------------------------------------
int SetBrightWavePosition(int line, int position)
{
    // Position 0 would read as a read request; a line lies inside the 640-column picture.
    if (line < 0 || line > 9 || position <= 0 || position >= 640) return -1;
    BrightWaveRecord rec{uint32_t(line), uint32_t(position), nullptr};
    int fd = slot_fd(PLATDEV_CAMERA);
    return fd < 0 ? -1 : plat_ioctl(fd, CAM_BRIGHT_WAVE, &rec);
}

int GetBrightWave(int line, uint8_t* buffer)
{
    if (line < 0 || line > 9 || !buffer) return -1;
    BrightWaveRecord rec{uint32_t(line), 0, buffer};
    int fd = slot_fd(PLATDEV_CAMERA);
    return fd < 0 ? -1 : plat_ioctl(fd, CAM_BRIGHT_WAVE, &rec);
}

int ResetBrightWavePos()
{
    int r = 0;
    for (int c = 0; c < 2; ++c) {
        int e = GetElectrodeLocationInLcdPosition(c + 1);
        // A stored electrode column outside the picture must not move a line off it.
        int pos[4] = {64, std::clamp(e - 64, 1, 639), std::clamp(e + 64, 1, 639), 576};
        for (int i = 0; i < 4; ++i)
            if (SetBrightWavePosition(4 * c + i, pos[i]) != 0) r = -1;
    }
    return r;
}

int GetElectrodeLocationInLcdPosition(int view)
{
    TABLEFACTORYSYS fs{};
    if ((view != 1 && view != 2) || GetTable_FactSys(&fs) != 0) return 0;
    int pos = view == 1 ? fs.lElecPosX : fs.lElecPosY;
    return screen_rear() ? 640 - pos : pos;
}

// ---- Environment ------------------------------------------------------------------------------
int InitializeDevEnvironment()
{
    if (open_slot(PLATDEV_ENV, DEV_ENV) != 0) return -1;
    // A new sensor session has no record until its first read.
    PlatLock lock(environment_mtx);
    s_envValid = false;
    return 0;
}
int ReleaseDevEnvironment()
{
    return close_slot(PLATDEV_ENV);
}

int ReadEnvironmentRecord()
{
    int fd = slot_fd(PLATDEV_ENV);
    if (fd < 0) return -1;
    EnvironmentRecord rec{};
    ssize_t n = plat_read(fd, &rec, sizeof rec);
    if (n != ssize_t(sizeof rec)) return -1;
    PlatLock lock(environment_mtx);
    s_env = rec;
    s_envValid = true;
    return 0;
}

int GetEnvironmentValue(EnvironmentRecord* record)
{
    if (!record) return -1;
    PlatLock lock(environment_mtx);
    if (!s_envValid) return -1;
    *record = s_env;
    return 0;
}

void* thread_routine_environment(void*)
{
    do {
        ReadEnvironmentRecord();
    } while (plat_sleep_ms(10000));
    return nullptr;
}

int GetBatteryVoltage(uint32_t* value)
{
    return read_u32(slot_fd(PLATDEV_ENV), ENV_BATTERY_VOLTAGE, value);
}

// ---- Frame device -------------------------------------------------------------------------------
int InitializeDevFrame()
{
    if (open_slot(PLATDEV_FRAME, DEV_FRAME) != 0) return -1;
    int fd = slot_fd(PLATDEV_FRAME);
    uint8_t pal[1024];
    FILE* f = plat_fopen("font/Fore.pal", "rb");
    size_t got = f ? std::fread(pal, 1, sizeof pal, f) : 0;
    if (f) std::fclose(f);
    if (got != sizeof pal) {
        std::printf("InitializeDevFrame: font/Fore.pal missing or short\n");
        close_slot(PLATDEV_FRAME);
        return -1;
    }
    GUIFRAME* back = GetFrameObject("_BACK_FRM");
    GUIFRAME* fore = GetFrameObject("_FORE_FRM");
    if (back) back->iDevFd = fd;
    if (fore) fore->iDevFd = fd;
    plat_ioctl_u32(fd, FRM_LAYOUT, 8);
    GUIPALETTE* forePal = GetPaletteObject("_FORE_PAL");
    for (uint32_t i = 0; i < 256; ++i) {
        // Entries are blue, green, red and an unused byte.
        uint8_t b = pal[4 * i], g = pal[4 * i + 1], r = pal[4 * i + 2];
        GUIPALENTRY* e = forePal ? _PaletteColorEdit(i, r, g, b, forePal) : nullptr;
        uint32_t colour = e ? e->lColor : (uint32_t(r) << 16 | uint32_t(g) << 8 | b);
        plat_ioctl_u32(fd, FRM_PALETTE_ENTRY, (i << 24) | (colour & 0xFFFFFF));
    }
    return 0;
}

int ReleaseDevFrame()
{
    int fd = slot_fd(PLATDEV_FRAME);
    if (fd >= 0) {
        for (const char* name : {"_BACK_FRM", "_FORE_FRM"}) {
            GUIFRAME* f = GetFrameObject(name);
            if (f && f->iDevFd == fd) f->iDevFd = -1;
        }
    }
    return close_slot(PLATDEV_FRAME);
}

int GetCameraRowCol(int camera, uint32_t* rows, uint32_t* cols)
{
    if ((camera != 1 && camera != 2) || !rows || !cols) return -1;
    uint32_t v = 0;
    if (read_u32(slot_fd(PLATDEV_FRAME), camera == 1 ? FRM_CAMERA_ROWCOL_1 : FRM_CAMERA_ROWCOL_2, &v) != 0)
        return -1;
    *rows = v >> 16;
    *cols = v & 0xFFFF;
    return 0;
}

// ---- LCD and orientation ------------------------------------------------------------------------
int InitializeDevLcd()
{
    if (open_slot(PLATDEV_LCD, DEV_LCD) != 0) return -1;
    if (screen_rear())
        LcdTurnRear();
    else
        LcdTurnFront();
    TABLEFACTORYSYS fs{};
    uint32_t level = 40;
    if (GetTable_FactSys(&fs) == 0) {
        int32_t v = std::clamp<int32_t>(fs.lLcdBrightVal, 8, 80);
        if (v != fs.lLcdBrightVal) {
            fs.lLcdBrightVal = v;
            SetTable_FactSys(&fs);
        }
        level = uint32_t(v);
    }
    int fd = slot_fd(PLATDEV_LCD);
    plat_ioctl_u32(fd, LCD_BACKLIGHT, level);
    plat_ioctl_u32(fd, LCD_POWER, 4);
    return 0;
}

int ReleaseDevLcd()
{
    int fd = slot_fd(PLATDEV_LCD);
    if (fd >= 0) plat_ioctl_u32(fd, LCD_POWER, 0);
    return close_slot(PLATDEV_LCD);
}

int LcdPowerOn()
{
    return write_u32(slot_fd(PLATDEV_LCD), LCD_POWER, 4);
}
int LcdPowerOff()
{
    return write_u32(slot_fd(PLATDEV_LCD), LCD_POWER, 0);
}

int SetLcdBright(uint32_t level)
{
    return write_u32(slot_fd(PLATDEV_LCD), LCD_BACKLIGHT, std::clamp<uint32_t>(level, 8, 80));
}

int GetLcdBright(uint32_t* level)
{
    return read_u32(slot_fd(PLATDEV_LCD), LCD_BACKLIGHT_READ, level);
}

static int lcd_step(unsigned long request)
{
    int fd = slot_fd(PLATDEV_LCD);
    if (fd < 0) return -1;
    int r = 0;
    for (int i = 0; i < 4; ++i)
        if (plat_ioctl(fd, request, nullptr) != 0) r = -1;
    uint32_t level = 0;
    if (GetLcdBright(&level) != 0) return -1;
    TABLEFACTORYSYS fs{};
    if (GetTable_FactSys(&fs) == 0 && fs.lLcdBrightVal != int32_t(level)) {
        fs.lLcdBrightVal = int32_t(level);
        SetTable_FactSys(&fs);
    }
    return r;
}

int LcdBrightAdd()
{
    return lcd_step(LCD_STEP_UP);
}
int LcdBrightSub()
{
    return lcd_step(LCD_STEP_DOWN);
}

static int lcd_turn(int rear)
{
    MachineParameter m{};
    if (read_machine(&m) == 0 && m.dwScreenTurn != uint32_t(rear)) {
        m.dwScreenTurn = uint32_t(rear);
        SetTable_MachineParEx(&m);
    }
    // Image window offsets from the stored placement of the two pictures.
    TABLEUSERINFO ui{};
    int px = 32, py = 32;
    if (GetTable_UserInfo(&ui) == 0) {
        px = int(std::min<uint32_t>(ui.dwXImagePlace, 0xFFFF));
        py = int(std::min<uint32_t>(ui.dwYImagePlace, 0xFFFF));
    }
    int type = GetTypeInfo();
    bool wide = type == 4 || type == 8;
    int ox, oy;
    if (!rear) {
        ox = wide ? 208 - px : 96 - px;
        oy = wide ? 213 - py : 96 - py;
    } else {
        ox = wide ? px + 112 : px;
        oy = wide ? py + 117 : py;
    }
    int frm = slot_fd(PLATDEV_FRAME);
    if (frm >= 0) {
        plat_ioctl_u32(frm, FRM_OFFSET_X_X, uint32_t(std::max(ox, 0)));
        plat_ioctl_u32(frm, FRM_OFFSET_X_Y, uint32_t(std::max(oy, 0)));
    }
    // The arrow keys follow the screen: up, down, left, right.
    static const uint8_t front_keys[4] = {10, 1, 2, 18};
    static const uint8_t rear_keys[4] = {1, 10, 18, 2};
    if (GUIKEYPAD* pad = GetKeypadObject(DEV_KEY)) {
        for (uint8_t code = 5; code <= 8; ++code)
            if (GUIKEYMAP* e = GetKeypadMap(code, pad)) e->bKey1 = (rear ? rear_keys : front_keys)[code - 5];
    }
    WriteCameraReg(1, SENSOR_ORIENT_REG, sensor_orient_value(1, rear));
    WriteCameraReg(2, SENSOR_ORIENT_REG, sensor_orient_value(2, rear));
    std::printf(rear ? "LcdTurnRear\n" : "LcdTurnFront\n");
    int r = write_u32(slot_fd(PLATDEV_LCD), LCD_ORIENTATION, uint32_t(rear));
    SetMotorOrientation(rear);
    return r;
}

int LcdTurnFront()
{
    return lcd_turn(0);
}
int LcdTurnRear()
{
    return lcd_turn(1);
}

// ---- LEDs ---------------------------------------------------------------------------------------
int InitializeDevLed()
{
    if (open_slot(PLATDEV_LED, DEV_LED) != 0) return -1;
    LedOn();
    return 0;
}

int ReleaseDevLed()
{
    LedOff();
    return close_slot(PLATDEV_LED);
}

int LedOn()
{
    int fd = slot_fd(PLATDEV_LED);
    if (fd < 0) return -1;
    TABLEFACTORYSYS fs{};
    if (GetTable_FactSys(&fs) != 0) return -1;
    // Each voltage owns one byte of the word; a stored value must not spill into the other.
    uint32_t x = uint32_t(std::clamp<int32_t>(fs.lXLedVolt, 0, 255));
    uint32_t y = uint32_t(std::clamp<int32_t>(fs.lYLedVolt, 0, 255));
    return plat_ioctl_u32(fd, LED_SET, 0x800000u | (y << 8) | x);
}

int LedOff()
{
    return write_u32(slot_fd(PLATDEV_LED), LED_SET, 0);
}
int LedGrab()
{
    return no_arg(slot_fd(PLATDEV_LED), LED_GRAB);
}

// ---- Speaker ------------------------------------------------------------------------------------
int InitializeDevSpeaker()
{
    if (open_slot(PLATDEV_BEEP, DEV_BEEP) != 0) return -1;
    MachineParameter m{};
    if (read_machine(&m) != 0) return 0;
    if (m.wSpeakerSet2 == 65535 || m.bSpeakerSet1 == 255 || m.dwSpeakerMarker != SPEAKER_MARKER) {
        m.bSpeakerSet1 = 35;
        m.wSpeakerSet2 = 3000;
        m.dwSpeakerMarker = SPEAKER_MARKER;
        SetTable_MachineParEx(&m);
    }
    SpeakerSetup setup{};
    setup.wValue = m.wSpeakerSet2;
    setup.bValue = m.bSpeakerSet1;
    PointerRecord rec{&setup, sizeof setup};
    plat_ioctl(slot_fd(PLATDEV_BEEP), BEEP_SETUP, &rec);
    return 0;
}

int ReleaseDevSpeaker()
{
    return close_slot(PLATDEV_BEEP);
}

int SoundOfEvent(int event)
{
    if (event == 10) return 0;
    if ((event >= 1 && event <= 9) || (event >= 11 && event <= 20)) return 1;
    if (event == 4097 || event == 4098) return 2;
    if (event >= 0x7000 && event <= 0x8FFF) return 1;
    return 3;
}

int SpeakerPutSound(int event)
{
    int fd = slot_fd(PLATDEV_BEEP);
    if (fd < 0) {
        std::printf("Beep isn't open\n");
        return -1;
    }
    // Held keys and touches repeat silently. The repeat marks belong to key events (1..19) and
    // the touch sound (20) only: an error or heater sound right after a held key still plays.
    if (event >= 0 && event <= 20 && (CheckRepeatEvent() || GetTouchRepeat())) return 0;
    MachineParameter m{};
    if (read_machine(&m) != 0 || m.dwKeySound == 0) return 0;
    int sound = SoundOfEvent(event);
    if (sound == 0) return 0;
    plat_ioctl_u32(fd, BEEP_PREPARE, 5);
    return plat_ioctl_u32(fd, BEEP_SOUND, uint32_t(sound)) == 0 ? 0 : -1;
}

// ---- Power --------------------------------------------------------------------------------------
int InitializeDevPower()
{
    return open_slot(PLATDEV_POWER, DEV_POWER);
}

int ReleaseDevPower()
{
    return close_slot(PLATDEV_POWER);
}

int ShutdownSplicer()
{
    if (slot_fd(PLATDEV_POWER) >= 0) return no_arg(slot_fd(PLATDEV_POWER), PWR_OFF);
    // After the platform's release the request goes through a descriptor of its own.
    int fd = plat_open(DEV_POWER, O_RDWR);
    if (fd < 0) return -1;
    int r = no_arg(fd, PWR_OFF);
    plat_close(fd);
    return r;
}
int GetPowerType(uint32_t* type)
{
    return read_u32(slot_fd(PLATDEV_POWER), PWR_TYPE, type);
}

// ---- Key-driver flags ---------------------------------------------------------------------------
int GetResetFlag()
{
    uint32_t v = 0;
    if (read_u32(key_fd(), KEY_RESET_FLAG, &v) != 0) return 0;
    return v != 0 ? 1 : 0;
}

int ClearResetFlag()
{
    return no_arg(key_fd(), KEY_RESET_CLEAR);
}
int SetResetFlag()
{
    return no_arg(key_fd(), KEY_RESET_SET);
}
int DisableResetFunc()
{
    return no_arg(key_fd(), KEY_RESET_FUNC_OFF);
}
int EnableResetFunc()
{
    return no_arg(key_fd(), KEY_RESET_FUNC_ON);
}
int KeyIgnoreOn()
{
    return write_u32(key_fd(), KEY_IGNORE, 1);
}
int KeyIgnoreOff()
{
    return write_u32(key_fd(), KEY_IGNORE, 0);
}

int KeypadLightDly(uint32_t seconds)
{
    if (seconds > 120) return 1;
    return write_u32(key_fd(), KEY_LIGHT_TIME, seconds);
}

// ---- Key-code message queue ---------------------------------------------------------------------
int InitializeMessageQueue()
{
    if (s_keyQueue != static_cast<mqd_t>(-1)) return -1;
    // Two shell runs of the two steps: the mount must not depend on how a shell splits its line.
    if (plat_shell("mkdir /dev/mqueue") == -1 || plat_shell("mount -t mqueue none /dev/mqueue") == -1) {
        std::perror("system");
        return -1;
    }
    mqd_t q = plat_mq_open(KEYCODE_QUEUE, O_RDWR | O_CREAT | O_NONBLOCK, 0666, nullptr);
    if (q == static_cast<mqd_t>(-1)) {
        std::perror("mq_open");
        return -1;
    }
    s_keyQueue = q;
    return 0;
}

int RemoveMessageQueue()
{
    mqd_t q = s_keyQueue.exchange(static_cast<mqd_t>(-1));
    if (q != static_cast<mqd_t>(-1)) plat_mq_close(q);
    return plat_mq_unlink(KEYCODE_QUEUE);
}

mqd_t GetMessageQueue()
{
    return s_keyQueue;
}

int GetComEvent(mqd_t queue)
{
    // Forms poll the queue on every pass; one that never opened has nothing to give (its
    // failure was reported when it was opened).
    if (queue == static_cast<mqd_t>(-1)) return 0;
    struct mq_attr attr {
    };
    if (plat_mq_getattr(queue, &attr) != 0) {
        std::perror("mq_getattr");
        return 0;
    }
    if (attr.mq_curmsgs <= 0 || attr.mq_msgsize <= 0 || attr.mq_msgsize > 65536) return 0;
    char buf[65536];
    ssize_t n = plat_mq_receive(queue, buf, size_t(attr.mq_msgsize), nullptr);
    if (n <= 0) return 0;
    // The code is a little-endian word of the message's first bytes.
    uint32_t code = 0;
    std::memcpy(&code, buf, size_t(std::min<ssize_t>(n, 4)));
    if (n < 4) code &= (1u << (8 * n)) - 1;
    SetRepeatEvent((code & 0x300) == 0x300 ? 1 : 0);
    return int(code & 0x7FFFFFFF);
}

// ---- Time ---------------------------------------------------------------------------------------
void GetUserTime(struct timeval* now)
{
    if (!now) return;
    uint64_t us = plat_monotonic_us();
    now->tv_sec = time_t(us / 1000000);
    now->tv_usec = suseconds_t(us % 1000000);
}

bool UserMSleep(const struct timeval* start, uint32_t ms)
{
    if (!start) return false;
    int64_t begin = int64_t(start->tv_sec) * 1000000 + start->tv_usec;
    int64_t now = int64_t(plat_monotonic_us());
    return now - begin < int64_t(ms) * 1000;
}

int CheckTimeSlot(time_t* stored, int span)
{
    if (!stored) return 0;
    time_t now = time_t(plat_monotonic_us() / 1000000);
    if (*stored > now) return 1;
    if (now - *stored >= span) {
        *stored = now;
        return 1;
    }
    return 0;
}
