// Drawing speed of the toolkit: a full-screen text page, slanted lines, filled blocks and a whole
// screen transfer, as a form's Paint does them.
#include <benchmark/benchmark.h>

#include "gui/gui.h"
#include "sim/testbed.h"

namespace
{

struct GuiBed {
    GuiBed() : bed(sim::Testbed::Options{true}) { InitializeGUI(); }
    ~GuiBed() { ReleaseGUI(); }
    sim::Testbed bed;
};

void BM_TextPage(benchmark::State& state)
{
    GuiBed g;
    GUIFRAME* fore = GetFrameObject("_FORE_FRM");
    GUISTRING* s = StrAsciiTrans("The quick brown fox jumps over the lazy dog 0123456789", 15, 1);
    GUIFONT* font = GetFontObject("_TXT_BLK");
    for (auto _ : state) {
        GUICURSOR c{0, 0, 1, 1, 0, 23, 0, 799, 0, 479, 0, 0, nullptr};
        for (int line = 0; line < 20; ++line)
            _StringDirectPut(s, &c, font, fore);
        benchmark::DoNotOptimize(fore->pBuffer[0]);
    }
    DeleteStringDirect(s);
}
BENCHMARK(BM_TextPage);

void BM_Lines(benchmark::State& state)
{
    GuiBed g;
    GUIFRAME* fore = GetFrameObject("_FORE_FRM");
    GUIBRUSH b{1, static_cast<uint8_t>(state.range(0)), 4, 4, nullptr};
    for (auto _ : state)
        for (int i = 0; i < 100; ++i)
            DrawLineDirect(MakePoint(0, i), MakePoint(799, 479 - i), &b, fore);
}
BENCHMARK(BM_Lines)->Arg(1)->Arg(3);

void BM_BlockFill(benchmark::State& state)
{
    GuiBed g;
    GUIFRAME* f = GetFrameObject(state.range(0) == 8 ? "_FORE_FRM" : "_BACK_FRM");
    GUIBRUSH b{1, 1, 0x203040, 0x405060, nullptr};
    for (auto _ : state)
        DrawBlockFill(MakePoint(0, 0), MakePoint(799, 479), &b, f);
}
BENCHMARK(BM_BlockFill)->Arg(8)->Arg(24);

} // namespace
