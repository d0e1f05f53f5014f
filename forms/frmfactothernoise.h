// The noise test: background level, noise and spread of each camera's picture.
#pragma once

#include <cstdint>

#include "forms/facttestscreen.h"

FACTTEST_FORM_DECLARE(frmFactOtherNoise)
