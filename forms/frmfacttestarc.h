// The arc test: fires an arc and shows the glow in both views against the dark level.
#pragma once

#include <cstdint>

#include "forms/facttestscreen.h"

FACTTEST_FORM_DECLARE(frmFactTestArc)
