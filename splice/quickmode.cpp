#include "splice/quickmode.h"

int QUICK_MODE = 0;
