// Placeholder until the start-up and form loop land.
#include "app/splicer_main.h"

int splicer_main() { return 0; }
