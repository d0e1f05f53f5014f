// The camera test: both live pictures, and on Run each camera's frame size, whether its sensor
// registers still hold the stored image, and its background level.
#include "forms/frmfactothercamera.h"

#include <cstdio>

#include "devices/platdev.h"
#include "fiber/graphics.h"
#include "formmodel/forms.h"
#include "texts/facttesttexts.h"
#include "texts/textres.h"

namespace
{
int camera_test(FactTestLines& out)
{
    const int monitor = CameraStatusMonitor();
    int failed = monitor != 0;
    for (int view : {VIEW_X, VIEW_Y}) {
        const char* name = view == VIEW_X ? "X" : "Y";
        uint32_t rows = 0, cols = 0;
        const bool size =
            GetCameraRowCol(view, &rows, &cols) == 0 && rows == CAMERA_HEIGHT && cols == CAMERA_WIDTH;
        char s[48];
        std::snprintf(s, sizeof s, "%u x %u", cols, rows);
        out.push_back({std::string(name) + " frame", s, size ? 1 : 0});
        const bool regs = monitor == 0 || (monitor > 0 && !(monitor & view));
        out.push_back({std::string(name) + " registers", regs ? "as stored" : "resent", regs ? 1 : 0});
        FACTNOISE n{};
        const bool read = FactTestNoise(view, 1, &n) == 0;
        std::snprintf(s, sizeof s, "%.1f", n.mean);
        out.push_back({std::string(name) + " brightness", read ? s : "no picture", read ? 1 : 0});
        failed += !size + !read;
    }
    return failed ? -1 : 0;
}

using Test = FactTestLinesOf<camera_test>;
constexpr FACTTESTDEF kDef = {.ppWnd = &frmFactOtherCamera,
                              .title = TXT_FT_TITLE_CAMERA,
                              .enter = Test::enter,
                              .run = Test::run,
                              .lines = Test::lines,
                              .liveHeight = 180,
                              .draw = FactTestPictures,
                              .poll = FactTestPicturesDue};
} // namespace

FACTTEST_FORM(frmFactOtherCamera, kDef)
