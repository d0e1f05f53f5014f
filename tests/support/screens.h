// Screens compared pixel for pixel with reference pictures in tests/references/.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace screens
{

// Compares what the simulated panel shows now with tests/references/NAME.png. On a mismatch the
// picture and a diff image (differing pixels red on the dimmed reference) are written to
// BUILD/screens/ and named in the failure. With SPLICER_RENEW_REFERENCES=1 in the environment the
// reference is written instead (renewing it on purpose).
::testing::AssertionResult MatchesReference(const std::string& name);

} // namespace screens

#define EXPECT_SCREEN(name) EXPECT_TRUE(screens::MatchesReference(name))
