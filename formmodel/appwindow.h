// Idle processing and the status bar shared by every form: power, battery, clock, logo, WiFi and
// environment items, the camera picture layout under the GUI layers and the picture separator.
#pragma once

#include <cstdint>
#include <ctime>

#include "gui/window.h"

// Idle-process mode bits (first argument of WindowIdleProcess and the status routines).
constexpr int IDLE_MODE_POWER = 0x03;
constexpr int IDLE_MODE_ENV = 0x3C;
constexpr int IDLE_MODE_CLOCK = 0xC0;   // clock, logo and WiFi signal
constexpr int IDLE_MODE_STANDARD = 195; // power and clock: the workbench and the root menu

// Refresh intervals of the status items, seconds.
constexpr int STATUS_POWER_SPAN = 3;
constexpr int STATUS_ENV_SPAN = 34;
constexpr int STATUS_CLOCK_SPAN = 16;
constexpr int STATUS_WIFI_SPAN = 6;

void IdleProcessOn();
void IdleProcessOff();
bool GetIdleProcessFlag();
// One idle pass of a form's Process: 2 when the Reset key asks to go home, else 0.
int WindowIdleProcess(int mode, GUIWINDOW* pWnd);
// A check run on the first idle pass of a form that was entered or repainted, after the device
// housekeeping (the workbench's lamp check: its message display lies above this layer). Null: none.
void SetFormEntryCheck(void (*check)(GUIWINDOW* pWnd));
// Forgets the idle timers, the form served last and the battery history (start-up and tests).
void ResetIdleProcess();
// Forgets the battery references and the smoothing history (part of ResetIdleProcess).
void ResetBatteryHistory();

// ---- Status items (-1 without a window or without the mode's bits) ---------------------------------
int ShowPowerStatus(int mode, GUIWINDOW* pWnd);
// Builds the ten battery reference values from the table's low and high words.
int SetBatteryRefVol(uint32_t low, uint32_t high);
// The reference values (ten) and the whole-number step between them.
const int32_t* GetBatteryRefVol();
extern int32_t _lBatteryRefVolLevel;
// Number of reference values above a battery reading (0 to 10): the blocks shown.
int GetBatteryBlockCount(uint32_t value);
// 1 when the battery is full, 0 when not (also sent to the environment device).
int CheckBatFullCondition(int checkCharger);
int ShowCurTime(int mode, const struct tm* time, GUIWINDOW* pWnd);
void SetTimeFont(GUIFONT* pFont);
int ShowLogo(int mode, GUIWINDOW* pWnd);
int ShowWifiSignal(int mode, GUIWINDOW* pWnd);
// The 4G/GPS module's items on the workbench (nothing while the module is switched off).
int ShowModuleStatus(int mode, GUIWINDOW* pWnd);
// True while the module reports a GPS position.
bool ModuleHasFix();
// Where the WiFi item reads the current network (get_current_network; tests put a double).
struct NETWORK_ITEM;
void SetStatusNetworkSource(int (*current)(NETWORK_ITEM* item));
int ShowEnvironmentParameter(int mode, GUIWINDOW* pWnd);
// As ShowEnvironmentParameter with the two labels at (x, yTemp) and (x, yPress).
int ShowEnvironmentParameterEx(int mode, GUIWINDOW* pWnd, int x, int yTemp, int yPress);
// Draws every status item of the mode now (the forms' Paint).
void ShowStatusItems(int mode, GUIWINDOW* pWnd);

// ---- Camera pictures -------------------------------------------------------------------------------
// Places the live camera pictures under the GUI layers: 0, or -1 for a mode outside 0..25.
int SetGraphicsShow(int mode, GUIWINDOW* pWnd);
// The view mode set last (GetTypeInfo).
int GetGraphicsShowMode();
// Draws (show 1) or erases (show 0) the separator between side-by-side pictures.
int ShowSplitLine(int show, int transfer, GUIWINDOW* pWnd);
// The offset (FRM_OFFSET_*) the present mode gave a shown picture; false when it shows none.
bool GetGraphicsOffset(unsigned long request, uint32_t* value);
// Re-centring of the shown pictures on the fibres, from the present measurements (cladding
// centres, end faces): each picture's window moves from its mode's place by the fibres' distance
// from the middle of the frame. 0, or -1 when nothing was measured to centre on.
int AdjustHorizontalOffset();
int AdjustVerticalOffset();
// Step number of the running splice (0: none); the separator's rows depend on it.
void SetSpliceStepNumber(int step);
int GetSpliceStepNumber();
// Redraws the splice status after a layout change on the screens that run a splice (registered by
// the splice process; nothing until then).
void SetSpliceStatusPainter(void (*painter)(GUIWINDOW* pWnd));

// ---- Form groups the status routines treat differently ----------------------------------------------
bool IsMaintenanceForm(const GUIWINDOW* pWnd);
// Transfers lines [first, last] of both layers when the form has painted.
void TransferLines(GUIWINDOW* pWnd, int first, int last);
