// The camera frame buffers; they live for the whole run.
#include "fiber/graphics.h"

#include <new>

namespace {
uint8_t* g_frames[2] = {nullptr, nullptr};
}

int InitializeGraphics()
{
    if (g_frames[0]) return 0;
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
    if (view == 1) return g_frames[0];
    if (view == 2) return g_frames[1];
    return nullptr;
}
