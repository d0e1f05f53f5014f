// Burn-in and stabilisation of new electrodes (see electrodecal.h).
//
// How the runs wait: every wait is a loop of short steps that reads the keys, the touch panel,
// the cover, the Reset flag and the idle logic, and calls the screen's step hook, so the running
// caption blinks from the main thread while arcs burn. An arc is watched the same way until the
// generator reports its end; the arc cycle is then closed (and the arc counted) by the usual
// supervision, which finds the arc ended at once.
#include "splice/electrodecal.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "devices/arc.h"
#include "devices/heater.h"
#include "devices/motor.h"
#include "devices/platdev.h"
#include "fiber/fiberstruct.h"
#include "fiber/graphics.h"
#include "fiber/profile.h"
#include "formmodel/appwindow.h"
#include "formmodel/forms.h"
#include "formmodel/power_hooks.h"
#include "gui/global.h"
#include "params/maintainflag.h"
#include "params/param_tables.h"
#include "platform/requests.h"
#include "platform/seam.h"
#include "splice/autosplice.h"

namespace
{
constexpr int kStepMs = 10, kPollMs = 5, kSettleMs = 500, kFibreSettleMs = 3000;
// An arc that does not report its end this long after its time is left to the supervision.
constexpr int kArcGraceMs = 2000;
constexpr int kCoarseExposure = 100, kFineExposure = 10, kExposureMin = 1, kExposureMax = 15;

const ELECTRODEHOOKS* g_hooks = nullptr;

// One pass of the key handling: 0 goes on, else how the run ends.
int poll_input()
{
    if (g_hooks && g_hooks->step) g_hooks->step(plat_monotonic_ms());
    GUIWINDOW* w = WND_ACTIVE;
    if (GetResetFlag() || GetCoverStatus() == 1) return ELEC_RUN_HOME;
    // The unit is working: power saving must not switch it off under a running series.
    RestartIdleCountdown();
    if (WindowIdleProcess(IDLE_MODE_STANDARD, w) != 0) return ELEC_RUN_HOME;
    GUIKEYPAD* keypad = w && w->pKeypad ? w->pKeypad : GetKeypadObject(DEV_KEY);
    uint16_t ev = keypad ? GetKeypadEvent(keypad) : 0;
    if ((ev & 0xFF) == 0 && GetMessageQueue() != mqd_t(-1)) ev = uint16_t(GetComEvent(GetMessageQueue()));
    const int key = ev & 0xFF;
    if ((ev & KEY_EVENT_REPEAT) == KEY_EVENT_DOWN && key >= 1 && key <= 12) {
        SpeakerPutSound(key);
        if (key == 1) return ELEC_RUN_HOME;
        if (key == 2) return ELEC_RUN_BACK;
        if (key == 10)
            std::printf("Electrode: heat key, heater %s\n", HeaterFiber() == 0 ? "toggled" : "not available");
    }
    // While a run goes on the screen offers one button, which cancels it.
    GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH);
    GUITOUCHMSG msg{};
    if (touch && GetTouchpadEvent(touch, &msg) == 2 && msg.pObject && msg.wType == 1) return ELEC_RUN_BACK;
    return 0;
}

// Every wait of the procedures: the keys polled every `step` ms until `end`, or until `done`
// (asked before each poll) says so. 0, or how the run was interrupted.
template <class Done> int poll_until(uint64_t end, int step, Done done)
{
    while (plat_monotonic_ms() < end) {
        if (done()) return 0;
        if (int r = poll_input()) return r;
        plat_sleep_ms(uint32_t(step));
    }
    return 0;
}

int wait_ms(int ms)
{
    return poll_until(plat_monotonic_ms() + uint64_t(ms), kStepMs, [] { return false; });
}

// Watches a burning arc to its end with the key handling; an interruption aborts the arc. The
// cycle is closed and the arc counted either way. `seen` tells whether its light was noticed.
int watch_arc(uint64_t started, int durationMs, bool monitor, bool* seen)
{
    int r = poll_until(started + uint64_t(durationMs + kArcGraceMs), kStepMs, [seen] {
        if (GetArcOver() == 1) return true;
        if (seen && !*seen && CheckArc() == 0) *seen = true;
        return false;
    });
    if (r != 0) SetHighvoltDev(0, 0);
    const int w = WaitArcOverAndSaveCount(1, monitor ? 1 : 0, 0);
    if (r == 0 && w != 0) r = ELEC_RUN_HOME;
    return r;
}

void arcs_left(int n)
{
    if (g_hooks && g_hooks->arcs) g_hooks->arcs(n);
}

// Every exit of a run: the sensors checked, the backlight on.
int leave(int code)
{
    CameraStatusMonitor();
    LedOn();
    return code;
}

struct Exposures {
    std::array<std::array<uint32_t, 2>, 2> kept{};
    bool valid = false;
    int save()
    {
        for (int cam = 1; cam <= 2; ++cam)
            for (int i = 0; i < 2; ++i)
                if (ReadCameraReg(cam, 3 + i, &kept[size_t(cam - 1)][size_t(i)]) != 0) return -1;
        valid = true;
        return 0;
    }
    void restore() const
    {
        if (!valid) return;
        for (int cam = 1; cam <= 2; ++cam)
            for (int i = 0; i < 2; ++i)
                WriteCameraReg(cam, 3 + i, int(kept[size_t(cam - 1)][size_t(i)] & 0xFF));
    }
};

void set_exposure(int cam, int value)
{
    WriteCameraReg(cam, 3, (value >> 8) & 0xFF);
    WriteCameraReg(cam, 4, value & 0xFF);
}

bool screen_rear()
{
    MachineParameter m{};
    return GetTable_MachinePar(&m) == 0 && m.dwScreenTurn != 0;
}

int mirrored(int column, bool rear)
{
    return rear ? 640 - column : column;
}

// Stores both positions in the factory system table; 0 or -1.
int store_positions(int x, int y)
{
    ParamTableLock();
    TABLEFACTORYSYS fs{};
    int r = GetTable_FactSys(&fs);
    if (r == 0) {
        fs.lElecPosX = x;
        fs.lElecPosY = y;
        r = SetTable_FactSys(&fs);
    }
    ParamTableUnlock();
    return r == 0 ? 0 : -1;
}

// The rows a fibre pair covers in a view, clamped to the frame: [first, end).
bool fibre_rows(int view, int* first, int* end)
{
    const APPFIBER_INFO* l = GetFiberInfo(view, 0);
    const APPFIBER_INFO* r = GetFiberInfo(view, 1);
    if (!l || !r) return false;
    auto row = [](float v) { return int(std::clamp(v, -1.0f, float(CAMERA_HEIGHT + 1))); };
    const int up = std::min(row(l->fCladCenter - l->fCladWidth / 2), row(r->fCladCenter - r->fCladWidth / 2));
    const int low =
        std::max(row(l->fCladCenter + l->fCladWidth / 2), row(r->fCladCenter + r->fCladWidth / 2));
    *first = std::clamp(up, 0, CAMERA_HEIGHT);
    *end = std::clamp(low, 0, CAMERA_HEIGHT);
    return *first < *end;
}

// Fires one stabilisation arc and grabs both views after its first 500 ms: 0, how the run was
// interrupted (> 0), -1 when the grab failed while the arc burns, -2 when nothing was fired. With
// `exposure` the sensors are checked every poll against the exposures the procedure set.
int fire_and_grab(int drive, const int* exposure, uint64_t* started)
{
    CheckAvgBr();
    if (SetHighvoltDev(drive, ELEC_ARC_MS) != 0) return -2;
    *started = plat_monotonic_ms();
    const int r = poll_until(*started + kSettleMs, kPollMs, [exposure] {
        if (exposure) CameraStatusMonitorExposure(exposure);
        return false;
    });
    if (r != 0) {
        SetHighvoltDev(0, 0);
        WaitArcOverAndSaveCount(1, 0, 0);
        return r;
    }
    return GetGraphicsData(VIEWMASK_XY) == 0 ? 0 : -1;
}

int coarse(int drive, bool rear, ELECTRODECAL& out)
{
    std::array<long, 2> sum{};
    int located = 0;
    for (int i = 0; i < ELEC_COARSE_ARCS; ++i) {
        arcs_left(ELEC_COARSE_ARCS - i);
        uint64_t started = 0;
        const int fired = fire_and_grab(drive, nullptr, &started);
        if (fired > 0) return fired;
        std::array<int, 2> col{};
        const bool grabbed = fired == 0 && GetElectrodeLocation(VIEW_X, &col[0]) == 0 &&
                             GetElectrodeLocation(VIEW_Y, &col[1]) == 0;
        bool seen = false;
        if (fired != -2)
            if (int r = watch_arc(started, ELEC_ARC_MS, false, &seen)) return r;
        // Without the arc's light the column would be the middle of a dark picture.
        if (grabbed && seen) {
            sum[0] += col[0];
            sum[1] += col[1];
            ++located;
        } else {
            std::printf("Electrode: coarse arc %d not located\n", i + 1);
        }
        if (int r = wait_ms(kSettleMs)) return r;
    }
    arcs_left(0);
    if (located == 0) {
        out.reason = "no arc was seen";
        return 0;
    }
    out.coarseFound = true;
    out.coarseX = mirrored(int(sum[0] / located), rear);
    out.coarseY = mirrored(int(sum[1] / located), rear);
    if (store_positions(out.coarseX, out.coarseY) != 0) std::printf("Electrode: positions not saved\n");
    std::printf("1 -- lElecX = %d lElecY = %d\n", out.coarseX, out.coarseY);
    return 0;
}

int fine(int drive, bool rear, const std::array<std::array<int, 2>, 2>& rows, ELECTRODECAL& out)
{
    // Compared unmirrored, as the pictures show them.
    const std::array<int, 2> coarseCol = {mirrored(out.coarseX, rear), mirrored(out.coarseY, rear)};
    std::array<int, 2> exposure = {kFineExposure, kFineExposure};
    std::array<long, 2> sum{};
    std::array<int, 2> count{};
    std::array<bool, 2> corrected{};
    for (int i = 0; i < ELEC_FINE_ARCS; ++i) {
        arcs_left(ELEC_FINE_ARCS - i);
        uint64_t started = 0;
        const int fired = fire_and_grab(drive, exposure.data(), &started);
        if (fired > 0) return fired;
        std::array<int, 2> col{}, dark{}, ok{};
        for (int v = 0; v < 2; ++v)
            ok[size_t(v)] = fired == 0 && GetElectrodeLocationEx(v + 1, &col[size_t(v)], &dark[size_t(v)],
                                                                 rows[size_t(v)][0], rows[size_t(v)][1]) == 0;
        bool seen = false;
        if (fired != -2)
            if (int r = watch_arc(started, ELEC_ARC_MS, false, &seen)) return r;
        for (size_t v = 0; v < 2; ++v) {
            const int diff = col[v] - coarseCol[v];
            if (ok[v] && seen && diff >= -ELEC_FINE_WINDOW && diff <= ELEC_FINE_WINDOW) {
                sum[v] += col[v];
                ++count[v];
            }
            // The first fine arc of each view sets its exposure for the rest; a black picture
            // (no light at all) gives nothing to correct by.
            if (!corrected[v] && ok[v]) {
                corrected[v] = true;
                const int bright = 100 - dark[v];
                if (bright > 0) {
                    exposure[v] = std::clamp(exposure[v] * 100 / bright, kExposureMin, kExposureMax);
                    set_exposure(int(v) + 1, exposure[v]);
                    if (int r = wait_ms(kSettleMs)) return r;
                }
            }
        }
        std::printf("wExpose_value_X=%d BrightErr=%d nX=%d lElectX=%d\n", exposure[0], dark[0], count[0],
                    col[0]);
        std::printf("wExpose_value_Y=%d BrightErr=%d nY=%d lElectY=%d\n", exposure[1], dark[1], count[1],
                    col[1]);
        if (int r = wait_ms(kSettleMs)) return r;
    }
    arcs_left(0);
    out.countX = count[0];
    out.countY = count[1];
    if (count[0] == 0 || count[1] == 0) {
        out.reason = "no fine arc agreed with the coarse position";
        return 0;
    }
    out.fineFound = true;
    out.fineX = mirrored(int(sum[0] / count[0]), rear);
    out.fineY = mirrored(int(sum[1] / count[1]), rear);
    return 0;
}

int run_stabilize(ELECTRODECAL& out, Exposures& kept)
{
    BacktrackAllMotor();
    TABLEFACTORYSYS fs{};
    if (GetTable_FactSys(&fs) != 0) {
        out.reason = "factory table unreadable";
        return 0;
    }
    const bool rear = screen_rear();
    const int drive = StabilizeDriveValue(fs.lArcCaliResult);
    if (kept.save() != 0) {
        out.reason = "camera registers unreadable";
        return 0;
    }
    LedOff();
    set_exposure(3, kCoarseExposure);

    if (int r = coarse(drive, rear, out)) return r;
    if (!out.coarseFound) return 0;

    LedOn();
    kept.restore(); // the fibre check sees the pictures it expects
    const int checked = SpliceFiber(1);
    if (g_hooks && g_hooks->repaint) g_hooks->repaint();
    if (checked != 0) {
        const bool aborted = checked == 2 || GetResetFlag() || GetCoverStatus() == 1;
        if (!aborted) out.error = checked == -1 ? 264 : checked;
        out.reason = "the fibre check failed";
        return aborted ? ELEC_RUN_HOME : 0;
    }
    if (int r = wait_ms(kFibreSettleMs)) return r;
    std::array<std::array<int, 2>, 2> rows{};
    for (int v = 0; v < 2; ++v)
        if (!fibre_rows(v + 1, &rows[size_t(v)][0], &rows[size_t(v)][1])) {
            out.reason = "no fibre rows";
            return 0;
        }
    if (int r = wait_ms(kSettleMs)) return r;
    LedOff();
    set_exposure(3, kFineExposure);

    if (int r = fine(drive, rear, rows, out)) return r;
    if (!out.fineFound) return 0;
    if (store_positions(out.fineX, out.fineY) != 0) {
        out.reason = "positions not saved";
        return 0;
    }
    std::printf("2 -- lElecPrecX = %d lElecPrecY = %d\n", out.fineX, out.fineY);
    out.state = ELEC_STATE_PASSED;
    return 0;
}
} // namespace

int EnduredArcRun(const ELECTRODEHOOKS& hooks)
{
    if (GetCoverStatus() == 1) return ELEC_RUN_COVER;
    g_hooks = &hooks;
    LedOff();
    BacktrackAllMotor();
    int r = 0;
    for (int i = 0; i < ELEC_BURN_ARCS && r == 0; ++i) {
        arcs_left(ELEC_BURN_ARCS - i);
        if (SetHighvoltDev(ELEC_BURN_VALUE, ELEC_BURN_MS) != 0) {
            std::printf("Electrode: the arc could not be fired\n");
            break;
        }
        r = watch_arc(plat_monotonic_ms(), ELEC_BURN_MS, true, nullptr);
        if (r == 0) r = wait_ms(ELEC_BURN_PAUSE_MS);
    }
    if (r == 0) arcs_left(0);
    g_hooks = nullptr;
    return leave(r);
}

int StabilizeDriveValue(int32_t lArcCaliResult)
{
    return lArcCaliResult > 10100 ? int((int64_t(lArcCaliResult) - 10000) >> 1) : 100;
}

int StabilizeRun(const ELECTRODEHOOKS& hooks, ELECTRODECAL& out)
{
    out = ELECTRODECAL{};
    if (GetCoverStatus() == 1) return ELEC_RUN_COVER;
    g_hooks = &hooks;
    Exposures kept;
    const int r = run_stabilize(out, kept);
    LedOn();
    kept.restore();
    if (r == 0 && out.state == ELEC_STATE_PASSED) {
        WriteFpgaRegister(FPGA_REG_ELEC_POS_X, uint32_t(out.fineX));
        WriteFpgaRegister(FPGA_REG_ELEC_POS_Y, uint32_t(out.fineY));
        SetMaintainBits(MAINTAIN_BITS_ELECTRODE);
    } else if (r == 0) {
        out.state = ELEC_STATE_FAILED;
        std::printf("Electrode: stabilisation failed: %s\n", out.reason);
    }
    g_hooks = nullptr;
    return leave(r);
}
