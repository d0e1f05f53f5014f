// Grey JPEG files of the record images for the report, by libjpeg.
#include <fcntl.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

// clang-format off
#include <jpeglib.h> // needs FILE declared before it
// clang-format on

#include "platform/seam.h"
#include "records/record.h"

namespace
{

struct JpegError {
    jpeg_error_mgr mgr;
    std::jmp_buf jump;
};

void on_error(j_common_ptr c)
{
    std::longjmp(reinterpret_cast<JpegError*>(c->err)->jump, 1);
}

// Compresses into memory (no C++ object lives across the jump). Rows go out last first: the
// buffer holds the rows of a BMP, bottom-up, and the picture must come out upright.
bool compress(const uint8_t* pixels, int width, int height, unsigned char** out, unsigned long* size)
{
    jpeg_compress_struct c;
    JpegError err;
    c.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = on_error;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&c);
        return false;
    }
    jpeg_create_compress(&c);
    jpeg_mem_dest(&c, out, size);
    c.image_width = JDIMENSION(width);
    c.image_height = JDIMENSION(height);
    c.input_components = 1;
    c.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 90, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(pixels + size_t(height - 1 - int(c.next_scanline)) * size_t(width));
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    return true;
}

} // namespace

int Jpeg_compress(const uint8_t* pixels, int width, int height, const char* path)
{
    if (!pixels || !path || width <= 0 || height <= 0 || width > 4096 || height > 4096) return -1;
    unsigned char* buf = nullptr;
    unsigned long size = 0;
    bool ok = compress(pixels, width, height, &buf, &size);
    // A scratch file for the report: written, not synced.
    int fd = ok ? plat_open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644) : -1;
    if (ok && fd < 0) std::printf("can not open %s\n", path);
    ok = fd >= 0;
    for (unsigned long at = 0; ok && at < size;) {
        ssize_t n = plat_write(fd, buf + at, size - at);
        ok = n > 0;
        if (ok) at += static_cast<unsigned long>(n);
    }
    if (fd >= 0 && plat_close(fd) != 0) ok = false;
    std::free(buf);
    return ok ? 0 : -1;
}
