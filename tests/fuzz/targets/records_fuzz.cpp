// libFuzzer target of the record file (header, chain, records, journal) (the fuzz preset; `make fuzz`).
#include "tests/fuzz/entry.h"
#include "tests/fuzz/folder_cores.h"

SPLICER_FUZZ_ENTRY(recordsfuzz)
