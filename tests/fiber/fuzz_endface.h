// One fuzz case of the end-face analysis: frames, the FPGA's row profiles, a record whose values
// may be no numbers or lie far outside the picture, point lists and splice samples, all from the
// input bytes, through every end-face routine. Used by the seeded driver and the libFuzzer target.
#pragma once

#include "fiber/endface.h"
#include "splice/cleaveangle.h"
#include "tests/fiber/fuzz_core.h"

namespace fuzzendface
{

inline void run(const uint8_t* data, size_t size)
{
    fuzzcore::Input in(data, size);
    uint8_t* frames[2] = {GetGraphicsEntry(1), GetGraphicsEntry(2)};
    if (!frames[0] || !frames[1]) return;
    fuzzcore::fill_frame(in, frames[0]);
    fuzzcore::fill_frame(in, frames[1]);
    if (uint8_t* table = GetTable_BrightWave())
        for (int i = 0; i < BRIGHT_WAVE_SIZE; ++i)
            table[i] = in.byte();

    // Record values: mostly plausible, sometimes NaN, infinite, huge or outside the picture.
    for (int view = 1; view <= 2; ++view)
        for (int side = 0; side < 2; ++side) {
            APPFIBER_INFO* f = GetFiberInfo(view, side);
            f->fShadowBright = in.real(-50.0f, 400.0f);
            f->fCladCenter = in.real(-100.0f, 600.0f);
            f->fCladWidth = in.real(-300.0f, 600.0f);
            f->fFocusCenter = in.real(-100.0f, 600.0f);
            f->fFocusWidth = in.real(-300.0f, 600.0f);
            f->fEndfacePos = in.real(-200.0f, 900.0f);
            f->fEndfaceK = in.real(-5.0f, 5.0f);
            f->fCoreK = in.real(-5.0f, 5.0f);
            f->fCoreEndface = in.real(-200.0f, 900.0f);
            f->fCoreEndfaceK = in.real(-2.0f, 2.0f);
        }

    const int view = in.integer(0, 3), side = in.integer(0, 1);
    ENDFACE_POINT p{};
    GetEndfacePoint(in.integer(0, 480), side, in.integer(0, 1), &p);
    GetEndfacePoint(in.integer(0, 480), in.integer(0, 1), view, &p);

    // Point lists: random records, with or without a terminator, rows possibly all alike.
    ENDFACE_POINT pts[ENDFACE_POINTS];
    const bool oneRow = in.byte() & 1;
    for (auto& q : pts)
        q = {uint16_t(in.integer(0, 640)), uint16_t(oneRow ? 200 : in.integer(0, 480))};
    double K = 0, mid = 0, B = 0;
    GetLeastSquareEndface(pts, &K, &mid, &B);
    FilterData(reinterpret_cast<uint8_t*>(pts), 20, in.integer(-40, 40));
    GetLeastSquareEndface(pts, &K, &mid, &B);

    CalcSingleFocusEx(view, side);
    GetEndfaceEx(in.integer(0, 3));
    GetEndfaceEx2(in.integer(0, 3));

    uint8_t row[BRIGHT_WAVE_ROW_LINE];
    for (auto& v : row)
        v = in.byte();
    int left = 0, right = 0;
    CalEndfacePosFpga(row, in.byte(), &left, &right);
    GetEndfacePosFpga();
    SetMidBrightPos();

    CalcVectorValue(in.integer(0, 1), in.real(-10, 10), in.real(-10, 10), in.real(-10, 10), in.real(-10, 10));
    CalFiberAngle();
    CalCoreEndFace(frames[in.byte() & 1], view, side, GetFiberInfo(1 + (in.byte() & 1), side));
    CalCoreDirtyByGuss(frames[in.byte() & 1], side, GetFiberInfo(1 + (in.byte() & 1), side),
                       in.integer(0, 40));
    AnalyzCladEndFace(in.byte() & 1);
    AnalyzCoreEndFace();
    AnalyzCoreEndFaceOld();
    AnalyzCoreDirty(in.byte() & 1);

    // The splice's slope samples: any count, any values.
    SPLICE_INFORMATION info{};
    info.iAngleSerialCount = in.integer(-5, 12);
    for (int k = 0; k < 5; ++k) {
        info.LeftAngleSerial[0][k] = in.real(-3, 3);
        info.LeftAngleSerial[1][k] = in.real(-3, 3);
        info.RightAngleSerial[0][k] = in.real(-3, 3);
        info.RightAngleSerial[1][k] = in.real(-3, 3);
    }
    CalcFiberAngleInto(GetFiberStruct(), &info);
}

} // namespace fuzzendface
