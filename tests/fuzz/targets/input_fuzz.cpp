// libFuzzer target of the key codes and touch messages (the fuzz preset; `make fuzz`).
#include "tests/fuzz/entry.h"
#include "tests/fuzz/input_core.h"

SPLICER_FUZZ_ENTRY(inputfuzz)
