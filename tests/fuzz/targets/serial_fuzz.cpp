// libFuzzer target of the serial line parser with its JSON and the queue index (the fuzz preset; `make
// fuzz`).
#include "tests/fuzz/entry.h"
#include "tests/fuzz/folder_cores.h"

SPLICER_FUZZ_ENTRY(serialfuzz)
