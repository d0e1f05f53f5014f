// Builds and inspects the unit's update package, and stamps version trailers on images.
//
//   mkupdate -o OUT --boot FILE VER --image FILE VER --app FILE VER --par FILE VER
//            --chip FILE VER --linuxcom FILE VER     build a package from six images
//   mkupdate --list PACKAGE                          versions and sections; exit 1 when damaged
//   mkupdate --stamp FILE VER                        give an image its version trailer in place
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "update/updatepackage.h"

namespace
{

bool read_host(const std::string& path, std::vector<uint8_t>& out)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool write_host(const std::string& path, const std::vector<uint8_t>& data)
{
    // Written beside the target and renamed, so a failed run never leaves half a file.
    std::string tmp = path + ".part";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
        out.flush();
        if (!out) {
            std::remove(tmp.c_str());
            return false;
        }
    }
    return std::rename(tmp.c_str(), path.c_str()) == 0;
}

int usage()
{
    std::fprintf(stderr,
                 "usage: mkupdate -o OUT --boot FILE VER --image FILE VER --app FILE VER --par FILE VER\n"
                 "                --chip FILE VER --linuxcom FILE VER\n"
                 "       mkupdate --list PACKAGE\n"
                 "       mkupdate --stamp FILE VER\n");
    return 2;
}

int list(const char* path)
{
    UpdPackage pkg;
    std::string why;
    if (UpdPackageScanFile(path, &pkg, &why) != 0) {
        std::printf("%s: damaged: %s\n", path, why.c_str());
        return 1;
    }
    std::printf("%s: sound\n", path);
    for (UpdFile f : kUpdSectionOrder) {
        const auto& s = pkg.section[f];
        std::printf("%-12s version %-8.8s  %10u bytes at %llu\n", UpdFileOf(f).name, pkg.header.version[f],
                    s.length, static_cast<unsigned long long>(s.offset));
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && !std::strcmp(argv[1], "--list")) return list(argv[2]);
    if (argc == 4 && !std::strcmp(argv[1], "--stamp")) {
        std::vector<uint8_t> img;
        if (!read_host(argv[2], img)) return std::fprintf(stderr, "mkupdate: cannot read %s\n", argv[2]), 1;
        if (std::strlen(argv[3]) > UPD_VERSION_LEN)
            return std::fprintf(stderr, "mkupdate: version too long\n"), 1;
        if (!write_host(argv[2], UpdStampImage(img, argv[3])))
            return std::fprintf(stderr, "mkupdate: cannot write %s\n", argv[2]), 1;
        return 0;
    }
    static const char* opts[UPD_FILE_COUNT] = {"--boot", "--image", "--app", "--par", "--chip", "--linuxcom"};
    std::array<std::vector<uint8_t>, UPD_FILE_COUNT> images;
    std::array<std::string, UPD_FILE_COUNT> versions;
    bool given[UPD_FILE_COUNT] = {};
    std::string out;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "-o") && i + 1 < argc) {
            out = argv[++i];
            continue;
        }
        int f = 0;
        while (f < UPD_FILE_COUNT && std::strcmp(argv[i], opts[f]))
            ++f;
        if (f == UPD_FILE_COUNT || i + 2 >= argc) return usage();
        if (!read_host(argv[i + 1], images[f]))
            return std::fprintf(stderr, "mkupdate: cannot read %s\n", argv[i + 1]), 1;
        versions[f] = argv[i + 2];
        given[f] = true;
        i += 2;
    }
    for (bool g : given)
        if (!g) return usage();
    if (out.empty()) return usage();
    std::vector<uint8_t> pkg = UpdBuildPackage(images, versions);
    if (pkg.empty())
        return std::fprintf(stderr,
                            "mkupdate: a version is longer than 8 characters or not printable text\n"),
               1;
    if (!write_host(out, pkg)) return std::fprintf(stderr, "mkupdate: cannot write %s\n", out.c_str()), 1;
    return 0;
}
