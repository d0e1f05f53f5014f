// The complete factory test: runs the motor, picture and arc tests in order and lists each one's verdict.
#pragma once

#include <cstdint>

#include "forms/facttestscreen.h"

FACTTEST_FORM_DECLARE(frmFactTestAll)
