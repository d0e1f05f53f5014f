// Stages of the loss estimate and the measurements of the joint it uses, apart from the splice
// so that each can be checked on its own.
#pragma once

#include <cstdint>

#include "params/param_tables.h"

// Mode-overlap loss (dB) of an offset (um) and a core angle (rad) for a mode-field diameter (um).
double OverlapLoss(double offset, double angle, double mfd);
// Loss of the attenuation and polarisation-maintaining modes, from the target offset.
double TargetOffsetLoss(int templateIndex, double offset, uint8_t lossLimit);
// Scales a small optical loss into the range the operator is used to reading.
double ShapeLoss(double loss);
// A multimode fibre spliced to a single-mode one.
double MixedPairLoss(double loss);
// Raised to the mode's minimum, cut at its limit; the minimum when no estimate is asked for.
double LimitLoss(double loss, const APPSPLICE& mode);

// The thresholds of the joint tests from the check sensitivity (0.1 units, 5..15).
double FatThinThreshold(uint8_t checkDegree);
double BubbleThreshold(uint8_t checkDegree);

// What the joint tests found over both views.
struct JointDefects {
    bool fat = false, thin = false, bubble = false;
    double fatSum = 0, thinSum = 0; // loss additions of a fat or thin joint
    double coreLine = 0;            // loss of a bent or stepped core line
};

// Width of the joint against the reference width, column by column around the electrode column
// `elec`, in view 1 or 2 of the current frames.
void MeasureFatThin(int view, int elec, float referenceWidth, double threshold, JointDefects* d);
// Dark or bright patches in the columns around the electrode.
void MeasureBubble(int view, int elec, double threshold, JointDefects* d);
// Steps of the core line across the joint: adds their loss.
void MeasureCoreLine(int view, int elec, JointDefects* d);
