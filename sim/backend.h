// Controls of the simulator backend of the platform seam: the data root that instrument paths map
// into, the USB stick, device faults and the shell's sandbox. Used by the instrument, the
// scenario runner and tests; never by the application.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace sim {

// Data root of a run: DIR/mnt (flash), DIR/usb (the stick), DIR/tmp, DIR/sim (chips, screens).
// Creates the folders.
void set_data_root(const std::string& dir);
const std::string& data_root();
// Host path of an instrument path (what plat_path returns).
std::string host_path(std::string_view instrument_path);

// The USB stick: present means "/dev/sda1" can be mounted on "/media".
void set_usb_present(bool present);
bool usb_present();
bool usb_mounted();
// Taken out while mounted: every call on the stick fails (EIO) until "/media" is unmounted.
bool usb_pulled();
// Room on the stick in bytes (-1: unlimited): a write past it is cut short, then fails (ENOSPC).
void set_usb_capacity(int64_t bytes);
int64_t usb_capacity();
// The stick is pulled right after the `n`-th write point on it from now (0: never).
void usb_fault_pull_after(int n);

// Faults: a device path whose open fails (ENOENT), a request that fails with EIO the next
// `times` calls (-1: every call). clear_faults removes them all.
void fault_device_missing(const std::string& path, bool missing = true);
void fault_request(const std::string& path, unsigned long request, int times = -1);
void clear_faults();

// The simulated unit's shell runs nothing on the host: it answers a few file tools itself (see
// sim/shell.cpp) and, through these handlers, programs such as "wpa_cli": when the first program of
// a command has a handler, the handler gets the whole command and returns its exit status.
void set_shell_emulation(const std::string& program, std::function<int(const std::string&)> fn);
// The handler of an emulated program, or null.
std::function<int(const std::string&)> shell_emulation(const std::string& program);
// Resets the backend between tests: closes every descriptor and message queue, clears faults,
// unmounts the stick, forgets emulated programs (but keeps the data root and the devices).
void reset_backend();

// Handler run when the application switches the unit off; by default the process ends with the
// run's summary. Tests install their own.
void set_power_off_handler(std::function<void()> fn);
void power_off();

} // namespace sim
