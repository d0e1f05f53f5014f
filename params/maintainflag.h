// The maintenance progress byte: each maintenance step that succeeded sets its bits; when all six
// are set the maintenance date and count are saved.
#pragma once

#include <cstdint>

constexpr uint8_t MAINTAIN_ALL = 0x3F;
// The motor calibration's bits; the electrode stabilisation and the arc calibration own the others.
constexpr uint8_t MAINTAIN_BITS_MOTOR = 0x03;

extern uint8_t MaintainFlag;

// Sets `bits`; when that completes the six, saves the maintenance information. 0, or the save's
// failure (the bits are then left as they were, so the next step tries again).
int SetMaintainBits(uint8_t bits);
