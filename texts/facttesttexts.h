// Text numbers of the factory test screens: their own block, 2500-2599, of the language files.
// Apart from textres.h so that a new text of these screens rebuilds only them.
#pragma once

#include <cstdint>

enum : uint32_t {
    TXT_FT_RUN = 2500,         // Run
    TXT_FT_CANCEL,             // Cancel
    TXT_FT_READY,              // Ready: press Run
    TXT_FT_TESTING,            // Testing...
    TXT_FT_PASS,               // Pass
    TXT_FT_FAIL,               // Fail
    TXT_FT_STOP,               // Stop
    TXT_FT_CLEAR,              // Clear
    TXT_FT_TITLE_MENU,         // Factory Test
    TXT_FT_TITLE_ALL,          // Complete Test
    TXT_FT_TITLE_PRESS,        // Press Motor Test
    TXT_FT_TITLE_ALIGN,        // Alignment Test
    TXT_FT_TITLE_MIRROR,       // Mirror Position
    TXT_FT_TITLE_MOTOR,        // Motor Test
    TXT_FT_TITLE_CALI,         // Calibration Test
    TXT_FT_TITLE_FIBER,        // Fiber Test
    TXT_FT_TITLE_ROUND,        // Camera Angle
    TXT_FT_TITLE_ARC,          // Arc Test
    TXT_FT_TITLE_WAVE,         // Brightness Wave
    TXT_FT_TITLE_KEYPAD,       // Keypad Test
    TXT_FT_TITLE_SENSOR,       // Sensors
    TXT_FT_TITLE_SPLICE,       // Splice Test
    TXT_FT_TITLE_CAMERA,       // Camera Test
    TXT_FT_TITLE_ENDURANCE,    // Endurance Run
    TXT_FT_TITLE_NOISE,        // Noise Test
    TXT_FT_TITLE_MOTORCORRECT, // Motor Correction
    TXT_FT_TEMPERATURE,        // Temperature
    TXT_FT_HUMIDITY,           // Humidity
    TXT_FT_PRESSURE,           // Air pressure
    TXT_FT_BATTERY,            // Battery
    TXT_FT_COVER,              // Wind cover
    TXT_FT_OPEN,               // Open
    TXT_FT_CLOSED,             // Closed
    TXT_FT_SPLICES,            // Splices
    TXT_FT_STATS_HEAD,         // Mean / Min / Max / Std
    TXT_FT_LOSS,               // Loss (dB)
    TXT_FT_LEFT_ANGLE,         // Left angle (deg)
    TXT_FT_RIGHT_ANGLE,        // Right angle (deg)
    TXT_FT_CORE_ANGLE,         // Core angle (deg)
    TXT_FT_CORE_OFFSET,        // Core offset (um)
    TXT_FT_CYCLES,             // Cycles
    TXT_FT_PRESS_KEY,          // Press any key (Cancel twice: back)
    TXT_FT_KEY_CODE,           // Key code
    TXT_FT_KEY_NAME,           // Key name
    TXT_FT_KEYS_SEEN,          // Keys seen
    TXT_FT_NOT_RUN,            // Not run
    TXT_FT_READY_KEYS,         // Ready: press each key
};
