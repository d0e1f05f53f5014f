// Text lookups and language switches as forms do them: a form loads a few dozen texts on every
// entry, the language form switches all four glyph files, and the status bar formats its values.
#include <benchmark/benchmark.h>

#include "gui/gui.h"
#include "sim/testbed.h"
#include "texts/format.h"
#include "texts/textres.h"

namespace
{

struct TextBed {
    TextBed() : bed(sim::Testbed::Options{true})
    {
        InitializeGUI();
        SyncLanguageChange(LANG_CHINESE_SIMPLIFIED);
    }
    ~TextBed() { ReleaseGUI(); }
    sim::Testbed bed;
};

void BM_FormTexts(benchmark::State& state)
{
    TextBed t;
    for (auto _ : state)
        for (uint32_t n = TXT_TITLE_REPAIR; n < TXT_TITLE_REPAIR + 30; ++n)
            DeleteStringDirect(GetTextResource(n, 15, 1, LANG_CHINESE_SIMPLIFIED));
}
BENCHMARK(BM_FormTexts);

void BM_LanguageSwitch(benchmark::State& state)
{
    TextBed t;
    int lang = LANG_ENGLISH;
    for (auto _ : state) {
        SyncLanguageChange(lang);
        lang = lang == LANG_ENGLISH ? LANG_CHINESE_SIMPLIFIED : LANG_ENGLISH;
    }
}
BENCHMARK(BM_LanguageSwitch);

void BM_StatusValues(benchmark::State& state)
{
    TextBed t;
    for (auto _ : state) {
        EnvironmentRecord r{2350, 1013, 4500};
        DeleteStringDirect(TransTempValueEx(&r, 0));
        DeleteStringDirect(TransPressValue(&r));
        DeleteStringDirect(TransClockValue(PackClockValue(2026, 12, 4, 2, 48)));
    }
}
BENCHMARK(BM_StatusValues);

} // namespace
