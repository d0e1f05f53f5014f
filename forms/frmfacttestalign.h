// The alignment test: both alignment motors homed, driven and back, positions read.
#pragma once

#include <cstdint>

#include "forms/facttestscreen.h"

FACTTEST_FORM_DECLARE(frmFactTestAlign)
