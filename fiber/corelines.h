// Straight lines of each fibre near its end face (upper and lower cladding edge, core) fitted over
// the frames, the samples an alignment pass takes of them, their consistency figures, the
// eccentricity of each fibre and the core offset between the two fibres of a view.
#pragma once

#include <cstdint>
#include <cstdio>

#include "fiber/fiberstruct.h"

// The optics' one scale, along and across the fibre.
constexpr float OPTICS_UM_PER_PIXEL = 0.645f;

// ---- Whole-line fits -----------------------------------------------------------------------------
// Fits the three lines of every fibre on the current frames (X-left, X-right, Y-left, Y-right).
// 0, or -1 when a frame buffer is missing (its fibres then get the no-fit line K 0, B 240).
int GetCoreAndCladKB(int log);
// The three lines of one fibre from `frame` (view 1 X or 2 Y, side 0 left or 1 right): core peaks
// within h rows of the present core line, quartic fits over 2q+1 rows (q must be 4), column
// weights of Gaussian width g times the range. A line without data is K 0, B 240. 0, or -1 on bad
// arguments (the lines are still written when `fibre` is given).
int CalCoreAndCladQuarticWLS(const uint8_t* frame, int view, int side, APPFIBER_INFO* fibre, int h, int q,
                             float g, int log);
// Where the fits write their samples when asked to log (null: nowhere).
void SetCoreFitLogFile(std::FILE* file);

// ---- Samples of an alignment pass ------------------------------------------------------------------
// Up to 3 samples of 4 fibres, entry [sample * 4 + fibre], fibre 0 X-left, 1 X-right, 2 Y-left,
// 3 Y-right. After averaging, entries 0..3 hold the means.
constexpr int KB_FIBRES = 4, KB_SAMPLES = 3, KB_STORE = KB_FIBRES * KB_SAMPLES;

struct CORE_LINE_STORE {
    float fWholeLineK[KB_STORE], fWholeLineB[KB_STORE]; // software core lines
    float fFpgaK[KB_STORE], fFpgaB[KB_STORE];           // FPGA core lines
    float fUpCladK[KB_STORE], fUpCladB[KB_STORE];
    float fLowCladK[KB_STORE], fLowCladB[KB_STORE];
    // Mean software minus mean FPGA intercept per fibre, later adjusted for eccentricity.
    float fXLavg, fXRavg, fYLavg, fYRavg;
    float fErrorB[8];
    float fMaxErrorCore, fMaxErrorClad, fMaxErrorCladB;
    int32_t iHalfWidth, iHalfWidthQuartic;
};

CORE_LINE_STORE* GetCoreLineStore();

// Store the fibres' present core lines (or cladding lines) as sample i (0..2). 0, or -1.
int DeduceWholeLineKB(int i);
int DeduceFpgaKB(int i);
int DeduceCladKB(int i);
// Per fibre, its n samples in descending order / their mean into entry f. 0, or -1.
int SortKB(float* store, int n, int fibres);
int MeanKB(float* store, int n, int fibres);
// Spreads, means and correction terms of n samples (1..3). Returns the index (0 upper X, 1 upper
// Y, 2 lower X, 3 lower Y) of the largest intercept difference between the fibres, or -1 (the
// spreads are then set so that both judges reject).
int HandleAllKB(int n);
// 1 when the measurement is not consistent enough to trust (also when a figure is not a number).
int JudgeCoreKB();
int JudgeCladKB();
// fCoreOffSet of each fibre: rows from the core line to the cladding centre line at its end face.
int CalEccentric();
int CompensateEcctric(float f);
int CompensateB();
// Mask bit 1 copies K, bit 0 copies B into the fibres' core lines.
int RestoreWholeLineKB(int mask);
int RestoreFpgaKB(int mask);
int RestoreCladKB(int mask);
// Row difference of the left and right core lines at the right fibre's end face, per view.
int CalCoreOffSet(float* dx, float* dy);
