// The keypad test: each key's code and name as it goes down.
#pragma once

#include <cstdint>

#include "forms/facttestscreen.h"

FACTTEST_FORM_DECLARE(frmFactTestKeypad)
// The logical code of the last key shown (-1 none yet).
int GetFactTestKeypadLast();
