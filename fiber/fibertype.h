// Fibre type identification: features of one vertical brightness profile (DCT of the first
// differences around the core), the linear classifier trained on the unit, its
// training (normal equations solved by Gauss-Jordan with complete pivoting) and the stored
// training table "/mnt/usr/fiber.bin".
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

constexpr int FIBER_MODE_WINDOW = 41;   // rows of the feature window
constexpr int FIBER_MODE_FEATURES = 20; // DCT coefficients 1..20
constexpr int FIBER_MODE_CLASSES = 4;   // MM, SM (G652), NZ, G657
constexpr int FIBER_MODE_SAMPLES = 20;  // samples per class and view
constexpr uint32_t FIBER_MODE_TRAINED = 0x27A2AC9F;
// Profile rows the analysis may read: the FPGA's rows 0..7 and 472..479 are not picture.
constexpr int FIBER_MODE_FIRST_ROW = 8, FIBER_MODE_LAST_ROW = 471;

// Class -> fibre type code (0 MM, 1 SM, 3 NZ, 4 G657); 5 is an unknown type.
constexpr int FiberModeLookTable[FIBER_MODE_CLASSES] = {0, 1, 3, 4};
constexpr int FIBER_TYPE_UNKNOWN = 5;

// The stored training table (15440 bytes, little-endian).
struct FIBER_TRAINING {
    float fFeatureX[FIBER_MODE_CLASSES][FIBER_MODE_SAMPLES][FIBER_MODE_FEATURES];
    float fFeatureY[FIBER_MODE_CLASSES][FIBER_MODE_SAMPLES][FIBER_MODE_FEATURES];
    double dWeightX[FIBER_MODE_CLASSES][FIBER_MODE_FEATURES + 1]; // bias first
    double dWeightY[FIBER_MODE_CLASSES][FIBER_MODE_FEATURES + 1];
    double dMeanX[FIBER_MODE_CLASSES][FIBER_MODE_FEATURES];
    double dMeanY[FIBER_MODE_CLASSES][FIBER_MODE_FEATURES];
    uint32_t dwTrained[FIBER_MODE_CLASSES];
};
static_assert(std::endian::native == std::endian::little, "the table is stored little-endian");
static_assert(sizeof(FIBER_TRAINING) == 15440);
static_assert(offsetof(FIBER_TRAINING, fFeatureY) == 6400);
static_assert(offsetof(FIBER_TRAINING, dWeightX) == 12800);
static_assert(offsetof(FIBER_TRAINING, dWeightY) == 13472);
static_assert(offsetof(FIBER_TRAINING, dMeanX) == 14144);
static_assert(offsetof(FIBER_TRAINING, dMeanY) == 14784);
static_assert(offsetof(FIBER_TRAINING, dwTrained) == 15424);

// ---- Features ----------------------------------------------------------------------------------
// Orthonormal DCT-II of n values, and its inverse.
void CalMaxValue(int n, const float* in, float* out);
void AntiDctTrans(int n, const float* in, float* out);
// Normalises the 480-row byte profile in place (rows 9..471 scaled so that the brightest of rows
// 8..471 is 255) and writes the n first differences of the window centred on row c. The caller
// checks the window (FiberModeWindowOk) and that the profile is not all zero.
void PreHandleFiberModeFpga(uint8_t* profile, int n, int c, float* out);
// The same on a float profile of a frame column (no integer rounding).
void PreHandleFiberModeData(float* profile, int n, int c, float* out);
// True when the differences of the window centred on c read only rows 9..471.
bool FiberModeWindowOk(int c, int n = FIBER_MODE_WINDOW);
// The shadow threshold of a profile as the FPGA path takes it: 0.6 x its integer mean.
float FiberModeShadowBright(const uint8_t* profile);
// The 20 features of a 480-byte profile (not changed) with the shadow threshold t: 0; -1 when
// the window leaves rows 9..471 or the profile is all zero (no features written). `centre`, when
// given, receives the window's centre row.
int FiberModeFeatures(const uint8_t* profile, float t, float out[FIBER_MODE_FEATURES], int* centre = nullptr);
// 1 when the brightest row of the window centred on c is within 5 of the profile's brightest
// (the core band is bright, as a multimode core shows it).
int FiberCoreBright(const uint8_t* profile, int c);

// ---- Classifier --------------------------------------------------------------------------------
// Weights: k rows of d + 1 (bias first). The class of the highest score; the lowest on ties.
int FiberJudge(const double* weights, const float* features, int d, int k);
// The same over classes 1..k-1.
int FiberReJudge(const double* weights, const float* features, int d, int k);
// Nearest class mean (k rows of d), printing its inputs.
int FiberJudgeLSME(const double* means, const float* features, int d, int k);
// Class of one view's features by the table (view 1 X, 2 Y), with the second opinion of an
// untrained table for a bright core judged class 0 (prints " no study ").
int FiberClassify(const FIBER_TRAINING& t, int view, const float* features, int coreBright);

// Identification of the pair in view: measures fresh FPGA profiles and classifies the left fibre
// in the X view and the right one in the Y view. *left / *right receive type codes (0 MM, 1 SM,
// 3 NZ, 4 G657; 5 when the profile could not be used). 0, or -1 when the profiles could not be
// read or the table is not loaded (both types then 5).
int AutoIdentifyFiberType(int* left, int* right);

// ---- Training ----------------------------------------------------------------------------------
// (d + 1) x (d + 1) normal matrix of m samples of d features extended by a leading 1.
void NeuralCell(const float* samples, double* out, int m, int d);
// The first (d + 1) x k entries of the m x k targets become the extended samples' transpose
// times the targets (m >= d + 1).
void Bilatery(const float* samples, double* targets, int m, int d, int k);
// Solves A X = B (A n x n, B n x k, row-major) by Gauss-Jordan elimination with complete
// pivoting; X replaces B, A is destroyed. 0, or -1 for a singular (or non-finite) matrix.
int AdBoost(double* A, double* B, int n, int k);
// Class means: out[c][j] = mean of feature j over the samples of class c.
void CalFiberParaLSME(const float* features, int classes, int samples, int d, double* out);
// Solves both views' weights and means from the table's features. On success they replace the
// table's and 0 is returned; on failure (a singular system, non-finite weights) the table is
// unchanged and -1 is returned.
int CalFiberTrain(FIBER_TRAINING* t);

// The training screen's session: a working copy of the stored table that takes the samples.
// Begins a session from the stored table (0, or -1 when it is not loaded).
int FiberTrainBegin();
// Samples taken for a class in this session (0..20).
int FiberTrainCount(int cls);
bool FiberTrainMarked(int cls);
bool FiberTrainAllMarked();
// One X and one Y sample of class cls from the fibres in view: 0 taken (the class is marked
// after its 20th); 228 / 229 a fibre is not in view, 226 the cladding lies too near the frame's
// edge, 219 no picture, -1 a bad class or no session; nothing is taken then.
int GetFiberPara(int cls);
// When all classes are marked: solves, and stores and saves the table. 0 saved; 1 not all
// marked (nothing done); -1 singular (old weights kept, nothing saved); -2 the save failed.
int FiberTrainSolve();
