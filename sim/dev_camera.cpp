// Camera device emulator (see dev_camera.h).
#include "sim/dev_camera.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "sim/arc_glow.h"
#include "sim/dev_arc.h"
#include "sim/dev_simple.h"
#include "sim/emu_util.h"
#include "sim/fpga_emu.h"

namespace sim
{

using namespace emu;
using Lock = std::lock_guard<std::mutex>;

namespace
{
// Sensor calibration: grey = dark + LED x exposure / kLightDiv, and the arc's glow adds up to
// arc value x exposure / kGlowDiv at the electrodes' column (sim/arc_glow.h: how it spreads).
// An exposure unit is coarse: about 2 grey levels at LED 127, so the factory exposure 28 gives
// the factory brightness target of 64 and the exposure controller's step of a quarter unit per
// grey level closes half the error each pass. The arc's own light does not pass the backlight's
// path: an arc of drive 1000 at the fusion exposure 9 adds 200 grey levels at its column (about 70
// over the whole picture), several times the backlight's 18 at that exposure; at the factory
// exposure any arc saturates its column.
constexpr double kDark = fpga::kBlackLevel;
constexpr double kLightDiv = 64.0;
constexpr double kGlowDiv = 45.0;
// The fibre's shadow in the plain frame: a cladding of 125 um at 2 um per pixel across the middle.
constexpr int kShadowTop = 209, kShadowBottom = 271;
} // namespace

CameraDevice::CameraDevice(ArcDevice& arc, LedDevice& led) : arc_(arc), led_(led)
{
    x_.regs[kOrientRegister] = kFrontOrient[0];
    y_.regs[kOrientRegister] = kFrontOrient[1];
}

bool CameraDevice::mirrored(int view) const
{
    Lock lk(mu_);
    uint8_t r = sensor(view).regs[kOrientRegister];
    return ((r ^ kFrontOrient[view == 2 ? 1 : 0]) & kMirrorBit) != 0;
}

bool CameraDevice::volatile_register(unsigned r)
{
    switch (r) {
    case 39:
    case 50:
    case 55:
    case 56:
    case 57:
    case 58:
    case 77:
    case 90:
    case 91:
    case 140:
    case 143:
        return true;
    default:
        return false;
    }
}

void CameraDevice::set_frame_source(FrameSource fn)
{
    Lock lk(mu_);
    source_ = std::move(fn);
}

uint8_t CameraDevice::reg(int view, unsigned r) const
{
    Lock lk(mu_);
    return r < kRegisters ? sensor(view).regs[r] : 0;
}
void CameraDevice::set_reg(int view, unsigned r, uint8_t v)
{
    Lock lk(mu_);
    if (r < kRegisters) sensor(view).regs[r] = v;
}
unsigned CameraDevice::images_received(int view) const
{
    Lock lk(mu_);
    return sensor(view).images;
}
unsigned CameraDevice::exposure(int view) const
{
    Lock lk(mu_);
    auto& s = sensor(view);
    return unsigned(s.regs[3]) << 8 | s.regs[4];
}
void CameraDevice::set_fiber_present(int view, bool left, bool right)
{
    Lock lk(mu_);
    sensor(view).left = left;
    sensor(view).right = right;
}
std::array<uint8_t, 6> CameraDevice::fpga_rect(int view) const
{
    Lock lk(mu_);
    return sensor(view).rect;
}
uint32_t CameraDevice::bright_wave_position(unsigned line) const
{
    Lock lk(mu_);
    return line < wave_pos_.size() ? wave_pos_[line] : 0;
}

double CameraDevice::level_locked(int view, bool backlit) const
{
    auto& s = sensor(view);
    double exp = double(unsigned(s.regs[3]) << 8 | s.regs[4]);
    double led = backlit && led_.on() ? double(view == 2 ? led_.y_volt() : led_.x_volt()) : 0.0;
    double g = kDark + led * exp / kLightDiv;
    return std::min(255.0, g);
}

double CameraDevice::glow_locked(int view) const
{
    auto& s = sensor(view);
    double exp = double(unsigned(s.regs[3]) << 8 | s.regs[4]);
    return double(arc_.value()) * exp / kGlowDiv;
}

double CameraDevice::glow_level(int view) const
{
    Lock lk(mu_);
    return glow_locked(view);
}

double CameraDevice::scene_level(int view) const
{
    Lock lk(mu_);
    return level_locked(view, true);
}

double CameraDevice::shadow_level(int view) const
{
    Lock lk(mu_);
    return level_locked(view, false);
}

void CameraDevice::plain_frame(int view, uint8_t* buf, int width, int height) const
{
    double level;
    bool fibre;
    {
        Lock lk(mu_);
        // Without a scene the glow spreads evenly, as much light as the scene's glow gives.
        level = std::min(255.0, level_locked(view, true) + glow_locked(view) * glow::kMeanFraction);
        fibre = sensor(view).left || sensor(view).right;
    }
    auto bg = uint8_t(std::lround(level));
    auto shadow = uint8_t(std::lround(kDark + (level - kDark) * 0.25));
    for (int y = 0; y < height; ++y) {
        bool in = fibre && y >= kShadowTop && y <= kShadowBottom;
        std::memset(buf + size_t(y) * size_t(width), in ? shadow : bg, size_t(width));
    }
}

void CameraDevice::render(int view, uint8_t* buf, int width, int height) const
{
    FrameSource src;
    {
        Lock lk(mu_);
        src = source_;
    }
    if (src)
        src(view, buf, width, height);
    else
        plain_frame(view, buf, width, height);
    if (mirrored(view))
        for (int y = 0; y < height; ++y)
            std::reverse(buf + size_t(y) * size_t(width), buf + size_t(y + 1) * size_t(width));
}

int CameraDevice::sensor_write(Sensor& s, const void* arg)
{
    if (!arg) return efault();
    auto* rec = static_cast<const PointerRecord*>(arg);
    if (!rec->pAddr) return efault();
    auto* b = static_cast<const uint8_t*>(rec->pAddr);
    if (rec->lLength == kImageBytes) { // whole image: two header bytes, then registers 0..143
        std::copy(b, b + 2, s.header.begin());
        std::copy(b + 2, b + kImageBytes, s.regs.begin());
        ++s.images;
        return 0;
    }
    if (rec->lLength == 3 && b[0] == 'B') { // one register
        if (b[1] >= kRegisters) return einval();
        s.regs[b[1]] = b[2];
        return 0;
    }
    return einval();
}

int CameraDevice::on_ioctl(OpenState&, unsigned long req, void* arg)
{
    uint32_t v = 0;
    switch (req) {
    case CAM_SENSOR_WRITE_X:
    case CAM_SENSOR_WRITE_Y: {
        Lock lk(mu_);
        return sensor_write(sensor(req == CAM_SENSOR_WRITE_Y ? 2 : 1), arg);
    }
    case CAM_SENSOR_READ_X:
    case CAM_SENSOR_READ_Y: {
        Lock lk(mu_);
        if (!get_u32(arg, v)) return efault();
        if (v >= kRegisters) return einval();
        uint32_t out = sensor(req == CAM_SENSOR_READ_Y ? 2 : 1).regs[v];
        if (volatile_register(v)) out = uint32_t((now_us() / 33333u + v) & 0xFF); // live counters
        return put_u32(arg, out) ? 0 : efault();
    }
    case CAM_READ_FRAME_X:
    case CAM_READ_FRAME_Y: {
        auto* rec = block(arg, uint32_t(kWidth * kHeight));
        if (!rec) return einval();
        int view = req == CAM_READ_FRAME_Y ? 2 : 1;
        // A grab delivers the next frame the sensor reads out.
        uint64_t now = now_us();
        Scheduler::instance().sleep_us(kFramePeriodUs - now % kFramePeriodUs);
        render(view, static_cast<uint8_t*>(rec->pAddr), kWidth, kHeight);
        return 0;
    }
    case CAM_FIBER_PRESENCE: {
        // A fibre is present where the fixed column profiles (lines 0 and 3 of X, 4 and 7 of Y)
        // cross its shadow.
        std::array<uint32_t, kWaveLines> pos;
        {
            Lock lk(mu_);
            pos = wave_pos_;
        }
        std::vector<uint8_t> frame(size_t(kWidth) * kHeight);
        uint8_t prof[kHeight];
        auto seen = [&](unsigned line) {
            fpga::column_profile(frame.data(), int(pos[line]), prof);
            return uint32_t(fpga::shadow_present(prof));
        };
        render(1, frame.data(), kWidth, kHeight);
        v = seen(3) | seen(0) << 8;
        render(2, frame.data(), kWidth, kHeight);
        v |= seen(7) << 16 | seen(4) << 24;
        return put_u32(arg, v) ? 0 : efault();
    }
    case CAM_FPGA_RECT_X:
    case CAM_FPGA_RECT_Y: {
        auto* rec = block(arg, 6);
        if (!rec) return einval();
        Lock lk(mu_);
        auto& r = sensor(req == CAM_FPGA_RECT_Y ? 2 : 1).rect;
        std::memcpy(r.data(), rec->pAddr, r.size());
        return 0;
    }
    case CAM_CORE_LINE_X:
    case CAM_CORE_LINE_Y: {
        if (!arg) return efault();
        int view = req == CAM_CORE_LINE_Y ? 2 : 1;
        std::array<uint8_t, 6> rect;
        {
            Lock lk(mu_);
            rect = sensor(view).rect;
        }
        std::vector<uint8_t> frame(size_t(kWidth) * kHeight);
        render(view, frame.data(), kWidth, kHeight);
        // A fibre whose core shows no line reads 0, 0.
        auto lines = fpga::core_lines(frame.data(), fpga::decode_rect(rect));
        CoreLineRecord out{};
        std::memcpy(&out.lLeftB, &lines[0].b, 4);
        std::memcpy(&out.lLeftK, &lines[0].k, 4);
        std::memcpy(&out.lRightB, &lines[1].b, 4);
        std::memcpy(&out.lRightK, &lines[1].k, 4);
        std::memcpy(arg, &out, sizeof out);
        return 0;
    }
    case CAM_BRIGHT_WAVE: {
        if (!arg) return efault();
        auto* w = static_cast<BrightWaveRecord*>(arg);
        if (w->lLine >= kWaveLines) return einval();
        bool row_line = w->lLine >= 8;
        if (!w->pBuffer) { // set the line's position: a column, or a row for the row profiles
            if (w->lPosition >= uint32_t(row_line ? kHeight : kWidth)) return einval();
            Lock lk(mu_);
            wave_pos_[w->lLine] = w->lPosition;
            return 0;
        }
        if (w->lPosition != 0) return einval();
        int view = row_line ? int(w->lLine) - 7 : w->lLine < 4 ? 1 : 2;
        uint32_t pos;
        std::array<uint8_t, 6> rect;
        {
            Lock lk(mu_);
            pos = wave_pos_[w->lLine];
            rect = sensor(view).rect;
        }
        std::vector<uint8_t> frame(size_t(kWidth) * kHeight);
        render(view, frame.data(), kWidth, kHeight);
        if (row_line)
            fpga::row_profile(frame.data(), fpga::decode_rect(rect), int(pos), w->pBuffer);
        else
            fpga::column_profile(frame.data(), int(pos), w->pBuffer);
        return 0;
    }
    default:
        return fail(ENOTTY);
    }
}

} // namespace sim
