// Parameter tables: the layout of every 128-byte table page of the parameter store and the
// copy-out/copy-in calls through which the rest of the program reads and changes them.
//
// All pages are packed and little-endian; bytes 124..127 hold the page CRC, computed by the save.
// Bytes that no field names are kept as stored. Offset-coded values are value + 10000.
//
// Fields placed by this system in bytes that the table layout leaves free:
//   user information byte 64      bReplaceFlag (90: run the electrode burn-in at power-on)
//   machine table bytes 72..75    lOpenPasswordLock (non-zero: power-on password)
//   machine table bytes 76..77    lOpenDustCheck (16-bit; non-zero: dust check at power-on)
//   machine table byte 78         bTouchEnable (0: touch input stays locked)
//   machine table byte 79         bMenuLock (a bit per lockable menu, set: locked)
//   machine table bytes 32..35    dwPowerOnPwd   } passwords of 4 to 8 digits, a nibble per
//   machine table bytes 36..39    dwMenuLockPwd  } digit (digit + 1) from the top nibble down,
//   machine table bytes 118..121  dwFormatPwd    } then 0 nibbles; 0: no password set
#pragma once

#include <cstddef>
#include <cstdint>

#include "params/param_store.h"

constexpr int32_t PAR_OFFSET_CODE = 10000;

#pragma pack(push, 1)

// User information (current slot of 16).
struct TABLEUSERINFO {
    uint32_t dwTotalArcCount; // 0: every counted arc; kept by every reset
    uint32_t dwCurArcCount;   // 4: arcs of the fitted electrodes
    uint32_t dwUserVal8;      // 8: 135 after a repair
    uint32_t dwUserVal12;     // 12: 135 after a repair
    uint32_t dwXImagePlace;   // 16: horizontal placement of the X image (32 after a repair)
    uint32_t dwYImagePlace;   // 20: horizontal placement of the Y image (32 after a repair)
    uint32_t dwUserVal24;     // 24: kept by every reset
    uint32_t dwSpliceCount;   // 28: splice counter ("CurSplcs")
    uint32_t dwArcCount;      // 32: arc counter; kept by every reset
    uint32_t dwBatteryFull;   // 36: full-battery reading (310 after a battery reset)
    uint32_t dwBatteryRef;    // 40: second battery reference (475 after a battery reset)
    uint32_t dwUserVal44;     // 44: kept by the reset to defaults
    char szSplicePlace[16];   // 48: splice place, copied into every splice record
    uint8_t bReplaceFlag;     // 64: 90 after an electrode replacement
    uint8_t bRes65[59];       // 65
    uint32_t dwCrc;           // 124
};
static_assert(sizeof(TABLEUSERINFO) == 128);
static_assert(offsetof(TABLEUSERINFO, dwXImagePlace) == 16);
static_assert(offsetof(TABLEUSERINFO, dwSpliceCount) == 28);
static_assert(offsetof(TABLEUSERINFO, dwArcCount) == 32);
static_assert(offsetof(TABLEUSERINFO, dwBatteryFull) == 36);
static_assert(offsetof(TABLEUSERINFO, dwBatteryRef) == 40);
static_assert(offsetof(TABLEUSERINFO, szSplicePlace) == 48);
static_assert(offsetof(TABLEUSERINFO, bReplaceFlag) == 64);
static_assert(offsetof(TABLEUSERINFO, dwCrc) == 124);

// Factory system table (relative page 18).
struct TABLEFACTORYSYS {
    int32_t lMonitorLedBright;   // 0
    int32_t lLcdBrightVal;       // 4: forced into 8..80 when the LCD is opened
    int32_t lElecPosX;           // 8: electrode column in the X image
    int32_t lElecPosY;           // 12: electrode column in the Y image
    int32_t lXLedVolt;           // 16: 1..127
    int32_t lYLedVolt;           // 20: 1..127
    int32_t lXLightVal;          // 24: 32..96
    int32_t lYLightVal;          // 28: 32..96
    int32_t lXLightErr;          // 32: 4..16
    int32_t lYLightErr;          // 36: 4..16
    int32_t lArcCaliPress;       // 40: 0.1 kPa
    int32_t lArcCaliTemp;        // 44: 0.01 degree C, offset-coded
    int32_t lArcCaliResult;      // 48: offset-coded
    int32_t lHeatMiddleLow;      // 52: device value for 100 degree C, middle zone
    int32_t lHeatMiddleHigh;     // 56: device value for 200 degree C, middle zone
    int32_t lHeatBorderLow;      // 60: end zones, 100 degree C
    int32_t lHeatBorderHigh;     // 64: end zones, 200 degree C
    int32_t lCamAdjustFlag;      // 68
    int32_t lMachSerNumBackup;   // 72: last eight serial digits, BCD
    uint16_t wMachSerNumBackup;  // 76: first three serial digits
    uint8_t bMachSerNumFlag;     // 78: 0xC4 once backed up
    uint8_t bCompensationBright; // 79: copied into CompensationBright at start-up
    int32_t lRes80;              // 80
    int32_t lRPressBacklashFB;   // 84 (word 21): right feed backlash, forward to backward (low byte)
    int32_t lRPressBacklashBF;   // 88 (word 22): right feed backlash, backward to forward (low byte)
    uint8_t bRes92[32];          // 92
    uint32_t dwCrc;              // 124
};
static_assert(sizeof(TABLEFACTORYSYS) == 128);
static_assert(offsetof(TABLEFACTORYSYS, lElecPosX) == 8);
static_assert(offsetof(TABLEFACTORYSYS, lXLedVolt) == 16);
static_assert(offsetof(TABLEFACTORYSYS, lArcCaliPress) == 40);
static_assert(offsetof(TABLEFACTORYSYS, lHeatMiddleLow) == 52);
static_assert(offsetof(TABLEFACTORYSYS, lCamAdjustFlag) == 68);
static_assert(offsetof(TABLEFACTORYSYS, lMachSerNumBackup) == 72);
static_assert(offsetof(TABLEFACTORYSYS, wMachSerNumBackup) == 76);
static_assert(offsetof(TABLEFACTORYSYS, bMachSerNumFlag) == 78);
static_assert(offsetof(TABLEFACTORYSYS, bCompensationBright) == 79);
static_assert(offsetof(TABLEFACTORYSYS, lRPressBacklashFB) == 84);
static_assert(offsetof(TABLEFACTORYSYS, lRPressBacklashBF) == 88);
constexpr uint8_t MACH_SERNUM_BACKED_UP = 0xC4;

// Factory motor parameters (relative page 19).
struct TABLEFACTMOTORPAR {
    int32_t lLPressCl;      // 0: left feed motor calibration (clearance: backlash in steps)
    int32_t lRPressCl;      // 4: right feed motor calibration
    uint32_t dwXFocusSetup; // 8: setup value sent at motor initialisation
    uint32_t dwYFocusSetup; // 12
    uint32_t dwXAlignSetup; // 16
    uint32_t dwYAlignSetup; // 20
    // 24..39, kept by the extended reset: feed motor translate coefficients, motor steps per 100
    // pixels; coefficient 1 backward, coefficient 2 forward.
    int32_t lLPressCoef1; // 24
    int32_t lLPressCoef2; // 28
    int32_t lRPressCoef1; // 32
    int32_t lRPressCoef2; // 36
    // 40..70: focus (steps per 100 units of focus ratio) and align (steps per 100 pixels)
    // translate coefficients, backward and forward like the feed ones.
    int32_t lXFocusCoef1; // 40
    int32_t lXFocusCoef2; // 44
    int32_t lYFocusCoef1; // 48
    int32_t lYFocusCoef2; // 52
    int32_t lXAlignCoef1; // 56
    int32_t lXAlignCoef2; // 60
    int32_t lYAlignCoef1; // 64
    int32_t lYAlignCoef2; // 68
    uint8_t bRes72[52];   // 72
    uint32_t dwCrc;       // 124
};
static_assert(sizeof(TABLEFACTMOTORPAR) == 128);
static_assert(offsetof(TABLEFACTMOTORPAR, dwXFocusSetup) == 8);
static_assert(offsetof(TABLEFACTMOTORPAR, dwYAlignSetup) == 20);
static_assert(offsetof(TABLEFACTMOTORPAR, lLPressCoef1) == 24);
static_assert(offsetof(TABLEFACTMOTORPAR, lRPressCoef2) == 36);
static_assert(offsetof(TABLEFACTMOTORPAR, lXFocusCoef1) == 40);
static_assert(offsetof(TABLEFACTMOTORPAR, lYAlignCoef2) == 68);

// Factory motor distances (relative page 20): offset-coded signed motor positions in steps. The
// four focus limits hold two offset-coded 16-bit halves: low for the standard focus motor, high
// for the alternative one (machine bFocMotAlterFlag == 0x5A).
struct TABLEFACTMOTORDIS {
    int32_t lLPressHome; // 0
    int32_t lRPressHome; // 4
    int32_t lXFocusHome; // 8
    int32_t lYFocusHome; // 12
    int32_t lXAlignHome; // 16
    int32_t lYAlignHome; // 20
    int32_t lLPressUp;   // 24
    int32_t lRPressUp;   // 28
    int32_t lXFocusUp;   // 32 (two halves)
    int32_t lYFocusUp;   // 36 (two halves)
    int32_t lXAlignUp;   // 40
    int32_t lYAlignUp;   // 44
    int32_t lLPressDown; // 48
    int32_t lRPressDown; // 52
    int32_t lXFocusDown; // 56 (two halves)
    int32_t lYFocusDown; // 60 (two halves)
    int32_t lXAlignDown; // 64
    int32_t lYAlignDown; // 68
    uint8_t bRes72[52];  // 72
    uint32_t dwCrc;      // 124
};
static_assert(sizeof(TABLEFACTMOTORDIS) == 128);
static_assert(offsetof(TABLEFACTMOTORDIS, lYFocusHome) == 12);
static_assert(offsetof(TABLEFACTMOTORDIS, lLPressUp) == 24);
static_assert(offsetof(TABLEFACTMOTORDIS, lXFocusUp) == 32);
static_assert(offsetof(TABLEFACTMOTORDIS, lLPressDown) == 48);
static_assert(offsetof(TABLEFACTMOTORDIS, lYAlignDown) == 68);

// Camera sensor register images (relative pages 21 and 22). The X sensor image (146 bytes) is
// bytes 0..123 of page 21 and 0..21 of page 22; X register r (0..32) is byte r + 2 of page 21.
// The Y sensor image is bytes 22..53 of page 22 (command, start register, registers 0..29) then
// X image bytes 32..145; Y register r (0..32) is byte r + 24 of page 22.
struct TABLEFACTCAMERA {
    uint8_t bData[124];
    uint32_t dwCrc;
};
static_assert(sizeof(TABLEFACTCAMERA) == 128);
constexpr int CAMERA_IMAGE_SIZE = 146;
constexpr int CAMERA_X_REG_OFFSET = 2;    // in page 21
constexpr int CAMERA_Y_IMAGE_OFFSET = 22; // in page 22
constexpr int CAMERA_Y_REG_OFFSET = 24;   // in page 22

// Splice options (relative page 23).
struct APPTABLE_OPTION {
    int32_t lEnableAutoStart; // 0
    int32_t lEnablePauseOne;  // 4
    int32_t lEnablePauseTwo;  // 8
    int32_t lDispCleaveAngle; // 12
    int32_t lDispAxisOffset;  // 16
    int32_t lIgnoreCleaveErr; // 20
    int32_t lIgnoreAngleErr;  // 24
    int32_t lIgnoreLossErr;   // 28
    int32_t lIgnoreBubbleErr; // 32
    int32_t lIgnoreFatErr;    // 36
    int32_t lIgnoreThinErr;   // 40
    int32_t lArcCompPress;    // 44
    int32_t lArcCompTemp;     // 48
    int32_t lFbrImgGap;       // 52: 1 X, 2 Y, 3 X and Y side by side, 4 X above Y
    int32_t lFbrImgOne;       // 56
    int32_t lFbrImgAlign;     // 60
    int32_t lFbrImgTwo;       // 64
    int32_t lFbrImgArc;       // 68
    int32_t lFbrImgEst;       // 72
    int32_t lOthPauseRealign; // 76
    int32_t lRecStorDis;      // 80: non-zero disables storing splice records
    int32_t lAdjustAutoAim;   // 84
    uint8_t bCheckDegree;     // 88: 5..15 (0.1 degree)
    uint8_t bCheckFiber;      // 89
    uint8_t bSpliceLogger;    // 90: "Print Splice Logger"
    uint8_t bRes91;           // 91
    uint8_t bArcBrightComp;   // 92: "Arc Compensation Switch"
    uint8_t bRes93;           // 93
    uint8_t bKeep94[6];       // 94..99: kept by the reset to defaults
    uint8_t bEndFaceMethod;   // 100: 0 older end-face analyses, non-zero newer (also kept)
    uint8_t bRes101[23];      // 101
    uint32_t dwCrc;           // 124
};
static_assert(sizeof(APPTABLE_OPTION) == 128);
static_assert(offsetof(APPTABLE_OPTION, lFbrImgGap) == 52);
static_assert(offsetof(APPTABLE_OPTION, lRecStorDis) == 80);
static_assert(offsetof(APPTABLE_OPTION, lAdjustAutoAim) == 84);
static_assert(offsetof(APPTABLE_OPTION, bCheckDegree) == 88);
static_assert(offsetof(APPTABLE_OPTION, bSpliceLogger) == 90);
static_assert(offsetof(APPTABLE_OPTION, bArcBrightComp) == 92);
static_assert(offsetof(APPTABLE_OPTION, bEndFaceMethod) == 100);

// Machine parameters (relative page 24).
struct MachineParameter {
    uint32_t dwKeySound;       // 0: 0 silent
    uint32_t dwRes4;           // 4
    uint32_t dwLanguage;       // 8: used only outside the home market; >= 256 reads as 0
    uint32_t dwScreenTurn;     // 12: 0 front, 1 rear
    uint32_t dwRes16[2];       // 16
    uint32_t dwLcdSaveTime;    // 24: seconds; 0 never
    uint32_t dwAutoPowerOff;   // 28: minutes; 0 never
    uint32_t dwPowerOnPwd;     // 32: see the top of this file
    uint32_t dwMenuLockPwd;    // 36
    uint32_t dwAutoHeat;       // 40
    uint32_t dwElecWarnCount;  // 44: arcs before the replacement warning
    uint32_t dwElecLimitCount; // 48: arcs before the electrodes are due
    uint32_t dwLastMaintDate;  // 52: packed date
    uint32_t dwFirstMaintDate; // 56: packed date
    uint32_t dwNationCode;     // 60
    uint32_t dwNationCode2;    // 64
    uint32_t dwMachSerNum;     // 68: last eight serial digits, BCD; unset = 1
    int32_t lOpenPasswordLock; // 72: power-on password switch
    uint16_t lOpenDustCheck;   // 76: power-on dust check switch
    uint8_t bTouchEnable;      // 78: 0 keeps touch input locked
    uint8_t bMenuLock;         // 79: a bit per lockable menu
    uint8_t bKeep80[9];        // 80..88: kept by every reset
    uint8_t bKeep89;           // 89
    uint8_t bKeep90;           // 90
    uint8_t bRes91;            // 91
    uint32_t dwMaintainCount;  // 92
    uint32_t dwProduceDate;    // 96: packed date
    uint16_t wMachSerNumHigh;  // 100: first three serial digits; unset = 0
    uint8_t bMark80um;         // 102
    uint8_t bScaleMode;        // 103
    uint8_t bKeep104;          // 104: kept by the extended reset
    uint8_t bFocMotAlterFlag;  // 105: 0x5A with the alternative focus motor
    uint8_t bSpeakerSet1;      // 106: default 35
    uint16_t wSpeakerSet2;     // 107: default 3000
    uint32_t dwSpeakerMarker;  // 109: 0x3B4C5F78 when 106/107 are valid
    uint8_t bStoreImage;       // 113
    uint8_t bServerBind;       // 114
    uint8_t b4GEnable;         // 115
    uint8_t bGpsEnable;        // 116
    uint8_t b4GTimeSync;       // 117
    uint32_t dwFormatPwd;      // 118
    uint8_t bRes122[2];        // 122
    uint32_t dwCrc;            // 124
};
static_assert(sizeof(MachineParameter) == 128);
static_assert(offsetof(MachineParameter, dwLanguage) == 8);
static_assert(offsetof(MachineParameter, dwScreenTurn) == 12);
static_assert(offsetof(MachineParameter, dwLcdSaveTime) == 24);
static_assert(offsetof(MachineParameter, dwAutoPowerOff) == 28);
static_assert(offsetof(MachineParameter, dwAutoHeat) == 40);
static_assert(offsetof(MachineParameter, dwElecWarnCount) == 44);
static_assert(offsetof(MachineParameter, dwLastMaintDate) == 52);
static_assert(offsetof(MachineParameter, dwNationCode) == 60);
static_assert(offsetof(MachineParameter, dwMachSerNum) == 68);
static_assert(offsetof(MachineParameter, lOpenPasswordLock) == 72);
static_assert(offsetof(MachineParameter, lOpenDustCheck) == 76);
static_assert(offsetof(MachineParameter, bTouchEnable) == 78);
static_assert(offsetof(MachineParameter, bKeep80) == 80);
static_assert(offsetof(MachineParameter, dwMaintainCount) == 92);
static_assert(offsetof(MachineParameter, dwProduceDate) == 96);
static_assert(offsetof(MachineParameter, wMachSerNumHigh) == 100);
static_assert(offsetof(MachineParameter, bMark80um) == 102);
static_assert(offsetof(MachineParameter, bFocMotAlterFlag) == 105);
static_assert(offsetof(MachineParameter, bSpeakerSet1) == 106);
static_assert(offsetof(MachineParameter, wSpeakerSet2) == 107);
static_assert(offsetof(MachineParameter, dwSpeakerMarker) == 109);
static_assert(offsetof(MachineParameter, bStoreImage) == 113);
static_assert(offsetof(MachineParameter, b4GTimeSync) == 117);
static_assert(offsetof(MachineParameter, dwPowerOnPwd) == 32);
static_assert(offsetof(MachineParameter, dwMenuLockPwd) == 36);
static_assert(offsetof(MachineParameter, bMenuLock) == 79);
static_assert(offsetof(MachineParameter, dwFormatPwd) == 118);
constexpr uint32_t SPEAKER_MARKER = 0x3B4C5F78;
constexpr uint8_t FOCUS_MOTOR_ALTER = 0x5A;
constexpr uint8_t REPLACE_FLAG_SET = 90;

// Arc record.
struct APPARC {
    uint8_t bIntensOff;  // 0: 0..200, 100 standard; power = bIntensOff * 13 + base
    uint8_t bTimeUnit;   // 1: 0 ms, 1 s
    uint16_t wTimeCount; // 2
};
static_assert(sizeof(APPARC) == 4);

// Splice mode and splice template page.
struct APPSPLICE {
    uint8_t bItemMask[3];           // 0: editor item masks
    uint8_t bRes3;                  // 3
    uint8_t bModeIndex;             // 4: 0..63
    uint8_t bModeLock;              // 5
    uint8_t bModeDefine;            // 6: 0 empty, 1 defined
    uint8_t bModeActive;            // 7: 1 for the current mode
    uint8_t bTemplateIndex;         // 8: 0..31
    uint8_t bSpliceType;            // 9: 0 automatic, 1 standard, 2 attenuation, 3 PM
    uint8_t bTargetLoss;            // 10: 0.1 dB
    uint8_t bAlignType;             // 11: 0 manual, 1 core, 2 cladding
    uint8_t bLeftFocus;             // 12: 10..50 %
    uint8_t bRightFocus;            // 13
    uint8_t bLeftMfd;               // 14: 90..110, 0.1 um
    uint8_t bRightMfd;              // 15
    uint8_t bArcAdjust;             // 16
    uint8_t bPullTest;              // 17
    uint8_t bLossEstimate;          // 18
    uint8_t bLossMin;               // 19: 0.01 dB
    uint8_t bLossLimit;             // 20: 0.01 dB
    uint8_t bCoreLimit;             // 21: 0.1 degree
    uint8_t bCleaveLimit;           // 22: 0.1 degree
    uint8_t bKerfOff;               // 23: offset by 50
    uint8_t bKerfGap;               // 24: um
    uint8_t bKerfOverlap;           // 25: um
    APPARC arcClearArc;             // 26
    APPARC arcPreheatArc;           // 30
    APPARC arcFuseArc;              // 34
    APPARC arcTaperArc;             // 38
    APPARC arcSecondArc;            // 42
    APPARC arcAgainArc;             // 46
    uint8_t bFuseExposal;           // 50
    uint8_t bFuseSpeed;             // 51: 0..15
    uint8_t bTaperEnable;           // 52
    uint8_t bTaperSpeed;            // 53
    uint16_t wTaperWait;            // 54: ms
    uint16_t wTaperLength;          // 56: um
    uint16_t wSecondOn;             // 58: ms
    uint16_t wSecondOff;            // 60: ms
    uint8_t bRes62[8];              // 62
    char szModeName[8];             // 70
    char szModeNote[16];            // 78
    uint8_t bRes94;                 // 94
    uint8_t bCoreShiftCompensation; // 95: 0..200, 0.01
    uint8_t bRes96[28];             // 96
    uint32_t dwCrc;                 // 124
};
static_assert(sizeof(APPSPLICE) == 128);
static_assert(offsetof(APPSPLICE, bModeIndex) == 4);
static_assert(offsetof(APPSPLICE, bModeActive) == 7);
static_assert(offsetof(APPSPLICE, bTemplateIndex) == 8);
static_assert(offsetof(APPSPLICE, bKerfOverlap) == 25);
static_assert(offsetof(APPSPLICE, arcClearArc) == 26);
static_assert(offsetof(APPSPLICE, arcFuseArc) == 34);
static_assert(offsetof(APPSPLICE, arcAgainArc) == 46);
static_assert(offsetof(APPSPLICE, bFuseExposal) == 50);
static_assert(offsetof(APPSPLICE, wTaperWait) == 54);
static_assert(offsetof(APPSPLICE, wSecondOff) == 60);
static_assert(offsetof(APPSPLICE, szModeName) == 70);
static_assert(offsetof(APPSPLICE, szModeNote) == 78);
static_assert(offsetof(APPSPLICE, bCoreShiftCompensation) == 95);

// Heater mode and heater template page.
struct APPHEATER {
    uint8_t bEditMask;    // 0: bits 0..2 allow template, name, note changes
    uint8_t bRes1[6];     // 1
    uint8_t bModeActive;  // 7: non-zero for the current heater mode
    uint8_t bRes8;        // 8
    uint8_t bHeatCtrl;    // 9: 2 short, 3 long
    uint16_t wHeatTemp;   // 10: degree C, 130..230
    uint16_t wHeatTime;   // 12: 8..900
    uint16_t wCoolTime;   // 14: 0..180
    uint8_t bRes16[8];    // 16
    char szModeName[8];   // 24
    char szModeNote[16];  // 32
    uint8_t bPreheat;     // 48: 0xA5 on
    uint8_t bPreheatTemp; // 49: degree C
    uint8_t bRes50[74];   // 50
    uint32_t dwCrc;       // 124
};
static_assert(sizeof(APPHEATER) == 128);
static_assert(offsetof(APPHEATER, bModeActive) == 7);
static_assert(offsetof(APPHEATER, bHeatCtrl) == 9);
static_assert(offsetof(APPHEATER, wHeatTemp) == 10);
static_assert(offsetof(APPHEATER, wHeatTime) == 12);
static_assert(offsetof(APPHEATER, wCoolTime) == 14);
static_assert(offsetof(APPHEATER, szModeName) == 24);
static_assert(offsetof(APPHEATER, szModeNote) == 32);
static_assert(offsetof(APPHEATER, bPreheat) == 48);
static_assert(offsetof(APPHEATER, bPreheatTemp) == 49);
constexpr uint8_t HEATER_PREHEAT_ON = 0xA5;

#pragma pack(pop)

constexpr int FACTORY_BLOCK_SIZE = 640;
constexpr int FIBER_TRAINING_SIZE = 15440;
constexpr int BRIGHT_WAVE_SIZE = 5120;

// ---- Globals ------------------------------------------------------------------------------------------
// Arc brightness compensation, loaded from factory system byte 79 at start-up.
extern int CompensationBright;
// 1 unless the region flag page marks a home-market board; set by the start-up.
extern int boardIsOutChina;

// Splice record file hooks, set by the start-up: opened by InitializeParameter, closed by
// ReleaseParameter (null: no record file).
extern int (*pfnInitializeRecord)();
extern void (*pfnReleaseRecord)();

// ---- Start and end ------------------------------------------------------------------------------------
// Runs the store's start-up load, opens the splice record file, loads the training table, copies
// the brightness compensation and allocates the bright wave buffer.
int InitializeParameter();
int InitializeFiberTrainning();
int ReleaseParameter();
// True once the tables point at a loaded part (EEPROM or defaults).
bool ParameterLoaded();

// ---- Copy-out / copy-in (0 success, 1 not loaded, null buffer or bad index) -------------------------
// Set calls return -1 when the page reached the tables but its save failed (no EEPROM, device
// failure): the change then lives in memory only.
// Each call copies under the table lock. A caller that changes a table copies it out, changes it
// and copies it back; to keep another writer out in between, hold ParamTableLock around the pair
// (the lock is re-entrant on the holding thread).
void ParamTableLock();
void ParamTableUnlock();

int GetTable_UserInfo(void* page);
int SetTable_UserInfo(const void* page);
int GetTable_FactoryMenu(void* block); // 640 bytes
int GetTable_FactSys(void* page);
int SetTable_FactSys(const void* page);
int GetTable_FactMotorPar(void* page);
int SetTable_FactMotorPar(const void* page);
int GetTable_FactMotorDis(void* page);
int SetTable_FactMotorDis(const void* page);
int GetTable_FactCamera(int camera, void* page);
int SetTable_FactCamera(int camera, const void* page);
int GetTable_SpliceOption(void* page);
int SetTable_SpliceOption(const void* page);
int GetTable_MachinePar(void* page);
int SetTable_MachineParEx(const void* page);
int GetSpliceTemp(void* out); // 4096
int GetSpliceMode(void* out); // 16384
int GetHeaterTemp(void* out); // 2048
int GetHeaterMode(void* out); // 4096
// n from 1; -1 outside the range or when not loaded.
int ReadTemp_Splice(int n, void* page);
int ReadMode_Splice(int n, void* page);
int WriteMode_Splice(int n, const void* page); // -1 when the save fails
int ReadTemp_Heater(int n, void* page);
int ReadMode_Heater(int n, void* page);
int WriteMode_Heater(int n, const void* page); // -1 when the save fails
int GetCurrentSplice(void* page);
int GetCurrentHeater(void* page);
int GetTable_DataStorage(uint32_t* value);
int SetTable_DataStorage(uint32_t value);
int GetTable_80umMark(); // the byte itself (0 when not loaded)
int SetTable_80umMark(uint8_t value);
int GetParVal_CurrentLanguage();
uint32_t GetNationCode();
uint32_t GetNationCode2();
uint8_t* GetTable_Trainning();
int SetTable_Trainning(const void* data); // FIBER_TRAINING_SIZE bytes
uint8_t* GetTable_BrightWave();

// ---- Other operations ----------------------------------------------------------------------------------
int SaveMaintainInfo();
int CladModeSet(int value);
int SaveBrightWaveTable();
// Packs a 9-byte BCD clock record: year << 20 | month << 16 | day << 11 | hour << 6 | minute.
uint32_t TimeTrans(const uint8_t* time);
