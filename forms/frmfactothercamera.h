// The camera test: the live pictures and each camera's frame, registers and brightness.
#pragma once

#include <cstdint>

#include "forms/facttestscreen.h"

FACTTEST_FORM_DECLARE(frmFactOtherCamera)
