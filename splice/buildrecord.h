// The stored record of a splice: filled from the splice information and appended to the record
// store, with the camera images of the stored record.
#pragma once

#include <cstdint>

#include "splice/spliceinfo.h"

// A measured value as a record byte: trunc(value x scale + 0.5), clamped to 0..255; a value that
// is not a number stores 0.
uint8_t RecordByte(float value, float scale);
// The loss byte in 0.01 dB: RECORD_NO_LOSS for a splice without an estimate (attenuation and PM
// splices, or a loss that is not a number); a real loss never reads as that marker.
uint8_t RecordLossByte(float loss, uint8_t spliceType);
// Fills info->SpliceRecord from the splice information, the mode, the clock and the user
// information. Does not store it.
void FillSpliceRecord(SPLICE_INFORMATION* info);
// 0 when record storage is disabled (nothing stored); else the append's result. iSpliceRecordFlag
// is set only when the record was stored.
int BuildSpliceRecord(SPLICE_INFORMATION* info);
// 1 when the images of the stored record were saved; 0 when record storage is disabled, no
// record of this splice was stored, or the images could not be saved.
int BuildSpliceImage();
