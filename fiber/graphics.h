// The two camera frame buffers (X and Y view, 640 x 480 grey) and the camera brightness monitor.
#pragma once

#include <cstdint>

constexpr int CAMERA_WIDTH = 640;
constexpr int CAMERA_HEIGHT = 480;
constexpr int CAMERA_FRAME_SIZE = CAMERA_WIDTH * CAMERA_HEIGHT; // 307 200

// Allocates both buffers, or none: 0, or -1.
int InitializeGraphics();
int ReleaseGraphics();
// Frame buffer of view 1 (X) or 2 (Y), null otherwise or when not allocated.
uint8_t* GetGraphicsEntry(int view);
// Automatic exposure calibration; non-zero when it found a fault (the lamp).
int BrightMonitor(int restart);
