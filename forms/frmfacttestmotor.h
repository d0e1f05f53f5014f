// The motor test: all six motors homed, to a position and back, positions read.
#pragma once

#include <cstdint>

#include "forms/facttestscreen.h"

FACTTEST_FORM_DECLARE(frmFactTestMotor)
