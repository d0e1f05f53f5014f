// Arc brightness: the bright columns of an area of a frame, the cladding areas of both views and
// the running compensated value.
#include <algorithm>
#include <array>
#include <cstdio>

#include "fiber/graphics.h"
#include "fiber/profile.h"

namespace
{
uint8_t g_compensationBright = 0;
}

int CalcAreaArcBrightAvg(const uint8_t* frame, int firstRow, int firstColumn, int columns, int rows)
{
    if (!frame || firstRow < 0 || firstColumn < 0 || columns < 1 || rows < 1 ||
        firstRow + rows > CAMERA_HEIGHT || firstColumn + columns > CAMERA_WIDTH) {
        std::printf("para was wrong!\n");
        return 0;
    }
    std::array<int, CAMERA_WIDTH> means{};
    int hi = 0, lo = 255;
    for (int c = 0; c < columns; ++c) {
        unsigned sum = 0;
        for (int r = firstRow; r < firstRow + rows; ++r)
            sum += frame[r * CAMERA_WIDTH + firstColumn + c];
        means[std::size_t(c)] = int(sum / unsigned(rows));
        hi = std::max(hi, means[std::size_t(c)]);
        lo = std::min(lo, means[std::size_t(c)]);
    }
    const int threshold = int((hi + lo) * 0.45);
    int sum = 0, n = 0;
    for (int c = 0; c < columns; ++c)
        if (means[std::size_t(c)] > threshold) {
            sum += means[std::size_t(c)];
            ++n;
        }
    return n ? sum / n : 0;
}

int CalcCameraBrightAvg(int viewMask, APPFIBER* record, int upperOnly)
{
    if (!record || !(viewMask & VIEWMASK_XY)) return 0;
    std::array<int, 4> area{}; // X upper, X lower, Y upper, Y lower
    int value[2] = {0, 0}, views = 0;
    for (int view = VIEW_X; view <= VIEW_Y; ++view) {
        if (!(viewMask & view)) continue;
        ++views;
        const APPFIBER_INFO& f = (view == VIEW_X ? record->graX : record->graY).infL;
        const uint8_t* frame = GetGraphicsEntry(view);
        const int i = (view - 1) * 2;
        area[std::size_t(i)] =
            CalcAreaArcBrightAvg(frame, f.iCladUp, FRAME_FIRST_COLUMN, 624, f.iCoreUp - f.iCladUp + 1);
        area[std::size_t(i + 1)] =
            CalcAreaArcBrightAvg(frame, f.iCoreDown, FRAME_FIRST_COLUMN, 624, f.iCladDown - f.iCoreDown + 1);
        value[view - 1] =
            upperOnly ? area[std::size_t(i)] : int((area[std::size_t(i)] + area[std::size_t(i + 1)]) * 0.5);
    }
    // Two views that disagree this much do not see the same arc.
    if (views == 2 && std::abs(value[0] - value[1]) > 50) return 0;
    const int result = (value[0] + value[1]) / views;
    record->bArcBrightUp = uint8_t((area[0] + area[2]) * 0.5);
    record->bArcBrightDown = uint8_t((area[1] + area[3]) * 0.5);
    std::printf("++camera average bright value is %d, x %d, y %d\n", result, value[0], value[1]);
    return result;
}

int CalCompensationgBright(int current)
{
    const int previous = g_compensationBright;
    const float v = float(previous) * 9.0f / 13.0f + float(current) * 4.0f / 13.0f + 0.5f;
    g_compensationBright = uint8_t(std::clamp(v, 0.0f, 255.0f));
    std::printf("calCurBright %d ,CompensationBright  %d  bCurArcBright%d \n", current, g_compensationBright,
                previous);
    return g_compensationBright;
}

void SetCompensationgBright(uint8_t value)
{
    g_compensationBright = value;
}
