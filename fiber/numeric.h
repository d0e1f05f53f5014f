// Numeric routines of the fibre analysis: line fits, short-window polynomial fits, extrema of
// quartics, plateaus, smoothing filters and the outlier filter. All work on caller buffers.
#pragma once

#include <cstdint>
#include <span>

#include "fiber/fiberstruct.h"

// ---- Line fits (y = K x + B; an abscissa of 0 marks an excluded point) -------------------------
// Fewer than 4 usable points (or all on one column): K = 0, B = 240 and -1; a fit gives 0.
int CalLeastSquare(const uint16_t* x, const float* y, int count, float* K, float* B);
int CalWeightedLeastSquare(const uint16_t* x, const float* y, const float* w, int count, float* K, float* B);
// Stores each included point's weighted residual (0 for excluded ones) and excludes the
// fraction of points with the largest ones. Returns the number excluded, -1 on bad arguments.
int ExcludeWeightedOutliersByPercent(uint16_t* x, const float* y, const float* w, float* residuals, int count,
                                     float fraction, float K, float B);
// Five fits, dropping the worst point after each (the arrays are compacted in place).
int RegressCalLeastSquare(uint16_t* x, float* y, int count, float* K, float* B);
// Excludes every point farther than limit from the line. Returns the number excluded.
int KickOffCenterPoint(uint16_t* x, const float* y, int count, float limit, float K, float B);

// ---- Polynomial fits over x = -n..n ------------------------------------------------------------
// y = a0 + a1 x + a2 x^2. 0, or -1 (n < 1, null pointers).
int FitConic(const float* samples, int n, float* a0, float* a1, float* a2);
int FitConicEx(const float* samples, int n, float* a0, float* a1, float* a2);
int FitConicEX(const uint8_t* samples, int n, float* a0, float* a1, float* a2);
// Sub-pixel vertex of a peak fitted by FitConic: -a1 / (2 a2), only for a maximum (a2 < 0),
// clamped to one pixel either way; 0 otherwise.
float ConicPeakOffset(float a1, float a2);
// Quartic fit for n = 2, 3, 4, 6 (else all zero and -1).
int FitPoly4(const uint8_t* samples, int n, float a[5]);
// Quadratic over the window variant of half-width h (2..4): 0 -h..h, 1 -h..h+1, 2 -(h+1)..h+1.
// The abscissae must be exactly that window's, in order; else -1 and all zero.
int FitPoly2(const int* x, const uint8_t* y, int count, int h, int variant, float a[3]);
// Moments sum (i - 7)^k y_i, k = 0..6, of 15 samples.
void ProduceBMatrix(const float samples[15], double b[7]);
// Sixth-order fit of 15 samples at x = -7..7; the abscissa of its maximum inside -7..7.
// 1 found, 0 none (prints the samples and coefficients).
int Fit6ThCurve(const float samples[15], float* value);
// Abscissa of the highest maximum of a polynomial of the given degree inside [low, high]: 1, or 0.
int FindMaxValue(const double* a, int degree, double low, double high, double* x);
// C = A B for row-major matrices (rows x inner) (inner x columns).
void MatrixAxB(const double* A, const double* B, double* C, int rows, int inner, int columns);

// ---- Extremum of a quartic a0 + a1 x + ... + a4 x^4 --------------------------------------------
// Newton on p'(x) = 0 from start, at most 10 steps: 1 and x at a maximum, else 0 and x = 0.
int FindMaxValueofPoly4ByNewton(const float a[5], float start, float* x);
// Closed form on [low, high]: 1 and the highest admissible maximum, or 0.
int FindMaxValueofPoly4(const float a[5], float low, float high, float* x);

// ---- Peak plateaus of 2n+1 byte samples --------------------------------------------------------
int FindCladPeakPlateau(const uint8_t* samples, int n, int* length, int* kind);
int FindCorePeakPlateau(uint8_t value, const uint8_t* samples, int n, int* count, int* kind);

// ---- Filters -----------------------------------------------------------------------------------
// Five-point mean of entries first+2 .. end-2 (end inclusive, below 640) from the unsmoothed
// values; other entries keep theirs. 0, or -1.
int FilterLine(float* profile, int first, int end);
int FilterLineEx(float* profile, int first, int end);
// 16-pixel horizontal box over the rows of a fibre's cladding band (+15 rows), columns 8..631.
int Image16x1Bilatery(uint8_t* frame, const APPFIBER_INFO* info);
// Separable convolution of the frame window rows [firstRow, endRow) x columns [firstColumn,
// endColumn) with an odd kernel; pixels beyond the frame repeat the edge. `line` holds one row or
// column with its margins. 0, or -1.
int ImFilterByGaussian(std::span<double> line, std::span<const double> kernel, int firstRow, int endRow,
                       uint8_t* frame, int firstColumn, int endColumn);

// ---- Outlier filter ------------------------------------------------------------------------------
// Records of 4 bytes, a u16 value first. Keeps the records within |limit| of the mean without the
// two farthest ones, compacted to the front, a zero value after them. Fewer than 3: 0.
int FilterData(uint8_t* records, int count, int limit);
