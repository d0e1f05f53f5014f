// Reading, checking and building update packages; version trailers of installed images.
#include "update/updatepackage.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/seam.h"

namespace
{

const UpdFileInfo kFiles[UPD_FILE_COUNT] = {
    {"boot", "boot.bin", "/mnt/boot.bin", "/tmp/boot.bin"},
    {"image", "image.bin", "/mnt/image.bin", "/tmp/image.bin"},
    {"usr", "appmain", "/mnt/appmain", "/tmp/appmain"},
    {"default.par", "Default.par", "/mnt/usr/Default.par", "/tmp/Default.par"},
    {"chip", "chip.bin", "/mnt/chip.bin", "/tmp/chip.bin"},
    {"linuxcom", "linuxcom", "/mnt/linuxcom", "/tmp/linuxcom"},
};

uint32_t get_u32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void put_u32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

// Printable text, then only NUL padding.
bool version_field_sound(const char* f)
{
    int n = 0;
    while (n < UPD_VERSION_LEN && f[n])
        ++n;
    for (int i = 0; i < n; ++i)
        if (f[i] < 0x21 || f[i] > 0x7E) return false;
    for (int i = n; i < UPD_VERSION_LEN; ++i)
        if (f[i]) return false;
    return true;
}

bool read_full(int fd, void* buf, size_t n)
{
    auto* p = static_cast<uint8_t*>(buf);
    while (n > 0) {
        ssize_t r = plat_read(fd, p, n);
        if (r <= 0) return false;
        p += r;
        n -= size_t(r);
    }
    return true;
}

int fail(std::string* why, const std::string& text)
{
    if (why) *why = text;
    return -1;
}

} // namespace

const UpdFileInfo& UpdFileOf(int file)
{
    return kFiles[file];
}

int UpdPackageScan(int fd, UpdPackage* pkg, std::string* why)
{
    UpdPackage p;
    off_t end = plat_lseek(fd, 0, SEEK_END);
    if (end < 0 || plat_lseek(fd, 0, SEEK_SET) != 0) return fail(why, "cannot be read");
    const uint64_t size = uint64_t(end);
    if (size < UPD_HEADER_SIZE || !read_full(fd, &p.header, sizeof p.header))
        return fail(why, "shorter than its header");
    for (int f = 0; f < UPD_FILE_COUNT; ++f)
        if (!version_field_sound(p.header.version[f]))
            return fail(why, std::string("version field of ") + kFiles[f].name + " is not text");
    uint64_t at = UPD_HEADER_SIZE;
    for (UpdFile f : kUpdSectionOrder) {
        uint8_t len[4];
        if (size - at < 4 || plat_lseek(fd, off_t(at), SEEK_SET) != off_t(at) || !read_full(fd, len, 4))
            return fail(why, std::string("cut short before the length of ") + kFiles[f].name);
        at += 4;
        uint32_t n = get_u32(len);
        if (n > size - at)
            return fail(why, std::string("section ") + kFiles[f].name + " runs past the end of the file");
        p.section[f] = {at, n};
        at += n;
    }
    if (at != size)
        return fail(why, "sections do not add up to the file size (" + std::to_string(size - at) +
                             " bytes left over)");
    if (p.section[UPD_APP].length == 0) return fail(why, "carries no application");
    if (pkg) *pkg = p;
    return 0;
}

int UpdPackageScanFile(const char* path, UpdPackage* pkg, std::string* why)
{
    int fd = plat_open(path, O_RDONLY);
    if (fd < 0) return fail(why, "cannot be opened");
    int rc = UpdPackageScan(fd, pkg, why);
    plat_close(fd);
    return rc;
}

std::string UpdVersionText(const char* field)
{
    return std::string(field, strnlen(field, UPD_VERSION_LEN));
}

bool UpdVersionBelow(const char* package, const char* installed)
{
    return std::strncmp(package, installed, UPD_VERSION_LEN) < 0;
}

std::string UpdTrailerVersion(const std::vector<uint8_t>& image)
{
    if (image.size() < UPD_TRAILER_SIZE) return "";
    const uint8_t* t = image.data() + image.size() - UPD_TRAILER_SIZE;
    if (get_u32(t) != image.size() - UPD_TRAILER_SIZE) return "";
    return UpdVersionText(reinterpret_cast<const char*>(t + 4));
}

std::vector<uint8_t> UpdStampImage(std::vector<uint8_t> image, const std::string& version)
{
    if (image.size() >= UPD_TRAILER_SIZE &&
        get_u32(image.data() + image.size() - UPD_TRAILER_SIZE) == image.size() - UPD_TRAILER_SIZE)
        image.resize(image.size() - UPD_TRAILER_SIZE);
    const size_t n = image.size();
    image.resize(n + UPD_TRAILER_SIZE, 0);
    put_u32(image.data() + n, uint32_t(n));
    std::memcpy(image.data() + n + 4, version.data(), std::min<size_t>(version.size(), UPD_VERSION_LEN));
    return image;
}

std::vector<uint8_t> UpdBuildPackage(const std::array<std::vector<uint8_t>, UPD_FILE_COUNT>& images,
                                     const std::array<std::string, UPD_FILE_COUNT>& versions)
{
    UPDATE_HEADER h{};
    for (int f = 0; f < UPD_FILE_COUNT; ++f) {
        if (versions[f].size() > UPD_VERSION_LEN) return {};
        std::memcpy(h.version[f], versions[f].data(), versions[f].size());
        if (!version_field_sound(h.version[f])) return {};
    }
    std::vector<uint8_t> out(sizeof h);
    std::memcpy(out.data(), &h, sizeof h);
    for (UpdFile f : kUpdSectionOrder) {
        std::vector<uint8_t> img = UpdStampImage(images[f], versions[f]);
        if (img.size() > UINT32_MAX) return {};
        uint8_t len[4];
        put_u32(len, uint32_t(img.size()));
        out.insert(out.end(), len, len + 4);
        out.insert(out.end(), img.begin(), img.end());
    }
    return out;
}

int GetFileVersion(const char* path, char* field)
{
    std::memset(field, 0, UPD_VERSION_LEN);
    int fd = plat_open(path, O_RDONLY);
    if (fd < 0) {
        std::printf("Failed to open %s\n", path);
        return -1;
    }
    uint8_t t[UPD_TRAILER_SIZE];
    off_t end = plat_lseek(fd, 0, SEEK_END);
    if (end >= UPD_TRAILER_SIZE &&
        plat_lseek(fd, end - UPD_TRAILER_SIZE, SEEK_SET) == end - UPD_TRAILER_SIZE &&
        read_full(fd, t, sizeof t) && get_u32(t) == uint64_t(end) - UPD_TRAILER_SIZE)
        std::memcpy(field, t + 4, UPD_VERSION_LEN);
    plat_close(fd);
    return 0;
}

int GetCurrentVersion(char* block)
{
    int rc = 0;
    for (int f = 0; f < UPD_FILE_COUNT; ++f)
        if (GetFileVersion(kFiles[f].installed, block + f * UPD_VERSION_LEN) != 0) rc = -1;
    return rc;
}

void PrintFilesVersion(const char* current, const UPDATE_HEADER& package)
{
    std::printf("<Current files version>---<Updata files version>\n");
    for (int f = 0; f < UPD_FILE_COUNT; ++f)
        std::printf("%s: %.8s---%.8s\n", kFiles[f].label, current + f * UPD_VERSION_LEN, package.version[f]);
}
