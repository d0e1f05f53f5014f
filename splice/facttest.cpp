// The factory tests' measurements (see facttest.h).
#include "splice/facttest.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "devices/arc.h"
#include "devices/motor.h"
#include "devices/platdev.h"
#include "fiber/graphics.h"
#include "params/param_tables.h"
#include "platform/requests.h"
#include "platform/seam.h"
#include "splice/autosplice.h"

namespace
{
constexpr int kRows = 480;
// A view's columns on each side of the gap where a fibre lies in the clamps.
constexpr int kLeftNear = 200, kLeftFar = 60, kRightNear = 440, kRightFar = 580;
// A shadow needs this much contrast against the background (grey levels).
constexpr int kMinContrast = 30;
// Limits of the checks: centre within this many rows of the middle, tilt below this (degree),
// background level neither near black nor near saturation.
constexpr double kMirrorRows = 60.0, kMaxTilt = 0.5;
constexpr double kLevelLow = 30.0, kLevelHigh = 220.0;

std::string fmt(const char* f, double a)
{
    char s[64];
    std::snprintf(s, sizeof s, f, a);
    return s;
}

const char* motor_name(uint32_t bit)
{
    switch (bit) {
    case MOT_XFOCUS:
        return "X focus";
    case MOT_XALIGN:
        return "X align";
    case MOT_YFOCUS:
        return "Y focus";
    case MOT_YALIGN:
        return "Y align";
    default:
        return bit == MOT_LPRESS ? "Left press" : "Right press";
    }
}

int position_of(uint32_t bit, int* pos)
{
    int dir = 0;
    return GetMotorPosition(bit, pos, &dir);
}

// Steps towards whichever limit has room for them, from the motor's limits and position.
int travel_for(uint32_t bit, int steps)
{
    MotorLimits l{};
    int pos = 0;
    if (GetMotorLimits(bit, &l) != 0 || position_of(bit, &pos) != 0) return steps;
    return pos + steps <= l.upper ? steps : -steps;
}

uint8_t* frame(int view)
{
    return GetGraphicsData(view == VIEW_X ? VIEWMASK_X : VIEWMASK_Y) == 0 ? GetGraphicsEntry(view) : nullptr;
}
} // namespace

bool FactTestPassed(const FactTestLines& lines)
{
    return std::none_of(lines.begin(), lines.end(), [](const FACTTESTLINE& l) { return l.verdict == 0; });
}

int FactTestMotorTravel(uint32_t mask, int steps, FactTestLines& out)
{
    int failed = 0;
    for (uint32_t bit = 1; bit <= 32; bit <<= 1) {
        if (!(mask & bit)) continue;
        int from = 0, far = 0, back = 0;
        // Position words count in the direction the move request sets, which differs per motor:
        // the travel is checked as a distance.
        const int move = travel_for(bit, steps);
        bool ok = position_of(bit, &from) == 0 && MoveAnyoneMotor(bit, move) == 0 &&
                  position_of(bit, &far) == 0 && MoveAnyoneMotor(bit, -move) == 0 &&
                  position_of(bit, &back) == 0;
        ok = ok && std::abs(far - from) == std::abs(move) && back == from;
        char v[80];
        std::snprintf(v, sizeof v, "%d > %d > %d", from, far, back);
        out.push_back({motor_name(bit), v, ok ? 1 : 0});
        failed += !ok;
    }
    return failed ? -1 : 0;
}

int FactTestPress(FactTestLines& out)
{
    const bool homed = ResetMotor(MOT_PRESS) == 0;
    out.push_back({"Press home", homed ? "OK" : "failed", homed ? 1 : 0});
    return FactTestMotorTravel(MOT_PRESS, 1000, out) == 0 && homed ? 0 : -1;
}

int FactTestAlign(FactTestLines& out)
{
    const bool homed = ResetAlignMotor(2000) == 0;
    out.push_back({"Align home", homed ? "OK" : "failed", homed ? 1 : 0});
    return FactTestMotorTravel(MOT_ALIGN, 400, out) == 0 && homed ? 0 : -1;
}

int FactTestMotor(FactTestLines& out)
{
    const int r = ResetAllMotor();
    out.push_back({"Home all", r == 0 ? "OK" : fmt("failed (%.0f)", r), r == 0 ? 1 : 0});
    return FactTestMotorTravel(MOT_ALL, 500, out) == 0 && r == 0 ? 0 : -1;
}

bool FactTestShadow(int view, int column, double* centre, double* width)
{
    const int line = view == VIEW_X ? 0 : 4;
    std::array<uint8_t, kRows> p{};
    if (SetBrightWavePosition(line, column) != 0 || GetBrightWave(line, p.data()) != 0) return false;
    std::array<uint8_t, kRows> sorted = p;
    std::sort(sorted.begin(), sorted.end());
    const int dark = sorted[kRows / 20], light = sorted[kRows * 9 / 10];
    if (light - dark < kMinContrast) return false;
    const double level = (dark + light) / 2.0;
    // The outer edges of the shadow: the fibre's bright central band lies between them.
    int first = -1, last = -1;
    for (int r = 1; r < kRows; ++r)
        if (p[r] < level) {
            if (first < 0) first = r;
            last = r;
        }
    if (first <= 0 || last >= kRows - 1) return false;
    auto cross = [&](int a, int b) { return a + (level - p[a]) / (double(p[b]) - p[a]) * (b - a); };
    const double top = cross(first - 1, first), bottom = cross(last, last + 1);
    *centre = (top + bottom) / 2.0;
    *width = bottom - top;
    return true;
}

namespace
{
int mirror_rows(FactTestLines& out)
{
    int failed = 0;
    for (int view : {VIEW_X, VIEW_Y})
        for (int column : {kLeftNear, kRightNear}) {
            double c = 0, w = 0;
            const bool seen = FactTestShadow(view, column, &c, &w);
            const bool ok = seen && std::abs(c - kRows / 2.0) <= kMirrorRows;
            char label[32];
            std::snprintf(label, sizeof label, "%s %s fiber row", view == VIEW_X ? "X" : "Y",
                          column < 320 ? "left" : "right");
            out.push_back({label, seen ? fmt("%.1f", c) : "no fiber", ok ? 1 : 0});
            failed += !ok;
        }
    return failed ? -1 : 0;
}

int fibre_angles(FactTestLines& out)
{
    int failed = 0;
    struct Side {
        const char* name;
        int a, b;
    };
    for (int view : {VIEW_X, VIEW_Y})
        for (Side s : {Side{"left", kLeftFar, kLeftNear}, Side{"right", kRightNear, kRightFar}}) {
            double ca = 0, cb = 0, w = 0;
            const bool seen = FactTestShadow(view, s.a, &ca, &w) && FactTestShadow(view, s.b, &cb, &w);
            const double tilt = std::atan2(cb - ca, double(s.b - s.a)) * 180.0 / std::numbers::pi;
            const bool ok = seen && std::abs(tilt) < kMaxTilt;
            char label[32];
            std::snprintf(label, sizeof label, "%s %s fiber angle", view == VIEW_X ? "X" : "Y", s.name);
            out.push_back({label, seen ? fmt("%.2f deg", tilt) : "no fiber", ok ? 1 : 0});
            failed += !ok;
        }
    return failed ? -1 : 0;
}

// The reduced splice sequence brings the laid pair into view: fed to the gap and aligned.
int with_fibres_set(int (*measure)(FactTestLines&), FactTestLines& out)
{
    const int r = SpliceFiber(0);
    out.push_back({"Fiber set", r == 0 ? "OK" : fmt("failed (%.0f)", r), r == 0 ? 1 : 0});
    if (r != 0) return -1;
    return measure(out);
}

} // namespace

int FactTestMirror(FactTestLines& out)
{
    return with_fibres_set(mirror_rows, out);
}

int FactTestRound(FactTestLines& out)
{
    return with_fibres_set(fibre_angles, out);
}

int FactTestCali(FactTestLines& out)
{
    int failed = 0;
    for (int view : {VIEW_X, VIEW_Y}) {
        FACTNOISE n{};
        const bool read = FactTestNoise(view, 1, &n) == 0;
        const bool ok = read && n.mean >= kLevelLow && n.mean <= kLevelHigh;
        out.push_back({view == VIEW_X ? "X background" : "Y background",
                       read ? fmt("%.1f", n.mean) : "no picture", ok ? 1 : 0});
        failed += !ok;
        const int column = GetElectrodeLocationInLcdPosition(view);
        const bool inside = column > 0 && column < 640;
        out.push_back({view == VIEW_X ? "X electrode column" : "Y electrode column", fmt("%.0f", column),
                       inside ? 1 : 0});
        failed += !inside;
    }
    return failed ? -1 : 0;
}

int FactTestArc(int power, int ms, FactTestLines& out)
{
    int value = 0;
    if (CalcHighvoltValue(power, &value) != 0 || CheckAvgBr() != 0) {
        out.push_back({"Arc", "not ready", 0});
        return -1;
    }
    const int32_t darkX = lNoArcAvgX, darkY = lNoArcAvgY;
    uint32_t glowX = 0, glowY = 0;
    int r = SetHighvoltDev(value, ms);
    if (r == 0) {
        plat_sleep_ms(uint32_t(ms / 2));
        ReadFpgaRegister(FPGA_REG_BRIGHT_SUM_X, &glowX);
        ReadFpgaRegister(FPGA_REG_BRIGHT_SUM_Y, &glowY);
        r = WaitArcOverAndSaveCount(1, 0, 1);
    }
    out.push_back({"Drive value", fmt("%.0f", value), -1});
    out.push_back({"X brightness", std::to_string(darkX) + " > " + std::to_string(glowX), -1});
    out.push_back({"Y brightness", std::to_string(darkY) + " > " + std::to_string(glowY), -1});
    out.push_back({"Arc",
                   r == 0              ? "seen"
                   : r == ARC_NOT_SEEN ? "not seen"
                                       : fmt("failed (%.0f)", r),
                   r == 0 ? 1 : 0});
    return r == 0 ? 0 : -1;
}

int FactTestNoise(int view, int frames, FACTNOISE* result)
{
    // A sparse grid of the picture: every 8th pixel of every 8th row.
    constexpr int kStep = 8, kCols = CAMERA_WIDTH / kStep, kGridRows = CAMERA_HEIGHT / kStep;
    constexpr int kPoints = kCols * kGridRows;
    if (frames < 1 || !result) return -1;
    std::vector<double> sum(kPoints, 0.0), sq(kPoints, 0.0);
    for (int f = 0; f < frames; ++f) {
        const uint8_t* px = frame(view);
        if (!px) return -1;
        for (int i = 0; i < kPoints; ++i) {
            const double v = px[(i / kCols) * kStep * CAMERA_WIDTH + (i % kCols) * kStep];
            sum[i] += v;
            sq[i] += v * v;
        }
    }
    // Only the background counts: the fibre's shadow and fringes are not noise.
    std::vector<double> mean(kPoints);
    for (int i = 0; i < kPoints; ++i)
        mean[i] = sum[i] / frames;
    std::vector<double> sorted = mean;
    std::nth_element(sorted.begin(), sorted.begin() + kPoints / 2, sorted.end());
    const double median = sorted[kPoints / 2];
    double m = 0, var = 0, s2 = 0;
    int n = 0;
    for (int i = 0; i < kPoints; ++i) {
        if (std::abs(mean[i] - median) > 0.15 * median) continue;
        ++n;
        m += mean[i];
        s2 += mean[i] * mean[i];
        var += std::max(0.0, sq[i] / frames - mean[i] * mean[i]);
    }
    if (n == 0) return -1;
    result->mean = m / n;
    result->spread = std::sqrt(std::max(0.0, s2 / n - result->mean * result->mean));
    result->noise = frames > 1 ? std::sqrt(var / n * frames / (frames - 1)) : 0.0;
    return 0;
}

FACTSENSORS FactTestReadSensors()
{
    FACTSENSORS s{};
    EnvironmentRecord e{};
    if (ReadEnvironmentRecord() == 0 && GetEnvironmentValue(&e) == 0) {
        s.env = true;
        s.temperature = e.lTemperature / 100.0;
        s.pressure = e.lPressure / 10.0;
        s.humidity = e.lHumidity / 100.0;
    }
    s.battery = GetBatteryVoltage(&s.batteryRaw) == 0;
    s.cover = GetCoverStatus();
    return s;
}

int FactTestArcStandard(FactTestLines& out)
{
    // A medium discharge: enough glow to see, short enough to spare the electrodes.
    return FactTestArc(100, 1000, out);
}

int FactTestAll(FactTestLines& out)
{
    static constexpr struct {
        const char* name;
        int (*fn)(FactTestLines&);
    } kTests[] = {{"Press motors", FactTestPress}, {"Align motors", FactTestAlign},
                  {"All motors", FactTestMotor},   {"Mirror position", FactTestMirror},
                  {"Calibration", FactTestCali},   {"Arc", FactTestArcStandard}};
    int failed = 0;
    for (auto& t : kTests) {
        FactTestLines detail;
        const int r = t.fn(detail);
        int failing = 0;
        for (auto& l : detail)
            failing += l.verdict == 0;
        out.push_back({t.name, r == 0 ? "" : std::to_string(failing) + " failed", r == 0 ? 1 : 0});
        failed += r != 0;
    }
    return failed ? -1 : 0;
}

int FactTestStoreAlignHome(int* x, int* y)
{
    MotorLimits lx{}, ly{};
    if (position_of(MOT_XALIGN, x) != 0 || position_of(MOT_YALIGN, y) != 0 ||
        GetMotorLimits(MOT_XALIGN, &lx) != 0 || GetMotorLimits(MOT_YALIGN, &ly) != 0)
        return -1;
    if (*x < lx.lower || *x > lx.upper || *y < ly.lower || *y > ly.upper) return -1;
    ParamTableLock();
    TABLEFACTMOTORDIS d{};
    int r = GetTable_FactMotorDis(&d);
    if (r == 0) {
        d.lXAlignHome = PAR_OFFSET_CODE + *x;
        d.lYAlignHome = PAR_OFFSET_CODE + *y;
        r = SetTable_FactMotorDis(&d);
    }
    ParamTableUnlock();
    return r == 0 ? 0 : -1;
}
