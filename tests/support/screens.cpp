// Screens compared with reference pictures (see screens.h).
#include "tests/support/screens.h"

#include <png.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "sim/display.h"

namespace screens
{

namespace
{

namespace fs = std::filesystem;

bool read_rgb(const std::string& path, std::vector<uint8_t>& rgb, int& w, int& h)
{
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&img, path.c_str())) return false;
    img.format = PNG_FORMAT_RGB;
    rgb.assign(PNG_IMAGE_SIZE(img), 0);
    w = int(img.width);
    h = int(img.height);
    const bool ok = png_image_finish_read(&img, nullptr, rgb.data(), 0, nullptr) != 0;
    png_image_free(&img);
    return ok;
}

bool write_rgb(const std::string& path, const std::vector<uint8_t>& rgb, int w, int h)
{
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    img.width = png_uint_32(w);
    img.height = png_uint_32(h);
    img.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&img, path.c_str(), 0, rgb.data(), 0, nullptr) != 0;
}

bool renewing()
{
    const char* v = std::getenv("SPLICER_RENEW_REFERENCES");
    return v && *v && std::string(v) != "0";
}

} // namespace

::testing::AssertionResult MatchesReference(const std::string& name)
{
    const int w = sim::kPanelWidth, h = sim::kPanelHeight;
    const std::vector<uint8_t> actual = sim::display_compose();
    const std::string ref = std::string(SPLICER_SOURCE_DIR) + "/tests/references/" + name + ".png";
    const std::string out = std::string(SPLICER_BINARY_DIR) + "/screens/" + name;
    if (renewing()) {
        if (!write_rgb(ref, actual, w, h)) return ::testing::AssertionFailure() << "cannot write " << ref;
        return ::testing::AssertionSuccess() << "renewed " << ref;
    }
    std::vector<uint8_t> expected;
    int rw = 0, rh = 0;
    if (!read_rgb(ref, expected, rw, rh)) {
        write_rgb(out + ".actual.png", actual, w, h);
        return ::testing::AssertionFailure()
               << "no reference picture " << ref << " (the screen is in " << out
               << ".actual.png); create it on purpose with `make renew-references`";
    }
    if (rw != w || rh != h) {
        write_rgb(out + ".actual.png", actual, w, h);
        return ::testing::AssertionFailure() << ref << " is " << rw << " x " << rh << ", the panel " << w
                                             << " x " << h << " (screen in " << out << ".actual.png)";
    }
    std::vector<uint8_t> diff(actual.size());
    size_t differing = 0, first = 0;
    for (size_t i = 0; i < actual.size(); i += 3) {
        const bool same =
            actual[i] == expected[i] && actual[i + 1] == expected[i + 1] && actual[i + 2] == expected[i + 2];
        if (same) {
            const uint8_t grey = uint8_t((expected[i] + expected[i + 1] + expected[i + 2]) / 9);
            diff[i] = diff[i + 1] = diff[i + 2] = grey;
        } else {
            if (differing++ == 0) first = i / 3;
            diff[i] = 255;
            diff[i + 1] = diff[i + 2] = 0;
        }
    }
    if (differing == 0) {
        std::error_code ec; // pictures of an earlier failure would mislead
        fs::remove(out + ".actual.png", ec);
        fs::remove(out + ".diff.png", ec);
        return ::testing::AssertionSuccess();
    }
    write_rgb(out + ".actual.png", actual, w, h);
    write_rgb(out + ".diff.png", diff, w, h);
    return ::testing::AssertionFailure()
           << name << ": " << differing << " pixels differ from " << ref << " (first at x " << first % w
           << ", y " << first / w << "); see " << out << ".actual.png and " << out << ".diff.png";
}

} // namespace screens
