// Counts the saves of record images asked by the splice tests.
#pragma once

namespace storedouble
{
extern int images;
} // namespace storedouble
