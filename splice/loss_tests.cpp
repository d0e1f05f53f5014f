// The joint tests of the loss estimate on the current frames: the joint's width against the
// fibres' (fat or thin), dark or bright patches (a bubble), and steps of the core line.
#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

#include "fiber/cladedge.h"
#include "fiber/fiberstruct.h"
#include "fiber/graphics.h"
#include "fiber/numeric.h"
#include "fiber/profile.h"
#include "splice/loss.h"

namespace
{
constexpr int kHalf = 24;                        // columns either side of the electrode
constexpr int kProfiles = 24, kProfileWidth = 3; // every second column
constexpr int kRowRun = 7;                       // deviating rows that make a bad column
constexpr int kBadColumns = 3;                   // bad columns in a row that make a bubble
constexpr int kLastRow = FRAME_END_ROW - 1;

// The 24 column profiles around the electrode and their reference, in one scratch block.
struct Profiles {
    std::vector<float> block = std::vector<float>(size_t(kProfiles + 1) * PROFILE_ROWS, 0.0f);
    float* at(int k) { return block.data() + size_t(k) * PROFILE_ROWS; }
    float* reference() { return at(kProfiles); }

    bool grab(int view, int elec)
    {
        const int first = elec - kHalf;
        for (int k = 0; k < kProfiles; ++k)
            if (GetVertBrightWave(view, first + 2 * k, kProfileWidth, 1, at(k)) != 0) return false;
        return GetVertBrightWave(view, first, 2 * kHalf, 1, reference()) == 0;
    }
};

// The sensitivity is stored in tenths (5..15: 0.5..1.5); a table outside its range counts as its
// nearest setting.
double degree(uint8_t checkDegree)
{
    return std::clamp<int>(checkDegree, 5, 15) / 10.0;
}
} // namespace

double FatThinThreshold(uint8_t checkDegree)
{
    return degree(checkDegree) * 2.0;
}

double BubbleThreshold(uint8_t checkDegree)
{
    return degree(checkDegree) * 3.2;
}

void MeasureFatThin(int view, int elec, float referenceWidth, double threshold, JointDefects* d)
{
    APPFIBER_INFO* l = GetFiberInfo(view, 0);
    APPFIBER_INFO* r = GetFiberInfo(view, 1);
    if (!l || !r || !d) return;
    // The local measurement writes into the fibres' records: they keep what they held.
    const APPFIBER_INFO keepL = *l, keepR = *r;
    for (int c = elec - kHalf; c < elec + kHalf; ++c) {
        if (SingleCladLocalEx(view, 0, c) != 0 || SingleCladLocalEx(view, 1, c) != 0) continue;
        const double delta = (double(l->fCladWidth) + double(r->fCladWidth)) / 2.0 - double(referenceWidth);
        if (delta > 0) {
            d->fatSum += 0.001 * delta;
            if (delta > threshold) {
                d->fat = true;
                break;
            }
        } else if (delta < 0) {
            d->thinSum += 0.004 * -delta;
            if (delta < -threshold) {
                d->thin = true;
                break;
            }
        }
    }
    *l = keepL;
    *r = keepR;
}

void MeasureBubble(int view, int elec, double threshold, JointDefects* d)
{
    Profiles p;
    if (!d || !p.grab(view, elec)) return;
    const float* ref = p.reference();
    int bad = 0;
    for (int k = 0; k < kProfiles; ++k) {
        const float* col = p.at(k);
        int count = 0;
        for (int row = FRAME_FIRST_ROW; row <= kLastRow; ++row) {
            if (std::fabs(col[row] - ref[row]) > threshold)
                ++count;
            else if (count < kRowRun)
                count = 0;
        }
        if (count >= kRowRun) {
            if (++bad >= kBadColumns) {
                d->bubble = true;
                return;
            }
        } else {
            bad = 0;
        }
    }
}

void MeasureCoreLine(int view, int elec, JointDefects* d)
{
    const APPFIBER_INFO* l = GetFiberInfo(view, 0);
    const APPFIBER_INFO* r = GetFiberInfo(view, 1);
    Profiles p;
    if (!l || !r || !d) return;
    const float t = (l->fShadowBright + r->fShadowBright) / 2.0f;
    const float centre = (l->fCladCenter + r->fCladCenter) / 2.0f;
    // The core is looked for within 24 rows of the fibres' axis, which must lie inside the frame.
    if (!std::isfinite(t) || !std::isfinite(centre) || centre < FRAME_FIRST_ROW + kHalf ||
        centre > kLastRow - kHalf || !p.grab(view, elec))
        return;
    const int start = int(centre);
    float peak[kProfiles];
    for (int k = 0; k < kProfiles; ++k) {
        float* col = p.at(k);
        int up = 0, down = 0;
        peak[k] = NAN;
        if (GetLessBrightBorder(col, t, start, FRAME_FIRST_ROW, &up) != 0 ||
            GetLessBrightBorder(col, t, start, kLastRow, &down) != 0 || FilterLine(col, up, down) != 0)
            continue;
        const float row =
            FindLinePeak(std::span<const float>(col, PROFILE_ROWS), start - kHalf, start + kHalf, t);
        if (row >= 0) peak[k] = row;
    }
    double largest = 0, smallest = 0;
    int steps = 0;
    for (int j = 2; j < kProfiles - 2; ++j) {
        const float a = peak[j - 2], b = peak[j + 2];
        if (std::isnan(a) || std::isnan(b)) continue;
        const double step = double(a) - double(b);
        if (std::fabs(step) > 1.0) {
            largest = std::max(largest, step);
            smallest = std::min(smallest, step);
            // The same core on both sides: a step of the line, not a flaw crossing it.
            const float ba = p.at(j - 2)[std::lround(a)], bb = p.at(j + 2)[std::lround(b)];
            if (std::fabs(ba - bb) <= 8.0f) ++steps;
        }
        if (steps > 1) d->coreLine += 0.002 * std::max(std::fabs(largest), std::fabs(smallest));
    }
}
