// Saving the current camera frames of the newest record as its two BMP files.
#include "records/recordimage.h"

#include <fcntl.h>

#include <cstdio>
#include <cstring>

#include "fiber/graphics.h"
#include "platform/seam.h"
#include "records/recordstore.h"

namespace
{

void put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}
uint32_t get32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}

int SaveSpliceImage(int slot)
{
    const uint8_t* frames[2] = {GetGraphicsEntry(VIEW_X), GetGraphicsEntry(VIEW_Y)};
    if (!frames[0]) {
        std::printf("Failed to Get Data from Camera X\n");
        return -1;
    }
    if (!frames[1]) {
        std::printf("Failed to Get Data from Camera Y\n");
        return -1;
    }
    if (RecordMakeDirs(REC_IMAGE_DIR) != 0) return -1;
    const char* views[2] = {"X", "Y"};
    for (int i = 0; i < 2; ++i) {
        std::string path = RecordImagePath(views[i], slot);
        std::vector<uint8_t> bmp = RecordBmpOfFrame(frames[i]);
        if (RecordWriteFileAtomic(path, bmp.data(), bmp.size()) != 0) {
            std::printf("Failed to open %s\n", path.c_str());
            return -1;
        }
    }
    return 0;
}

} // namespace

std::vector<uint8_t> RecordBmpOfFrame(const uint8_t* frame)
{
    std::vector<uint8_t> f(REC_BMP_SIZE, 0);
    uint8_t* h = f.data();
    h[0] = 'B';
    h[1] = 'M';
    put32(h + 2, REC_BMP_SIZE);
    put32(h + 10, REC_BMP_DATA_OFF);
    put32(h + 14, 40);
    put32(h + 18, REC_IMAGE_WIDTH);
    put32(h + 22, REC_IMAGE_HEIGHT); // positive: rows bottom-up
    h[26] = 1;                       // planes
    h[28] = 8;                       // bits per pixel
    put32(h + 34, REC_IMAGE_WIDTH * REC_IMAGE_HEIGHT);
    put32(h + 38, 2835); // 72 dpi
    put32(h + 42, 2835);
    put32(h + 46, 256);
    for (int i = 0; i < 256; ++i)
        h[54 + 4 * i] = h[55 + 4 * i] = h[56 + 4 * i] = uint8_t(i);
    for (int y = 0; y < REC_IMAGE_HEIGHT; ++y) {
        const uint8_t* a = frame + size_t(2 * y) * CAMERA_WIDTH;
        const uint8_t* b = a + CAMERA_WIDTH;
        uint8_t* out = h + REC_BMP_DATA_OFF + size_t(REC_IMAGE_HEIGHT - 1 - y) * REC_IMAGE_WIDTH;
        for (int x = 0; x < REC_IMAGE_WIDTH; ++x)
            out[x] = uint8_t((a[2 * x] + a[2 * x + 1] + b[2 * x] + b[2 * x + 1] + 2) / 4);
    }
    return f;
}

bool RecordBmpPixels(const std::vector<uint8_t>& f, std::vector<uint8_t>* pixels)
{
    const size_t n = size_t(REC_IMAGE_WIDTH) * REC_IMAGE_HEIGHT;
    if (f.size() < 54 || f[0] != 'B' || f[1] != 'M') return false;
    uint32_t off = get32(&f[10]);
    if (get32(&f[18]) != uint32_t(REC_IMAGE_WIDTH) || get32(&f[22]) != uint32_t(REC_IMAGE_HEIGHT) ||
        f[28] != 8 || f[29] != 0 || get32(&f[30]) != 0 || off < 54 || off > f.size() || f.size() - off < n)
        return false;
    pixels->assign(f.begin() + off, f.begin() + long(off + n));
    return true;
}

bool RecordReadFile(const std::string& path, std::vector<uint8_t>* data, size_t limit)
{
    data->clear();
    int fd = plat_open(path.c_str(), O_RDONLY);
    if (fd < 0) return false;
    uint8_t buf[16384];
    ssize_t n;
    while ((n = plat_read(fd, buf, sizeof buf)) > 0) {
        if (data->size() + size_t(n) > limit) {
            n = -1;
            break;
        }
        data->insert(data->end(), buf, buf + n);
    }
    plat_close(fd);
    return n == 0;
}

int AppendRecordImage()
{
    RecordGuard g; // the newest record stays the newest while its images are written
    int slot = RecordNewestSlot();
    if (slot < 0) return -1;
    if (SaveSpliceImage(slot) != 0) return -1;
    // Marked only once both files are in place.
    return RecordSetImageBit(slot);
}
