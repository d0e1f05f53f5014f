// Camera exposure: brightness read from the FPGA, the damped exposure step, and the automatic
// calibration that brings both cameras to their factory brightness with no fibre in view.
#include "fiber/exposure.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "devices/platdev.h"
#include "fiber/fiberstruct.h"
#include "params/param_tables.h"
#include "platform/seam.h"

namespace
{
bool g_monitorDone = false;

constexpr int kTolerance = 4;
constexpr uint32_t kCalibrationLed = 0x807F7F; // both cameras at level 127
constexpr int kSettleMs = 100;
constexpr int kExposureHigh = 3, kExposureLow = 4; // sensor registers

// A fibre in view or an open cover: the picture is not the bare backlight any more.
bool interrupted()
{
    uint32_t visible = 0;
    if (GetFiberVisible(&visible) == 0 && visible != 0) {
        std::printf("BrightMonitor: FiberVisible\n");
        return true;
    }
    if (GetCoverStatus() == 1) {
        std::printf("BrightMonitor: CoverOpened\n");
        return true;
    }
    return false;
}

int read_exposure(int camera)
{
    uint32_t hi = 0, lo = 0;
    if (ReadCameraReg(camera, kExposureHigh, &hi) != 0 || ReadCameraReg(camera, kExposureLow, &lo) != 0)
        return -1;
    return int((hi & 0xFF) << 8 | (lo & 0xFF));
}

int write_exposure(int camera, int exposure)
{
    int a = WriteCameraReg(camera, kExposureHigh, (exposure >> 8) & 0xFF);
    int b = WriteCameraReg(camera, kExposureLow, exposure & 0xFF);
    return a == 0 && b == 0 ? 0 : -1;
}

// Keeps a camera's calibrated exposure in its factory camera page.
int store_exposure(int camera, int exposure)
{
    ParamTableLock();
    TABLEFACTCAMERA page{};
    int r = GetTable_FactCamera(camera - 1, &page);
    if (r == 0) {
        const int base = camera == 1 ? CAMERA_X_REG_OFFSET : CAMERA_Y_REG_OFFSET;
        page.bData[base + kExposureHigh] = uint8_t(exposure >> 8);
        page.bData[base + kExposureLow] = uint8_t(exposure);
        r = SetTable_FactCamera(camera - 1, &page);
    }
    ParamTableUnlock();
    return r;
}
} // namespace

int CheckBrightnessEx(int view, int target, int tolerance, int* difference)
{
    if ((view != VIEW_X && view != VIEW_Y) || !difference) return -1;
    uint32_t value = 0;
    if (ReadFpgaRegister(view == VIEW_X ? FPGA_REG_BRIGHT_SUM_X : FPGA_REG_BRIGHT_SUM_Y, &value) != 0)
        return -1;
    const int brightness = int(value & 0xFF); // bits 8..15 of the reply word
    *difference = target - brightness;
    return brightness >= target - tolerance && brightness <= target + tolerance ? 1 : 0;
}

int AdjustExposeSpeed(int difference, int* exposure, float* gain, int* history)
{
    if (!exposure || !gain || !history) return 0;
    *history = (*history * 2 + (difference > 0 ? 1 : 0)) % 16;
    // Alternating signs mean the steps overshoot: damp them.
    if (*history == 10)
        *gain *= 0.5f;
    else if (*history == 13)
        *gain *= 0.9f;
    else if (*history == 5)
        *gain *= 0.7f;
    const float s = float(difference) * *gain;
    const int step = std::isfinite(s) ? int(std::clamp(s, -16384.0f, 16384.0f)) : 0;
    int e = *exposure + step;
    if (e < 0) e = 1;
    if (e > EXPOSURE_MAX) e = EXPOSURE_MAX;
    *exposure = e;
    return step;
}

int BrightMonitor(int restart)
{
    if (restart) g_monitorDone = false;
    if (g_monitorDone) return 0;
    TABLEFACTORYSYS sys{};
    if (GetTable_FactSys(&sys) != 0 || sys.lMonitorLedBright == 0) return 0;

    g_monitorDone = true;
    if (interrupted()) return 0;
    plat_ioctl_u32(GetDeviceFd(PLATDEV_LED), LED_SET, kCalibrationLed);
    const int target[2] = {sys.lXLightVal, sys.lYLightVal};
    const int original[2] = {read_exposure(1), read_exposure(2)};
    if (original[0] < 0 || original[1] < 0) return 1;
    int exposure[2] = {original[0], original[1]};
    float gain[2] = {0.25f, 0.25f};
    int history[2] = {0, 0};
    bool done[2] = {false, false};
    bool readable = true, stopped = false;
    for (int pass = 0; pass < BRIGHT_MONITOR_PASSES && readable && !(done[0] && done[1]); ++pass) {
        // An operator who loads fibres meanwhile would have them calibrated into the exposure.
        if (pass > 0 && interrupted()) {
            stopped = true;
            break;
        }
        for (int c = 0; c < 2 && readable; ++c) {
            if (done[c]) continue;
            int diff = 0;
            const int in = CheckBrightnessEx(c + 1, target[c], kTolerance, &diff);
            if (in < 0) {
                readable = false;
            } else if (in == 1) {
                done[c] = true;
            } else {
                AdjustExposeSpeed(diff, &exposure[c], &gain[c], &history[c]);
                write_exposure(c + 1, exposure[c]);
                plat_sleep_ms(kSettleMs);
            }
        }
    }
    bool fault = !readable;
    for (int c = 0; c < 2; ++c) {
        if (done[c]) {
            store_exposure(c + 1, exposure[c]);
            continue;
        }
        // A calibration that did not finish leaves the camera as it found it. Out of range means
        // the exposure ran into its limit with the picture still too dark or too bright.
        if (!stopped && (exposure[c] <= 1 || exposure[c] >= EXPOSURE_MAX)) fault = true;
        write_exposure(c + 1, original[c]);
        std::printf("BrightMonitor: camera %d not within %d of %d\n", c + 1, kTolerance, target[c]);
    }
    std::printf("BrightMonitor Over\n");
    return fault ? 1 : 0;
}
