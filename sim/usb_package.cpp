// Writes an update package onto the simulated USB stick.
#include "sim/usb_package.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

#include "sim/backend.h"

namespace sim
{

const std::array<const char*, 6> kUsbPackageFiles = {"boot", "image", "app", "par", "chip", "linuxcom"};

namespace
{

using Bytes = std::vector<uint8_t>;

// Installed paths in header order; the sections follow in their own order.
const char* const kInstalled[6] = {"/mnt/boot.bin",        "/mnt/image.bin", "/mnt/appmain",
                                   "/mnt/usr/Default.par", "/mnt/chip.bin",  "/mnt/linuxcom"};
constexpr int kSectionOrder[6] = {0, 1, 4, 5, 2, 3};

uint32_t u32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void put_u32(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b.push_back(uint8_t(v >> (8 * i)));
}

} // namespace

bool write_usb_package(const UsbPackage& p, std::string& err)
{
    const std::string root = data_root();
    Bytes header(56, 0);
    std::array<Bytes, 6> img;
    for (int f = 0; f < 6; ++f) {
        std::ifstream in(root + kInstalled[f], std::ios::binary);
        if (!in) return err = std::string("usb_package: no installed ") + kInstalled[f], false;
        img[f].assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        // The image without its trailer, and the version it had.
        std::string version;
        if (img[f].size() >= 12 && u32(img[f].data() + img[f].size() - 12) == img[f].size() - 12) {
            const char* v = reinterpret_cast<const char*>(img[f].data() + img[f].size() - 8);
            for (int i = 0; i < 8 && v[i]; ++i)
                version += v[i];
            img[f].resize(img[f].size() - 12);
        }
        if (p.versions[f]) version = *p.versions[f];
        if (version.size() > 8) return err = "usb_package: a version has at most 8 characters", false;
        if (f == 2 && p.damage == "no_app")
            img[f].clear();
        else {
            const uint32_t n = uint32_t(img[f].size());
            put_u32(img[f], n);
            Bytes v(8, 0);
            std::copy(version.begin(), version.end(), v.begin());
            img[f].insert(img[f].end(), v.begin(), v.end());
        }
        std::copy(version.begin(), version.end(), header.begin() + 8 * f);
    }
    if (p.damage == "version_text") header[2 * 8 + 7] = 'z';
    Bytes out = header;
    for (int f : kSectionOrder) {
        put_u32(out, uint32_t(img[f].size()));
        out.insert(out.end(), img[f].begin(), img[f].end());
    }
    if (p.damage == "truncated") out.resize(out.size() - 7);
    if (p.damage == "extra_byte") out.push_back(0);
    std::ofstream o(root + "/usb/K7Q2_sw_m6.bin", std::ios::binary | std::ios::trunc);
    o.write(reinterpret_cast<const char*>(out.data()), std::streamsize(out.size()));
    if (!o) return err = "usb_package: cannot write the stick", false;
    return true;
}

} // namespace sim
