// The camera renderer against independent measurements on its own pictures.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "sim/camera_render.h"
#include "sim/scene.h"

namespace
{
using namespace sim;

constexpr double kBase = 8, kLight = 190;

// A scene with only the left fibre, its tip near the right edge, so the columns on the left see
// its plain body.
ViewScene one_fibre(const FibreSetup& f, int view, double focus_steps, double fed_um = 520)
{
    ViewScene vs;
    vs.view = view;
    vs.base = kBase;
    vs.light = kLight;
    vs.fibre[0] = Scene::pose(f, true, view, fed_um / optics::kFeedUmPerStep, 0, 0, focus_steps);
    return vs;
}

double focus_for_z(double z_um)
{
    return optics::kFocusOnAxisSteps + z_um / optics::kFocusUmPerStep;
}

std::vector<uint8_t> draw(const ViewScene& vs, bool noise = false)
{
    std::vector<uint8_t> img(size_t(kFrameWidth) * kFrameHeight);
    render_view(vs, img.data(), noise);
    return img;
}

// Mean of columns [c0, c0 + n) on each row.
std::vector<double> column_profile(const std::vector<uint8_t>& img, int c0, int n)
{
    std::vector<double> p(kFrameHeight);
    for (int r = 0; r < kFrameHeight; ++r) {
        double s = 0;
        for (int c = c0; c < c0 + n; ++c)
            s += img[size_t(r) * kFrameWidth + size_t(c)];
        p[size_t(r)] = s / n;
    }
    return p;
}

// Sub-pixel crossing of `level` going in `dir` from row `from` (linear interpolation between the
// two pixels that straddle it).
double crossing(const std::vector<double>& p, int from, int dir, double level)
{
    for (int r = from; r + dir >= 0 && r + dir < int(p.size()); r += dir)
        if (p[size_t(r)] >= level && p[size_t(r + dir)] < level)
            return r + dir * (p[size_t(r)] - level) / (p[size_t(r)] - p[size_t(r + dir)]);
    return NAN;
}

void write_grey_png(const std::string& path, const std::vector<uint8_t>& img)
{
    FILE* fp = std::fopen(path.c_str(), "wb");
    if (!fp) return;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(fp);
        return;
    }
    png_init_io(png, fp);
    png_set_IHDR(png, info, kFrameWidth, kFrameHeight, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int r = 0; r < kFrameHeight; ++r)
        png_write_row(png, const_cast<png_bytep>(img.data() + size_t(r) * kFrameWidth));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(fp);
}

TEST(Render, CladdingEdgesAgreeWithTheTruthToATenthOfAPixel)
{
    for (FibreType type : {FibreType::SM, FibreType::MM50, FibreType::DS})
        for (int view : {1, 2})
            for (double seat : {-15.3, 0.0, 7.77, 19.1})
                for (double z : {-20.0, -7.0, 0.0, 11.0, 20.0}) {
                    FibreSetup f;
                    f.type = type;
                    f.seat_um = {seat, seat * 0.7};
                    ViewScene vs = one_fibre(f, view, focus_for_z(z));
                    auto img = draw(vs);
                    FibreTruth t = view_truth(vs).fibre[0];
                    auto p = column_profile(img, 40, 64);
                    // Half way between the background and the shadow, from the outside in.
                    double mid = 0.5 * (p[4] + p[size_t(std::lround(t.clad_up_row + 12))]);
                    double up = crossing(p, 4, 1, mid), down = crossing(p, kFrameHeight - 5, -1, mid);
                    SCOPED_TRACE(testing::Message() << "type " << int(type) << " view " << view << " seat "
                                                    << seat << " z " << vs.fibre[0].z_um);
                    EXPECT_NEAR(up, t.clad_up_row, 0.1);
                    EXPECT_NEAR(down, t.clad_down_row, 0.1);
                }
}

TEST(Render, CentralBandNarrowsTowardsTheSelfFocusingLine)
{
    // Band width (rows inside the cladding brighter than a quarter of the way from the shadow to
    // the background) on each side of the self-focusing line, nearest last.
    const double f = lens::focal_um(62.5);
    for (FibreType type : {FibreType::SM, FibreType::MM62})
        for (int view : {1, 2})
            for (int side : {-1, 1}) {
                double last = 1e9;
                for (double d : {120.0, 90.0, 60.0, 35.0, 15.0, 4.0}) {
                    FibreSetup fs;
                    fs.type = type;
                    ViewScene vs = one_fibre(fs, view, focus_for_z(f + side * d));
                    auto img = draw(vs);
                    FibreTruth t = view_truth(vs).fibre[0];
                    auto p = column_profile(img, 40, 64);
                    double shadow = p[size_t(std::lround(t.clad_up_row + 6))], bg = p[4];
                    int width = 0;
                    for (int r = int(t.clad_up_row) + 10; r < int(t.clad_down_row) - 10; ++r)
                        width += p[size_t(r)] > shadow + 0.25 * (bg - shadow);
                    SCOPED_TRACE(testing::Message()
                                 << "type " << int(type) << " view " << view << " z " << t.z_um);
                    EXPECT_LT(width, last);
                    // Near the line the optics' resolution, not the rays, sets the width.
                    if (t.band_half_rows > 5) {
                        EXPECT_NEAR(width, 2 * t.band_half_rows, 3.0);
                    }
                    last = width;
                }
            }
}

TEST(Render, EndFacesAgreeWithTheTruthToATenthOfAPixel)
{
    // Along a shadow row the end face is where the picture crosses half way from the shadow to
    // the background.
    for (int view : {1, 2})
        for (double cleave : {0.0, 1.0, 3.5})
            for (double fed : {300.0, 333.3, 351.7}) {
                FibreSetup f;
                f.cleave_deg = cleave;
                f.cleave_azimuth_deg = 35;
                ViewScene vs = one_fibre(f, view, focus_for_z(-5), fed);
                auto img = draw(vs);
                FibreTruth t = view_truth(vs).fibre[0];
                for (double off : {-45.0, 45.0}) {
                    int r = int(std::lround(t.centre_row + off));
                    std::vector<double> p(kFrameWidth);
                    for (int c = 0; c < kFrameWidth; ++c)
                        p[size_t(c)] = img[size_t(r) * kFrameWidth + size_t(c)];
                    double mid = 0.5 * (p[20] + p[kFrameWidth - 1]);
                    double at = crossing(p, kFrameWidth - 1, -1, mid);
                    SCOPED_TRACE(testing::Message()
                                 << "view " << view << " cleave " << cleave << " row " << r);
                    EXPECT_NEAR(at, shadow_end_col(t, true, r), 0.1);
                }
            }
}

TEST(Render, WritesPicturesWhenAsked)
{
    const char* dir = std::getenv("SPLICER_SCENE_PNG_DIR");
    if (!dir) GTEST_SKIP() << "set SPLICER_SCENE_PNG_DIR to write the pictures";
    struct Case {
        const char* name;
        FibreSetup f;
        double z;
    };
    FibreSetup sm, mm, cleave, chip, lip, shrunk, dirt, ecc;
    mm.type = FibreType::MM62;
    cleave.cleave_deg = 3;
    cleave.cleave_azimuth_deg = 30;
    chip.defect = EndDefect::Chip;
    lip.defect = EndDefect::Lip;
    shrunk.defect = EndDefect::ShrunkCore;
    dirt.defect = EndDefect::Dirt;
    ecc.eccentricity_um = 3;
    Case cases[] = {{"sm", sm, 0},      {"mm62", mm, 0},       {"cleave3", cleave, 0}, {"chip", chip, 0},
                    {"lip", lip, 0},    {"shrunk", shrunk, 0}, {"dirt", dirt, 0},      {"ecc3", ecc, 0},
                    {"sm_z60", sm, 60}, {"sm_zf", sm, 95},     {"sm_zm80", sm, -80}};
    for (auto& c : cases)
        for (int view : {1, 2}) {
            ViewScene vs = one_fibre(c.f, view, focus_for_z(c.z), 330);
            FibreSetup right = c.f;
            right.seat_um = {4, -3};
            vs.fibre[1] =
                Scene::pose(right, false, view, 330 / optics::kFeedUmPerStep, 0, 0, focus_for_z(c.z));
            if (std::string(c.name) == "sm") vs.dust.push_back({120, 380, 6, 0.5});
            write_grey_png(std::string(dir) + "/" + c.name + (view == 1 ? "_x" : "_y") + ".png",
                           draw(vs, true));
        }
}

} // namespace
