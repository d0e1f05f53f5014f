// The splice record store: "/mnt/usr/sprecord.bin", a ring of 10 000 records of 128 bytes in age
// order, the record images and the PDF report of a record.
#pragma once

#include <cstddef>
#include <cstdint>

#include "params/param_tables.h"

constexpr int RECORD_MAX = 10000;
constexpr int RECORD_SIZE = 128;
constexpr uint8_t RECORD_NO_LOSS = 127; // "no estimate" loss marker

// One stored splice (little-endian on every target). Bytes 0..51 are the documented record;
// the tail carries what the engineer and the report need beyond it (fibre types, the splice's
// mode numbers, the heater mode in use) and is zero where nothing was measured.
#pragma pack(push, 1)
struct APPRECORD {
    uint8_t bLossValue;   // 0: 0.01 dB, RECORD_NO_LOSS when not estimated
    uint8_t bCoreAngle;   // 1: 0.1 degree
    uint8_t bLeftAngle;   // 2: 0.1 degree
    uint8_t bRightAngle;  // 3: 0.1 degree
    uint8_t bCladOff;     // 4: 0.1 um
    uint8_t bCoreOff;     // 5: 0.1 um
    uint8_t bLossLimit;   // 6: 0.01 dB
    uint8_t bCleaveLimit; // 7: 0.1 degree
    uint8_t bKerfOff;     // 8: offset by 50, um
    uint8_t bKerfGap;     // 9: um
    uint8_t bKerfOverlap; // 10: um
    uint8_t bRes11;       // 11
    char ModeName[8];     // 12: at most 7 characters, zero-terminated
    APPARC arcPreheat;    // 20
    APPARC arcFuse;       // 24
    APPARC arcSecond;     // 28
    uint32_t dwSpliceTime; // 32: year bits 0-11, month 12-15, day 16-20, hour 21-25, minute 26-31
    char bSplicePlace[16]; // 36: not necessarily zero-terminated
    // Tail (52..127).
    uint8_t bLeftFiberType;  // 52: 0 MM, 1 SM, 2 DS, 3 NZ, 4 G657, 5 unknown
    uint8_t bRightFiberType; // 53
    uint8_t bSpliceType;     // 54: the mode's splice type (0 auto, 1 standard, 2 attenuation, 3 PM)
    uint8_t bAlignType;      // 55: the mode's alignment (0 manual, 1 core, 2 cladding)
    uint8_t bModeIndex;      // 56: the splice mode's index
    uint8_t bArcBright;      // 57: image brightness during the fusion arc
    uint8_t bHeatCtrl;       // 58: the heater mode in use: 2 short, 3 long
    uint8_t bRes59;          // 59
    uint16_t wHeatTemp;      // 60: degree C
    uint16_t wHeatTime;      // 62: s
    char szHeatName[8];      // 64: heater mode name, at most 7 characters
    uint32_t dwSpliceNumber; // 72: the unit's splice counter at this splice
    uint8_t bRes76[52];      // 76
};
#pragma pack(pop)
static_assert(sizeof(APPRECORD) == RECORD_SIZE);
static_assert(offsetof(APPRECORD, ModeName) == 12);
static_assert(offsetof(APPRECORD, arcPreheat) == 20);
static_assert(offsetof(APPRECORD, dwSpliceTime) == 32);
static_assert(offsetof(APPRECORD, bSplicePlace) == 36);
static_assert(offsetof(APPRECORD, bLeftFiberType) == 52);
static_assert(offsetof(APPRECORD, dwSpliceNumber) == 72);

// Packed local date and time of a record.
uint32_t PackRecordTime(int year, int month, int day, int hour, int minute);
void UnpackRecordTime(uint32_t packed, int* year, int* month, int* day, int* hour, int* minute);

// Store operations. Positions count from 1 (the oldest record).
int InitializeRecord();
int ReleaseRecord();
int AppendRecord(const APPRECORD* record);
int AppendRecordImage();
int ReadRecord(int position, APPRECORD* record);
int WriteRecord(int position, const APPRECORD* record);
int MarkRecord(int position);
int GetNewRecord(int* position);
int GetCount_Record(int* count);
int EraseRecord(int first, int count);
int TransRecordIndex(int position);
int GetSpliceImgSaveTag(int slot);
float GetCurrAveLoss();
int BuildSpliceRecordPDF(int position);
int DeleteSpliceRecordPDF(int first, int count);
int Jpeg_compress(const uint8_t* pixels, int width, int height, const char* path);
int DelPdfJpg();
// Marking by slot: the upload thread names the slot it sent, which stays right when positions
// move (an erase or a wrap between the send and the mark). GetNewRecordSlot: 1 when none.
int MarkRecordSlot(int slot);
int GetNewRecordSlot(int* slot);

// The lock shared by the splice sequence, the storage screens and the upload thread over the
// header in memory and the file.
void LockRecord();
void UnlockRecord();
