// Everything of the device layer: platform devices, motors, arc power and heater.
#pragma once

#include "devices/arc.h"
#include "devices/heater.h"
#include "devices/motor.h"
#include "devices/platdev.h"
