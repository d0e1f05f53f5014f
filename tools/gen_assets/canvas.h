// A small raster canvas for drawing the instrument's bitmaps: shapes, thick lines, text rendered
// with FreeType, and writing the result as a 24-bit or palette-indexed 8-bit BMP.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
    uint8_t r, g, b;
};

// The foreground palette (what "font/Fore.pal" holds) and nearest-colour lookup.
struct Palette {
    std::array<Rgb, 256> c{};
    // Nearest entry among 0..254 (255 is the see-through index).
    uint8_t nearest(Rgb v) const;
};
Palette make_palette();

class Font;

class Canvas
{
  public:
    Canvas(int w, int h, Rgb fill = {0, 0, 0});
    int width() const { return w_; }
    int height() const { return h_; }

    // Every drawing call blends with coverage a (0..1).
    void blend(int x, int y, Rgb c, double a = 1.0);
    void fill(Rgb c);
    void rect(double x0, double y0, double x1, double y1, Rgb c);
    void round_rect(double x0, double y0, double x1, double y1, double r, Rgb c);
    void gradient(double x0, double y0, double x1, double y1, Rgb top, Rgb bottom);
    void circle(double cx, double cy, double r, Rgb c);
    void ring(double cx, double cy, double r, double thick, Rgb c);
    void line(double x0, double y0, double x1, double y1, double thick, Rgb c);
    void polygon(const std::vector<std::array<double, 2>>& pts, Rgb c);
    void arc(double cx, double cy, double r, double thick, double a0, double a1, Rgb c);
    // Text centred on (cx, cy) at pixel size px.
    void text(const Font& f, const std::string& s, double cx, double cy, int px, Rgb c);

    // Coverage mask of what was drawn (for keyed 8-bit output).
    bool covered(int x, int y) const { return mask_[size_t(y) * w_ + x] > 0.5; }
    Rgb at(int x, int y) const { return px_[size_t(y) * w_ + x]; }
    void clear_mask();

    bool write_bmp24(const std::string& path) const;
    // Indices from the palette; pixels not drawn become 255 when keyed.
    bool write_bmp8(const std::string& path, const Palette& pal, bool keyed) const;

  private:
    int w_, h_;
    std::vector<Rgb> px_;
    std::vector<float> mask_;
};

// A FreeType face.
class Font
{
  public:
    explicit Font(const std::string& path);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;
    bool ok() const { return face_ != nullptr; }
    void* face() const { return face_; }

  private:
    void* face_ = nullptr;
};

bool ensure_parent(const std::string& path);
