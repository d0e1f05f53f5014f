// Raster canvas, palette, BMP writers and FreeType text for the asset generator.
#include "canvas.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace
{
FT_Library g_ft = nullptr;

void put16(std::vector<uint8_t>& v, uint16_t x)
{
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
void put32(std::vector<uint8_t>& v, uint32_t x)
{
    for (int i = 0; i < 4; ++i)
        v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

std::vector<uint8_t> bmp_header(int w, int h, int bits, uint32_t palette_entries)
{
    const uint32_t row = (uint32_t(bits) * w + 31) / 32 * 4;
    const uint32_t offset = 54 + palette_entries * 4;
    std::vector<uint8_t> v;
    put16(v, 0x4D42);
    put32(v, offset + row * h);
    put32(v, 0);
    put32(v, offset);
    put32(v, 40);
    put32(v, static_cast<uint32_t>(w));
    put32(v, static_cast<uint32_t>(h));
    put16(v, 1);
    put16(v, static_cast<uint16_t>(bits));
    put32(v, 0);
    put32(v, row * h);
    put32(v, 2835);
    put32(v, 2835);
    put32(v, palette_entries);
    put32(v, 0);
    return v;
}

bool write_all(const std::string& path, const std::vector<uint8_t>& data)
{
    if (!ensure_parent(path)) return false;
    FILE* fp = std::fopen(path.c_str(), "wb");
    if (!fp) return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), fp) == data.size();
    return std::fclose(fp) == 0 && ok;
}
} // namespace

bool ensure_parent(const std::string& path)
{
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
    return !ec;
}

uint8_t Palette::nearest(Rgb v) const
{
    int best = 0, best_d = 1 << 30;
    for (int i = 0; i < 255; ++i) {
        const int dr = c[i].r - v.r, dg = c[i].g - v.g, db = c[i].b - v.b;
        const int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (d < best_d) {
            best_d = d;
            best = i;
        }
    }
    return static_cast<uint8_t>(best);
}

Palette make_palette()
{
    Palette p;
    // A colour cube and a grey ramp give the bitmaps their colours ...
    for (int i = 0; i < 256; ++i) {
        if (i >= 16 && i < 232) {
            const int k = i - 16;
            p.c[i] = {uint8_t(k / 36 * 51), uint8_t(k / 6 % 6 * 51), uint8_t(k % 6 * 51)};
        } else {
            const int g = i < 16 ? i * 17 : (i - 232) * 255 / 23;
            p.c[i] = {uint8_t(g), uint8_t(g), uint8_t(g)};
        }
    }
    // ... and the indices the program names keep the colours its screens are designed with.
    struct Named {
        int index;
        Rgb c;
    };
    static constexpr Named kNamed[] = {
        {0, {215, 30, 30}},     // error text
        {2, {0, 150, 60}},      // green text
        {4, {25, 80, 200}},     // blue text
        {13, {40, 48, 64}},     // dark lines of captions, desk and status bars
        {18, {240, 140, 0}},    // active (highlighted) text and icons
        {31, {250, 250, 235}},  // text on the desk
        {35, {20, 20, 20}},     // black text and icons
        {57, {0, 120, 215}},    // screen blue
        {74, {32, 62, 110}},    // desk background
        {78, {150, 0, 120}},    // magenta message text
        {142, {165, 165, 165}}, // light grey (disabled)
        {187, {255, 255, 255}}, // white
        {188, {52, 92, 150}},   // caption background
        {192, {22, 72, 130}},   // status line background, factory text
        {222, {0, 140, 140}},   // information text
        {243, {90, 90, 90}},    // dark grey
        {246, {250, 210, 0}},   // yellow
        {255, {125, 125, 125}}, // see-through
    };
    for (const Named& n : kNamed)
        p.c[n.index] = n.c;
    return p;
}

Canvas::Canvas(int w, int h, Rgb fill) : w_(w), h_(h), px_(size_t(w) * h, fill), mask_(size_t(w) * h, 0.f) {}

void Canvas::clear_mask()
{
    std::fill(mask_.begin(), mask_.end(), 0.f);
}

void Canvas::blend(int x, int y, Rgb c, double a)
{
    if (x < 0 || y < 0 || x >= w_ || y >= h_ || a <= 0) return;
    a = std::min(a, 1.0);
    Rgb& d = px_[size_t(y) * w_ + x];
    d.r = uint8_t(std::lround(d.r + (c.r - d.r) * a));
    d.g = uint8_t(std::lround(d.g + (c.g - d.g) * a));
    d.b = uint8_t(std::lround(d.b + (c.b - d.b) * a));
    float& m = mask_[size_t(y) * w_ + x];
    m = std::max(m, float(a));
}

void Canvas::fill(Rgb c)
{
    rect(0, 0, w_, h_, c);
}

void Canvas::rect(double x0, double y0, double x1, double y1, Rgb c)
{
    for (int y = std::max(0, int(y0)); y < std::min(h_, int(std::ceil(y1))); ++y)
        for (int x = std::max(0, int(x0)); x < std::min(w_, int(std::ceil(x1))); ++x)
            blend(x, y, c);
}

void Canvas::gradient(double x0, double y0, double x1, double y1, Rgb top, Rgb bottom)
{
    for (int y = std::max(0, int(y0)); y < std::min(h_, int(y1)); ++y) {
        const double t = (y - y0) / std::max(1.0, y1 - y0 - 1);
        Rgb c{uint8_t(top.r + (bottom.r - top.r) * t), uint8_t(top.g + (bottom.g - top.g) * t),
              uint8_t(top.b + (bottom.b - top.b) * t)};
        for (int x = std::max(0, int(x0)); x < std::min(w_, int(x1)); ++x)
            blend(x, y, c);
    }
}

void Canvas::round_rect(double x0, double y0, double x1, double y1, double r, Rgb c)
{
    for (int y = std::max(0, int(y0)); y < std::min(h_, int(std::ceil(y1))); ++y)
        for (int x = std::max(0, int(x0)); x < std::min(w_, int(std::ceil(x1))); ++x) {
            const double px = x + 0.5, py = y + 0.5;
            const double dx = std::max({x0 + r - px, 0.0, px - (x1 - r)});
            const double dy = std::max({y0 + r - py, 0.0, py - (y1 - r)});
            const double d = std::sqrt(dx * dx + dy * dy) - r;
            blend(x, y, c, std::clamp(0.5 - d, 0.0, 1.0));
        }
}

void Canvas::circle(double cx, double cy, double r, Rgb c)
{
    for (int y = std::max(0, int(cy - r - 1)); y < std::min(h_, int(cy + r + 2)); ++y)
        for (int x = std::max(0, int(cx - r - 1)); x < std::min(w_, int(cx + r + 2)); ++x) {
            const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy) - r;
            blend(x, y, c, std::clamp(0.5 - d, 0.0, 1.0));
        }
}

void Canvas::ring(double cx, double cy, double r, double thick, Rgb c)
{
    for (int y = std::max(0, int(cy - r - thick)); y < std::min(h_, int(cy + r + thick + 1)); ++y)
        for (int x = std::max(0, int(cx - r - thick)); x < std::min(w_, int(cx + r + thick + 1)); ++x) {
            const double d = std::fabs(std::hypot(x + 0.5 - cx, y + 0.5 - cy) - r) - thick / 2;
            blend(x, y, c, std::clamp(0.5 - d, 0.0, 1.0));
        }
}

void Canvas::arc(double cx, double cy, double r, double thick, double a0, double a1, Rgb c)
{
    for (int y = std::max(0, int(cy - r - thick)); y < std::min(h_, int(cy + r + thick + 1)); ++y)
        for (int x = std::max(0, int(cx - r - thick)); x < std::min(w_, int(cx + r + thick + 1)); ++x) {
            const double px = x + 0.5 - cx, py = y + 0.5 - cy;
            double ang = std::atan2(-py, px) * 180 / M_PI;
            if (ang < a0 || ang > a1) continue;
            const double d = std::fabs(std::hypot(px, py) - r) - thick / 2;
            blend(x, y, c, std::clamp(0.5 - d, 0.0, 1.0));
        }
}

void Canvas::line(double x0, double y0, double x1, double y1, double thick, Rgb c)
{
    const double minx = std::min(x0, x1) - thick, maxx = std::max(x0, x1) + thick;
    const double miny = std::min(y0, y1) - thick, maxy = std::max(y0, y1) + thick;
    const double vx = x1 - x0, vy = y1 - y0, len2 = std::max(1e-9, vx * vx + vy * vy);
    for (int y = std::max(0, int(miny)); y < std::min(h_, int(maxy) + 1); ++y)
        for (int x = std::max(0, int(minx)); x < std::min(w_, int(maxx) + 1); ++x) {
            const double px = x + 0.5 - x0, py = y + 0.5 - y0;
            const double t = std::clamp((px * vx + py * vy) / len2, 0.0, 1.0);
            const double d = std::hypot(px - t * vx, py - t * vy) - thick / 2;
            blend(x, y, c, std::clamp(0.5 - d, 0.0, 1.0));
        }
}

void Canvas::polygon(const std::vector<std::array<double, 2>>& pts, Rgb c)
{
    if (pts.size() < 3) return;
    double miny = 1e9, maxy = -1e9;
    for (auto& p : pts) {
        miny = std::min(miny, p[1]);
        maxy = std::max(maxy, p[1]);
    }
    // 4x vertical supersampling for smooth edges.
    for (int y = std::max(0, int(miny)); y < std::min(h_, int(maxy) + 1); ++y) {
        std::vector<double> cover(size_t(w_), 0.0);
        for (int s = 0; s < 4; ++s) {
            const double sy = y + (s + 0.5) / 4;
            std::vector<double> xs;
            for (size_t i = 0; i < pts.size(); ++i) {
                auto a = pts[i], b = pts[(i + 1) % pts.size()];
                if ((a[1] <= sy && b[1] > sy) || (b[1] <= sy && a[1] > sy))
                    xs.push_back(a[0] + (sy - a[1]) / (b[1] - a[1]) * (b[0] - a[0]));
            }
            std::sort(xs.begin(), xs.end());
            for (size_t i = 0; i + 1 < xs.size(); i += 2)
                for (int x = std::max(0, int(xs[i])); x < std::min(w_, int(std::ceil(xs[i + 1]))); ++x) {
                    const double l = std::max(double(x), xs[i]), r = std::min(x + 1.0, xs[i + 1]);
                    if (r > l) cover[size_t(x)] += (r - l) / 4;
                }
        }
        for (int x = 0; x < w_; ++x)
            if (cover[size_t(x)] > 0) blend(x, y, c, cover[size_t(x)]);
    }
}

Font::Font(const std::string& path)
{
    if (!g_ft && FT_Init_FreeType(&g_ft) != 0) return;
    FT_Face f = nullptr;
    if (FT_New_Face(g_ft, path.c_str(), 0, &f) == 0) face_ = f;
}

Font::~Font()
{
    if (face_) FT_Done_Face(static_cast<FT_Face>(face_));
}

void Canvas::text(const Font& font, const std::string& s, double cx, double cy, int px, Rgb c)
{
    if (!font.ok()) return;
    auto face = static_cast<FT_Face>(font.face());
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(px));
    double width = 0;
    for (unsigned char ch : s)
        if (FT_Load_Char(face, ch, FT_LOAD_DEFAULT) == 0) width += face->glyph->advance.x / 64.0;
    const double asc = face->size->metrics.ascender / 64.0, desc = -face->size->metrics.descender / 64.0;
    double pen = cx - width / 2;
    const double base = cy + (asc - desc) / 2 - 1;
    for (unsigned char ch : s) {
        if (FT_Load_Char(face, ch, FT_LOAD_RENDER) != 0) continue;
        FT_Bitmap& bm = face->glyph->bitmap;
        const int ox = int(std::lround(pen)) + face->glyph->bitmap_left;
        const int oy = int(std::lround(base)) - face->glyph->bitmap_top;
        for (unsigned r = 0; r < bm.rows; ++r)
            for (unsigned col = 0; col < bm.width; ++col)
                blend(ox + int(col), oy + int(r), c, bm.buffer[r * bm.pitch + col] / 255.0);
        pen += face->glyph->advance.x / 64.0;
    }
}

bool Canvas::write_bmp24(const std::string& path) const
{
    std::vector<uint8_t> v = bmp_header(w_, h_, 24, 0);
    const size_t row = size_t(24 * w_ + 31) / 32 * 4;
    for (int y = h_ - 1; y >= 0; --y) {
        size_t start = v.size();
        for (int x = 0; x < w_; ++x) {
            const Rgb& p = px_[size_t(y) * w_ + x];
            v.push_back(p.b);
            v.push_back(p.g);
            v.push_back(p.r);
        }
        while (v.size() - start < row)
            v.push_back(0);
    }
    return write_all(path, v);
}

bool Canvas::write_bmp8(const std::string& path, const Palette& pal, bool keyed) const
{
    std::vector<uint8_t> v = bmp_header(w_, h_, 8, 256);
    for (const Rgb& c : pal.c) {
        v.push_back(c.b);
        v.push_back(c.g);
        v.push_back(c.r);
        v.push_back(0);
    }
    const size_t row = size_t(8 * w_ + 31) / 32 * 4;
    for (int y = h_ - 1; y >= 0; --y) {
        size_t start = v.size();
        for (int x = 0; x < w_; ++x)
            v.push_back(keyed && !covered(x, y) ? 255 : pal.nearest(px_[size_t(y) * w_ + x]));
        while (v.size() - start < row)
            v.push_back(0);
    }
    return write_all(path, v);
}
