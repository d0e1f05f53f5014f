// Image objects: BMP loading (checked against the file), putting with key and inversion, colour
// replacement and integer resizing.
#include "gui/image.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/seam.h"

namespace
{

void fail(const char* fun, int id)
{
    std::printf("%s Err%d!\n", fun, id);
}

uint16_t le16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t le32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t{p[3]} << 24);
}

struct FileCloser {
    FILE* fp;
    ~FileCloser()
    {
        if (fp) std::fclose(fp);
    }
};

GUIFRAME* target_frame(const GUIIMAGE* img)
{
    return GetFrameObject(img->bDepth == 8 ? "_FORE_FRM" : "_BACK_FRM");
}

} // namespace

GUIIMAGE* CreateImageDirect(uint8_t bMode, uint8_t bDepth, uint8_t bKeyed, uint16_t wWidth, uint16_t wHeight,
                            uint16_t wLeft, uint16_t wTop, uint32_t lKeyColor, const char* strPath)
{
    auto* img = static_cast<GUIIMAGE*>(GuiMemAlloc(sizeof(GUIIMAGE)));
    if (!img) return fail("CreateImageDirect", 0), nullptr;
    *img =
        GUIIMAGE{bMode,   bDepth,  bKeyed,          wWidth,          wHeight,          wLeft, wTop, lKeyColor,
                 nullptr, nullptr, _ImageDirectPut, _ImageEventLoad, _ImageEventUnload};
    if ((bDepth != 8 && bDepth != 24) || !strPath || !(img->strPath = _usrstrcpy(nullptr, strPath))) {
        GuiMemFree(img);
        return fail("CreateImageDirect", 1), nullptr;
    }
    return img;
}

GUIIMAGE* CreateImageIndirect(const GUIIMAGE* r)
{
    if (!r) return nullptr;
    return CreateImageDirect(r->bMode, r->bDepth, r->bKeyed, r->wWidth, r->wHeight, r->wLeft, r->wTop,
                             r->lKeyColor, r->strPath);
}

int DeleteImageDirect(GUIIMAGE* img)
{
    if (!img) return 0;
    GuiMemFree(img->pPixels);
    GuiMemFree(img->strPath);
    GuiMemFree(img);
    return 0;
}

int _ImageEventUnload(GUIIMAGE* img)
{
    if (!img) return 1;
    GuiMemFree(img->pPixels);
    img->pPixels = nullptr;
    return 0;
}

int _ImageEventLoad(GUIIMAGE* img)
{
    static const char* fun = "_LoadImageResource";
    if (!img || !img->strPath) return 1;
    FileCloser fc{plat_fopen(img->strPath, "rb")};
    if (!fc.fp) return fail(fun, 0), 1;
    uint8_t hdr[54];
    if (std::fread(hdr, 1, sizeof hdr, fc.fp) != sizeof hdr) return fail(fun, 1), 1;
    const uint16_t magic = le16(hdr);
    const uint32_t offset = le32(hdr + 10);
    const int32_t file_w = static_cast<int32_t>(le32(hdr + 18));
    const int32_t file_h = static_cast<int32_t>(le32(hdr + 22));
    const uint16_t bits = le16(hdr + 28);
    const uint32_t compression = le32(hdr + 30);
    // Only bottom-up, uncompressed files of the image's own depth are read.
    if (magic != 0x4D42 || bits != img->bDepth || compression != 0 || file_w <= 0 || file_h <= 0 ||
        file_w > 0xFFFF || file_h > 0xFFFF)
        return fail(fun, 2), 1;
    if (std::fseek(fc.fp, 0, SEEK_END) != 0) return fail(fun, 1), 1;
    const long file_size = std::ftell(fc.fp);
    const uint64_t row_size = (uint64_t{bits} * static_cast<uint64_t>(file_w) + 31) / 32 * 4;
    if (file_size < 0 || offset < sizeof hdr ||
        uint64_t{offset} + row_size * static_cast<uint64_t>(file_h) > static_cast<uint64_t>(file_size))
        return fail(fun, 1), 1;
    img->wWidth = static_cast<uint16_t>(std::min<int32_t>(img->wWidth, file_w));
    img->wHeight = static_cast<uint16_t>(std::min<int32_t>(img->wHeight, file_h));
    GuiMemFree(img->pPixels);
    img->pPixels = nullptr;
    const size_t bpp = img->bDepth / 8;
    const uint64_t bytes = uint64_t{img->wWidth} * img->wHeight * bpp;
    if (bytes == 0 || bytes > 0x7FFFFFFF) return fail(fun, 3), 1;
    auto* pixels = static_cast<uint8_t*>(GuiMemAlloc(static_cast<int32_t>(bytes)));
    if (!pixels) return fail(fun, 3), 1;
    auto* row = static_cast<uint8_t*>(GuiMemAlloc(static_cast<int32_t>(row_size)));
    if (!row) {
        GuiMemFree(pixels);
        return fail(fun, 4), 1;
    }
    for (uint32_t r = 0; r < img->wHeight; ++r) {
        const uint64_t pos = offset + (static_cast<uint64_t>(file_h) - r - 1) * row_size;
        if (std::fseek(fc.fp, static_cast<long>(pos), SEEK_SET) != 0 ||
            std::fread(row, 1, row_size, fc.fp) != row_size) {
            GuiMemFree(row);
            GuiMemFree(pixels);
            return fail(fun, 1), 1;
        }
        uint8_t* out = pixels + size_t{r} * img->wWidth * bpp;
        if (bpp == 3) {
            for (uint32_t x = 0; x < img->wWidth; ++x) {
                out[x * 3] = row[x * 3 + 2];
                out[x * 3 + 1] = row[x * 3 + 1];
                out[x * 3 + 2] = row[x * 3];
            }
        } else {
            std::memcpy(out, row, img->wWidth);
        }
    }
    GuiMemFree(row);
    img->pPixels = pixels;
    return 0;
}

namespace
{
// Copies the image into a frame of the same pixel size, clipped to the frame.
GUIFRAME* put_into(GUIIMAGE* img, GUIFRAME* f, bool grey_to_rgb)
{
    if (!img || !f || !f->pBuffer || img->bMode == 0) return nullptr;
    if (!img->pPixels && _ImageEventLoad(img) != 0) return nullptr;
    const size_t src_bpp = img->bDepth / 8;
    const size_t dst_bpp = f->bDepth / 8;
    if (grey_to_rgb ? (img->bDepth != 8 || f->bDepth != 24) : src_bpp != dst_bpp) return nullptr;
    uint32_t p = MakePoint(img->wLeft, img->wTop);
    if (_FrameCoordinateTrans(&p, f) != 0) return nullptr;
    const int x0 = PointX(p), y0 = PointY(p);
    const int w = std::min<int>(img->wWidth, f->wBufWidth - x0);
    const int h = std::min<int>(img->wHeight, f->wBufHeight - y0);
    const bool invert = img->bMode == 2;
    const size_t src_size = size_t{img->wWidth} * img->wHeight * src_bpp;
    for (int r = 0; r < h; ++r) {
        const uint8_t* src = img->pPixels + size_t{static_cast<size_t>(r)} * img->wWidth * src_bpp;
        uint8_t* dst = f->pBuffer + (size_t{f->wBufWidth} * (y0 + r) + x0) * dst_bpp;
        if (grey_to_rgb) {
            const size_t row_start = static_cast<size_t>(src - img->pPixels);
            for (int x = 0; x < w; ++x) {
                if (img->bKeyed) {
                    // The key is compared with three consecutive source bytes; bytes past the
                    // end of the picture never match.
                    const size_t i = row_start + static_cast<size_t>(x);
                    if (i + 2 < src_size) {
                        uint32_t v =
                            img->pPixels[i] | (img->pPixels[i + 1] << 8) | (img->pPixels[i + 2] << 16);
                        if (v == (img->lKeyColor & 0xFFFFFF)) continue;
                    }
                }
                uint8_t v = invert ? static_cast<uint8_t>(~src[x]) : src[x];
                dst[x * 3] = dst[x * 3 + 1] = dst[x * 3 + 2] = v;
            }
            continue;
        }
        if (!img->bKeyed) {
            if (invert)
                for (size_t i = 0; i < size_t(w) * src_bpp; ++i)
                    dst[i] = static_cast<uint8_t>(~src[i]);
            else
                std::memcpy(dst, src, size_t(w) * src_bpp);
            continue;
        }
        for (int x = 0; x < w; ++x) {
            const uint8_t* s = src + x * src_bpp;
            uint32_t v = src_bpp == 1 ? s[0] : (s[0] | (s[1] << 8) | (s[2] << 16));
            uint32_t key = src_bpp == 1 ? (img->lKeyColor & 0xFF) : (img->lKeyColor & 0xFFFFFF);
            if (v == key) continue;
            for (size_t k = 0; k < src_bpp; ++k)
                dst[x * src_bpp + k] = invert ? static_cast<uint8_t>(~s[k]) : s[k];
        }
    }
    return f;
}
} // namespace

GUIFRAME* _ImageDirectPut(GUIIMAGE* img)
{
    if (!img || img->bMode == 0) return nullptr;
    if (!img->pPixels && _ImageEventLoad(img) != 0) return nullptr;
    return put_into(img, target_frame(img), false);
}

GUIFRAME* _ForeImageDirectPutBack(GUIIMAGE* img, GUIFRAME* f)
{
    return put_into(img, f, true);
}

int _ImageColorReplace(int iMode, uint32_t lTolerance, uint32_t lColor, uint32_t lNewColor, GUIIMAGE* img)
{
    if (!img) return 1;
    if (!img->pPixels && _ImageEventLoad(img) != 0) return 1;
    if (img->bDepth != 8 && img->bDepth != 24) return 1;
    const uint32_t top = img->bDepth == 8 ? 0xFF : 0xFFFFFF;
    const uint32_t tol = lTolerance % 256;
    const uint32_t lo = tol > lColor ? 0 : lColor - tol;
    const uint32_t hi = std::min<uint64_t>(uint64_t{lColor} + tol, top);
    const size_t n = size_t{img->wWidth} * img->wHeight;
    for (size_t i = 0; i < n; ++i) {
        uint8_t* p = img->pPixels + i * (img->bDepth / 8);
        uint32_t v = img->bDepth == 8 ? p[0] : (p[0] | (p[1] << 8) | (p[2] << 16));
        bool inside = v >= lo && v <= hi;
        if (inside != (iMode == 0)) continue;
        p[0] = static_cast<uint8_t>(lNewColor);
        if (img->bDepth == 24) {
            p[1] = static_cast<uint8_t>(lNewColor >> 8);
            p[2] = static_cast<uint8_t>(lNewColor >> 16);
        }
    }
    return 0;
}

int _ImageSizeChange(uint32_t lXDiv, uint32_t lYDiv, uint32_t lXMul, uint32_t lYMul, GUIIMAGE* img)
{
    if (!img || img->bDepth != 8 || lXDiv == 0 || lYDiv == 0) return 1;
    if (!img->pPixels && _ImageEventLoad(img) != 0) return 1;
    const uint64_t nw = uint64_t{img->wWidth} * lXMul / lXDiv, nh = uint64_t{img->wHeight} * lYMul / lYDiv;
    if (nw == 0 || nh == 0 || nw > 0xFFFF || nh > 0xFFFF) return 1;
    auto* out = static_cast<uint8_t*>(GuiMemAlloc(static_cast<int32_t>(nw * nh)));
    if (!out) return 1;
    const uint32_t w = img->wWidth, h = img->wHeight;
    auto write_row = [&](const uint8_t* src, uint8_t* dst) {
        uint64_t o = 0;
        for (uint32_t c = 0; c < w && o < nw; ++c) {
            if (lXDiv > lXMul) {
                if ((c + 1) % lXDiv < lXMul) dst[o++] = src[c];
            } else if ((c + 1) % lXDiv == 0) {
                for (uint32_t k = 0; k < lXMul - lXDiv + 1 && o < nw; ++k)
                    dst[o++] = src[std::min(c + k, w - 1)];
            } else {
                dst[o++] = src[c];
            }
        }
    };
    uint64_t row = 0;
    for (uint32_t r = 0; r < h && row < nh; ++r) {
        const uint8_t* src = img->pPixels + size_t{r} * w;
        uint32_t times = 1;
        if (lYDiv > lYMul)
            times = (r + 1) % lYDiv < lYMul ? 1 : 0;
        else if ((r + 1) % lYDiv == 0)
            times = lYMul - lYDiv + 1;
        for (uint32_t t = 0; t < times && row < nh; ++t, ++row)
            write_row(src, out + row * nw);
    }
    GuiMemFree(img->pPixels);
    img->pPixels = out;
    img->wWidth = static_cast<uint16_t>(nw);
    img->wHeight = static_cast<uint16_t>(nh);
    return 0;
}
