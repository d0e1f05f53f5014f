// libFuzzer target of the bitmap loader (the fuzz preset; `make fuzz`).
#include "tests/fuzz/bitmap_core.h"
#include "tests/fuzz/entry.h"

SPLICER_FUZZ_ENTRY(bitmapfuzz)
