// libFuzzer target of the scenario files (the fuzz preset; `make fuzz`).
#include "tests/fuzz/entry.h"
#include "tests/fuzz/scenario_core.h"

SPLICER_FUZZ_ENTRY(scenariofuzz)
