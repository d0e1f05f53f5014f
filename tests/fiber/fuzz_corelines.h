// One fuzz case of the line fits: frames, the fibre record (end faces, edge rows, core lines), the
// sample stores and the arguments, all taken from the input bytes, through the whole-line fits and
// every step of an alignment pass. Used by the seeded driver of the test run and by libFuzzer.
#pragma once

#include <cstdint>

#include "fiber/corelines.h"
#include "tests/fiber/fuzz_core.h"

namespace fuzzcorelines
{

inline void run(const uint8_t* data, size_t size)
{
    fuzzcore::Input in(data, size);
    uint8_t* frames[2] = {GetGraphicsEntry(1), GetGraphicsEntry(2)};
    if (frames[0]) fuzzcore::fill_frame(in, frames[0]);
    if (frames[1]) fuzzcore::fill_frame(in, frames[1]);

    for (int view = 1; view <= 2; ++view)
        for (int side = 0; side < 2; ++side) {
            APPFIBER_INFO* f = GetFiberInfo(view, side);
            f->fEndfacePos = in.real(-100.0f, 800.0f);
            f->iCladUp = in.integer(-10, 490);
            f->iCladDown = in.integer(-10, 490);
            f->fCoreK = in.real(-2.0f, 2.0f);
            f->fCoreB = in.real(-200.0f, 700.0f);
        }
    CORE_LINE_STORE* s = GetCoreLineStore();
    for (float* store : {s->fWholeLineK, s->fWholeLineB, s->fFpgaK, s->fFpgaB, s->fUpCladK, s->fUpCladB,
                         s->fLowCladK, s->fLowCladB})
        for (int i = 0; i < KB_STORE; ++i)
            store[i] = in.real(-10.0f, 500.0f);

    // One fibre with arbitrary fit arguments, then the whole set as the splice runs it.
    const int view = in.integer(1, 2), side = in.integer(0, 1);
    CalCoreAndCladQuarticWLS(GetGraphicsEntry(view), view, side, GetFiberInfo(view, side), in.integer(0, 4),
                             in.integer(2, 6), in.real(-1.0f, 2.0f), 0);
    GetCoreAndCladKB(0);

    const int n = in.integer(0, 4);
    DeduceWholeLineKB(n);
    DeduceFpgaKB(in.integer(0, 3));
    DeduceCladKB(in.integer(0, 3));
    SortKB(s->fFpgaK, in.integer(0, 4), in.integer(0, 5));
    MeanKB(s->fFpgaK, in.integer(0, 4), in.integer(0, 5));
    HandleAllKB(n);
    JudgeCoreKB();
    JudgeCladKB();
    CalEccentric();
    CompensateEcctric(in.real(-4.0f, 4.0f));
    CompensateB();
    const int mask = in.integer(0, 3);
    RestoreWholeLineKB(mask);
    RestoreFpgaKB(mask);
    RestoreCladKB(mask);
    float dx = 0, dy = 0;
    CalCoreOffSet(&dx, &dy);
}

} // namespace fuzzcorelines
