// The fibre measurement record: every measurement of both views and both fibres, the motor
// snapshot taken around moves, fibre presence, and the saved core lines.
#pragma once

#include <cstdint>

// One fibre in one view. Rows and columns are pixels of the 640 x 480 frame.
struct APPFIBER_INFO {
    float fCladCenter;
    float fCladWidth;
    float fCladUpB, fCladUpK;   // upper cladding edge y = K x + B
    float fCladLowB, fCladLowK; // lower cladding edge
    float fCoreOffSet;
    int32_t iCladUp, iCladDown;
    int32_t iCoreUp, iCoreDown;
    float fCoreB, fCoreK; // core line y = K x + B
    float fCorePos;
    float fCoreDirty;
    float fCoreEndface;
    float fCoreFlat;
    float fCoreEndfaceK;
    float fEndfaceB, fEndfaceK; // end-face line x = K y + B
    float fEndfacePos;
    float fEndfaceFlat;
    uint8_t bReserved;
    float fFocusCenter;
    float fFocusDegree;
    float fFocusRate;
    float fFocusWidth;
    float fMFD;
    float fShadowBright;
    uint8_t bFiberType;
    uint8_t bCladFlag; // 0 none, 1 rough, 2 precise (and the same for the flags below)
    uint8_t bCoreFlag;
    uint8_t bEndfaceFlag;
    uint8_t bFocusFlag;
    uint8_t bShadowFlag; // 1 measured
};

struct APPFIBER_GRAPH {
    APPFIBER_INFO infL;
    APPFIBER_INFO infR;
};

struct APPFIBER {
    APPFIBER_GRAPH graX;
    APPFIBER_GRAPH graY;
    float fLeftCoreAngle, fRightCoreAngle, fCoreAngleSum;
    float fLeftEndfaceAngle, fRightEndfaceAngle, fEndfaceAngleSum;
    float fCoreAxisOffset;
    float fEndfacePosGap;
    // Motor snapshot: current and previous (direction, distance) of each motor.
    int32_t iLPressCurrDir, iLPressCurrDis, iLPressPrevDir, iLPressPrevDis;
    int32_t iRPressCurrDir, iRPressCurrDis, iRPressPrevDir, iRPressPrevDis;
    int32_t iXFocusCurrDir, iXFocusCurrDis, iXFocusPrevDir, iXFocusPrevDis;
    int32_t iYFocusCurrDir, iYFocusCurrDis, iYFocusPrevDir, iYFocusPrevDis;
    int32_t iXAlignCurrDir, iXAlignCurrDis, iXAlignPrevDir, iXAlignPrevDis;
    int32_t iYAlignCurrDir, iYAlignCurrDis, iYAlignPrevDir, iYAlignPrevDis;
    int32_t lFiberErrorFlag;
    float fCoreCladOffset;
    float fXCoreCladOffset, fYCoreCladOffset;
    uint8_t bReserved0;
    uint8_t bArcBrightUp;
    uint8_t bArcBrightDown;
    uint8_t bReserved1[4];
};

// Fibre error codes this subsystem stores in lFiberErrorFlag.
constexpr int FIBER_ERR_LEFT_MISSING = 228;
constexpr int FIBER_ERR_RIGHT_MISSING = 229;

// Zeroes the record and takes the previous snapshot of all motors (-1 when that fails).
int InitializeFiberStruct();
APPFIBER* GetFiberStruct();
// The fibre of a view (1 X, 2 Y) and side (0 left, 1 right); null for a bad view.
APPFIBER_INFO* GetFiberInfo(int view, int side);

// Fibre presence word of the camera device: bit 0 left present in both views, bit 1 right.
int GetFiberVisible(uint32_t* mask);
// 0 when every asked fibre is present; else 228 (left) / 229 (right), stored in the record.
int CheckFiberVisible(int viewMask, int sideMask);

// Motor snapshot (bit i = motor id i): current pairs (Get) or previous pairs (Set). 0, or -1.
int GetMotorStatus(uint32_t motorMask);
int SetMotorStatus(uint32_t motorMask);
// 1 when a selected motor moved by at least the tolerance between the two snapshots.
int CheckMotorStatus(uint32_t motorMask, int tolerance);

// Core lines of the FPGA line pre-processor, and the region it works on.
int SetFpgaRect();
int GetFpgaKB();
int GetFpgaB();
// Non-zero saves fCoreK / fCoreB of X-left, X-right, Y-left, Y-right; zero writes them back.
int PushAndPopKB(int push);
