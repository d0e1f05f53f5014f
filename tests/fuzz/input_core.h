// One fuzz case of the key codes and the touch messages: the first half of the input is what the
// key driver answers (a claimed count, then raw codes), read event by event; the second half is
// the touch panel's byte stream (16-byte input events, cut into reads of any length and spaced
// by any delay), read by the touch thread against a few regions. Every event is one the program
// knows and every touch message names a region. Used by the seeded driver of the test run and
// by the libFuzzer target.
#pragma once

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "gui/gui.h"
#include "platform/requests.h"
#include "sim/device.h"
#include "sim/request_log.h"
#include "sim/testbed.h"

namespace inputfuzz
{

constexpr const char* kKeys = "/dev/fuzzkeys";
constexpr const char* kTouch = "/dev/fuzztouch";

// The input bytes as a stream; the device takes what it needs, zeros after the end.
struct Stream {
    const uint8_t* d = nullptr;
    size_t n = 0, at = 0;
    bool done() const { return at >= n; }
    uint8_t byte() { return at < n ? d[at++] : 0; }
};

// The key driver: each read claims a count (any, even more than the buffer holds) and fills the
// codes the buffer has room for.
class Keys : public sim::Device
{
  public:
    const char* name() const override { return "fuzz keys"; }
    int ioctl(sim::OpenState&, unsigned long req, void* arg) override
    {
        if (req != KEY_READ_CODES || s.done()) {
            errno = EIO;
            return -1;
        }
        auto* desc = static_cast<KeypadReadDesc*>(arg);
        const size_t slots = desc->lSize / 2;
        const uint8_t claim = s.byte();
        if (slots > 1) desc->pBuffer[1] = claim < 250 ? claim % 8 : uint16_t(claim) << 8;
        for (size_t i = 2; i < slots && i < 2 + size_t(claim % 8); ++i)
            desc->pBuffer[i] = uint16_t(s.byte() | s.byte() << 8);
        return 0;
    }
    Stream s;
};

// The touch panel: each read returns the next bytes, as many as one input byte says (mostly a
// whole event), and costs as much virtual time as the next byte says; 0 at the end.
class Touch : public sim::Device
{
  public:
    const char* name() const override { return "fuzz touch"; }
    ssize_t read(sim::OpenState&, void* buf, size_t count) override
    {
        if (s.done()) return 0;
        const uint8_t len = s.byte();
        cost_us_ = uint64_t(s.byte()) * 5000;
        const size_t want = std::min<size_t>(len >= 32 ? sizeof(TouchInputEvent) : len % 17, count);
        size_t k = 0;
        for (; k < want && !s.done(); ++k)
            static_cast<uint8_t*>(buf)[k] = s.byte();
        return ssize_t(k);
    }
    uint64_t call_cost_us() const override { return cost_us_; }
    Stream s;

  private:
    uint64_t cost_us_ = 20;
};

struct Bed {
    Bed() : tb(sim::Testbed::Options{true})
    {
        sim::set_call_logging(false);
        sim::register_device(kKeys, keys);
        sim::register_device(kTouch, touch);
        InitializeGUI();
    }
    ~Bed() { ReleaseGUI(); }
    sim::Testbed tb;
    std::shared_ptr<Keys> keys = std::make_shared<Keys>();
    std::shared_ptr<Touch> touch = std::make_shared<Touch>();
    int regions[3] = {};
};

inline std::string run(Bed& bed, const uint8_t* d, size_t n)
{
    const size_t half = n / 2;
    bed.keys->s = Stream{d, half, 0};
    bed.touch->s = Stream{d + half, n - half, 0};

    GUIKEYPAD* k = CreateKeypadDirect(n ? d[0] : 0, uint16_t(6 + (n > 1 ? d[1] % 34 : 30)), kKeys);
    if (!k) return "key pad refused";
    _KeypadMapStandard(k);
    for (int i = 0; i < 4096 && !bed.keys->s.done(); ++i) {
        const uint16_t e = GetKeypadEvent(k);
        const uint16_t kind = e & 0xFF00, code = e & 0xFF;
        if (kind != 0 && kind != KEY_EVENT_DOWN && kind != KEY_EVENT_UP && kind != KEY_EVENT_REPEAT &&
            kind != KEY_EVENT_NONE)
            return "unknown key event";
        if ((kind == KEY_EVENT_DOWN || kind == KEY_EVENT_UP) && code > 19 && code != 255)
            return "key event of no key";
    }
    DeleteKeypadDirect(k);

    GUITOUCHPAD* t = CreateTouchpadDirect(100, kTouch);
    if (!t) return "touch pad refused";
    _AddTouchMap(0, 0, 100, 100, 1, 1, &bed.regions[0], t);
    _AddTouchMap(50, 50, 300, 200, 2, 2, &bed.regions[1], t);
    _AddTouchMap(700, 400, 99, 79, 3, 3, &bed.regions[2], t);
    ClearEventMsg();
    touch_thread_unlock();
    thread_routine_touch(t); // returns at the end of the stream
    std::string fault;
    GUITOUCHMSG m{};
    for (int i = 0; i < 8 && fault.empty(); ++i) {
        const int state = GetTouchpadEvent(t, &m);
        if (state == 0) break;
        if ((state != 1 && state != 2) || m.wState != state) fault = "touch message of no state";
        if (m.pObject != &bed.regions[0] && m.pObject != &bed.regions[1] && m.pObject != &bed.regions[2])
            fault = "touch message of no region";
    }
    ClearEventMsg();
    DelTouchMapList(t);
    DeleteTouchpadDirect(t);
    return fault;
}

} // namespace inputfuzz
