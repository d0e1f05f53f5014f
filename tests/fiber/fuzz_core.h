// One fuzz case of the fibre analysis: a frame pair, a byte and a float profile, a record and the
// arguments, all taken from the input bytes, run through every routine that reads pictures or
// profiles. Used by the seeded random driver of the test run and by the libFuzzer target.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "fiber/cladedge.h"
#include "fiber/fiberstruct.h"
#include "fiber/graphics.h"
#include "fiber/numeric.h"
#include "fiber/polytables.h"
#include "fiber/profile.h"
#include "params/param_tables.h"

namespace fuzzcore
{

// Reads values from the input, wrapping around; an empty input reads zeros.
class Input
{
  public:
    Input(const uint8_t* d, size_t n) : d_(d), n_(n) {}
    uint8_t byte() { return n_ ? d_[i_++ % n_] : 0; }
    int integer(int lo, int hi) // mostly in [lo, hi], sometimes just outside or far off
    {
        const uint32_t r = uint32_t(byte()) | uint32_t(byte()) << 8 | uint32_t(byte()) << 16;
        switch (r % 16) {
        case 0:
            return lo - 1;
        case 1:
            return hi + 1;
        case 2:
            return int(r) - (1 << 23);
        default:
            return lo + int(r % uint32_t(hi - lo + 1));
        }
    }
    float real(float lo, float hi)
    {
        const uint8_t k = byte();
        if (k == 0) return std::numeric_limits<float>::quiet_NaN();
        if (k == 1) return std::numeric_limits<float>::infinity();
        if (k == 2) return -1e30f;
        return lo + (hi - lo) * float(integer(0, 65535) & 0xFFFF) / 65535.0f;
    }

  private:
    const uint8_t* d_;
    size_t n_;
    size_t i_ = 0;
};

// Fills a frame: the input's bytes, or a pattern picked by the input (black, saturated, stripes,
// a fibre against an edge).
inline void fill_frame(Input& in, uint8_t* f)
{
    switch (in.byte() % 6) {
    case 0:
        std::memset(f, 0, CAMERA_FRAME_SIZE);
        break;
    case 1:
        std::memset(f, 255, CAMERA_FRAME_SIZE);
        break;
    case 2:
        for (int i = 0; i < CAMERA_FRAME_SIZE; ++i)
            f[i] = in.byte();
        break;
    case 3:
        for (int r = 0; r < CAMERA_HEIGHT; ++r)
            std::memset(f + r * CAMERA_WIDTH, (r / (1 + in.byte() % 16)) % 2 ? 255 : 0, CAMERA_WIDTH);
        break;
    default: {
        const int centre = in.integer(-50, 530), half = in.integer(0, 150);
        for (int r = 0; r < CAMERA_HEIGHT; ++r)
            std::memset(f + r * CAMERA_WIDTH, std::abs(r - centre) < half ? 20 : 200, CAMERA_WIDTH);
        break;
    }
    }
}

inline void run(const uint8_t* data, size_t size)
{
    Input in(data, size);
    uint8_t* frames[2] = {GetGraphicsEntry(1), GetGraphicsEntry(2)};
    if (!frames[0] || !frames[1]) return;
    fill_frame(in, frames[0]);
    fill_frame(in, frames[1]);

    std::vector<uint8_t> bp(480);
    for (auto& v : bp)
        v = in.byte();
    std::vector<float> fp(480);
    for (auto& v : fp)
        v = in.real(-10.0f, 300.0f);
    if (uint8_t* table = GetTable_BrightWave())
        for (int i = 0; i < BRIGHT_WAVE_SIZE; ++i)
            table[i] = in.byte();

    APPFIBER* rec = GetFiberStruct();
    for (int view = 1; view <= 2; ++view)
        for (int side = 0; side < 2; ++side) {
            APPFIBER_INFO* f = GetFiberInfo(view, side);
            f->fShadowBright = in.real(-50.0f, 400.0f);
            f->fCladCenter = in.real(-100.0f, 600.0f);
            f->fCladWidth = in.real(-100.0f, 600.0f);
            f->fEndfacePos = in.real(-100.0f, 800.0f);
            f->iCladUp = in.integer(-10, 490);
            f->iCladDown = in.integer(-10, 490);
            f->iCoreUp = in.integer(-10, 490);
            f->iCoreDown = in.integer(-10, 490);
        }

    const int view = in.integer(0, 3), side = in.integer(0, 1);
    const int x = in.integer(0, 640), w = in.integer(0, 640), s = in.integer(0, 480);
    float* pf = nullptr;
    uint8_t* pb = nullptr;
    float wave[480];
    uint8_t b = 0;
    uint16_t n = 0;
    uint32_t word = 0;
    int col = 0, dark = 0;
    GetVertBrightArray(view, x, w, s, &pf);
    GetVertBrightArrayEX(view, x, w, s, &pb);
    GetVertBrightWave(view, x, w, s, wave);
    GetVertBrightAvg(view, x, w, s, &b);
    GetVertBrightErr(view, x, w, s, &b);
    GetVertBrightErrEx(view, x, w, s, in.byte(), &b, &n);
    GetVertBrightMin(view, x, w, s, &b);
    GetVertBrightMax(view, x, w, s, &b);
    GetBrightWaveTest(in.integer(0, 7), bp.data());
    GetCornerBrightness(view, &word);
    GetElectrodeLocation(view, &col);
    GetElectrodeLocationEx(view, &col, &dark, in.integer(0, 480), in.integer(0, 480));
    CalcAreaArcBrightAvg(frames[0], in.integer(0, 480), in.integer(0, 640), in.integer(0, 640),
                         in.integer(0, 480));
    CalcCameraBrightAvg(in.integer(0, 3), rec, in.byte() & 1);

    const uint8_t t = in.byte();
    int up = 0, down = 0, cu = 0, cd = 0;
    float ratio = 0, fu = 0, fl = 0;
    CalCladFPGA(bp.data(), t, &up, &down);
    CalCladFPGAPeak(bp.data(), t, &up, &down);
    CalCladFPGA4Focus(bp.data(), t, &up, &down);
    CalCladFPGATest(bp.data(), t, &up, &down);
    AnalyseCladFPGA(bp.data(), t, &up, &down, in.integer(0, 2));
    CalCoreEdge(bp.data(), t, in.integer(0, 479), &cu, &cd);
    CalCoreEdgeFPGA(bp.data(), t, in.integer(0, 479), in.integer(-5, 300), &ratio);
    FindCladCenter(bp.data(), t);
    int row = 0;
    GetLessBrightBorder(fp.data(), in.real(0, 255), in.integer(8, 472), in.integer(8, 472), &row);
    CalCladPeak(fp.data(), in.byte() & 1, in.real(0, 255), &fu, &fl);
    CalCladPeakEX(bp.data(), in.byte() & 1, in.real(0, 255), &fu, &fl);
    FindLinePeak(fp, in.integer(0, 479), in.integer(0, 479), in.real(0, 255));

    GetShadowBrightFPGA();
    GetShadowBrightEx(in.integer(0, 3));
    GetShadowBrightEx2(in.integer(0, 3));
    GetCladFPGA();
    GetCladFPGAPeak();
    GetCladFPGA4Focus();
    CalFocusRatioFpga();
    CalcSingleClad(view, side);
    CalcSingleCladEx(view, side);
    SingleCladLocalEx(view, side, in.integer(8, 615));
    GetCladEx(in.integer(0, 3), in.byte() & 1);
    CalcSingleFocus(view, side);
    float sharp = 0;
    GetFocusDegreeValue(view, in.integer(8, 632), in.integer(8, 632), &sharp);
    uint8_t cw[640];
    GetCladCenterWave(view, in.integer(8, 472), x, w, cw);
    GetCladHorBrightErr(view, x, w, rec);

    // Numeric routines on the profiles.
    const int first = in.integer(0, 479), end = in.integer(0, 639);
    if (end < 480) FilterLine(fp.data(), first, end);
    float a0, a1, a2, a[5];
    const int half = in.integer(0, 239);
    if (half >= 0 && half <= 239) {
        FitConic(fp.data() + 240 - half, half, &a0, &a1, &a2);
        FitConicEX(bp.data() + 240 - half, half, &a0, &a1, &a2);
    }
    FitPoly4(bp.data() + 200, in.integer(2, 6) % 7, a);
    float xm = 0;
    FindMaxValueofPoly4ByNewton(a, in.real(-10, 10), &xm);
    FindMaxValueofPoly4(a, in.real(-10, 0), in.real(0, 10), &xm);
    Fit6ThCurve(fp.data() + 100, &xm);
    int len = 0, kind = 0;
    FindCladPeakPlateau(bp.data() + 100, in.integer(0, 20) & 15, &len, &kind);
    FindCorePeakPlateau(in.byte(), bp.data() + 100, in.integer(0, 20) & 15, &len, &kind);
    std::vector<uint16_t> xs(64);
    std::vector<float> ys(64), ws(64), rs(64);
    for (int i = 0; i < 64; ++i) {
        xs[size_t(i)] = uint16_t(in.integer(0, 640));
        ys[size_t(i)] = fp[size_t(i)];
        ws[size_t(i)] = in.real(-1, 5);
    }
    float K = 0, B = 0;
    const int count = in.integer(0, 64) & 63;
    CalLeastSquare(xs.data(), ys.data(), count, &K, &B);
    CalWeightedLeastSquare(xs.data(), ys.data(), ws.data(), count, &K, &B);
    ExcludeWeightedOutliersByPercent(xs.data(), ys.data(), ws.data(), rs.data(), count, in.real(0, 1), K, B);
    RegressCalLeastSquare(xs.data(), ys.data(), count, &K, &B);
    std::vector<uint8_t> recs(4 * 32);
    for (auto& v : recs)
        v = in.byte();
    FilterData(recs.data(), in.integer(0, 32) & 31, in.integer(-100, 100));
    Image16x1Bilatery(frames[1], GetFiberInfo(2, 1));
    std::vector<double> line(700);
    ImFilterByGaussian(line, h52, in.integer(0, 480), in.integer(0, 480), frames[0], in.integer(0, 640),
                       in.integer(0, 640));
}

} // namespace fuzzcore
