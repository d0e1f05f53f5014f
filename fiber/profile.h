// Column-averaged brightness profiles of the camera frames, the FPGA brightness-wave table,
// corner and electrode locators, and the arc-brightness areas.
#pragma once

#include <cstdint>

#include "fiber/fiberstruct.h"

constexpr int PROFILE_ROWS = 480;
constexpr int BRIGHT_WAVE_LINE = 480;     // bytes of one column profile of the table
constexpr int BRIGHT_WAVE_ROW_LINE = 640; // bytes of the two row profiles (entries 8, 9)
constexpr int BRIGHT_WAVE_COLUMNS[4] = {24, 213, 426, 616};

// Profiles of view `view` over columns [x, x + w) with row step s: the row value of row r is the
// mean of the block of w columns and s rows from (x, r), for r = 8, 8 + s, ... below 472 (a block
// reaching past the frame's last row averages the rows it has). 0, or -1 on a bad argument.
int GetVertBrightArray(int view, int x, int w, int s, float** profile);
int GetVertBrightArrayEX(int view, int x, int w, int s, uint8_t** profile);
int GetVertBrightWave(int view, int x, int w, int s, float wave[PROFILE_ROWS]);
int GetVertBrightAvg(int view, int x, int w, int s, uint8_t* avg);
int GetVertBrightErr(int view, int x, int w, int s, uint8_t* err);
int GetVertBrightErrEx(int view, int x, int w, int s, uint8_t target, uint8_t* err, uint16_t* near);
int GetVertBrightMin(int view, int x, int w, int s, uint8_t* min);
int GetVertBrightMax(int view, int x, int w, int s, uint8_t* max);

// Brightness-wave table: 0..3 X view, 4..7 Y view (480-byte column profiles), 8 and 9 the row
// profiles of X and Y (640 bytes).
int BrightWaveOffset(int index); // -1 for a bad index
int GetBrightWaveTest(int index, uint8_t out[PROFILE_ROWS]);
int GetAllBrightWaveTest();
int GetAllBrightWave();
int GetOneBrightWave(int index);

// Four 64 x 64 block means packed into one word, first block in the low byte.
int GetCornerBrightness(int view, uint32_t* out);
// Column of the bright electrode region over rows 8..471 (Ex: rows [firstRow, endRow), with the
// darkness 100 - mean column mean). 0, or -1.
int GetElectrodeLocation(int view, int* column);
int GetElectrodeLocationEx(int view, int* column, int* darkness, int firstRow, int endRow);

// Mean of the column means above 0.45 x (largest + smallest) over an area of a frame; 0 when
// none or when the area leaves the frame ("para was wrong!").
int CalcAreaArcBrightAvg(const uint8_t* frame, int firstRow, int firstColumn, int columns, int rows);
// Arc brightness of the left fibre's claddings over the views in the mask; 0 when the views
// disagree by more than 50 grey levels.
int CalcCameraBrightAvg(int viewMask, APPFIBER* record, int upperOnly);
// Running compensated arc brightness (9/13 old, 4/13 new).
int CalCompensationgBright(int current);
void SetCompensationgBright(uint8_t value);
