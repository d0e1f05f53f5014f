// The sensor readings: temperature, humidity, air pressure, battery and wind cover, live.
#pragma once

#include <cstdint>

#include "forms/facttestscreen.h"

FACTTEST_FORM_DECLARE(frmFactSensor)
