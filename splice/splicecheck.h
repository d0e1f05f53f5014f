// Judging a splice from the camera pictures: cleave and core angle checks before the arc, the
// joint check after it, and the estimated loss with its bubble, fat and thin tests.
#pragma once

#include <cstdint>

#include "splice/spliceinfo.h"

// Multimode templates (skip the core-line test) and multimode/single-mode pairs.
extern int iMultiFlag;
extern int sm_mm_flag;

// Templates 9, 10, 11, 22, 24, 27 / attenuation templates 9, 10, 11, 24.
bool IsInSpecialmode(int templateIndex);
bool IsInAttmode(int templateIndex);

int CheckCleaveAngle(SPLICE_INFORMATION* info); // 0 or 242
int CheckCoreAngle(SPLICE_INFORMATION* info);   // 0 or 241
// The joint check after the arc: 0 or 251; sets iSpliceSuccessFlag.
int CheckSplice();
// Width consistency of the joint over 12 rows of a view's picture around row: 0 or -1.
int AnalyzeJointData(int view, int row, int start, const uint8_t* image, int length);
// Mode-field diameter of the pair (um) for the loss estimate, from the identified fibre types.
float GetFiberMFD();
// The estimated loss (offset um, core angle rad, mode-field diameter um): stores and shows it;
// 0, 230, 240, 249 or 250.
int HandleLossValue(double offset, double angle, double mfd);
