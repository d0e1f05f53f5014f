// High-voltage arc generator "/dev/plathvt": a discharge of the set duration and drive value,
// value changes while it burns, the arc-ended state, the cycle close and the abort (fire with
// duration 0). Faults: the arc never lights, the arc never ends.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "sim/emulator.h"

namespace sim
{

class ArcDevice : public Emulator
{
  public:
    const char* name() const override { return "arc"; }
    // Durations are in milliseconds; drive values 100..4000.
    static constexpr uint32_t kMinValue = 100, kMaxValue = 4000, kMaxDurationMs = 4000;

    struct Fire {
        uint64_t t_us;
        uint32_t value;
        uint32_t duration_ms;
    };

    // Faults.
    void set_no_arc(bool on);     // fires give no discharge (no glow) but the cycle still ends
    void set_never_ends(bool on); // the arc burns until it is aborted or the cycle is closed

    bool burning() const;   // a discharge at this virtual time
    uint32_t value() const; // drive value now (0 when not burning)
    // Arc energy so far in drive-value x seconds, summed over every discharge (for melt-back).
    double energy() const;
    std::vector<Fire> fires() const;
    // A stretch of discharge at one drive value; `to_us` is where it ends as things stand (it
    // stays open, UINT64_MAX, while a never-ending arc burns).
    struct Burn {
        uint64_t from_us, to_us;
        uint32_t value;
    };
    // The stretches that end after t (kept for a minute).
    std::vector<Burn> burns_since(uint64_t t) const;
    // Called before every request changes anything (outside the device's lock).
    void set_before_change(std::function<void()> fn);
    unsigned aborts() const;
    unsigned closes() const;
    // Discharges the electrodes had before the run (their wear; see electrode_wear.h).
    void set_electrode_arcs(unsigned n);
    // Those and every fire since: what the electrodes have behind them now.
    unsigned electrode_arcs() const;

  protected:
    int on_ioctl(OpenState&, unsigned long req, void* arg) override;

  private:
    void update_locked() const;
    void end_locked(uint64_t t) const;
    bool no_arc_ = false, never_ends_ = false;
    mutable bool on_ = false; // a fire is in progress (discharge or, with no_arc, its timing)
    mutable uint64_t t_end_ = 0;
    mutable uint64_t t_seg_ = 0; // start of the current value segment
    mutable uint32_t value_ = 0;
    mutable double energy_ = 0;
    void burn_locked(uint64_t from, uint32_t value);
    std::vector<Fire> fires_;
    mutable std::vector<Burn> burns_;
    std::mutex hook_mu_;
    std::function<void()> before_change_;
    unsigned aborts_ = 0, closes_ = 0;
    unsigned electrode_arcs_ = 0;
};

} // namespace sim
