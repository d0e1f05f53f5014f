// The six motors as the maintenance motor screens list them: their names, positions and limits,
// and an absolute move of one motor kept within its limits.
#pragma once

#include <cstdint>
#include <string>

constexpr int MAINT_MOTOR_COUNT = 6;

struct MAINTMOTOR {
    uint32_t mask; // one motor's bit (the feed motors follow the orientation)
    uint32_t name; // text number
    int position;  // steps, as read
    int lower, upper;
    bool read; // position and limits were read
};

// Motor i (0 left feed, 1 right feed, 2 X focus, 3 Y focus, 4 X align, 5 Y align), read now.
MAINTMOTOR MaintMotorRead(int i);
// Moves motor i to `target`, clamped into its limits; the other motor of its pair stays. 0, or -1
// (position unreadable, the move refused or failed). *reached gets the position read after it.
int MaintMotorMoveTo(int i, int target, int* reached);
// A motor's travel as the lists show it: "lower .. upper".
std::string MaintMotorRange(int lower, int upper);
