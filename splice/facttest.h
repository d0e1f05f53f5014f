// The measurements behind the factory test screens: motor travel, the fibre's shadow in the
// brightness profiles (position and tilt per view), background level and noise, an arc's glow,
// the sensor readings. Each fills result lines; drawing is left to the screens.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One result line: a label, its reading and, for a checked reading, the verdict.
struct FACTTESTLINE {
    std::string label, value;
    int verdict = -1;  // 1 pass, 0 fail, -1 a reading without a limit
    uint32_t text = 0; // text number shown in place of the label, 0: the label itself
};
using FactTestLines = std::vector<FACTTESTLINE>;

// True when no line failed.
bool FactTestPassed(const FactTestLines& lines);

// Each motor of the mask (MOT_* bits) travels `steps` from where it stands and back; a line per
// motor with the positions read before, at the far point and back. Returns 0 when all passed.
int FactTestMotorTravel(uint32_t mask, int steps, FactTestLines& out);
// The press motors homed, then their travel.
int FactTestPress(FactTestLines& out);
// The alignment motors homed, then their travel.
int FactTestAlign(FactTestLines& out);
// All six motors homed, to a position and back.
int FactTestMotor(FactTestLines& out);

// The fibre's shadow in one column of a view (1 X, 2 Y): its centre row (sub-pixel) and width;
// false when the column shows no shadow.
bool FactTestShadow(int view, int column, double* centre, double* width);
// Both take the laid pair into view first (the reduced splice sequence: fed to the gap, aligned).
// "Mirror Position": the fibres' centre rows in each view against the middle of the frame.
int FactTestMirror(FactTestLines& out);
// "Camera Angle": the tilt of each fibre in each view, from its shadow at two columns.
int FactTestRound(FactTestLines& out);
// Calibration: the background level of each view and the electrode column.
int FactTestCali(FactTestLines& out);
// Fires an arc of `power` for `ms` and reads the glow in both views against the dark baseline.
int FactTestArc(int power, int ms, FactTestLines& out);

// The arc test at the power and time a technician checks the generator with.
int FactTestArcStandard(FactTestLines& out);
// Every automatic test in order (press, align, motor, mirror, calibration, arc): a line each.
int FactTestAll(FactTestLines& out);

// Keeps where the alignment motors stand as their home in the factory motor table (positions
// outside their limits are refused). 0, or -1.
int FactTestStoreAlignHome(int* x, int* y);

// Background level and temporal noise of one view's row profile over `frames` reads.
struct FACTNOISE {
    double mean = 0, noise = 0, spread = 0; // grey levels: mean, temporal std, spatial std
};
int FactTestNoise(int view, int frames, FACTNOISE* result);

// Sensor readings: temperature, humidity, pressure, battery, cover.
struct FACTSENSORS {
    bool env = false;
    double temperature = 0, humidity = 0, pressure = 0; // degree C, %, kPa
    bool battery = false;
    uint32_t batteryRaw = 0;
    int cover = -1; // 1 open, 0 closed, -1 unread
};
FACTSENSORS FactTestReadSensors();
