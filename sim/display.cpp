// STAND-IN until the display of the simulated instrument lands: the frame device accepts every
// request and nothing is drawn.
#include "sim/display.h"

namespace sim {
namespace {
class FrameStandIn : public Device {
public:
    const char* name() const override { return "frame"; }
    int ioctl(OpenState&, unsigned long, void*) override { return 0; }
};
} // namespace

std::shared_ptr<Device> make_frame_device() { return std::make_shared<FrameStandIn>(); }
bool display_screenshot(const std::string&) { return false; }
void display_set_autoshot(bool) {}

} // namespace sim
