// The three passwords of the unit (power-on, menu lock, storage format): 4 to 8 digits, kept in the
// machine settings one nibble per digit, and the one check every password prompt goes through.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

enum PASSWORDKIND : int { PASSWORD_POWER_ON, PASSWORD_MENU_LOCK, PASSWORD_FORMAT, PASSWORD_KINDS };

constexpr size_t PASSWORD_MIN = 4, PASSWORD_MAX = 8;
// Asked for while no password of a kind is set (only a switch set outside the unit gets there).
constexpr const char* PASSWORD_DEFAULT = "0000";

// The stored word of a password: digit + 1 per nibble from the top, 0 nibbles after it; 0 when
// the text is not 4 to 8 digits.
uint32_t PasswordEncode(std::string_view digits);
// The digits of a stored word; empty when the word is 0 or not a valid encoding.
std::string PasswordDecode(uint32_t word);
// True when a password of that kind is stored.
bool PasswordIsSet(int kind);
// True only for exactly the stored password (or the default while none is set); an empty, longer,
// shorter or different text never matches.
bool PasswordMatches(int kind, std::string_view typed);
// Stores a new password (4 to 8 digits): 0, -1 when it is not valid or the save failed.
int PasswordStore(int kind, std::string_view digits);
