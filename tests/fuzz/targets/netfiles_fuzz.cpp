// libFuzzer target of the network's stored files (the fuzz preset; `make fuzz`).
#include "tests/fuzz/entry.h"
#include "tests/fuzz/netfiles_core.h"

SPLICER_FUZZ_ENTRY(netfilesfuzz)
