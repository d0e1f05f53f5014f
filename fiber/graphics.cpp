// The camera frame buffers, their grab through the camera device, and the display type.
#include "fiber/graphics.h"

#include <atomic>
#include <new>

#include "devices/platdev.h"
#include "platform/seam.h"

namespace
{
uint8_t* g_frames[2] = {nullptr, nullptr};
std::atomic<int> g_typeInfo{0};

// A camera that fails this often is sent its register image again; after the last attempt the
// grab gives up.
constexpr long kResetAttempt = 100000;
constexpr long kGiveUpAttempts = 1000000;

int grab(int view)
{
    const int fd = GetDeviceFd(PLATDEV_CAMERA);
    PointerRecord rec{g_frames[view - 1], uint32_t(CAMERA_FRAME_SIZE)};
    const unsigned long req = view == VIEW_X ? CAM_READ_FRAME_X : CAM_READ_FRAME_Y;
    for (long attempt = 1; attempt <= kGiveUpAttempts; ++attempt) {
        if (plat_ioctl(fd, req, &rec) == 0) return 0;
        if (attempt == kResetAttempt) ResendCameraImage(view);
    }
    return -1;
}
} // namespace

int InitializeGraphics()
{
    if (g_frames[0] || g_frames[1]) return -1;
    auto* x = new (std::nothrow) uint8_t[CAMERA_FRAME_SIZE]();
    auto* y = new (std::nothrow) uint8_t[CAMERA_FRAME_SIZE]();
    if (!x || !y) {
        delete[] x;
        delete[] y;
        return -1;
    }
    g_frames[0] = x;
    g_frames[1] = y;
    return 0;
}

int ReleaseGraphics()
{
    delete[] g_frames[0];
    delete[] g_frames[1];
    g_frames[0] = g_frames[1] = nullptr;
    return 0;
}

uint8_t* GetGraphicsEntry(int view)
{
    if (view == VIEW_X) return g_frames[0];
    if (view == VIEW_Y) return g_frames[1];
    return nullptr;
}

int GetGraphicsData(int viewMask)
{
    if (GetDeviceFd(PLATDEV_CAMERA) < 0) return -1;
    LedGrab();
    int r = 0;
    for (int view = VIEW_X; view <= VIEW_Y; ++view) {
        if (!(viewMask & view)) continue;
        if (!g_frames[view - 1] || grab(view) != 0) r = -1;
    }
    return r;
}

int SetTypeInfo(int type)
{
    if (type < 0 || type >= 13) return -1;
    g_typeInfo = type;
    return 0;
}

int GetTypeInfo()
{
    return g_typeInfo;
}
