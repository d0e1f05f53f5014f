// The unit's passwords (see password.h).
#include "forms/password.h"

#include <cstddef>
#include <cstring>

#include "params/param_store.h"
#include "params/param_tables.h"

namespace
{
// Offset of a kind's word in the machine settings (the table is packed: the words are copied, not
// referenced, as one of them is unaligned); 0 for no such kind.
size_t word_of(int kind)
{
    switch (kind) {
    case PASSWORD_POWER_ON:
        return offsetof(MachineParameter, dwPowerOnPwd);
    case PASSWORD_MENU_LOCK:
        return offsetof(MachineParameter, dwMenuLockPwd);
    case PASSWORD_FORMAT:
        return offsetof(MachineParameter, dwFormatPwd);
    default:
        return 0;
    }
}

std::string stored(int kind)
{
    MachineParameter m{};
    const size_t at = word_of(kind);
    if (!at || GetTable_MachinePar(&m) != 0) return "";
    uint32_t word = 0;
    std::memcpy(&word, reinterpret_cast<const uint8_t*>(&m) + at, sizeof word);
    return PasswordDecode(word);
}
} // namespace

uint32_t PasswordEncode(std::string_view digits)
{
    if (digits.size() < PASSWORD_MIN || digits.size() > PASSWORD_MAX) return 0;
    uint32_t w = 0;
    int shift = 28;
    for (char c : digits) {
        if (c < '0' || c > '9') return 0;
        w |= uint32_t(c - '0' + 1) << shift;
        shift -= 4;
    }
    return w;
}

std::string PasswordDecode(uint32_t word)
{
    std::string digits;
    bool ended = false;
    for (int shift = 28; shift >= 0; shift -= 4) {
        const uint32_t n = (word >> shift) & 0xF;
        if (n == 0) {
            ended = true;
        } else if (ended || n > 10) {
            return ""; // a digit after the end or a nibble that is no digit: not a password
        } else {
            digits.push_back(char('0' + n - 1));
        }
    }
    return digits.size() >= PASSWORD_MIN ? digits : "";
}

bool PasswordIsSet(int kind)
{
    return !stored(kind).empty();
}

bool PasswordMatches(int kind, std::string_view typed)
{
    if (!word_of(kind)) return false;
    const std::string want = stored(kind);
    const std::string_view expected = want.empty() ? std::string_view(PASSWORD_DEFAULT) : want;
    return !typed.empty() && typed == expected;
}

int PasswordStore(int kind, std::string_view digits)
{
    const size_t at = word_of(kind);
    const uint32_t word = PasswordEncode(digits);
    if (!at || word == 0) return -1;
    MachineParameter m{};
    ParamTableLock();
    int r = GetTable_MachinePar(&m);
    if (r == 0) {
        std::memcpy(reinterpret_cast<uint8_t*>(&m) + at, &word, sizeof word);
        r = SetTable_MachineParEx(&m);
    }
    ParamTableUnlock();
    return r == 0 ? 0 : -1;
}
