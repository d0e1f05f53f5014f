// libFuzzer target of the update package reader (the fuzz preset; `make fuzz`).
#include "tests/fuzz/entry.h"
#include "tests/fuzz/folder_cores.h"

SPLICER_FUZZ_ENTRY(updatefuzz)
