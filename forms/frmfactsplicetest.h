// The splice test: splices one after another with statistics of their records.
#pragma once

#include <cstdint>

#include "forms/facttestscreen.h"

FACTTEST_FORM_DECLARE(frmFactSpliceTest)
#include "splice/splicestats.h"
// The statistics so far.
const SPLICESTATS& GetFactSpliceStats();
