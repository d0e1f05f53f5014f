// One fuzz case of the update package reader: a sound package damaged as the input says
// (truncated, bytes overwritten, a length replaced), written to the unit's flash and scanned.
// A package the reader accepts must hold six sections inside the file that add up to its size,
// each readable whole. Returns what went wrong ("" when nothing). Used by the seeded driver of
// the test run and by the libFuzzer target.
#pragma once

#include <fcntl.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/seam.h"
#include "update/updatepackage.h"

namespace updfuzz
{

inline std::vector<uint8_t> sound_package()
{
    std::array<std::vector<uint8_t>, UPD_FILE_COUNT> img;
    std::array<std::string, UPD_FILE_COUNT> ver = {"B1", "K2", "A1.20", "P3", "F4", "L5"};
    for (int f = 0; f < UPD_FILE_COUNT; ++f)
        img[f].assign(size_t(10 + 7 * f), uint8_t('a' + f));
    return UpdBuildPackage(img, ver);
}

inline std::string run(const uint8_t* d, size_t n, const std::string& host_file, const char* unit_file)
{
    std::vector<uint8_t> p = sound_package();
    // Each 3 bytes of input: what (truncate, overwrite a byte, overwrite a length byte) and where.
    for (size_t i = 0; i + 3 <= n; i += 3) {
        size_t at = (size_t(d[i + 1]) << 8 | d[i + 2]) % (p.size() + 1);
        switch (d[i] % 3) {
        case 0:
            p.resize(at);
            break;
        case 1:
            if (at < p.size()) p[at] = d[i + 2];
            break;
        default:
            if (!p.empty()) p[(56 + at % 64) % p.size()] = d[i + 1];
        }
    }
    {
        std::ofstream out(host_file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(p.data()), std::streamsize(p.size()));
    }
    UpdPackage pkg;
    std::string why;
    if (UpdPackageScanFile(unit_file, &pkg, &why) != 0) return why.empty() ? "refused without a reason" : "";
    uint64_t total = UPD_HEADER_SIZE;
    int fd = plat_open(unit_file, O_RDONLY);
    if (fd < 0) return "accepted package cannot be reopened";
    std::string fault;
    for (const auto& s : pkg.section) {
        total += 4 + uint64_t(s.length);
        if (s.offset + s.length > p.size()) fault = "section outside the file";
        std::vector<uint8_t> buf(s.length);
        if (fault.empty() && (plat_lseek(fd, off_t(s.offset), SEEK_SET) != off_t(s.offset) ||
                              plat_read(fd, buf.data(), buf.size()) != ssize_t(buf.size())))
            fault = "section of an accepted package cannot be read";
    }
    plat_close(fd);
    if (fault.empty() && total != p.size()) fault = "accepted sections do not add up to the file";
    if (fault.empty() && pkg.section[UPD_APP].length == 0) fault = "accepted without an application";
    return fault;
}

} // namespace updfuzz
