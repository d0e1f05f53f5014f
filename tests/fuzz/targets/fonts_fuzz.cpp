// libFuzzer target of the glyph and language files (the fuzz preset; `make fuzz`).
#include "tests/fuzz/entry.h"
#include "tests/fuzz/fonts_core.h"

SPLICER_FUZZ_ENTRY(fontsfuzz)
