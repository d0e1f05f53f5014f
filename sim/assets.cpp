// Copy of the data root template (see assets.h).
#include "sim/assets.h"

#include <filesystem>
#include <system_error>

namespace sim
{

namespace fs = std::filesystem;

bool copy_asset_template(const std::string& asset_dir, const std::string& root, std::string* err)
{
    std::error_code ec;
    fs::path src = fs::path(asset_dir) / "mnt";
    if (!fs::is_directory(src, ec)) {
        if (err) *err = "no folder " + src.string();
        return false;
    }
    fs::path dst = fs::path(root) / "mnt";
    fs::create_directories(dst, ec);
    fs::copy(src, dst, fs::copy_options::recursive | fs::copy_options::skip_existing, ec);
    if (ec) {
        if (err) *err = ec.message();
        return false;
    }
    return true;
}

} // namespace sim
