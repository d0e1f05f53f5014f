// The hardware keypad: raw scan codes from the key driver mapped to logical keys, and key events
// (down, up, repeat) with auto-repeat of held keys.
#pragma once

#include <cstdint>

#include "gui/base.h"

struct GUIKEYMAP {
    uint8_t bCode;   // logical code
    uint8_t bCombo;  // 1: two-key combination
    uint8_t bRepeat; // 1: a held key repeats
    uint8_t bKey1;
    uint8_t bKey2;
    GUIKEYMAP* pNext;
};

struct GUIKEYPAD {
    uint8_t bReserved;
    uint16_t wLastTime; // ms within the 32-second window
    uint16_t wLastRaw;
    uint8_t bLastKey;
    uint8_t bLastState; // 1 pressed, 2 released
    uint16_t wRepeat;   // ms, 0: no repeat
    uint16_t wBufSize;  // bytes
    uint16_t* pBuffer;
    int32_t iDevFd;
    char* strDevice; // also the name
    GUIKEYMAP* pKeyMap;
    // Codes read from the driver but not yet turned into events: pBuffer[2 + wNext] on, wPending
    // of them. Each pass takes one edge, so a short press made while the unit was busy still
    // gives its down and its up.
    uint16_t wNext;
    uint16_t wPending;
};

// Raw code bits.
constexpr uint16_t KEY_RAW_PRESS = 0x1000;
constexpr uint16_t KEY_RAW_COMBO = 0x2000;
// Key event bits.
constexpr uint16_t KEY_EVENT_DOWN = 0x100;
constexpr uint16_t KEY_EVENT_UP = 0x200;
constexpr uint16_t KEY_EVENT_REPEAT = 0x300;
constexpr uint16_t KEY_EVENT_NONE = 0x400; // codes were read, none made an event

int InitializeKeypadQueue();
int ReleaseKeypadQueue();
GUIKEYPAD* CreateKeypadDirect(uint16_t wRepeat, uint16_t wBufSize, const char* strDevice);
GUIKEYPAD* CreateKeypadIndirect(const GUIKEYPAD* pRecord);
int DeleteKeypadDirect(GUIKEYPAD* pKeypad);
int DeleteKeypadIndirect(const char* strDevice);
GUIKEYPAD* GetKeypadObject(const char* strDevice);

int _KeypadMapAdd(uint8_t bCode, uint8_t bCombo, uint8_t bRepeat, uint8_t bKey1, uint8_t bKey2,
                  GUIKEYPAD* pKeypad);
int _KeypadMapDel(uint8_t bCode, GUIKEYPAD* pKeypad);
GUIKEYMAP* GetKeypadMap(uint8_t bCode, GUIKEYPAD* pKeypad);
uint8_t _KeypadMapBuild(uint16_t wRaw, GUIKEYPAD* pKeypad);
// Adds the instrument's key map (logical codes 0 .. 19).
int _KeypadMapStandard(GUIKEYPAD* pKeypad);

uint16_t GetKeypadEvent(GUIKEYPAD* pKeypad);
void SetRepeatEvent(uint8_t bFlag);
uint8_t CheckRepeatEvent();
extern uint8_t _bEventRepeat;
