// libFuzzer target of the parameter load at start-up (the fuzz preset; `make fuzz`).
#include "tests/fuzz/entry.h"
#include "tests/fuzz/params_core.h"

SPLICER_FUZZ_ENTRY(paramsfuzz)
