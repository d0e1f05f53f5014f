// The two camera frame buffers (X and Y view, 640 x 480 grey), their grab, the display type and the
// camera brightness monitor.
#pragma once

#include <cstdint>

constexpr int CAMERA_WIDTH = 640;
constexpr int CAMERA_HEIGHT = 480;
constexpr int CAMERA_FRAME_SIZE = CAMERA_WIDTH * CAMERA_HEIGHT; // 307 200
// The analysed window: rows 8..471 and columns 8..631.
constexpr int FRAME_MARGIN = 8;
constexpr int FRAME_FIRST_ROW = 8, FRAME_END_ROW = 472;
constexpr int FRAME_FIRST_COLUMN = 8, FRAME_END_COLUMN = 632;
constexpr int FRAME_ROWS = FRAME_END_ROW - FRAME_FIRST_ROW; // 464

// View numbers and masks.
constexpr int VIEW_X = 1, VIEW_Y = 2;
constexpr int VIEWMASK_X = 1, VIEWMASK_Y = 2, VIEWMASK_XY = 3;

// Allocates both buffers, or none: 0, or -1 (also when they are already allocated).
int InitializeGraphics();
int ReleaseGraphics();
// Frame buffer of view 1 (X) or 2 (Y), null otherwise or when not allocated.
uint8_t* GetGraphicsEntry(int view);
// Grabs a new frame of each view in the mask (X first). 0, or -1 (camera device closed, no buffers,
// or a camera that never delivered: the previous frame then stays).
int GetGraphicsData(int viewMask);
// Display type of the camera layout: accepted below 13 (else -1).
int SetTypeInfo(int type);
int GetTypeInfo();
// Automatic exposure calibration; non-zero when a camera could not be brought to its brightness.
int BrightMonitor(int restart);
