// The screen the two dust check forms share: the mask of the chosen view over the body, the
// verdict on the status line, Run, the X/Y key and touch buttons; a dirty view raises its error
// and waits for the operator. The maintenance form runs the check on Run, the start-up form once
// on its own.
#pragma once

#include <cstdint>

#include "gui/window.h"

struct DUSTSCREEN {
    GUIWINDOW** ppWnd;
    int width;    // of the counting window (DUST_WIDTH_...)
    bool startup; // runs once by itself and leaves
};

uint32_t DustScreenInitialize(const DUSTSCREEN& def);
uint32_t DustScreenPaint(const DUSTSCREEN& def);
uint32_t DustScreenProcess(const DUSTSCREEN& def);
uint32_t DustScreenRelease(const DUSTSCREEN& def);

// What the screen shows now: the verdict (DUST_STATE_...), the counts of the last check per view
// (1 X, 2 Y), the view shown (5 X, 6 Y), the message on the status line (a text number, 0 none).
int DustScreenState();
unsigned DustScreenCount(int view);
int DustScreenView();
uint32_t DustScreenMessage();

// A form opened as an item of a maintenance sequence: lParam 1 on the way in; it runs the check at
// once and leaves with lParam DUST_STATE_PASSED or DUST_STATE_FAILED.
constexpr uint32_t DUST_SEQUENCE_ITEM = 1;

#define DUST_SCREEN_FORM(form, def)                                                                          \
    uint32_t form##_Initialize()                                                                             \
    {                                                                                                        \
        return DustScreenInitialize(def);                                                                    \
    }                                                                                                        \
    uint32_t form##_Release()                                                                                \
    {                                                                                                        \
        return DustScreenRelease(def);                                                                       \
    }                                                                                                        \
    uint32_t form##_Paint()                                                                                  \
    {                                                                                                        \
        return DustScreenPaint(def);                                                                         \
    }                                                                                                        \
    uint32_t form##_Process()                                                                                \
    {                                                                                                        \
        return DustScreenProcess(def);                                                                       \
    }
