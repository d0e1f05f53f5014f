// "Mirror Position": where the fibres lie in each view against the middle of the frame.
#pragma once

#include <cstdint>

#include "forms/facttestscreen.h"

FACTTEST_FORM_DECLARE(frmFactTestMirror)
