// Motor correction: the alignment motors jogged onto the fibres, then kept as their home.
#pragma once

#include <cstdint>

#include "forms/facttestscreen.h"

FACTTEST_FORM_DECLARE(frmFactOtherMotorCorrect)
