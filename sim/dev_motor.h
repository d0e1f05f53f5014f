// The motor device "/dev/platmot": six steppers (ids 0 X focus, 1 X alignment, 2 and 5 the feed
// motors, 3 Y focus, 4 Y alignment; mask bit = 1 << id) that move over virtual time at the rate of
// the speed step, stop at their limits (inclusive), find their homing switch within the search
// distance, take up backlash on reversal (feed motors) and flag a focus overrun.
// Faults: a stalled motor (runs for ever, never moves), one that stalls part-way through its
// travel, a homing switch that is never found.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "sim/emulator.h"

namespace sim
{

class MotorDevice : public Emulator
{
  public:
    const char* name() const override { return "motors"; }
    static constexpr int kMotors = 6;
    // Speed step s (0 fastest .. 15 slowest) runs at kFastRate - kRateStep x s steps per second.
    static constexpr double kFastRate = 4000.0, kRateStep = 230.0;
    // Dead band of the feed motors' lead screws on a reversal, in steps.
    static constexpr int kBacklash = 12;
    // Search distance of a homing request without one (distance 0).
    static constexpr int kFullTravel = 20000;
    // Where each homing switch lies when the unit is switched on, in steps from the motor's
    // position (the switch is the origin of the positions once homed).
    static constexpr std::array<int, kMotors> kSwitchOffset = {-1200, -300, -2500, -1400, -350, -2600};

    static bool is_focus(int id) { return id == 0 || id == 3; }
    static bool is_feed(int id) { return id == 2 || id == 5; }
    // Sense of the direction byte / bit: feed motors step up when it is set, focus and alignment
    // motors step down.
    static int direction_sign(int id, bool dir_set) { return (is_feed(id) == dir_set) ? 1 : -1; }

    // One motor's part of a move request, as decoded from the request word.
    struct Move {
        uint64_t t_us;
        unsigned long request; // MOT_MOVE_ONE or MOT_MOVE_TWO
        int id;
        bool dir;       // the direction byte / bit was set
        unsigned count; // the step count field
        int steps;      // signed: the change of position asked for
    };

    MotorDevice();

    // Test-facing controls and state.
    int position(int id) const;
    int fibre_position(int id) const; // feed motors: where the fibre holder is (after backlash)
    // Where the stage really is, in steps from its homing switch whether or not it was homed
    // (feed motors: the fibre holder, after backlash). The optics read this.
    double stage_position(int id) const;
    // The same at virtual time t, for a t since the motor's last change of motion (a move's start,
    // stop or arrival, a speed change): between changes a stage runs straight at its rate.
    double stage_position_at(int id, uint64_t t) const;
    // Called before every request changes anything (outside the device's lock), so what depends
    // on the stages' travel can catch up first.
    void set_before_change(std::function<void()> fn);
    bool running(int id) const;
    uint32_t running_word() const; // as the running request answers
    bool powered(int id) const;
    uint32_t speed() const;
    int upper(int id) const;
    int lower(int id) const;
    uint32_t setup(int id) const;
    bool stroke(uint32_t motor, uint32_t& distance) const;
    bool overrun(int id) const;
    void set_overrun(int id, bool on);
    void set_stall(int id, bool on);
    void set_home_missing(int id, bool on);
    // The motor makes `steps` more steps (over one or more moves) and then stalls: it still
    // reports running, never arrives, until stopped; later moves do not move it.
    void set_fail_after(int id, int steps);
    // Moves started on a motor since power-on (homing searches included).
    unsigned move_count(int id) const;
    // Puts a motor at `pos` with its switch `switch_offset` steps away (test set-up).
    void place(int id, int pos, int switch_offset);
    std::vector<Move> moves() const;
    void clear_moves();
    unsigned homings() const;

  protected:
    int on_ioctl(OpenState&, unsigned long req, void* arg) override;

  private:
    struct Motor {
        double pos = 0; // step count when the current move started / now when idle
        double target = 0;
        uint64_t t0 = 0;
        bool moving = false;
        bool stalled = false;
        bool home_missing = false;
        double fail_left = -1; // steps left before the motor stalls (< 0: healthy)
        unsigned starts = 0;
        double origin = 0; // physical coordinate = pos + origin; the switch is at 0
        double fibre = 0;  // feed motors: holder position, lags pos by up to kBacklash
        int upper = 32767, lower = -32768;
        uint32_t setup = 0;
        bool powered = false;
        bool overrun = false;
        bool home_dir_up = false; // last search went towards increasing positions
        // The current straight piece of the motion, from its last change (see stage_position_at).
        double seg_pos = 0, seg_fibre = 0;
        uint64_t seg_t0 = 0;
    };
    void mark_segment_locked(Motor& m, uint64_t now) const;
    double rate_locked() const;
    double pos_at_locked(const Motor& m, uint64_t t) const;
    void update_locked(uint64_t now) const;
    bool running_locked(const Motor& m, uint64_t now) const;
    int start_move_locked(int id, int steps, uint64_t now, const Move& logged);
    int home(uint32_t word);

    mutable std::array<Motor, kMotors> m_;
    uint32_t speed_ = 0;
    std::map<uint32_t, uint32_t> strokes_;
    std::vector<Move> moves_;
    unsigned homings_ = 0;
    std::function<void()> before_change_;
    std::mutex hook_mu_;
};

} // namespace sim
