// Drawing primitives: pixels, runs, slanted lines, blocks, rectangles and bevelled rims, written
// straight into the frame memory at 8, 16, 24 or 32 bits per pixel.
#include <algorithm>
#include <cstring>

#include "gui/frame.h"

namespace
{

bool depth_ok(const GUIFRAME* f)
{
    return f && f->pBuffer && (f->bDepth == 8 || f->bDepth == 16 || f->bDepth == 24 || f->bDepth == 32);
}

bool usable(const GUIBRUSH* b, const GUIFRAME* f)
{
    return b && b->bEnable && depth_ok(f);
}

// Horizontal run [x0, x1] on line y, buffer coordinates, already clipped.
void quick_run(GUIFRAME* f, int x0, int x1, int y, uint32_t c)
{
    const size_t stride = f->wBufWidth;
    const int n = x1 - x0 + 1;
    if (n <= 0) return;
    switch (f->bDepth) {
    case 8:
        std::memset(f->pBuffer + stride * y + x0, static_cast<int>(c & 0xFF), static_cast<size_t>(n));
        break;
    case 16: {
        auto* p = reinterpret_cast<uint16_t*>(f->pBuffer) + stride * y + x0;
        std::fill(p, p + n, static_cast<uint16_t>(c));
        break;
    }
    case 24: {
        uint8_t* p = f->pBuffer + (stride * y + x0) * 3;
        for (int i = 0; i < n; ++i, p += 3) {
            p[0] = static_cast<uint8_t>(c);
            p[1] = static_cast<uint8_t>(c >> 8);
            p[2] = static_cast<uint8_t>(c >> 16);
        }
        break;
    }
    case 32: {
        auto* p = reinterpret_cast<uint32_t*>(f->pBuffer) + stride * y + x0;
        std::fill(p, p + n, c);
        break;
    }
    default:
        break;
    }
}

inline void quick_pixel(GUIFRAME* f, int x, int y, uint32_t c)
{
    quick_run(f, x, x, y, c);
}

// Visible area in buffer coordinates.
struct Area {
    int x0, y0, x1, y1; // inclusive
};
Area area(const GUIFRAME* f)
{
    return {f->wXOffset, f->wYOffset, f->wBufWidth - 1, f->wBufHeight - 1};
}

// Translates both points; false (message printed) when one is out of range.
bool trans2(uint32_t& p1, uint32_t& p2, const GUIFRAME* f)
{
    return _FrameCoordinateTrans(&p1, f) == 0 && _FrameCoordinateTrans(&p2, f) == 0;
}

void block(GUIFRAME* f, int x0, int y0, int x1, int y1, uint32_t c)
{
    Area a = area(f);
    x0 = std::max(x0, a.x0);
    y0 = std::max(y0, a.y0);
    x1 = std::min(x1, a.x1);
    y1 = std::min(y1, a.y1);
    if (x0 > x1 || y0 > y1) return;
    quick_run(f, x0, x1, y0, c);
    // Later lines are copies of the first.
    const size_t bpp = f->bDepth / 8, stride = size_t{f->wBufWidth} * bpp;
    const uint8_t* first = f->pBuffer + stride * y0 + size_t(x0) * bpp;
    for (int y = y0 + 1; y <= y1; ++y)
        std::memcpy(f->pBuffer + stride * y + size_t(x0) * bpp, first, size_t(x1 - x0 + 1) * bpp);
}

// Horizontal line of the brush's width: lines from y - (ceil(w/2) - 1) on, clipped.
void hline(GUIFRAME* f, int x0, int x1, int y, int w, uint32_t c)
{
    if (x0 > x1) std::swap(x0, x1);
    int top = y - ((w + 1) / 2 - 1);
    block(f, x0, top, x1, top + w - 1, c);
}

void vline(GUIFRAME* f, int x, int y0, int y1, int w, uint32_t c)
{
    if (y0 > y1) std::swap(y0, y1);
    int left = x - ((w + 1) / 2 - 1);
    block(f, left, y0, left + w - 1, y1, c);
}

void rect_outline(GUIFRAME* f, int x0, int y0, int x1, int y1, int w, uint32_t c)
{
    hline(f, x0, x1, y0, w, c);
    hline(f, x0, x1, y1, w, c);
    vline(f, x0, y0, y1, w, c);
    vline(f, x1, y0, y1, w, c);
}

void order(int& a, int& b)
{
    if (a > b) std::swap(a, b);
}

} // namespace

uint32_t GetFramePixel(const GUIFRAME* f, uint16_t x, uint16_t y)
{
    if (!depth_ok(f) || x >= f->wBufWidth || y >= f->wBufHeight) return 0;
    const size_t i = size_t{f->wBufWidth} * y + x;
    switch (f->bDepth) {
    case 8:
        return f->pBuffer[i];
    case 16:
        return reinterpret_cast<const uint16_t*>(f->pBuffer)[i];
    case 24:
        return f->pBuffer[i * 3] | (f->pBuffer[i * 3 + 1] << 8) | (f->pBuffer[i * 3 + 2] << 16);
    default:
        return reinterpret_cast<const uint32_t*>(f->pBuffer)[i];
    }
}

GUIFRAME* DrawPixelDirect(uint32_t p, const GUIBRUSH* b, GUIFRAME* f)
{
    if (!usable(b, f) || _FrameCoordinateTrans(&p, f) != 0) return nullptr;
    int x = PointX(p), y = PointY(p);
    uint32_t c = b->lLineColor;
    switch (b->bWidth) {
    case 1:
        quick_pixel(f, x, y, c);
        break;
    case 2:
        block(f, x, y, x + 1, y + 1, c);
        break;
    default:
        block(f, x - 1, y, x + 1, y, c);
        block(f, x, y - 1, x, y + 1, c);
        break;
    }
    return f;
}

GUIFRAME* DrawHorizontalDirect(uint32_t p1, uint32_t p2, const GUIBRUSH* b, GUIFRAME* f)
{
    if (!usable(b, f) || !trans2(p1, p2, f)) return nullptr;
    hline(f, PointX(p1), PointX(p2), PointY(p1), b->bWidth, b->lLineColor);
    return f;
}

GUIFRAME* DrawVerticalDirect(uint32_t p1, uint32_t p2, const GUIBRUSH* b, GUIFRAME* f)
{
    if (!usable(b, f) || !trans2(p1, p2, f)) return nullptr;
    vline(f, PointX(p1), PointY(p1), PointY(p2), b->bWidth, b->lLineColor);
    return f;
}

GUIFRAME* DrawBiasDirect(uint32_t p1, uint32_t p2, const GUIBRUSH* b, GUIFRAME* f)
{
    if (!usable(b, f) || !trans2(p1, p2, f)) return nullptr;
    int x = PointX(p1), y = PointY(p1);
    const int dx = PointX(p2) - x, dy = PointY(p2) - y;
    const int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    const int adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    const bool steep = ady >= adx;
    const int major = steep ? ady : adx, minor = steep ? adx : ady;
    const int w = b->bWidth, before = (w + 1) / 2 - 1;
    const Area a = area(f);
    const uint32_t c = b->lLineColor;
    int e = -major;
    for (int i = 0; i <= major; ++i) {
        // Thickness: copies side by side across the major direction.
        for (int k = 0; k < w; ++k) {
            int px = steep ? x - before + k : x, py = steep ? y : y - before + k;
            if (px >= a.x0 && px <= a.x1 && py >= a.y0 && py <= a.y1) quick_pixel(f, px, py, c);
        }
        if (i == major) break;
        e += 2 * minor;
        if (steep)
            y += sy;
        else
            x += sx;
        if (e >= 0) {
            if (steep)
                x += sx;
            else
                y += sy;
            e -= 2 * major;
        }
    }
    return f;
}

GUIFRAME* DrawLineDirect(uint32_t p1, uint32_t p2, const GUIBRUSH* b, GUIFRAME* f)
{
    if (PointX(p1) == PointX(p2)) return DrawVerticalDirect(p1, p2, b, f);
    if (PointY(p1) == PointY(p2)) return DrawHorizontalDirect(p1, p2, b, f);
    return DrawBiasDirect(p1, p2, b, f);
}

namespace
{
GUIFRAME* block_colour(uint32_t p1, uint32_t p2, const GUIBRUSH* b, GUIFRAME* f, uint32_t c)
{
    if (!usable(b, f) || !trans2(p1, p2, f)) return nullptr;
    // The background layer treats pure white blocks as "leave as is".
    if (f->bDepth == 24 && (c & 0xFFFFFF) == 0xFFFFFF) return nullptr;
    int x0 = PointX(p1), x1 = PointX(p2), y0 = PointY(p1), y1 = PointY(p2);
    order(x0, x1);
    order(y0, y1);
    block(f, x0, y0, x1, y1, c);
    return f;
}
} // namespace

GUIFRAME* DrawBlockDirect(uint32_t p1, uint32_t p2, const GUIBRUSH* b, GUIFRAME* f)
{
    return block_colour(p1, p2, b, f, b ? b->lLineColor : 0);
}

GUIFRAME* DrawBlockFill(uint32_t p1, uint32_t p2, const GUIBRUSH* b, GUIFRAME* f)
{
    return block_colour(p1, p2, b, f, b ? b->lFillColor : 0);
}

GUIFRAME* DrawRectangleDirect(uint32_t p1, uint32_t p2, const GUIBRUSH* b, GUIFRAME* f)
{
    if (!usable(b, f) || !trans2(p1, p2, f)) return nullptr;
    int x0 = PointX(p1), x1 = PointX(p2), y0 = PointY(p1), y1 = PointY(p2);
    order(x0, x1);
    order(y0, y1);
    rect_outline(f, x0, y0, x1, y1, b->bWidth, b->lLineColor);
    return f;
}

GUIFRAME* DrawRimDirect(uint32_t p1, uint32_t p2, const GUIBRUSH* b, GUIFRAME* f)
{
    return DrawRectangleDirect(p1, p2, b, f);
}

GUIFRAME* DrawRectangleFill(uint32_t p1, uint32_t p2, const GUIBRUSH* b, GUIFRAME* f)
{
    if (!usable(b, f) || !trans2(p1, p2, f)) return nullptr;
    int x0 = PointX(p1), x1 = PointX(p2), y0 = PointY(p1), y1 = PointY(p2);
    order(x0, x1);
    order(y0, y1);
    if (x1 - x0 + 1 < 3 || y1 - y0 + 1 < 3) return nullptr;
    rect_outline(f, x0, y0, x1, y1, b->bWidth, b->lLineColor);
    const int w = b->bWidth;
    if (x0 + w <= x1 - w && y0 + w <= y1 - w) block(f, x0 + w, y0 + w, x1 - w, y1 - w, b->lFillColor);
    return f;
}

namespace
{
struct RimColours {
    uint32_t dark, mid, light, soft;
};

RimColours rim_colours(const GUIFRAME* f, uint32_t base, bool hollow)
{
    if (f->bDepth == 8 || !f->pPalette) return {base, base, base, base};
    uint8_t c[3];
    _PaletteColorAnalyze(base, f->pPalette, &c[0], &c[1], &c[2]);
    const int m = std::min({c[0], c[1], c[2]}), M = std::max({c[0], c[1], c[2]});
    const int d = std::min(m, 32);
    const int l = std::min(255 - M, hollow ? 32 : 16);
    auto shift = [&](int delta) {
        return _PaletteColorBuild(static_cast<uint8_t>(c[0] + delta), static_cast<uint8_t>(c[1] + delta),
                                  static_cast<uint8_t>(c[2] + delta), f->pPalette);
    };
    return {shift(-d), shift(-(d / 2)), shift(l), shift(l / 2)};
}

// Top/left in one colour, bottom/right in another, one pixel wide.
void bevel(GUIFRAME* f, int x0, int y0, int x1, int y1, uint32_t tl, uint32_t br)
{
    block(f, x0, y0, x1, y0, tl);
    block(f, x0, y0, x0, y1, tl);
    block(f, x0, y1, x1, y1, br);
    block(f, x1, y0, x1, y1, br);
}

GUIFRAME* rim(uint32_t p1, uint32_t p2, const GUIBRUSH* b, GUIFRAME* f, bool hollow)
{
    if (!usable(b, f) || !trans2(p1, p2, f)) return nullptr;
    int x0 = PointX(p1), x1 = PointX(p2), y0 = PointY(p1), y1 = PointY(p2);
    order(x0, x1);
    order(y0, y1);
    if (x1 - x0 + 1 < 3 || y1 - y0 + 1 < 3) return nullptr;
    RimColours rc = rim_colours(f, b->lFillColor, hollow);
    if (hollow) {
        bevel(f, x0, y0, x1, y1, rc.mid, rc.light);
        bevel(f, x0 + 1, y0 + 1, x1 - 1, y1 - 1, rc.dark, rc.soft);
    } else {
        bevel(f, x0, y0, x1, y1, rc.dark, rc.dark);
        bevel(f, x0 + 1, y0 + 1, x1 - 1, y1 - 1, rc.light, rc.mid);
    }
    return f;
}
} // namespace

GUIFRAME* DrawRimRaised(uint32_t p1, uint32_t p2, const GUIBRUSH* b, GUIFRAME* f)
{
    return rim(p1, p2, b, f, false);
}
GUIFRAME* DrawRimHollow(uint32_t p1, uint32_t p2, const GUIBRUSH* b, GUIFRAME* f)
{
    return rim(p1, p2, b, f, true);
}
