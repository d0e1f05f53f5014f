// Manual alignment: captions naming the selected motor, up and down buttons and a selection
// button; the key wait moves the motors while ManualFlag is set.
#include <cstdio>

#include "formmodel/appwindow.h"
#include "formmodel/forms.h"
#include "gui/global.h"
#include "platform/requests.h"
#include "splice/aim.h"
#include "splice/autosplice.h"
#include "splice/autosplice_steps.h"
#include "splice/splicestate.h"

namespace
{
constexpr const char* kCaptions[6] = {"<< L Press >>", "<< R Press >>", "<< X Focus >>",
                                      "<< Y Focus >>", "<< X Align >>", "<< Y Align >>"};
constexpr int kCaptionTop = 450, kCaptionBottom = 475;
int g_motor = 0;

struct Controls {
    GUIIMAGE* icon[2][2] = {}; // up, down: normal and pushed
    GUIBUTTON* btn[3] = {};    // up, down, selection
};

GUIBUTTON* icon_button(GUIWINDOW* w, int size, int x, int y, GUIIMAGE* icon, GUIIMAGE* push, uint8_t style)
{
    GUIBUTTON* b =
        CreateButtonDirectEx(style, 0, 0, 2, uint16_t(size), uint16_t(size), uint16_t(x), uint16_t(y),
                             GetBrushObject("_USER_TRAN"), GetCursorObject("_USER_WND"),
                             GetFontObject("_TXT_BLK"), w->pFrmFore, icon, nullptr, nullptr, nullptr);
    if (b) b->pPushIcon = push;
    return b;
}

void build(GUIWINDOW* w, Controls& c)
{
    const char* names[2] = {"IcnUp", "IcnDown"};
    const int xs[2] = {0, 710};
    for (int i = 0; i < 2; ++i) {
        char path[64];
        std::snprintf(path, sizeof path, "bitmap/Workbench/%s.bmp", names[i]);
        c.icon[i][0] = BuildStdImage(4, 90, 90, uint16_t(xs[i]), 250, path);
        std::snprintf(path, sizeof path, "bitmap/Workbench/%sPush.bmp", names[i]);
        c.icon[i][1] = BuildStdImage(4, 90, 90, uint16_t(xs[i]), 250, path);
        c.btn[i] = icon_button(w, 90, xs[i], 250, c.icon[i][0], c.icon[i][1], 4);
    }
    c.btn[2] = icon_button(w, 100, 350, 380, nullptr, nullptr, 0);
    GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH);
    const uint16_t ids[3] = {8, 9, 12};
    for (int i = 0; i < 3; ++i) {
        if (!c.btn[i]) continue;
        if (i < 2) _ButtonDirectPut(c.btn[i]);
        if (touch) AddTouchMap_ButtonEx(c.btn[i], ids[i], touch);
    }
    TransferLines(w, 250, 339);
}

void release(GUIWINDOW* w, Controls& c)
{
    if (GUITOUCHPAD* touch = GetTouchpadObject(DEV_TOUCH)) {
        // Only this screen's regions go; the form's own stay.
        for (GUIBUTTON* b : c.btn)
            if (b)
                for (GUITOUCHMAP* m = touch->pMap; m; m = m->pNext)
                    if (m->pObject == b) {
                        DelTouchMap(m, touch);
                        break;
                    }
    }
    for (GUIBUTTON*& b : c.btn) {
        DeleteButtonDirect(b);
        b = nullptr;
    }
    for (auto& pair : c.icon)
        for (GUIIMAGE*& img : pair) {
            DeleteImageDirect(img);
            img = nullptr;
        }
    SpliceFill(w, 0, 250, 89, 339, 255);
    SpliceFill(w, 710, 250, 799, 339, 255);
    SpliceFill(w, 200, kCaptionTop, 599, 479, 255);
    TransferLines(w, 250, 479);
}
} // namespace

int ManualAimRefresh(const char* caption, GUIWINDOW* w)
{
    if (!caption || !w || !w->pFrmFore) return -1;
    SpliceFill(w, 200, kCaptionTop, 599, 479, 255);
    SpliceText(w, caption, 400, kCaptionBottom, "_TXT_ACT", 19, true);
    TransferLines(w, kCaptionTop, 479);
    return 0;
}

int ManualAimMotor()
{
    return g_motor;
}

void ManualAimSelect(int step, GUIWINDOW* w)
{
    g_motor = ((g_motor + step) % 6 + 6) % 6;
    ManualAimRefresh(kCaptions[g_motor], w);
}

int SpliceAimManual()
{
    GUIWINDOW* w = WND_ACTIVE;
    ManualFlag = 1;
    g_motor = 0;
    Controls c;
    if (w) {
        build(w, c);
        ManualAimRefresh(kCaptions[0], w);
    }
    const int r = ErrorEventProcess(0, 1);
    ManualFlag = 0;
    if (w) release(w, c);
    return r;
}
