// Hands the test bed's reports of faults of the test itself (timed callbacks that never came) to
// GoogleTest, so that they fail the running test.
#include <gtest/gtest.h>

#include "sim/testbed.h"

namespace
{

const bool installed = [] {
    sim::Testbed::set_failure_reporter([](const std::string& msg) { ADD_FAILURE() << msg; });
    return true;
}();

} // namespace
