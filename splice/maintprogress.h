// The maintenance progress byte: each maintenance procedure that passes sets its bits; once all
// of them are set the maintenance date and count are saved.
#pragma once

#include <cstdint>

constexpr uint8_t MAINT_PROGRESS_ALL = 0x3F;

// Sets `bits`; when that completes the byte, saves the maintenance information (its result,
// else 0). The byte lives as long as the program.
int MaintainProgressSet(uint8_t bits);
uint8_t MaintainProgress();
void MaintainProgressClear();
