// The splice information: the one record of the running splice that every step of the sequence
// reads and writes, and the splice record built from it.
#pragma once

#include <cstdint>

#include "fiber/fiberstruct.h"
#include "params/param_tables.h"
#include "records/record.h"

enum SpliceStatus : int32_t {
    SPLICE_READY = 0,
    SPLICE_GAP = 1,
    SPLICE_PAUSE1 = 2,
    SPLICE_ALIGN = 3,
    SPLICE_PAUSE2 = 4,
    SPLICE_ARC = 5,
    SPLICE_COMPLETE = 6,
    SPLICE_ESTIMATE = 7,
    SPLICE_PULL = 8,
};

struct SPLICE_INFORMATION {
    int32_t iCurrentSpliceStatus; // SpliceStatus
    int32_t iFiberTypeFlag;
    int32_t iFieldDiameterFlag;
    int32_t iCleaveAngleFlag;
    int32_t iCoreAngleFlag;
    int32_t iCladWidthFlag;
    int32_t iCladOffsetFlag;
    int32_t iCoreOffsetFlag;
    int32_t iEstimateLossFlag;
    int32_t iSpliceRecordFlag;  // a record of this splice was stored
    int32_t iSpliceSuccessFlag; // the joint check passed
    uint8_t bCurArcBright;      // image brightness during the fusion arc
    int32_t iAngleSerialCount;  // end-face slope samples taken, at most 5
    int32_t iElectrodePosX, iElectrodePosY; // electrode axis columns seen in the arc image
    int32_t iLeftFiberType, iRightFiberType; // 0 MM, 1 SM, 2 DS, 3 NZ, 4 G657, 5 not identified
    float fModuleFieldDiameter;
    float fLeftCleaveAngle, fRightCleaveAngle, fCoreAngleSum; // degrees
    float fCladWidthX, fCladWidthY;                          // reference cladding widths, px
    float fAxisCladOffset, fAxisCoreOffset;                  // um
    float fEstimateLossValue;                                // dB
    float LeftAngleSerial[2][5];  // end-face slopes of the left fibre: X row, then Y row
    float RightAngleSerial[2][5]; // the same for the right fibre
    APPRECORD SpliceRecord;       // the record under construction
    uint8_t bReportBuilt;         // the PDF report of this splice was built
    uint8_t bAutoMode;            // the mode's splice type is automatic
    APPSPLICE CurrentSplice;      // the mode of this splice (may be replaced during it)
};

// The loss shown before an estimate exists.
constexpr float SPLICE_NO_LOSS_DB = 0.2f;
// The fibre type of a splice that identified none (0 would read as multimode in its record).
constexpr int32_t SPLICE_FIBER_UNKNOWN = 5;

SPLICE_INFORMATION* GetCurrentInformation();
// Starts a splice: zeroes every measured value, copies the current mode.
int InitializeSpliceInformation();
// The reference cladding widths, 64 columns behind each end face in both views: 0, or the
// measurement's error (the widths and their flag then stay as they were).
int StoreCladWidth(APPFIBER* fiber);
// One sample of the four end-face slopes per gap-setting pass, at most five: 0, or 1 when full.
int StoreAngleSerial(APPFIBER* fiber);
