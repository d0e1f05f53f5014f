// Cladding and core edges of each fibre in each view: shadow thresholds, the edge finders on the
// FPGA's byte profiles, the frame-based measurements with sub-pixel refinement, focus, and the
// cladding brightness checks.
#pragma once

#include <cstdint>
#include <span>

#include "fiber/fiberstruct.h"

// Codes stored in lFiberErrorFlag and returned.
constexpr int CLAD_ERR_NO_BORDER = 219;   // no dark border in a profile
constexpr int CLAD_ERR_CORE_BORDER = 220; // core band reaches the window border
constexpr int CLAD_ERR_NEAR_EDGE = 226;   // cladding too close to the top or bottom
constexpr int CLAD_ERR_WIDTH = 227;       // cladding width out of range
constexpr int CLAD_ERR_NO_INNER = 231;    // inner focus band not found
constexpr int CLAD_ERR_ORDER = 238;       // edges in the wrong order, or none

// Brightness-wave entries of X-left, X-right, Y-left, Y-right.
constexpr int CLAD_WAVE_INDEX[4] = {0, 3, 4, 7};

// ---- Shadow thresholds -------------------------------------------------------------------------
int GetShadowBrightFPGA();
int GetShadowBrightEx(int viewMask);
int GetShadowBrightEx2(int sideMask);
// A fibre's shadow threshold as a byte (clamped).
uint8_t ShadowThresholdByte(const APPFIBER_INFO& info);

// ---- FPGA byte profiles (480 entries) ----------------------------------------------------------
int GetCladFPGA();
int GetCladFPGAPeak();
int GetCladFPGA4Focus();
int CalFocusRatioFpga();
int CalCladFPGA(const uint8_t* profile, uint8_t t, int* up, int* down);
int CalCladFPGAPeak(const uint8_t* profile, uint8_t t, int* up, int* down);
int CalCladFPGA4Focus(const uint8_t* profile, uint8_t t, int* up, int* down);
int CalCladFPGATest(const uint8_t* profile, uint8_t t, int* up, int* down);
int AnalyseCladFPGA(const uint8_t* profile, uint8_t t, int* up, int* down, int which);
int CalCoreEdge(const uint8_t* profile, uint8_t t, int centre, int* coreUp, int* coreDown);
int CalCoreEdgeFPGA(const uint8_t* profile, uint8_t t, int centre, int width, float* ratio);
int FindVLineUpEdge(const uint8_t* profile, uint8_t t);
int FindVLineDownEdge(const uint8_t* profile, uint8_t t);
int FindVLineUpPeak(const uint8_t* profile, uint8_t t);
int FindVLineDownPeak(const uint8_t* profile, uint8_t t);
int FindVLineUpEdge4Focus(const uint8_t* profile, uint8_t t);
int FindVLineDownEdge4Focus(const uint8_t* profile, uint8_t t);
int FindVLineUpEdgeTest(const uint8_t* profile, uint8_t t);
int FindVLineDownEdgeTest(const uint8_t* profile, uint8_t t);
int FindCladCenter(const uint8_t* profile, uint8_t t);

// ---- Frame profiles (f32, 480 entries) ---------------------------------------------------------
// First row of the first run of 11 rows darker than t walking from `from` to `to` (8..472):
// 0 found, 1 none, -1 bad arguments.
int GetLessBrightBorder(const float* profile, float t, int from, int to, int* row);
int CalcSingleClad(int view, int side);
int CalcSingleCladEx(int view, int side);
int SingleCladLocalEx(int view, int side, int x);
int GetCladEx(int viewMask, int precise);
int CalCladPeak(const float* profile, int precise, float t, float* upper, float* lower);
int CalCladPeakEX(const uint8_t* profile, int precise, float t, float* upper, float* lower);
// Centre of the bright band between from and to (sub-pixel); -1 on bad arguments.
float FindLinePeak(std::span<const float> profile, int from, int to, float t);

// ---- Cladding brightness checks ----------------------------------------------------------------
int GetCladCenterWave(int view, int row, int x, int w, uint8_t* out);
int GetCladHorBrightErr(int view, int x, int w, const APPFIBER* record);

// ---- Focus -------------------------------------------------------------------------------------
int CalcSingleFocus(int view, int side);
int GetFocusDegreeValue(int view, int firstColumn, int lastColumn, float* sharpness);
