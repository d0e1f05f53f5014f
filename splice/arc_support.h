// Pieces shared by the discharges: the power-to-drive-value conversion of a mode and the plan of
// the fusion discharge.
#pragma once

#include "params/param_tables.h"

// Drive value of an arc power for the mode (template 22 has its own conversion). 0, or the
// conversion's non-zero result (nothing may be fired then).
int ArcDriveValue(const APPSPLICE& mode, int power, int* value);

// The prefuse and fusion of one splice as they are fired.
struct FusionPlan {
    int prefuseValue = 0, prefuseMs = 0;
    int fuseValue = 0, fuseMs = 0;
    int pushSteps = 0; // left feed motor, forward
    float gap = 0.0f, push = 0.0f;
};

// Plans the discharge from the mode, the measured gap (px), the forward coefficient (steps per
// 100 px) and the low-quality flag. 0, or the drive conversion's failure.
int PlanFusion(const APPSPLICE& mode, float gap, float coefficient, bool lowQuality, FusionPlan* plan);
