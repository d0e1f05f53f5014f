// The screen every factory test form shares: a title bar, an optional live area (a drawing, the
// camera pictures), the test's result lines with their verdicts, and at the bottom the overall
// verdict and the Run and Cancel buttons. Confirm or Run runs the test, Cancel goes back, Reset
// home; a touched button is pressed. One test screen is on show at a time.
#pragma once

#include <cstdint>

#include "forms/formpanel.h"
#include "gui/window.h"
#include "splice/facttest.h"

// A key the form's own handler took (the screen does nothing more with it).
constexpr uint32_t FACTTEST_KEY_TAKEN = 0xFFFFFFFF;

struct FACTTESTDEF {
    GUIWINDOW** ppWnd;
    uint32_t title;                    // text number of the title
    void (*enter)();                   // Initialize: the form's state made fresh
    int (*run)();                      // the test: 0 passed, 1 no verdict (yet), else failed
    void (*lines)(FactTestLines& out); // the result lines (shown in two columns past eight)
    int liveHeight;                    // rows of the live area under the title (0: none)
    void (*draw)(GUIFRAME* back, GUIFRAME* fore, int x, int y, int w, int h); // the live area
    bool (*poll)();           // optional, every pass without a key: true draws again
    uint32_t (*key)(int key); // optional, first: a code leaves, FACTTEST_KEY_TAKEN stays
    int graphics;             // camera layout under the live area (0: none)
    uint32_t runText;         // text of the Run button (0: "Run")
    bool park;                // motors to their home positions on entering: a pair is laid next
    uint32_t readyText;       // status before the first run (0: "Ready: press Run")
};

uint32_t FactTestInitialize(const FACTTESTDEF& def);
uint32_t FactTestPaint(const FACTTESTDEF& def);
uint32_t FactTestProcess(const FACTTESTDEF& def);
uint32_t FactTestRelease(const FACTTESTDEF& def);
// Runs the test as the Run button does (the screen shows "Testing" meanwhile).
int FactTestRunNow();
// Overall verdict of the last run: 1 passed, 0 failed, -1 none; a test that ends in the background
// sets it.
int FactTestVerdict();
void FactTestSetVerdict(int verdict);
// The result lines as last drawn.
const FactTestLines& FactTestShownLines();
// Draws the body again.
void FactTestRefresh();
// Both live pictures side by side, reduced into the live area (a FACTTESTDEF draw), and whether it
// is time to grab them again (a FACTTESTDEF poll). The camera layouts fill the panel's height,
// over the result lines; these pictures leave them free.
void FactTestPictures(GUIFRAME* back, GUIFRAME* fore, int x, int y, int w, int h);
bool FactTestPicturesDue();
// One line of UTF-8 text or a text marker (PanelTextOf) in the live area.
void FactTestText(GUIFRAME* fore, const std::string& text, int x, int y, int w, int h, int align = 0);

#define FACTTEST_FORM(form, def)                                                                             \
    uint32_t form##_Initialize()                                                                             \
    {                                                                                                        \
        return FactTestInitialize(def);                                                                      \
    }                                                                                                        \
    uint32_t form##_Release()                                                                                \
    {                                                                                                        \
        return FactTestRelease(def);                                                                         \
    }                                                                                                        \
    uint32_t form##_Paint()                                                                                  \
    {                                                                                                        \
        return FactTestPaint(def);                                                                           \
    }                                                                                                        \
    uint32_t form##_Process()                                                                                \
    {                                                                                                        \
        return FactTestProcess(def);                                                                         \
    }
// A test whose screen is its result lines, filled by Fn on each run.
template <int (*Fn)(FactTestLines&)> struct FactTestLinesOf {
    static inline FactTestLines result;
    static void enter() { result.clear(); }
    static int run()
    {
        result.clear();
        return Fn(result);
    }
    static void lines(FactTestLines& out) { out = result; }
};

// The entry points' declarations of such a form.
#define FACTTEST_FORM_DECLARE(form)                                                                          \
    uint32_t form##_Initialize();                                                                            \
    uint32_t form##_Release();                                                                               \
    uint32_t form##_Paint();                                                                                 \
    uint32_t form##_Process();
