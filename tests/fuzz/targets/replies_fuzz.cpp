// libFuzzer target of the server replies and the WiFi tools' output (the fuzz preset; `make fuzz`).
#include "tests/fuzz/entry.h"
#include "tests/fuzz/folder_cores.h"

SPLICER_FUZZ_ENTRY(repliesfuzz)
