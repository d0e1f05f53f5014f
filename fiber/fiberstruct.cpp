// The fibre measurement record, fibre presence, the motor snapshot and the core-line exchange with
// the FPGA line pre-processor.
#include "fiber/fiberstruct.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "devices/motor.h"
#include "devices/platdev.h"
#include "platform/seam.h"

namespace
{
APPFIBER g_fiber{};
// Core lines saved by PushAndPopKB: K then B of X-left, X-right, Y-left, Y-right.
float g_savedK[4] = {0, 0, 0, 0};
float g_savedB[4] = {0, 0, 0, 0};

APPFIBER_INFO* const kFibres[4] = {&g_fiber.graX.infL, &g_fiber.graX.infR, &g_fiber.graY.infL,
                                   &g_fiber.graY.infR};

// The four ints (current dir, current distance, previous dir, previous distance) of a motor id.
int32_t* motor_pairs(uint32_t id)
{
    if (id == MOT_LPRESS_ID.load()) return &g_fiber.iLPressCurrDir;
    if (id == MOT_RPRESS_ID.load()) return &g_fiber.iRPressCurrDir;
    switch (id) {
    case MOT_XFOCUS_ID:
        return &g_fiber.iXFocusCurrDir;
    case MOT_YFOCUS_ID:
        return &g_fiber.iYFocusCurrDir;
    case MOT_XALIGN_ID:
        return &g_fiber.iXAlignCurrDir;
    case MOT_YALIGN_ID:
        return &g_fiber.iYAlignCurrDir;
    default:
        return nullptr;
    }
}

// Stores the status word of each selected motor into its current (offset 0) or previous (2) pair.
int snapshot(uint32_t motorMask, int offset)
{
    const int fd = GetDeviceFd(PLATDEV_MOTOR);
    if (fd < 0) return -1;
    for (uint32_t id = 0; id < 6; ++id) {
        if (!(motorMask & (1u << id))) continue;
        uint32_t word = 1u << id;
        if (plat_ioctl(fd, MOT_STATUS, &word) != 0) return -1;
        int32_t* p = motor_pairs(id);
        if (!p) continue;
        p[offset] = int32_t((word >> 8) & 0xFF);
        p[offset + 1] = int16_t(uint16_t(word >> 16));
    }
    return 0;
}

int read_presence(uint32_t* word)
{
    const int fd = GetDeviceFd(PLATDEV_CAMERA);
    return fd < 0 ? -1 : plat_ioctl(fd, CAM_FIBER_PRESENCE, word);
}

uint8_t to_byte(double v)
{
    if (!std::isfinite(v)) return 0;
    return uint8_t(std::clamp(v, 0.0, 255.0));
}
} // namespace

int InitializeFiberStruct()
{
    g_fiber = APPFIBER{};
    return snapshot(MOT_ALL, 2);
}

APPFIBER* GetFiberStruct()
{
    return &g_fiber;
}

APPFIBER_INFO* GetFiberInfo(int view, int side)
{
    if ((view != 1 && view != 2) || (side != 0 && side != 1)) return nullptr;
    return kFibres[(view - 1) * 2 + side];
}

int GetFiberVisible(uint32_t* mask)
{
    uint32_t w = 0;
    if (!mask || read_presence(&w) != 0) return -1;
    const bool xr = w & 0xFF, xl = (w >> 8) & 0xFF, yr = (w >> 16) & 0xFF, yl = (w >> 24) & 0xFF;
    *mask = (xl && yl ? 1u : 0u) | (xr && yr ? 2u : 0u);
    return 0;
}

int CheckFiberVisible(int viewMask, int sideMask)
{
    uint32_t w = 0;
    if (read_presence(&w) != 0) return -1;
    for (int view = 1; view <= 2; ++view) {
        if (!(viewMask & view)) continue;
        const int shift = view == 1 ? 0 : 16; // right byte; the left one follows it
        if ((sideMask & 1) && !((w >> (shift + 8)) & 0xFF))
            return g_fiber.lFiberErrorFlag = FIBER_ERR_LEFT_MISSING;
        if ((sideMask & 2) && !((w >> shift) & 0xFF))
            return g_fiber.lFiberErrorFlag = FIBER_ERR_RIGHT_MISSING;
    }
    return 0;
}

int GetMotorStatus(uint32_t motorMask)
{
    return snapshot(motorMask, 0);
}

int SetMotorStatus(uint32_t motorMask)
{
    return snapshot(motorMask, 2);
}

int CheckMotorStatus(uint32_t motorMask, int tolerance)
{
    for (uint32_t id = 0; id < 6; ++id) {
        if (!(motorMask & (1u << id))) continue;
        const int32_t* p = motor_pairs(id);
        if (!p) continue;
        const bool differs = p[0] != p[2] || p[1] != p[3];
        if (differs && std::llabs(int64_t(p[1]) - p[3]) >= tolerance) return 1;
    }
    return 0;
}

int SetFpgaRect()
{
    const int fd = GetDeviceFd(PLATDEV_CAMERA);
    if (fd < 0) return -1;
    int r = 0;
    for (int view = 1; view <= 2; ++view) {
        const APPFIBER_GRAPH& g = view == 1 ? g_fiber.graX : g_fiber.graY;
        // The FPGA works in half-resolution coordinates.
        uint8_t rect[6] = {to_byte(g.infR.fCladCenter / 2.0),
                           to_byte(g.infL.fCladCenter / 2.0),
                           to_byte((620.0 - g.infR.fEndfacePos) / 2.0),
                           to_byte((g.infL.fEndfacePos - 20.0) / 2.0),
                           to_byte(g.infL.fShadowBright),
                           to_byte((view == 1 ? g.infL.fCladWidth : g.infR.fCladWidth) * 0.3)};
        PointerRecord rec{rect, sizeof rect};
        if (plat_ioctl(fd, view == 1 ? CAM_FPGA_RECT_X : CAM_FPGA_RECT_Y, &rec) != 0) r = -1;
    }
    return r;
}

namespace
{
int read_core_lines(bool withK)
{
    const int fd = GetDeviceFd(PLATDEV_CAMERA);
    if (fd < 0) return -1;
    for (int view = 1; view <= 2; ++view) {
        CoreLineRecord rec{};
        if (plat_ioctl(fd, view == 1 ? CAM_CORE_LINE_X : CAM_CORE_LINE_Y, &rec) != 0) return -1;
        APPFIBER_GRAPH& g = view == 1 ? g_fiber.graX : g_fiber.graY;
        std::memcpy(&g.infL.fCoreB, &rec.lLeftB, 4);
        std::memcpy(&g.infR.fCoreB, &rec.lRightB, 4);
        if (withK) {
            std::memcpy(&g.infL.fCoreK, &rec.lLeftK, 4);
            std::memcpy(&g.infR.fCoreK, &rec.lRightK, 4);
        }
    }
    return 0;
}
} // namespace

int GetFpgaKB()
{
    return read_core_lines(true);
}

int GetFpgaB()
{
    return read_core_lines(false);
}

int PushAndPopKB(int push)
{
    for (int i = 0; i < 4; ++i) {
        if (push) {
            g_savedK[i] = kFibres[i]->fCoreK;
            g_savedB[i] = kFibres[i]->fCoreB;
        } else {
            kFibres[i]->fCoreK = g_savedK[i];
            kFibres[i]->fCoreB = g_savedB[i];
        }
    }
    return 0;
}
