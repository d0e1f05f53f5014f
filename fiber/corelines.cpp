// Whole-line fits: the upper and lower cladding edge (the bright fringe just outside each) and the
// core of each fibre, over the 160 columns that begin 24 columns from its end face.
#include "fiber/corelines.h"

#include <atomic>
#include <cmath>

#include "fiber/graphics.h"
#include "fiber/numeric.h"

namespace
{
constexpr int kGap = 24;            // columns between the end face and the range
constexpr int kRange = 160;         // columns of the range, and samples per line at most
constexpr int kSearch = 4;          // rows either side of the start row searched for the peak
constexpr float kOutliers = 0.025f; // fraction of the samples dropped per rejection pass
constexpr float kNoFitB = 240.0f;

std::atomic<std::FILE*> g_log{nullptr};

// A float converted to a 16-bit column as the board does: negative or not a number gives 0.
uint16_t to_u16(float v)
{
    if (!(v > 0.0f)) return 0;
    if (v >= 65535.0f) return 65535;
    return uint16_t(v);
}

// The predicted row of a column, or -1 when it is not a row of the frame.
int to_row(float v)
{
    if (!(v >= 0.0f && v < float(CAMERA_HEIGHT))) return -1;
    return int(v);
}

// The scratch of one line: range-relative column, row, weight and residual of each sample.
struct Samples {
    uint16_t x[kRange];
    float y[kRange], w[kRange], r[kRange];
    int n = 0;
};

enum class Peak { LastMax, FirstMax };

// Index (0..8) of the maximum of the 9 pixels of rows row-4..row+4 of column c.
int find_peak(const uint8_t* frame, int c, int row, Peak kind)
{
    int best = 0;
    uint8_t top = 0;
    for (int i = 0; i <= 2 * kSearch; ++i) {
        const uint8_t v = frame[(row - kSearch + i) * CAMERA_WIDTH + c];
        if (i == 0 || v > top || (kind == Peak::LastMax && v == top)) {
            top = v;
            best = i;
        }
    }
    return best;
}

// Sub-pixel row of the peak nearest `row` in column c: 1 with the row, or 0 when the rows around
// it show no clear maximum.
int refine(const uint8_t* frame, int c, int peak, int q, float* out)
{
    uint8_t s[13];
    for (int i = 0; i <= 2 * q; ++i)
        s[i] = frame[(peak - q + i) * CAMERA_WIDTH + c];
    float a[5];
    if (FitPoly4(s, q, a) != 0) return 0;
    if (!(a[0] > 0.0f && a[2] < -0.5f)) return 0;
    float off = 0.0f;
    if (!FindMaxValueofPoly4ByNewton(a, 0.0f, &off)) return 0;
    // A maximum beyond the fitted rows is the quartic's extrapolation, not the picture's.
    if (!(std::fabs(off) <= float(q))) return 0;
    *out = float(peak) + off;
    return 1;
}

// Fit, drop the worst, fit, drop, fit; then move the line from range to frame columns.
void fit(Samples& s, uint16_t start, float* K, float* B)
{
    CalWeightedLeastSquare(s.x, s.y, s.w, s.n, K, B);
    for (int pass = 0; pass < 2; ++pass) {
        ExcludeWeightedOutliersByPercent(s.x, s.y, s.w, s.r, s.n, kOutliers, *K, *B);
        CalWeightedLeastSquare(s.x, s.y, s.w, s.n, K, B);
    }
    *B -= float(start) * *K;
}

void log_samples(std::FILE* f, const char* what, const Samples& s)
{
    std::fprintf(f, "%s %d\n", what, s.n);
    for (int i = 0; i < s.n; ++i)
        std::fprintf(f, "%u %f %f\n", unsigned(s.x[i]), double(s.y[i]), double(s.w[i]));
}

void no_fit(APPFIBER_INFO* f)
{
    f->fCladUpK = f->fCladLowK = f->fCoreK = 0.0f;
    f->fCladUpB = f->fCladLowB = f->fCoreB = kNoFitB;
}
} // namespace

void SetCoreFitLogFile(std::FILE* file)
{
    g_log = file;
}

int CalCoreAndCladQuarticWLS(const uint8_t* frame, int view, int side, APPFIBER_INFO* fibre, int h, int q,
                             float g, int log)
{
    if (!fibre) return -1;
    if (!frame || (view != VIEW_X && view != VIEW_Y) || (side != 0 && side != 1) ||
        (q != 2 && q != 3 && q != 4 && q != 6)) {
        no_fit(fibre);
        return -1;
    }
    // The column range, in the board's 16-bit arithmetic: a range that wraps comes out empty.
    uint16_t start, end;
    if (side == 0) {
        end = to_u16(fibre->fEndfacePos - float(kGap));
        start = uint16_t(end - kRange);
    } else {
        start = to_u16(fibre->fEndfacePos + float(kGap));
        end = uint16_t(start + kRange);
    }
    if (start < FRAME_FIRST_COLUMN) start = FRAME_FIRST_COLUMN;
    if (end > FRAME_END_COLUMN) end = FRAME_END_COLUMN;

    // Columns near the end face weigh most.
    const float sigma = g * float(end - start);
    const float x0 = side == 0 ? float(end) : float(start);
    const bool weighted = std::isfinite(sigma) && sigma > 0.0f;

    // Every window read lies in the frame: start rows leave kSearch + q rows either side.
    const int lowRow = kSearch + q, highRow = CAMERA_HEIGHT - 1 - kSearch - q;
    const int upRow = fibre->iCladUp, downRow = fibre->iCladDown;
    const float coreK = fibre->fCoreK, coreB = fibre->fCoreB;
    auto in_frame = [&](int row) { return row >= lowRow && row <= highRow; };

    Samples up, low, core;
    for (int x = start; x < end; ++x) {
        const float dx = float(x) - x0;
        const float w = weighted ? std::exp(-dx * dx / (2.0f * sigma * sigma)) : 0.0f;
        const uint16_t rel = uint16_t(x - start);
        float row = 0.0f;
        if (in_frame(upRow)) {
            const int peak = upRow - kSearch + find_peak(frame, x, upRow, Peak::LastMax);
            if (refine(frame, x, peak, q, &row)) up.x[up.n] = rel, up.y[up.n] = row, up.w[up.n++] = w;
        }
        if (in_frame(downRow)) {
            const int peak = downRow - kSearch + find_peak(frame, x, downRow, Peak::FirstMax);
            if (refine(frame, x, peak, q, &row)) low.x[low.n] = rel, low.y[low.n] = row, low.w[low.n++] = w;
        }
        const int coreRow = to_row(coreK * float(x) + coreB);
        if (in_frame(coreRow)) {
            const int peak = coreRow - kSearch + find_peak(frame, x, coreRow, Peak::LastMax);
            if (std::abs(peak - coreRow) <= h && refine(frame, x, peak, q, &row))
                core.x[core.n] = rel, core.y[core.n] = row, core.w[core.n++] = w;
        }
    }
    if (log) {
        if (std::FILE* f = g_log.load()) {
            std::fprintf(f, "view %d side %d columns %u..%u\n", view, side, unsigned(start), unsigned(end));
            log_samples(f, "up", up);
            log_samples(f, "low", low);
            log_samples(f, "core", core);
        }
    }
    fit(up, start, &fibre->fCladUpK, &fibre->fCladUpB);
    fit(low, start, &fibre->fCladLowK, &fibre->fCladLowB);
    fit(core, start, &fibre->fCoreK, &fibre->fCoreB);
    return 0;
}

int GetCoreAndCladKB(int log)
{
    CORE_LINE_STORE* s = GetCoreLineStore();
    s->iHalfWidth = 2;
    s->iHalfWidthQuartic = 4;
    // The right fibre's weights fall off faster.
    constexpr float kWidth[2] = {0.5f, 0.4f};
    int r = 0;
    for (int view = VIEW_X; view <= VIEW_Y; ++view)
        for (int side = 0; side < 2; ++side)
            if (CalCoreAndCladQuarticWLS(GetGraphicsEntry(view), view, side, GetFiberInfo(view, side),
                                         s->iHalfWidth, s->iHalfWidthQuartic, kWidth[side], log) != 0)
                r = -1;
    return r;
}
