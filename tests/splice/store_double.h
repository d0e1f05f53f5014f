// Counts the saves of record images asked by the splice tests.
#pragma once

#include <functional>

namespace storedouble
{
extern int images;
extern std::function<void()> whileSaving; // runs inside each save
} // namespace storedouble
