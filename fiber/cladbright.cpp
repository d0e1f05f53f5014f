// Cladding brightness checks of the splice checks: the column brightness along the cladding
// centre and the smoothness of the cladding bands.
#include <algorithm>

#include "fiber/cladedge.h"
#include "fiber/graphics.h"

int GetCladCenterWave(int view, int row, int x, int w, uint8_t* out)
{
    const uint8_t* f = GetGraphicsEntry(view);
    // Rows row-14 .. row+13 must lie inside the frame.
    if (!f || !out || row < 14 || row > 466 || x < FRAME_FIRST_COLUMN || w < 1 || x + w > FRAME_END_COLUMN)
        return -1;
    for (int c = x; c < x + w; ++c) {
        unsigned sum = 0;
        for (int r = row - 14; r <= row + 13; ++r)
            sum += f[r * CAMERA_WIDTH + c];
        out[c - x] = uint8_t(sum / 28);
    }
    return 0;
}

namespace
{
// Counts the pixels more than 30 above each row's running reference over rows from `first`
// towards `end` (exclusive) in steps of `step`; true as soon as more than 4 are found.
bool flawed(const uint8_t* f, int x, int w, int first, int end, int step)
{
    int reference = 0, count = 0;
    for (int r = first; r != end && (step > 0 ? r < end : r > end); r += step) {
        const uint8_t* row = f + r * CAMERA_WIDTH + x;
        int sum = 0;
        for (int c = 0; c < w; ++c)
            sum += row[c];
        reference = (reference + sum) / w;
        for (int c = 0; c < w; ++c)
            if (row[c] > reference + 30 && ++count > 4) return true;
    }
    return false;
}
} // namespace

int GetCladHorBrightErr(int view, int x, int w, const APPFIBER* record)
{
    const uint8_t* f = GetGraphicsEntry(view);
    if (!f || !record || x < FRAME_FIRST_COLUMN || w < 1 || x + w > FRAME_END_COLUMN) return -1;
    const APPFIBER_INFO& l = (view == VIEW_X ? record->graX : record->graY).infL;
    // Band rows come from a measurement: keep them inside the analysed window.
    auto row = [](int r) { return std::clamp(r, FRAME_FIRST_ROW, FRAME_END_ROW); };
    if (flawed(f, x, w, row(l.iCladUp + 5), row(l.iCoreUp - 5), 1)) return -1;
    if (flawed(f, x, w, std::min(row(l.iCladDown - 5), FRAME_END_ROW - 1), row(l.iCoreDown + 5), -1))
        return -1;
    return 0;
}
