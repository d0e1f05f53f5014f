// Focus: the width of the fibre's bright central band against its cladding, and the sharpness of
// the picture.
#include <cstdlib>

#include "fiber/cladedge.h"
#include "fiber/graphics.h"
#include "fiber/profile.h"

namespace
{
void record(int code)
{
    GetFiberStruct()->lFiberErrorFlag = code;
}
} // namespace

int CalcSingleFocus(int view, int side)
{
    APPFIBER_INFO* f = GetFiberInfo(view, side);
    float* p = nullptr;
    if (!f || GetVertBrightArray(view, side == 0 ? 8 : 599, 32, 1, &p) != 0) return -1;
    const float t = f->fShadowBright;
    int top = 0, bottom = 0;
    if (GetLessBrightBorder(p, t, 8, 471, &top) != 0 || GetLessBrightBorder(p, t, 471, 8, &bottom) != 0) {
        record(CLAD_ERR_NO_BORDER);
        return 0;
    }
    if (top < 9 || bottom > 470) {
        record(CLAD_ERR_NEAR_EDGE);
        return 0;
    }
    const int width = bottom - top;
    if (width < 61 || width > 219) {
        record(CLAD_ERR_WIDTH);
        return 0;
    }
    // The inner band: the first dark runs above and below the middle.
    const int middle = (top + bottom) / 2;
    int innerTop = 0, innerBottom = 0;
    if (GetLessBrightBorder(p, t, middle, 8, &innerTop) != 0) {
        record(CLAD_ERR_NO_INNER);
        innerTop = 0;
    }
    if (GetLessBrightBorder(p, t, middle, 471, &innerBottom) != 0) {
        record(CLAD_ERR_NO_INNER);
        innerBottom = 0;
    }
    f->fFocusCenter = float(innerTop + innerBottom) / 2.0f;
    f->fFocusDegree = 0.0f;
    f->fFocusRate = float(innerBottom - innerTop) / float(width);
    f->fFocusWidth = float(innerBottom - innerTop);
    return 0;
}

int GetFocusDegreeValue(int view, int firstColumn, int lastColumn, float* sharpness)
{
    const uint8_t* f = GetGraphicsEntry(view);
    if (!f || !sharpness || firstColumn < FRAME_FIRST_COLUMN || firstColumn >= lastColumn ||
        lastColumn > FRAME_END_COLUMN)
        return -1;
    long sum = 0, used = 0;
    for (int r = FRAME_FIRST_ROW; r < FRAME_END_ROW; ++r) {
        const uint8_t* a = f + r * CAMERA_WIDTH;
        const uint8_t* b = a + CAMERA_WIDTH;
        for (int c = firstColumn; c <= lastColumn; ++c) {
            if (a[c] <= 16) continue;
            const int d1 = std::abs(a[c] - b[c + 1]);
            const int d2 = std::abs(b[c] - a[c + 1]);
            if (d2 >= 64) continue;
            sum += d1 + d2;
            ++used;
        }
    }
    // A picture with no usable pixel (black) has no sharpness.
    *sharpness = used ? float(double(sum) / double(used)) : 0.0f;
    return used ? 0 : -1;
}
