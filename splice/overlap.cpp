// The overlap correction before the arc: a core that ends behind its cladding end needs more push.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "fiber/fiberstruct.h"
#include "splice/press.h"
#include "splice/spliceinfo.h"

namespace
{
bool measured(const APPFIBER_INFO* f)
{
    auto inside = [](float v) { return std::isfinite(v) && v > 0.0f && v < 640.0f; };
    return f->bEndfaceFlag != 0 && inside(f->fEndfacePos) && inside(f->fCoreEndface);
}
} // namespace

void TuneOverlap()
{
    const APPFIBER_INFO* xl = GetFiberInfo(1, 0);
    const APPFIBER_INFO* xr = GetFiberInfo(1, 1);
    const APPFIBER_INFO* yl = GetFiberInfo(2, 0);
    const APPFIBER_INFO* yr = GetFiberInfo(2, 1);
    APPSPLICE& mode = GetCurrentInformation()->CurrentSplice;
    // Without measured end faces the difference would be noise.
    if (!measured(xl) || !measured(xr) || !measured(yl) || !measured(yr)) {
        std::printf("bKerfOverlap %d TuneOverlap=%d\n", mode.bKerfOverlap, 0);
        return;
    }
    const float coreGap =
        (xr->fCoreEndface + yr->fCoreEndface) / 2 - (xl->fCoreEndface + yl->fCoreEndface) / 2;
    const float faceGap = (xr->fEndfacePos + yr->fEndfacePos) / 2 - (xl->fEndfacePos + yl->fEndfacePos) / 2;
    const float c = (coreGap - faceGap) / 2;
    const int tune = c > 0 ? int(std::min(c, 255.0f)) : 0;
    mode.bKerfOverlap = uint8_t(std::min(255, mode.bKerfOverlap + tune));
    std::printf("bKerfOverlap %d TuneOverlap=%d\n", mode.bKerfOverlap, tune);
}
