// libFuzzer target of the fibre analysis on random frames and the fibre training table (the fuzz preset;
// `make fuzz`).
#include "tests/fuzz/entry.h"
#include "tests/fuzz/folder_cores.h"

SPLICER_FUZZ_ENTRY(fiberfuzz)
