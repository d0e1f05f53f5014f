// "Camera Angle": the tilt of each fibre in each view.
#pragma once

#include <cstdint>

#include "forms/facttestscreen.h"

FACTTEST_FORM_DECLARE(frmFactTestRound)
