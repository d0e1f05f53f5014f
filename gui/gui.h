// The whole GUI toolkit in one include.
#pragma once

#include "gui/base.h"
#include "gui/frame.h"
#include "gui/global.h"
#include "gui/image.h"
#include "gui/keypad.h"
#include "gui/text.h"
#include "gui/touchpad.h"
#include "gui/widget.h"
#include "gui/window.h"
