// The press motor test: both press motors homed, driven forward and back, positions read.
#pragma once

#include <cstdint>

#include "forms/facttestscreen.h"

FACTTEST_FORM_DECLARE(frmFactTestPress)
