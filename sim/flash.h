// The flash of the simulated instrument (DIR/mnt, "/mnt") and the USB stick (DIR/usb) as a power
// cut leaves them, and faults of file calls. Files are real files under the data root; while a
// cut is armed the model below follows every write point made through the seam.
#pragma once

#include <sys/stat.h>

#include <map>
#include <optional>
#include <string>

namespace sim
{

// ---- Power cuts -------------------------------------------------------------------------------------
// What a cut does to file data written but not fsynced: lost (the file holds its last fsynced
// contents), or cut short (it keeps the first half of what was written since, over the old data).
// Names created, renamed or removed since the last fsync of their directory go back either way.
enum class FlashLoss { Drop, Torn };

// Arms a power cut after the `n`-th write point from now (n >= 1): a write, an fsync of a file or a
// directory, a rename, an unlink, a mkdir, an rmdir, a file opened to create or truncate. What the
// flash holds now is taken as durable. Afterwards every write point on the flash fails with EIO
// until flash_power_restore. n = 0 arms the model without a cut (flash_power_cut_now cuts it).
void flash_fault_power_cut(int n, FlashLoss loss = FlashLoss::Drop);
// Cuts the power now (arming the model first if needed); a cut that fell already stays.
void flash_power_cut_now();
bool flash_power_was_cut();
// Write points counted since the cut was armed.
int flash_write_points();
// The reboot: after a cut the flash holds what survives it; the model is disarmed and the power
// is back. Without a cut nothing changes.
void flash_power_restore();

// Every regular file and directory of the flash and the stick (key: path below the data root, e.g.
// "mnt/usr/module.bin"; a directory holds no value). Loading makes the host trees equal to it,
// rewriting only the files changed since the image was taken.
struct FlashImage {
    std::map<std::string, std::optional<std::string>> entries;
    std::map<std::string, struct stat> taken; // each file as lstat saw it when taken
};
FlashImage flash_image();
void flash_load_image(const FlashImage& image);

// ---- Faults of file calls ------------------------------------------------------------------------------
// The next `times` calls `call` ("open", "write", "fsync", "rename", "unlink", "mkdir", "rmdir",
// "stat", "opendir", "fsync_dir") on instrument path `path` ("*": any) fail with `err` (-1: every
// call). A rename matches on either of its paths. clear_faults removes them too.
void fault_file(const std::string& path, const std::string& call, int times = -1, int err = 5 /*EIO*/);
void clear_file_faults();

// ---- Backend side ---------------------------------------------------------------------------------------
// Forgets an armed or fallen cut without touching the files (a new test, a new run).
void flash_reset();
// True when a host path lies on the flash or the stick.
bool on_flash(const std::string& host);
// False (errno EIO) when `host` lies on the flash and its power is cut.
bool flash_powered(const std::string& host);
bool flash_fd_powered(int fd);
// Called before a call changes or removes the file behind `fd` or at `host` (its data as armed is
// kept first: files nobody touches are never read).
void flash_before_change(int fd, const std::string& host);
// Write points, reported after the call did its work (the cut falls after it). Sync (the
// "sync" tool) makes everything durable.
enum class FlashEvent { Open, Write, Fsync, DirFsync, Rename, Unlink, Mkdir, Rmdir, Sync };
void flash_note(FlashEvent ev, int fd, const std::string& host);
// A file or directory (as lstat saw it before) lost a name: when that was its last one, its host
// inode number may be handed out again and no longer names it.
void flash_note_removed(const struct stat& before);
// The stick (sim/usb_stick.cpp): whether a host path lies on it; a write point on it (a pull may
// be armed after so many); how many of `count` bytes fit on it when written at `fd` (0: none, errno
// ENOSPC).
bool on_stick(const std::string& host);
void usb_note_write_point(int fd, const std::string& host);
size_t usb_room_for(int fd, size_t count);
// Whether an injected fault fails this call; sets errno.
bool file_fault(const std::string& call, const std::string& host, const std::string& host2 = "");
bool file_fault_fd(const std::string& call, int fd);
// The instrument path of a host path inside the data root ("/media/..." for the stick), for logs.
std::string instrument_path_of(const std::string& host);
// Host path of an open host descriptor ("" when unknown).
std::string host_path_of_fd(int fd);

} // namespace sim
