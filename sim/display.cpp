// The frame device of the simulated instrument: it keeps four pages per layer (0 and 1 shown by
// the forms, 2 and 3 the saved error backgrounds), the foreground palette, the camera layout code
// and picture offsets, and composes what the panel shows: the background layer, the live camera
// pictures over it, and the foreground layer over both with index 255 see-through.
#include "sim/display.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "platform/requests.h"
#include "sim/backend.h"
#include "sim/dev_camera.h"
#include "sim/emulator.h"
#include "sim/frames.h"
#include "sim/instrument.h"

namespace sim
{
namespace
{

constexpr size_t kBackPage = size_t{kPanelWidth} * kPanelHeight * 3;
constexpr size_t kForePage = size_t{kPanelWidth} * kPanelHeight;

class FrameDevice : public Emulator
{
  public:
    const char* name() const override { return "frame"; }
    FrameDevice()
    {
        for (auto& p : back_)
            p.assign(kBackPage, 0);
        for (auto& p : fore_)
            p.assign(kForePage, 255);
    }

    std::vector<uint8_t> compose() const;
    DisplayState state() const
    {
        std::lock_guard<std::mutex> lk(mu_);
        return st_;
    }
    uint32_t page_pixel(bool fore, uint32_t page, int x, int y) const
    {
        std::lock_guard<std::mutex> lk(mu_);
        if (page > 3 || x < 0 || y < 0 || x >= kPanelWidth || y >= kPanelHeight) return 0;
        const size_t i = size_t(y) * kPanelWidth + x;
        if (fore) return fore_[page][i];
        const uint8_t* p = &back_[page][i * 3];
        return p[0] | (p[1] << 8) | (p[2] << 16);
    }

  protected:
    int on_ioctl(OpenState&, unsigned long req, void* arg) override;

  private:
    int transfer(bool fore, const void* arg);

    std::array<std::vector<uint8_t>, 4> back_, fore_;
    DisplayState st_;
};

std::mutex g_mu; // guards the pointers below
std::weak_ptr<FrameDevice> g_panel;
CameraSource g_camera;
bool g_autoshot = false;
unsigned g_autoshot_count = 0;

int FrameDevice::transfer(bool fore, const void* arg)
{
    const auto* desc = static_cast<const FrameTransferDesc*>(arg);
    if (!desc || !desc->pBlock || (desc->lLength != 16 && desc->lLength != sizeof(FrameTransferBlock)))
        return fail(EINVAL);
    const FrameTransferBlock b = *desc->pBlock;
    if (b.lPage > 3 || b.lFirstLine > b.lLastLine || b.lLastLine >= static_cast<uint32_t>(kPanelHeight) ||
        !b.pBuffer)
        return fail(EINVAL);
    const size_t line = size_t{kPanelWidth} * (fore ? 1 : 3);
    std::lock_guard<std::mutex> lk(mu_);
    auto& page = fore ? fore_[b.lPage] : back_[b.lPage];
    std::memcpy(page.data() + line * b.lFirstLine, b.pBuffer + line * b.lFirstLine,
                line * (b.lLastLine - b.lFirstLine + 1));
    ++st_.transfers;
    return 0;
}

// A transfer into a page on show changes the picture; one into a hidden page does not.
bool shows_page(const DisplayState& st, bool fore, uint32_t page)
{
    return fore ? st.fore_page == page : st.back_page == page;
}

int FrameDevice::on_ioctl(OpenState&, unsigned long req, void* arg)
{
    auto u32_in = [arg](uint32_t& out) {
        if (!arg) return false;
        std::memcpy(&out, arg, sizeof out);
        return true;
    };
    uint32_t v = 0;
    switch (req) {
    case FRM_TRANSFER_BACK:
    case FRM_TRANSFER_FORE: {
        const bool fore = req == FRM_TRANSFER_FORE;
        const int r = transfer(fore, arg);
        if (r == 0 && shows_page(state(), fore, static_cast<const FrameTransferDesc*>(arg)->pBlock->lPage))
            frames_capture();
        return r;
    }
    case FRM_CAMERA_ROWCOL_1:
    case FRM_CAMERA_ROWCOL_2:
        if (!arg) return fail(EFAULT);
        v = (uint32_t{kCameraHeight} << 16) | kCameraWidth;
        std::memcpy(arg, &v, sizeof v);
        return 0;
    default:
        break;
    }
    if (!u32_in(v)) return fail(EFAULT);
    bool shown = false;
    {
        std::lock_guard<std::mutex> lk(mu_);
        switch (req) {
        case FRM_SHOW_BACK_PAGE:
            if (v > 3) return fail(EINVAL);
            st_.back_page = v;
            break;
        case FRM_SHOW_FORE_PAGE:
            if (v > 3) return fail(EINVAL);
            st_.fore_page = v;
            ++st_.shows;
            shown = true;
            break;
        case FRM_LAYOUT:
            st_.layout = v;
            break;
        case FRM_PALETTE_ENTRY:
            st_.palette[v >> 24] = v & 0xFFFFFF;
            break;
        case FRM_OFFSET_Y_X:
            st_.offset_y[0] = v;
            break;
        case FRM_OFFSET_Y_Y:
            st_.offset_y[1] = v;
            break;
        case FRM_OFFSET_X_X:
            st_.offset_x[0] = v;
            break;
        case FRM_OFFSET_X_Y:
            st_.offset_x[1] = v;
            break;
        default:
            return fail(ENOTTY);
        }
    }
    if (req == FRM_SHOW_BACK_PAGE || req == FRM_SHOW_FORE_PAGE || req == FRM_LAYOUT) frames_capture();
    if (shown) {
        bool autoshot;
        unsigned n;
        {
            std::lock_guard<std::mutex> lk(g_mu);
            autoshot = g_autoshot;
            n = ++g_autoshot_count;
        }
        if (autoshot) {
            char name[32];
            std::snprintf(name, sizeof name, "auto_%05u", n);
            display_screenshot(name);
        }
    }
    return 0;
}

void camera_frame(int view, std::vector<uint8_t>& buf)
{
    buf.assign(size_t{kCameraWidth} * kCameraHeight, 0);
    CameraSource src;
    {
        std::lock_guard<std::mutex> lk(g_mu);
        src = g_camera;
    }
    if (src)
        src(view, buf.data(), kCameraWidth, kCameraHeight);
    else if (Instrument* inst = Instrument::current())
        inst->camera().render(view, buf.data(), kCameraWidth, kCameraHeight);
}

std::vector<uint8_t> FrameDevice::compose() const
{
    DisplayState st;
    std::vector<uint8_t> out(kBackPage);
    std::vector<uint8_t> fore;
    {
        std::lock_guard<std::mutex> lk(mu_);
        st = st_;
        std::memcpy(out.data(), back_[st.back_page].data(), kBackPage);
        fore = fore_[st.fore_page];
    }
    std::vector<uint8_t> cam;
    for (int view = 1; view <= 2; ++view) {
        const CameraPlace pl = display_camera_place(st.layout, view);
        if (pl.w <= 0 || pl.h <= 0) continue;
        camera_frame(view, cam);
        // The offsets choose the window inside the camera frame when the place is smaller.
        const int sx = static_cast<int>(std::min<uint32_t>(st.offset_x[view - 1], kCameraWidth - pl.w));
        const int sy = static_cast<int>(std::min<uint32_t>(st.offset_y[view - 1], kCameraHeight - pl.h));
        for (int y = 0; y < pl.h; ++y)
            for (int x = 0; x < pl.w; ++x) {
                const uint8_t g = cam[size_t(sy + y) * kCameraWidth + sx + x];
                uint8_t* p = &out[(size_t(pl.y + y) * kPanelWidth + pl.x + x) * 3];
                p[0] = p[1] = p[2] = g;
            }
    }
    for (size_t i = 0; i < kForePage; ++i) {
        const uint8_t idx = fore[i];
        if (idx == 255) continue;
        const uint32_t c = st.palette[idx];
        out[i * 3] = static_cast<uint8_t>(c);
        out[i * 3 + 1] = static_cast<uint8_t>(c >> 8);
        out[i * 3 + 2] = static_cast<uint8_t>(c >> 16);
    }
    return out;
}

std::shared_ptr<FrameDevice> panel()
{
    std::lock_guard<std::mutex> lk(g_mu);
    return g_panel.lock();
}

} // namespace

bool display_write_png(const std::string& path, const std::vector<uint8_t>& rgb)
{
    if (rgb.size() != kBackPage) return false;
    FILE* fp = std::fopen(path.c_str(), "wb");
    if (!fp) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(fp);
        return false;
    }
    png_init_io(png, fp);
    png_set_IHDR(png, info, kPanelWidth, kPanelHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < kPanelHeight; ++y)
        png_write_row(png, const_cast<png_bytep>(rgb.data() + size_t(y) * kPanelWidth * 3));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return std::fclose(fp) == 0;
}

CameraPlace display_camera_place(uint32_t layout, int view)
{
    const bool x = view == 1;
    switch (layout) {
    case 5:
    case 9:
    case 13: // the X picture alone, centred
        return x ? CameraPlace{80, 0, 640, 480} : CameraPlace{0, 0, 0, 0};
    case 6:
    case 10:
    case 14: // the Y picture alone
        return x ? CameraPlace{0, 0, 0, 0} : CameraPlace{80, 0, 640, 480};
    case 3:
    case 7:
    case 12: // side by side, split at column 400
        return x ? CameraPlace{0, 0, 400, 480} : CameraPlace{400, 0, 400, 480};
    case 4:
    case 11: // one above the other
        return x ? CameraPlace{80, 0, 640, 240} : CameraPlace{80, 240, 640, 240};
    default: // 8 and unknown codes: no camera picture
        return {0, 0, 0, 0};
    }
}

std::shared_ptr<Device> make_frame_device()
{
    auto dev = std::make_shared<FrameDevice>();
    std::lock_guard<std::mutex> lk(g_mu);
    g_panel = dev;
    g_autoshot_count = 0;
    return dev;
}

void display_set_autoshot(bool on)
{
    std::lock_guard<std::mutex> lk(g_mu);
    g_autoshot = on;
}

void display_set_camera_source(CameraSource fn)
{
    std::lock_guard<std::mutex> lk(g_mu);
    g_camera = std::move(fn);
}

std::vector<uint8_t> display_compose()
{
    auto p = panel();
    return p ? p->compose() : std::vector<uint8_t>(size_t{kPanelWidth} * kPanelHeight * 3, 0);
}

DisplayState display_state()
{
    auto p = panel();
    return p ? p->state() : DisplayState{};
}

uint32_t display_page_pixel(bool fore, uint32_t page, int x, int y)
{
    auto p = panel();
    return p ? p->page_pixel(fore, page, x, y) : 0;
}

bool display_screenshot(const std::string& name)
{
    auto p = panel();
    if (!p || name.empty() || name.find('/') != std::string::npos || name.find("..") != std::string::npos)
        return false;
    std::error_code ec;
    const std::string dir = data_root() + "/sim/screens";
    std::filesystem::create_directories(dir, ec);
    if (ec) return false;
    return display_write_png(dir + "/" + name + ".png", p->compose());
}

} // namespace sim
