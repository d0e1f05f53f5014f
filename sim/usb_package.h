// A USB stick prepared with the unit's update package: made, as the maker's build would make it,
// from the images the unit has installed, with new versions and optionally damaged.
#pragma once

#include <array>
#include <optional>
#include <string>

namespace sim
{

struct UsbPackage {
    // New versions in the header's order: boot, image, app, par, chip, linuxcom (unset: the
    // installed image's own version).
    std::array<std::optional<std::string>, 6> versions;
    // "none", "truncated" (the last 7 bytes missing), "extra_byte" (one byte too many),
    // "no_app" (an empty application section), "version_text" (text after the application
    // version's padding).
    std::string damage = "none";
};

// The field names of `versions` in header order.
extern const std::array<const char*, 6> kUsbPackageFiles;

// Writes DIR/usb/K7Q2_sw_m6.bin from DIR/mnt's installed images; false with the reason in err.
bool write_usb_package(const UsbPackage& p, std::string& err);

} // namespace sim
