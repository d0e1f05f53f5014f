// End faces of both fibres: the end-face lines and positions (frame scan and the FPGA's row
// profiles), the cleave angles from the end-face and core slopes, and the end-face checks before
// the arc (core end, core dirt, cladding end), in a newer and an older variant.
#pragma once

#include <cstdint>

#include "fiber/fiberstruct.h"

// Codes returned by the end-face analyses.
constexpr int ENDFACE_ERR_CORE_BAND = 220;   // no bright core band next to the end face
constexpr int ENDFACE_ERR_ORDER = 223;       // end faces in the wrong order (fast path)
constexpr int ENDFACE_ERR_NO_POINT = 224;    // an end-face point not found
constexpr int ENDFACE_ERR_LEFT_DIRTY = 234;  // dirt on the left core
constexpr int ENDFACE_ERR_RIGHT_DIRTY = 235; // dirt on the right core
constexpr int ENDFACE_ERR_LEFT_BAD = 236;    // left core end rough
constexpr int ENDFACE_ERR_RIGHT_BAD = 237;   // right core end rough
constexpr int ENDFACE_ERR_LEFT_BULGE = 522;  // left cladding end stands out at one edge
constexpr int ENDFACE_ERR_RIGHT_BULGE = 523;
constexpr int ENDFACE_ERR_BOTH_BULGE = 524;
constexpr int ENDFACE_ERR_LEFT_SHRINK = 525; // left core ends behind the cladding end
constexpr int ENDFACE_ERR_RIGHT_SHRINK = 526;
constexpr int ENDFACE_ERR_REPOSITION = 527; // an end face too close to the picture's edge to judge
constexpr int ENDFACE_ERR_BOTH_DIRTY = 528;
constexpr int ENDFACE_ERR_BOTH_SHRINK = 529;
constexpr int ENDFACE_ERR_BOTH_BAD = 530;
constexpr int ENDFACE_ERR_CALC = 773; // the cladding end could not be measured

// One point of an end-face line; a record with a zero column or row ends a list.
struct ENDFACE_POINT {
    uint16_t wColumn;
    uint16_t wRow;
};
static_assert(sizeof(ENDFACE_POINT) == 4);
constexpr int ENDFACE_POINTS = 21; // 20 points and the terminating record
constexpr int ENDFACE_HALF_POINTS = 10;

// The point list of the last end face measured.
ENDFACE_POINT* GetEndfacePointList();

// End faces of every view in the mask (X first), left then right fibre: 0, a cladding or focus
// code, 224, or -1 (fit failed, or the feed motors' snapshot failed).
int GetEndfaceEx(int viewMask);
// The same ordered by side: bit 0 the left fibre in X then Y, bit 1 the right fibre.
int GetEndfaceEx2(int sideMask);
// First pixel brighter than the fibre's shadow threshold on a row, scanning from the fibre's own
// edge of the picture (view index 0 X, 1 Y). 0 found, -1 not (the column is then the scan's end).
int GetEndfacePoint(int row, int side, int viewIndex, ENDFACE_POINT* out);
// Line column = K row + B through the points up to the terminating record (at most 21), and the
// middle of the first and last rows. -1 for a null argument, an empty list or rows all alike.
int GetLeastSquareEndface(const ENDFACE_POINT* points, double* K, double* middle, double* B);
// Focus of one fibre, stopping at the first problem with its code (219, 226, 227, 231).
int CalcSingleFocusEx(int view, int side);

// ---- Fast path on the FPGA's row profiles (brightness-wave entries 8 X and 9 Y) ---------------
int GetEndfacePosFpga();
// Left and right end of the bright gap on a 640-byte row profile: 0, 223 in the wrong order, -1
// for null arguments.
int CalEndfacePosFpga(const uint8_t* profile, uint8_t shadow, int* left, int* right);
// Moves the FPGA's movable column profiles 48 pixels behind each end face. 0, or -1.
int SetMidBrightPos();

// ---- Angles -------------------------------------------------------------------------------------
// Angle (degrees) between two 3-D lines given by their slopes in the X view (a, b) and in the Y
// view (c, d); mode 1 for an end face against a core, 0 for two lines of the same kind.
double CalcVectorValue(int mode, double a, double b, double c, double d);
// Cleave angles of both fibres and the end-face and core angle sums, into the record.
int CalFiberAngle();

// ---- Checks -------------------------------------------------------------------------------------
// Core end of one fibre (side 0 left, 1 right) on a frame: fCoreEndface, fCoreEndfaceK, fCoreFlat.
// 0, 1 when no bright core is found behind the end face, -1 for bad arguments.
int CalCoreEndFace(const uint8_t* frame, int view, int side, APPFIBER_INFO* fibre);
int AnalyzCoreEndFace();
// Dirt on the core next to the end face, d columns from it: fCoreEndface, fCoreDirty. 0, 220, -1.
int CalCoreDirtyByGuss(const uint8_t* frame, int side, APPFIBER_INFO* fibre, int d);
int AnalyzCoreDirty(int mode);
// The cladding end: the end-face points' spread about their line at each fibre's edges.
int AnalyzCladEndFace(int mode);
int AnalyzCoreEndFaceOld();
int AnalyzCoreDirtyOld();

// The two sets of end-face checks the splice chooses between.
struct ENDFACE_METHODS {
    int (*CoreEndFace)();
    int (*CladEndFace)(int mode); // null in the older set
    int (*CoreDirty)(int mode);
};
const ENDFACE_METHODS& GetEndfaceMethods(int newer);
