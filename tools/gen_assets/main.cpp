// The asset generator: the foreground palette "font/Fore.pal", the four ASCII glyph files and
// every bitmap listed in the manifest, written into a data root's mnt/ folder.
//
// usage: gen_assets MNT_DIR MANIFEST REGULAR_FONT BOLD_FONT
//        gen_assets --language TABLE FILE_NAME MNT_DIR REGULAR_FONT[,FALLBACK...] BOLD_FONT[,FALLBACK...]
#include <cmath>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "canvas.h"
#include "glyphs.h"
#include "language.h"

namespace
{

struct Fonts {
    Font regular, bold;
};

constexpr Rgb kBlack{20, 20, 20}, kWhite{255, 255, 255}, kRed{215, 30, 30}, kGreen{0, 150, 60};
constexpr Rgb kBlue{25, 80, 200}, kYellow{250, 210, 0}, kOrange{240, 140, 0}, kGrey{165, 165, 165};
constexpr Rgb kDark{32, 62, 110}, kDarkGrey{90, 90, 90};

Rgb mix(Rgb a, Rgb b, double t)
{
    return {uint8_t(a.r + (b.r - a.r) * t), uint8_t(a.g + (b.g - a.g) * t), uint8_t(a.b + (b.b - a.b) * t)};
}

// ---- Icon symbols, drawn into a square of side s centred at (cx, cy) ----------------------------
void gear(Canvas& c, double cx, double cy, double s, Rgb col, Rgb hole)
{
    for (int i = 0; i < 8; ++i) {
        const double a = i * M_PI / 4;
        c.line(cx + std::cos(a) * s * 0.25, cy + std::sin(a) * s * 0.25, cx + std::cos(a) * s * 0.45,
               cy + std::sin(a) * s * 0.45, s * 0.14, col);
    }
    c.circle(cx, cy, s * 0.33, col);
    c.circle(cx, cy, s * 0.13, hole);
}

void bolt(Canvas& c, double cx, double cy, double s, Rgb col)
{
    c.polygon({{cx + 0.08 * s, cy - 0.5 * s},
               {cx - 0.22 * s, cy + 0.05 * s},
               {cx - 0.01 * s, cy + 0.05 * s},
               {cx - 0.1 * s, cy + 0.5 * s},
               {cx + 0.22 * s, cy - 0.08 * s},
               {cx + 0.01 * s, cy - 0.08 * s}},
              col);
}

void cross(Canvas& c, double cx, double cy, double s, double thick, Rgb col)
{
    c.line(cx - s / 2, cy - s / 2, cx + s / 2, cy + s / 2, thick, col);
    c.line(cx - s / 2, cy + s / 2, cx + s / 2, cy - s / 2, thick, col);
}

void fibres(Canvas& c, double cx, double cy, double s, Rgb col)
{
    c.rect(cx - s * 0.5, cy - s * 0.06, cx - s * 0.06, cy + s * 0.06, col);
    c.rect(cx + s * 0.06, cy - s * 0.06, cx + s * 0.5, cy + s * 0.06, col);
    bolt(c, cx, cy - s * 0.25, s * 0.35, kYellow);
}

void wrench(Canvas& c, double cx, double cy, double s, Rgb col, Rgb bg)
{
    c.line(cx - s * 0.3, cy + s * 0.3, cx + s * 0.15, cy - s * 0.15, s * 0.14, col);
    c.circle(cx + s * 0.22, cy - s * 0.22, s * 0.18, col);
    c.circle(cx + s * 0.3, cy - s * 0.3, s * 0.09, bg);
}

void heater(Canvas& c, double cx, double cy, double s, Rgb col)
{
    c.round_rect(cx - s * 0.45, cy + s * 0.1, cx + s * 0.45, cy + s * 0.35, s * 0.08, col);
    for (int i = -1; i <= 1; ++i) {
        const double x = cx + i * s * 0.25;
        for (int k = 0; k < 3; ++k)
            c.line(x + (k % 2 ? 0.06 : -0.06) * s, cy - s * (0.4 - 0.15 * k), x + (k % 2 ? -0.06 : 0.06) * s,
                   cy - s * (0.25 - 0.15 * k), s * 0.05, kRed);
    }
}

void house(Canvas& c, double cx, double cy, double s, Rgb col, Rgb door)
{
    c.polygon({{cx, cy - s * 0.45}, {cx + s * 0.45, cy - s * 0.02}, {cx - s * 0.45, cy - s * 0.02}}, col);
    c.rect(cx - s * 0.32, cy - s * 0.05, cx + s * 0.32, cy + s * 0.42, col);
    c.rect(cx - s * 0.08, cy + s * 0.12, cx + s * 0.08, cy + s * 0.42, door);
}

void question(Canvas& c, const Fonts& f, double cx, double cy, double s, Rgb col, Rgb bg)
{
    c.circle(cx, cy, s * 0.45, col);
    c.text(f.bold, "?", cx, cy, int(s * 0.7), bg);
}

void sun(Canvas& c, double cx, double cy, double s, Rgb col)
{
    c.circle(cx, cy, s * 0.2, col);
    for (int i = 0; i < 8; ++i) {
        const double a = i * M_PI / 4;
        c.line(cx + std::cos(a) * s * 0.28, cy + std::sin(a) * s * 0.28, cx + std::cos(a) * s * 0.42,
               cy + std::sin(a) * s * 0.42, s * 0.06, col);
    }
}

// ---- Recipes --------------------------------------------------------------------------------------
using Args = std::vector<std::string>;
std::string arg(const Args& a, size_t i)
{
    return i < a.size() ? a[i] : std::string();
}

void background(Canvas& c, const Args& a, const Fonts& f)
{
    const std::string kind = arg(a, 0);
    const int w = c.width(), h = c.height();
    if (kind == "workbench" || kind == "workerror") {
        c.gradient(0, 0, w, h, {36, 44, 58}, {14, 18, 26});
        c.gradient(0, 0, w, 32, {60, 90, 140}, {34, 56, 98});
        c.rect(0, 32, w, 33, {120, 150, 200});
        c.gradient(0, 448, w, h, {34, 56, 98}, {24, 40, 72});
        if (kind == "workerror") c.rect(0, 421, w, 448, {60, 30, 30});
    } else if (kind == "root") {
        c.gradient(0, 0, w, h, {46, 84, 140}, {16, 34, 66});
        c.gradient(0, 0, w, 32, {70, 110, 170}, {40, 70, 120});
        c.text(f.bold, "MENU", w / 2.0, 16, 20, kWhite);
    } else if (kind == "facterror") {
        c.gradient(0, 0, w, h, {70, 76, 86}, {40, 44, 52});
        c.rect(0, 424, w, h, {30, 32, 40});
    } else if (kind == "lcdset") {
        c.round_rect(2, 2, w - 2, h - 2, 14, {235, 238, 245});
        c.round_rect(10, 10, w - 10, 60, 10, {52, 92, 150});
        c.text(f.bold, "LCD brightness", w / 2.0, 35, 22, kWhite);
    } else {
        c.gradient(0, 0, w, h, {60, 60, 70}, {30, 30, 36});
    }
}

// A square button icon: rounded face with a symbol; the pushed variant is darker and inset.
void button(Canvas& c, const Args& a, const Fonts& f)
{
    const std::string name = arg(a, 0);
    const bool push = arg(a, 1) == "push";
    const double w = c.width(), h = c.height(), s = std::min(w, h);
    const Rgb face = push ? Rgb{28, 52, 96} : Rgb{58, 98, 160},
              hi = push ? Rgb{20, 36, 70} : Rgb{110, 150, 210};
    c.round_rect(1, 1, w - 1, h - 1, s * 0.16, hi);
    c.round_rect(3, 3, w - 3, h - 3, s * 0.14, face);
    const double cx = w / 2 + (push ? 1 : 0), cy = h / 2 + (push ? 1 : 0);
    const Rgb ink = push ? Rgb{255, 220, 120} : kWhite;
    if (name == "cancel") {
        c.circle(cx, cy, s * 0.3, kRed);
        cross(c, cx, cy, s * 0.26, s * 0.08, kWhite);
    } else if (name == "set") {
        c.circle(cx, cy, s * 0.32, kGreen);
        c.polygon({{cx - s * 0.1, cy - s * 0.17}, {cx + s * 0.2, cy}, {cx - s * 0.1, cy + s * 0.17}}, kWhite);
    } else if (name == "arc") {
        c.polygon({{cx - s * 0.42, cy - s * 0.05}, {cx - s * 0.18, cy}, {cx - s * 0.42, cy + s * 0.05}},
                  kGrey);
        c.polygon({{cx + s * 0.42, cy - s * 0.05}, {cx + s * 0.18, cy}, {cx + s * 0.42, cy + s * 0.05}},
                  kGrey);
        bolt(c, cx, cy, s * 0.5, kYellow);
    } else if (name.rfind("mode", 0) == 0) {
        static const char* kLabels[] = {"X", "Y", "X|Y", "X/Y"};
        const int m = std::clamp(std::atoi(name.c_str() + 4), 1, 4);
        c.round_rect(cx - s * 0.34, cy - s * 0.24, cx + s * 0.34, cy + s * 0.24, s * 0.05, ink);
        c.round_rect(cx - s * 0.3, cy - s * 0.2, cx + s * 0.3, cy + s * 0.2, s * 0.04, face);
        c.text(f.bold, kLabels[m - 1], cx, cy, int(s * 0.26), ink);
    } else if (name == "up" || name == "down") {
        const double d = name == "up" ? -1 : 1;
        c.polygon(
            {{cx, cy + d * s * 0.25}, {cx + s * 0.28, cy - d * s * 0.15}, {cx - s * 0.28, cy - d * s * 0.15}},
            ink);
    } else if (name == "brightup" || name == "brightdown") {
        sun(c, cx - s * 0.1, cy, s * 0.8, kYellow);
        c.text(f.bold, name == "brightup" ? "+" : "-", cx + s * 0.3, cy - s * 0.2, int(s * 0.4), ink);
    } else {
        c.text(f.bold, name, cx, cy, int(s * 0.22), ink);
    }
}

void tile(Canvas& c, const Args& a, const Fonts& f)
{
    const int n = std::atoi(arg(a, 0).c_str());
    const std::string state = arg(a, 1);
    const double w = c.width(), h = c.height();
    const Rgb face = state == "push"  ? Rgb{26, 48, 90}
                     : state == "key" ? Rgb{70, 118, 190}
                                      : Rgb{48, 86, 146};
    c.round_rect(6, 6, w - 6, h - 6, 18, state == "key" ? kOrange : Rgb{100, 140, 200});
    c.round_rect(10, 10, w - 10, h - 10, 15, face);
    const double cx = w / 2, cy = h / 2 - 8, s = 120;
    switch (n) {
    case 1:
        fibres(c, cx, cy, s, kWhite);
        break;
    case 2:
        wrench(c, cx, cy, s, kWhite, face);
        break;
    case 3:
        heater(c, cx, cy, s, kWhite);
        break;
    case 4:
        house(c, cx, cy, s, kWhite, face);
        break;
    case 5:
        gear(c, cx, cy, s, kWhite, face);
        break;
    default:
        question(c, f, cx, cy, s, kWhite, face);
        break;
    }
}

void battery(Canvas& c, const Args& a, const Fonts&)
{
    const std::string kind = arg(a, 0);
    const double w = c.width(), h = c.height();
    if (kind == "adapter") {
        c.round_rect(4, 3, w - 14, h - 3, 3, kWhite);
        c.rect(w - 14, 5, w - 4, 7, kWhite);
        c.rect(w - 14, h - 7, w - 4, h - 5, kWhite);
        c.rect(0, h / 2 - 1, 4, h / 2 + 1, kWhite);
        return;
    }
    c.round_rect(1, 1, w - 5, h - 1, 2, kWhite);
    c.rect(w - 5, h / 2 - 3, w - 1, h / 2 + 3, kWhite);
    c.rect(3, 3, w - 7, h - 3, kBlack);
    const double level = kind == "full" ? 1.0 : kind == "low" ? 0.2 : 0.6;
    c.rect(4, 4, 4 + (w - 12) * level, h - 4, kind == "low" ? kRed : kGreen);
    if (kind == "charge") bolt(c, w / 2 - 2, h / 2, h - 2, kYellow);
}

void wifi(Canvas& c, const Args& a, const Fonts&)
{
    const std::string kind = arg(a, 0);
    const int level = kind == "none" ? 0 : std::atoi(kind.c_str());
    const double cx = c.width() / 2.0, cy = c.height() - 5.0;
    for (int i = 1; i <= 4; ++i)
        c.arc(cx, cy, i * 6.0, 3.0, 45, 135, i <= level ? kWhite : Rgb{100, 110, 125});
    c.circle(cx, cy, 2.5, level > 0 ? kWhite : Rgb{100, 110, 125});
    if (kind == "none") cross(c, cx + 9, cy - 20, 8, 3, kRed);
}

void logo(Canvas& c, const Args&, const Fonts& f)
{
    const double w = c.width(), h = c.height();
    c.rect(0, 0, w, h, {34, 56, 98});
    c.text(f.bold, "TARN 8+", w / 2, h / 2, 20, kWhite);
    c.rect(8, h - 4, w - 8, h - 3, kOrange);
}

void warning(Canvas& c, const Args& a, const Fonts& f)
{
    const double w = c.width(), h = c.height();
    const Rgb col = arg(a, 0) == "caution" ? kOrange : kYellow;
    c.polygon({{w / 2, 3}, {w - 3, h - 4}, {3, h - 4}}, kBlack);
    c.polygon({{w / 2, 9}, {w - 9, h - 8}, {9, h - 8}}, col);
    c.text(f.bold, "!", w / 2, h * 0.62, int(h * 0.5), kBlack);
}

void lcdbright(Canvas& c, const Args& a, const Fonts& f)
{
    const int level = std::clamp(std::atoi(arg(a, 0).c_str()), 0, 20);
    const double w = c.width(), h = c.height();
    c.round_rect(0, 0, w, h, 8, {235, 238, 245});
    for (int i = 0; i < 20; ++i) {
        const double x0 = 12 + i * (w - 80) / 20.0;
        c.rect(x0, h - 12 - (h - 24) * (i + 1) / 20.0, x0 + (w - 80) / 20.0 - 3, h - 12,
               i < level ? mix(kOrange, kYellow, i / 20.0) : Rgb{190, 195, 205});
    }
    c.text(f.bold, std::to_string(level), w - 34, h / 2, 24, kBlack);
}

void factory(Canvas& c, const Args& a, const Fonts& f)
{
    const std::string name = arg(a, 0);
    const double w = c.width(), h = c.height();
    c.round_rect(2, 2, w - 2, h - 2, 8, {70, 76, 90});
    c.round_rect(4, 4, w - 4, h - 4, 7, {110, 118, 136});
    const double cx = w / 2, cy = h / 2;
    auto tri = [&](double dx, double dy) {
        c.polygon({{cx + dx * 14, cy + dy * 14},
                   {cx - dx * 10 + dy * 12, cy - dy * 10 + dx * 12},
                   {cx - dx * 10 - dy * 12, cy - dy * 10 - dx * 12}},
                  kWhite);
    };
    if (name == "left")
        tri(-1, 0);
    else if (name == "right")
        tri(1, 0);
    else if (name == "up")
        tri(0, -1);
    else if (name == "down")
        tri(0, 1);
    else if (name == "cancel")
        cross(c, cx, cy, 22, 5, kRed);
    else if (name == "confirm") {
        c.line(cx - 14, cy, cx - 3, cy + 11, 5, kGreen);
        c.line(cx - 3, cy + 11, cx + 16, cy - 12, 5, kGreen);
    } else
        c.text(f.bold, name == "menu" ? "MENU" : name, cx, cy, 20, kWhite);
}

// The software update's strip of seven steps, the first `n` done; or, with "usbout", the request
// to pull the stick.
void update(Canvas& c, const Args& a, const Fonts& f)
{
    const double w = c.width(), h = c.height();
    c.rect(0, 0, w, h, {34, 56, 98});
    if (arg(a, 0) == "usbout") {
        c.round_rect(1, 1, w - 1, h - 1, 8, kOrange);
        c.text(f.bold, "Please remove the USB stick", w / 2, h / 2, 20, kBlack);
        return;
    }
    const int n = std::clamp(std::atoi(arg(a, 0).c_str()), 1, 7);
    const double seg = w / 7.0;
    for (int i = 0; i < 7; ++i) {
        const bool done = i < n;
        c.round_rect(i * seg + 3, 3, (i + 1) * seg - 3, h - 3, 8, done ? kGreen : Rgb{190, 195, 205});
        c.text(f.bold, std::to_string(i + 1), i * seg + seg / 2, h / 2, 20, done ? kWhite : kBlack);
    }
}

const std::map<std::string, std::function<void(Canvas&, const Args&, const Fonts&)>> kRecipes = {
    {"update", update},
    {"background", background}, {"button", button},       {"tile", tile},
    {"battery", battery},       {"wifi", wifi},           {"logo", logo},
    {"warning", warning},       {"lcdbright", lcdbright}, {"factory", factory},
};

bool write_palette(const std::string& path, const Palette& pal)
{
    std::vector<uint8_t> v;
    for (const Rgb& c : pal.c) {
        v.push_back(c.b);
        v.push_back(c.g);
        v.push_back(c.r);
        v.push_back(0);
    }
    if (!ensure_parent(path)) return false;
    FILE* fp = std::fopen(path.c_str(), "wb");
    if (!fp) return false;
    bool ok = std::fwrite(v.data(), 1, v.size(), fp) == v.size();
    return std::fclose(fp) == 0 && ok;
}

} // namespace

std::vector<std::string> font_list(const std::string& s)
{
    std::vector<std::string> out;
    std::stringstream in(s);
    for (std::string p; std::getline(in, p, ',');)
        if (!p.empty()) out.push_back(p);
    return out;
}

int main(int argc, char** argv)
{
    if (argc == 7 && std::string(argv[1]) == "--language")
        return make_language(argv[2], argv[3], argv[4], font_list(argv[5]), font_list(argv[6]));
    if (argc != 5) {
        std::fprintf(stderr, "usage: gen_assets MNT_DIR MANIFEST REGULAR_FONT BOLD_FONT\n");
        return 2;
    }
    const std::string mnt = argv[1];
    Fonts fonts{Font(argv[3]), Font(argv[4])};
    if (!fonts.regular.ok() || !fonts.bold.ok()) {
        std::fprintf(stderr, "gen_assets: cannot load the fonts %s, %s\n", argv[3], argv[4]);
        return 1;
    }
    const Palette pal = make_palette();
    if (!write_palette(mnt + "/font/Fore.pal", pal)) {
        std::fprintf(stderr, "gen_assets: cannot write the palette\n");
        return 1;
    }
    for (int size : {15, 19})
        for (bool bold : {false, true}) {
            const std::string path =
                mnt + "/font/" + std::to_string(size) + (bold ? "/bold" : "/normal") + "/ASCII.fnt";
            if (!write_ascii_file(path, bold ? fonts.bold : fonts.regular, size)) {
                std::fprintf(stderr, "gen_assets: cannot write %s\n", path.c_str());
                return 1;
            }
        }
    std::ifstream manifest(argv[2]);
    if (!manifest) {
        std::fprintf(stderr, "gen_assets: cannot read the manifest %s\n", argv[2]);
        return 1;
    }
    std::string line;
    int lineno = 0, count = 0;
    while (std::getline(manifest, line)) {
        ++lineno;
        if (auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::istringstream in(line);
        std::string path, depth, recipe;
        int w = 0, h = 0;
        if (!(in >> path)) continue;
        if (!(in >> w >> h >> depth >> recipe) || w <= 0 || h <= 0 || w > 800 || h > 480 ||
            (depth != "24" && depth != "8" && depth != "8k") || !kRecipes.count(recipe)) {
            std::fprintf(stderr, "%s:%d: bad manifest line\n", argv[2], lineno);
            return 1;
        }
        Args args;
        for (std::string a; in >> a;)
            args.push_back(a);
        // Keyed icons are drawn over the colour they are usually shown on, so that their soft
        // edges blend towards it.
        Canvas c(w, h, depth == "8k" ? Rgb{34, 56, 98} : Rgb{0, 0, 0});
        c.clear_mask();
        kRecipes.at(recipe)(c, args, fonts);
        const std::string out = mnt + "/" + path;
        const bool ok = depth == "24" ? c.write_bmp24(out) : c.write_bmp8(out, pal, depth == "8k");
        if (!ok) {
            std::fprintf(stderr, "gen_assets: cannot write %s\n", out.c_str());
            return 1;
        }
        ++count;
    }
    std::printf("gen_assets: palette, 4 glyph files and %d bitmaps in %s\n", count, mnt.c_str());
    return 0;
}
