// The software update from a USB stick: unpacking the package into "/tmp", installing the images,
// the new default parameters, the resource archive and the microcontroller firmware, the update
// log, and the flag that holds shutdowns off meanwhile. The screen supplies the drawing.
#pragma once

#include <string>

constexpr const char* UPD_PACKAGE_PATH = "/mnt/Update/K7Q2_sw_m6.bin";
constexpr const char* UPD_LOG_PATH = "/mnt/usr/usbUpdata.log";

// Update state shown by the screen.
enum { UPD_STATE_IDLE = 0, UPD_STATE_RUNNING = 1, UPD_STATE_DONE = 2, UPD_STATE_FAILED = 3 };

// What the update shows and asks; the default does nothing and cancels a downgrade.
struct UpdateView {
    virtual ~UpdateView() = default;
    virtual void ShowState(int /*state*/) {}
    virtual void ShowCaution() {}
    virtual void ShowStep(int /*step 1..7*/) {}
    virtual void ShowUsbOut() {}
    virtual void ShowMessage(const std::string& /*text*/) {}
    // The downgrade prompt is shown: true to go on, false to cancel.
    virtual bool ConfirmDowngrade() { return false; }
};

int GetUpdateState();
// Set while files are being replaced; shutdowns and reporting wait for it to clear.
int getIfUpdateing();
extern bool _bDefaultParFlag;

// Opens and unpacks the package into "/tmp": 1 when unpacked, 0 otherwise (nothing left there).
int CreateUpdateFile(UpdateView& view);
// Flashes the microcontroller; returns the flasher's wait status.
int stm32Update();
int usbUpdataLogOpen();
void writeUsbUpdataLog(int fd, const char* text);
// The whole update. Returns only on failure or cancel (state 3 or 0); on success the unit reboots.
int touchOk_Click(UpdateView& view);
// Releases what a cancelled downgrade left mounted (the screen calls it when it is left).
void UpdateRelease();
