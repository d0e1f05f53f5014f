// Both camera pictures of the running splice as 640 x 480 grey BMP files on the USB stick, in
// the splice log's directory, named after the number the splice's record gets.
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "fiber/graphics.h"
#include "platform/seam.h"
#include "records/record.h"
#include "splice/spliceinfo.h"
#include "splice/splicelog.h"
#include "splice/splicestate.h"

namespace
{
constexpr int kWidth = 640, kHeight = 480;
constexpr int kDataOff = 54 + 1024;

void put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

// 8-bit grey BMP, rows bottom-up as the format wants them.
std::vector<uint8_t> bmp_of(const uint8_t* frame)
{
    std::vector<uint8_t> f(size_t(kDataOff) + size_t(kWidth) * kHeight);
    f[0] = 'B';
    f[1] = 'M';
    put32(&f[2], uint32_t(f.size()));
    put32(&f[10], kDataOff);
    put32(&f[14], 40);
    put32(&f[18], kWidth);
    put32(&f[22], kHeight);
    f[26] = 1;
    f[28] = 8;
    put32(&f[34], uint32_t(kWidth * kHeight));
    put32(&f[46], 256);
    for (int i = 0; i < 256; ++i)
        f[size_t(54 + 4 * i)] = f[size_t(55 + 4 * i)] = f[size_t(56 + 4 * i)] = uint8_t(i);
    for (int y = 0; y < kHeight; ++y)
        std::memcpy(&f[size_t(kDataOff) + size_t(kHeight - 1 - y) * kWidth], frame + size_t(y) * kWidth,
                    kWidth);
    return f;
}

bool write_file(const char* path, const std::vector<uint8_t>& data)
{
    const int fd = plat_open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    bool ok = plat_write(fd, data.data(), data.size()) == ssize_t(data.size());
    ok = plat_fsync(fd) == 0 && ok;
    ok = plat_close(fd) == 0 && ok;
    if (!ok) plat_unlink(path); // never leave a cut picture behind
    return ok;
}
} // namespace

int SaveSpliceImagesToUsb()
{
    if (GetGraphicsData(3) != 0) return -1;
    if (plat_mount("/dev/sda1", "/media", "vfat", MS_SYNCHRONOUS, nullptr) != 0) {
        std::printf("USB disk mount faild\n");
        return -1;
    }
    char dir[64];
    bool ok = SpliceLogDirectory(dir, sizeof dir) == 0;
    struct stat st {
    };
    if (ok && plat_stat(dir, &st) != 0) ok = plat_mkdir(dir, 0766) == 0;
    // The number this splice's record has, or gets once stored.
    int count = 0;
    if (GetCount_Record(&count) != 0 || count < 0) count = 0;
    if (GetCurrentInformation()->iSpliceRecordFlag && count > 0) --count;
    for (int view = 1; ok && view <= 2; ++view) {
        const uint8_t* frame = GetGraphicsEntry(view);
        char path[128];
        std::snprintf(path, sizeof path, "%s/%04d_%c.bmp", dir, count + 1, view == 1 ? 'X' : 'Y');
        ok = frame && write_file(path, bmp_of(frame));
    }
    if (plat_umount("/media") != 0) ok = false;
    if (!ok) std::printf("USB disk mount faild\n");
    return ok ? 0 : -1;
}
