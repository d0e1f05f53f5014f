// The calibration test: each view's background level and electrode column.
#pragma once

#include <cstdint>

#include "forms/facttestscreen.h"

FACTTEST_FORM_DECLARE(frmFactTestCali)
