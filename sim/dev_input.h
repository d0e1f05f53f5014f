// Input emulators: the key driver "/dev/platkey" (raw code queue, Reset flag and function, key
// ignore, keypad light, the power key's request word) and the touch panel "/dev/event0".
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string_view>

#include "sim/emulator.h"

namespace sim
{

// Raw key numbers of the keypad, one table for the whole simulator. The Reset key is the home
// key: the driver raises its Reset flag when it is pressed while the Reset function is on.
struct KeyName {
    const char* name;
    uint16_t number;
};
inline constexpr KeyName kKeyNames[] = {
    {"reset", 28}, {"cancel", 17}, {"confirm", 9}, {"menu", 16}, {"up", 1},   {"down", 10},
    {"left", 18},  {"right", 2},   {"run", 37},    {"heat", 44}, {"arc", 36}, {"view", 29},
};
std::optional<uint16_t> key_number(std::string_view name);

class KeyDevice : public Emulator
{
  public:
    const char* name() const override { return "keys"; }
    static constexpr size_t kQueueMax = 64; // the driver's ring; newer codes are dropped when full
    static constexpr uint16_t kResetKey = 28;

    // Test-facing: a key goes down or up (key number 0..63). Ignored keys never reach the queue.
    void press(uint16_t key);
    void release(uint16_t key);
    // Two keys together (first < second): a combination press code; release of the first key.
    void press_combination(uint16_t first, uint16_t second);
    void push_raw(uint16_t code);
    // The power key: sets the power-off request word.
    void press_power();

    bool reset_flag() const;
    bool reset_function() const;
    bool ignoring() const;
    uint32_t light_time() const;
    uint32_t power_off_request() const;
    size_t queued() const;

  protected:
    int on_ioctl(OpenState&, unsigned long req, void* arg) override;

  private:
    void push_locked(uint16_t code);
    std::deque<uint16_t> queue_;
    bool reset_flag_ = false;
    bool reset_func_ = true;
    bool ignore_ = false;
    uint32_t light_ = 10;
    uint32_t power_req_ = 0;
};

// Touch panel: 16-byte input events (key type 1 code 330 with value 1 down / 0 up, absolute
// type 3 codes 0 and 1 for x and y, synchronisation type 0). A read blocks on the virtual clock
// until events are queued.
class TouchDevice : public Emulator
{
  public:
    const char* name() const override { return "touch"; }
    static constexpr size_t kQueueMax = 256;

    void touch_down(int x, int y);
    void touch_up(int x, int y);
    void push_event(const TouchInputEvent& ev);
    size_t queued() const;
    short poll_events(OpenState&) override;

  protected:
    ssize_t on_read(OpenState&, void*, size_t) override;

  private:
    void group_locked(int value, int x, int y);
    std::deque<TouchInputEvent> queue_;
};

} // namespace sim
