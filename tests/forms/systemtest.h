// Helpers of the settings screens' tests: typing digits on the password form's pad by keys or by
// touch, and the machine settings page as it lies in the EEPROM chip.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "formflow.h"
#include "forms/frmsyspassword.h"
#include "formtest.h"
#include "params/param_store.h"
#include "sim/i2c_chips.h"

namespace systest
{

// The screen faces the front in the tests, where the arrow keys act mirrored: the keys that move
// right, left, down and up on the screen.
constexpr const char* RIGHT = "left";
constexpr const char* LEFT = "right";
constexpr const char* DOWN = "up";
constexpr const char* UP = "down";

// Pad keys: 1..9, 0, delete, OK, six to a row.
inline int pad_index(char digit)
{
    return digit == '0' ? 9 : digit - '1';
}

// Taps that type `digits` and press OK with the arrow keys and Confirm, from the pad's first key
// (where every entry starts); returns the time after the last tap.
inline uint64_t type_by_keys(formtest::Unit& u, uint64_t at, const std::string& digits)
{
    int focus = 0;
    auto press = [&](int key) {
        for (int n = (key - focus + 12) % 12; n > 0; --n, at += 250)
            u.tap(at, RIGHT);
        focus = key;
        u.tap(at, "confirm");
        at += 250;
    };
    for (char c : digits)
        press(pad_index(c));
    press(11);
    return at;
}

inline void pad_point(int key, int* x, int* y)
{
    *x = 70 + (key % 6) * 112 + 50;
    *y = 236 + (key / 6) * 68 + 28;
}

inline uint64_t type_by_touch(formtest::Touch& t, uint64_t at, const std::string& digits)
{
    int x = 0, y = 0;
    for (char c : digits) {
        pad_point(pad_index(c), &x, &y);
        t.tap(at, x, y);
        at += 300;
    }
    pad_point(11, &x, &y);
    t.tap(at, x, y);
    return at + 300;
}

// Runs the password form entered as the form loop enters it from a menu (code 4), in a mode.
inline uint32_t run_password_form(uint32_t mode)
{
    frmSysPassword->lParam = mode;
    frmSysPassword->lReason = FORM_NEXT;
    return formtest::run_form(frmSysPassword);
}

// The machine settings page in the chip (part 0, where a fresh store keeps it).
inline std::vector<uint8_t> machine_page()
{
    const std::vector<uint8_t> chip = sim::eeprom_image();
    const size_t at = PAR_PART0_BASE + size_t(PAR_PAGE_MACHINE) * E2PROM_PAGE_SIZE;
    return {chip.begin() + long(at), chip.begin() + long(at) + E2PROM_PAGE_SIZE};
}

inline uint32_t le32(const std::vector<uint8_t>& page, size_t offset)
{
    uint32_t v = 0;
    std::memcpy(&v, page.data() + offset, 4);
    return v;
}

} // namespace systest
