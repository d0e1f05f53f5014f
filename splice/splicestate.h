// State of the running splice sequence shared by its steps, waits and the screens that show it:
// the status and layout changes, the quick-mode timer flag, the splice counter, the workbench's
// diagnostic switches, and the small drawing helpers of the sequence.
#pragma once

#include <atomic>
#include <cstdint>

#include "gui/window.h"

// 0 stops the quick-mode counter, 1 runs it, 2 ends it one second later.
extern std::atomic<int> bStartTimerFlag;
// The unit's splice counter (user information table), read at the start of a splice.
extern int lSpliceCount;
// The current screen layout: the option value + 4.
extern int lCurrShowType;
// Set while the arc compensation runs its splices (the reduced sequence then uses mode 5).
extern int ARC_COMPENSATION_FLAG;
// "Display Arc Value": the arc diagnostic lines and the end-face angle sum. Kept in memory only.
extern int DisplayArcValueFlag;

// Sets the splice status: the splice information, the separator rows, the trace that scenarios
// wait on ("ready", "gap", ...) and the status line of the window.
void SetSpliceStatus(int status, GUIWINDOW* pWnd);
// The trace name of a status ("ready" ... "pull"); "" outside 0..8.
const char* SpliceStatusName(int status);
// Applies a layout option (1..6 as the option table holds it) to the window, with the scale when
// the machine table asks for it.
void SetSpliceLayout(int option, GUIWINDOW* pWnd);

// The last splice ran to a counted discharge and nothing has disturbed the fibres since (the
// cover clears it): the extra arc may act on it.
int GetSpliceCalcFlag();
void SetSpliceCalcFlag(int value);

// The micrometre scale over the camera pictures (machine table byte 103): 0, or -1.
int InitializeScaleMode(GUIWINDOW* pWnd);
// The arc diagnostic lines of the workbench while "Display Arc Value" is on.
void DisplayArcDiagnostics(GUIWINDOW* pWnd);

// Logs "Delay Time <label> <ms>" since the clock's last reading and restarts it.
void DisplayDelayTime(uint64_t* clock, const char* label);
// Draws (main thread only) the seconds the quick-mode counter thread has counted.
void RefreshSpliceTimer(GUIWINDOW* pWnd);
// Starts / stops the counter thread (stop waits for it).
int StartSpliceTimer();
void StopSpliceTimer();

// Fibre identification for the sequence: types into the splice information. 0, 222 when the
// profiles cannot be used, 271 when the two fibres differ.
int AutoIdentify();
// Saves both camera pictures as BMP files on the USB stick: 0, or -1 ("USB disk mount faild").
int SaveSpliceImagesToUsb();

// The workbench's keys (corner buttons and title row): shown while the operator has to answer,
// hidden while the splice runs. The workbench registers how.
void SetSpliceKeysHook(void (*fn)(int show));
void SetSpliceKeysShown(bool show);
// The view key during a splice: the workbench's view switch, which it registers.
void SetSpliceViewKey(void (*fn)());
// The Arc key during and after a splice: the extra arc on the splice just made, with its new loss
// shown. 0, or 2 when the cover or Reset stopped it.
int SpliceExtraArcKey(GUIWINDOW* pWnd);

// Drawing helpers: a filled block, and a text with its cell's bottom line on `bottom`, centred
// on x (centred) or starting at x. Text width in pixels for a font.
void SpliceFill(GUIWINDOW* pWnd, int x1, int y1, int x2, int y2, uint32_t index);
void SpliceText(GUIWINDOW* pWnd, const char* text, int x, int bottom, const char* font, int size,
                bool centred);
int SpliceTextWidth(const char* text, const char* font, int size);
