// The generated data root template (the asset generator's output) and its copy into a run's root.
#pragma once

#include <string>

namespace sim
{

// Copies DIR/mnt/* into ROOT/mnt/ without overwriting files already there. False (with the reason
// in err) when DIR/mnt is not a folder or a copy failed.
bool copy_asset_template(const std::string& asset_dir, const std::string& root, std::string* err);

} // namespace sim
