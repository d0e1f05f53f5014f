// The platform character devices: the device table, their start and release, and the requests
// that are not motors, arc or heater (FPGA registers, cover, camera sensors, environment sensor,
// frame device, LCD, LEDs, speaker, power controller, key-driver flags, the key-code queue).
#pragma once

#include <mqueue.h>
#include <sys/time.h>

#include <cstdint>
#include <ctime>

#include "platform/requests.h"
#include "platform/sync.h"

// Slots of the device table (GetDeviceFd). Slots 2, 12 and 14 are never opened here.
enum PlatDeviceIndex {
    PLATDEV_MISC = 0,
    PLATDEV_CAMERA = 1,
    PLATDEV_SERIAL = 2,
    PLATDEV_ENV = 3,
    PLATDEV_FRAME = 4,
    PLATDEV_HEATER = 5,
    PLATDEV_HIGHVOLT = 6,
    PLATDEV_LCD = 7,
    PLATDEV_LED = 8,
    PLATDEV_MOTOR = 9,
    PLATDEV_FPGA = 10,
    PLATDEV_POWER = 11,
    PLATDEV_CLOCK = 12,
    PLATDEV_BEEP = 13,
    PLATDEV_NONE = 14,
    PLATDEV_COUNT = 15
};

// ---- Start and end ------------------------------------------------------------------------------
// Opens every device in start-up order; always 0 (a device that fails stays closed).
int InitializePlatform();
// Releases every device, the clock chip among them; the unit stays on (ShutdownSplicer is the
// last step of the shutdown, once the parameters are written back and the GUI is gone).
int ReleasePlatform();
// Descriptor of a table slot; -1 for a closed device or an unknown index.
int GetDeviceFd(int index);

// Openers return -1 when the device is already open or cannot be opened; releases 0, or -1 when
// the device was not open.
int InitializeDevSpeaker();
int ReleaseDevSpeaker();
int InitializeDevFpga();
int ReleaseDevFpga();
int InitializeDevCamera();
int ReleaseDevCamera();
int InitializeDevFrame();
int ReleaseDevFrame();
int InitializeDevEnvironment();
int ReleaseDevEnvironment();
int InitializeDevLcd();
int ReleaseDevLcd();
int InitializeDevLed();
int ReleaseDevLed();
int InitializeDevMisc();
int ReleaseDevMisc();
int InitializeDevPower();
int ReleaseDevPower();

// ---- Miscellaneous device -----------------------------------------------------------------------
// FPGA register read: value is the register word shifted right by 8. 0, or -1.
int ReadFpgaRegister(uint32_t address, uint32_t* value);
int WriteFpgaRegister(uint32_t address, uint32_t value);
// 1 cover open, 0 closed, -1 closed device or failed request.
int GetCoverStatus();
// Buzzer switch of the buzzer menu.
int SetBuzzerSwitch(uint32_t on);
// Reads the cover; when it opens (and no motor runs) homes all motors once. state (may be null)
// receives 1 open / 0 closed. Returns the homing result, 0 when nothing was done, -1 when the
// miscellaneous or motor device is closed.
int CheckCoverStatus(int* state);

// ---- Camera sensors and brightness lines --------------------------------------------------------
// camera: bit set, 1 X, 2 Y, 3 both; register <= 32.
int WriteCameraReg(int camera, int reg, int value);
// As WriteCameraReg, and keeps the value in the factory camera page (saved for one camera;
// for both cameras both pages are saved).
int SetCameraPara(int camera, int reg, int value);
// Sends one camera's whole register image (camera 1 or 2) from the factory camera pages: the reset
// of a camera that stopped delivering frames. 0, or -1.
int ResendCameraImage(int camera);
// Stored value of a register (camera 1 or 2, register <= 32) from the factory block.
int GetCameraPara(int camera, int reg, uint8_t* value);
// Live sensor register (camera 1 or 2, register <= 143).
int ReadCameraReg(int camera, int reg, uint32_t* value);
// Compares both sensors with their stored images and resends the image of a sensor that differs.
// Returns 0 when both matched, a bit set of the resent sensors (1 X, 2 Y), or -1 (closed device).
int CameraStatusMonitor();
// The same while a procedure holds the exposures (registers 3 and 4) of the X and Y sensor at
// exposure[0] and exposure[1]: those are what the sensors must hold, not the stored ones.
int CameraStatusMonitorExposure(const int* exposure);
// Brightness lines: 0..3 X camera, 4..7 Y camera (column profiles, 480 bytes), 8 and 9 the row
// profiles (640 bytes). Positions are columns 1..639.
int SetBrightWavePosition(int line, int position);
int GetBrightWave(int line, uint8_t* buffer);
int ResetBrightWavePos();
// Electrode column of view 1 (X) or 2 (Y) as shown on the screen (mirrored at the rear).
int GetElectrodeLocationInLcdPosition(int view);

// ---- Environment ------------------------------------------------------------------------------
// Copies the last environment record; -1 until the sensor was read once (nothing copied).
int GetEnvironmentValue(EnvironmentRecord* record);
// Reads the sensor now and publishes the record; 0, or -1 (closed device, short read).
int ReadEnvironmentRecord();
// Worker thread: reads the record every 10 s until asked to stop.
void* thread_routine_environment(void* arg);
int GetBatteryVoltage(uint32_t* value);

// ---- Frame device -------------------------------------------------------------------------------
// Camera 1 or 2: rows and columns of its picture.
int GetCameraRowCol(int camera, uint32_t* rows, uint32_t* cols);

// ---- LCD ----------------------------------------------------------------------------------------
int LcdPowerOn();
int LcdPowerOff();
int LcdBrightAdd();
int LcdBrightSub();
int SetLcdBright(uint32_t level); // clamped into 8..80
int GetLcdBright(uint32_t* level);
int LcdTurnFront();
int LcdTurnRear();

// ---- LEDs ---------------------------------------------------------------------------------------
int LedOn();
int LedOff();
int LedGrab(); // request sent around image grabs

// ---- Speaker ------------------------------------------------------------------------------------
// Plays the sound of an event (key code, error code, 4097 heating started, 4098 finished).
// 0 played or silent, -1 speaker not open.
int SpeakerPutSound(int event);
// Sound number an event maps to (0: none).
int SoundOfEvent(int event);

// ---- Power --------------------------------------------------------------------------------------
// Asks the power device to switch the unit off (through its own descriptor once released); -1
// when the device cannot be reached.
int ShutdownSplicer();
int GetPowerType(uint32_t* type);

// ---- Key-driver flags (sent to the keypad object's descriptor of "/dev/platkey") ---------------
// Non-zero after the Reset key; 0 also when the key device cannot be read.
int GetResetFlag();
int ClearResetFlag();
int SetResetFlag();
int DisableResetFunc();
int EnableResetFunc();
int KeyIgnoreOn();
int KeyIgnoreOff();
// Keypad light time in seconds; above 120 returns 1 and sends nothing.
int KeypadLightDly(uint32_t seconds);

// ---- Key-code message queue "/keycode" ----------------------------------------------------------
int InitializeMessageQueue();
int RemoveMessageQueue();
mqd_t GetMessageQueue(); // (mqd_t)-1 when not open
// One key code from the queue (marks repeats), 0 when none.
int GetComEvent(mqd_t queue);

// ---- Time -----------------------------------------------------------------------------------------
// Current monotonic time as seconds and microseconds (the start time of UserMSleep).
void GetUserTime(struct timeval* now);
// True while less than ms milliseconds have passed since start (monotonic).
bool UserMSleep(const struct timeval* start, uint32_t ms);
// 1 and stores now when span seconds have passed since *stored; 1 without storing when *stored
// lies in the future; else 0. Times are monotonic seconds.
int CheckTimeSlot(time_t* stored, int span);
