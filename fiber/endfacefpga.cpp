// Quick end-face positions from the FPGA's row profiles (used while feeding), and the movable
// column profiles placed behind the end faces.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "devices/platdev.h"
#include "fiber/cladedge.h"
#include "fiber/endface.h"
#include "fiber/graphics.h"
#include "fiber/profile.h"
#include "params/param_tables.h"

namespace
{
// Columns clamped for the profile positions the device accepts.
int profile_column(float column)
{
    if (!std::isfinite(column)) return -1;
    const double c = std::clamp(double(column), 1.0, double(CAMERA_WIDTH - 1));
    return int(c);
}
} // namespace

int CalEndfacePosFpga(const uint8_t* profile, uint8_t shadow, int* left, int* right)
{
    (void)shadow; // the gap's own brightness sets the threshold
    if (!profile || !left || !right) return -1;
    int max = 0, sum = 0;
    for (int c = 16; c < 624; ++c) {
        max = std::max(max, int(profile[c]));
        sum += profile[c];
    }
    std::printf("CalEndfacePos iMax=%d,iAver=%d\n", max, sum / 608);
    const uint8_t t = uint8_t(std::min(255.0, max * 0.6));
    int l = 16;
    while (l < 631 && profile[l] <= t)
        ++l;
    int r = 624;
    while (r > 9 && profile[r] <= t)
        --r;
    *left = l;
    *right = r;
    return l > r ? ENDFACE_ERR_ORDER : 0;
}

int GetEndfacePosFpga()
{
    std::printf("GetEndfacePosFpga\n");
    const uint8_t* table = GetTable_BrightWave();
    if (!table) return -1;
    for (int view = 1; view <= 2; ++view) {
        const int entry = view == 1 ? 8 : 9;
        const int off = BrightWaveOffset(entry);
        if (off < 0) return -1;
        APPFIBER_INFO* l = GetFiberInfo(view, 0);
        APPFIBER_INFO* r = GetFiberInfo(view, 1);
        int left = 0, right = 0;
        const int res = CalEndfacePosFpga(table + off, ShadowThresholdByte(*l), &left, &right);
        std::printf(view == 1 ? "XCam pBrightWave=%d,LeftEndfacePos=%d RightEndfacePos=%d\n "
                              : "YCam pBrightWave=%d,LeftEndfacePos=%d RightEndfacePos=%d\n\n",
                    off, left, right);
        if (res != 0) return res;
        l->fEndfacePos = float(left);
        r->fEndfacePos = float(right);
    }
    return 0;
}

int SetMidBrightPos()
{
    struct Move {
        int line, view, side, offset;
    };
    static constexpr Move kMoves[] = {{1, 1, 0, -48}, {2, 1, 1, 48}, {5, 2, 0, -48}, {6, 2, 1, 48}};
    int r = 0;
    for (const Move& m : kMoves) {
        const int c = profile_column(GetFiberInfo(m.view, m.side)->fEndfacePos + float(m.offset));
        if (c < 0 || SetBrightWavePosition(m.line, c) != 0) r = -1;
    }
    return r;
}
