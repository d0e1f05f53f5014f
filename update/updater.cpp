// The software update sequence. Nothing under "/mnt" that the unit runs from is touched before
// the package has been checked whole and unpacked; every exit releases the mounts, the package,
// the file being written and the log, and clears the unpacked files and "/mnt/Update".
#include "update/updater.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "net/location.h"
#include "params/param_reset.h"
#include "params/param_store.h"
#include "params/param_tables.h"
#include "platform/seam.h"
#include "shell/shell.h"
#include "texts/textres.h"
#include "update/updatepackage.h"

bool _bDefaultParFlag = false;

namespace
{

std::atomic<int> g_state{UPD_STATE_IDLE};
std::atomic<int> isUpdateSoftware{0};
bool g_mediaMounted = false;
bool g_tmpMounted = false;
bool g_cancelled = false;
std::string g_failure; // what stopped the unpacking, for the log

constexpr int kCopyBlock = 96;
constexpr const char* kMcuCommand = "/mnt/usr/stm32fl -w /mnt/usr/mcu.hex -v -g 0 ";
constexpr const char* kMcuPort = "/dev/ttyS2";

// A descriptor closed on every path.
struct Fd {
    int fd;
    explicit Fd(int f) : fd(f) {}
    ~Fd()
    {
        if (fd >= 0) plat_close(fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int close()
    {
        int r = fd >= 0 ? plat_close(fd) : 0;
        fd = -1;
        return r;
    }
};

bool exists(const char* path)
{
    struct stat st {
    };
    return plat_stat(path, &st) == 0;
}

void clear_update_dir()
{
    if (exists("/mnt/Update")) rm_dir("/mnt/Update");
}

void clear_unpacked()
{
    for (int f = 0; f < UPD_FILE_COUNT; ++f)
        plat_unlink(UpdFileOf(f).tmp);
}

// Copies one section into its file in "/tmp", 96 bytes at a time and then the remainder.
bool extract(int pkg, const UpdSection& s, const char* to)
{
    Fd out(plat_open(to, O_WRONLY | O_CREAT | O_TRUNC, 0777));
    if (out.fd < 0) {
        g_failure = std::string("cannot create ") + to;
        return false;
    }
    if (plat_lseek(pkg, off_t(s.offset), SEEK_SET) != off_t(s.offset))
        return g_failure = "seek failed", false;
    uint8_t buf[kCopyBlock];
    for (uint32_t left = s.length; left > 0;) {
        size_t n = left < kCopyBlock ? left : kCopyBlock;
        ssize_t r = plat_read(pkg, buf, n);
        if (r != ssize_t(n)) {
            g_failure = std::string("short read of the package for ") + to;
            return false;
        }
        if (plat_write(out.fd, buf, n) != ssize_t(n)) {
            g_failure = std::string("cannot write ") + to;
            return false;
        }
        left -= uint32_t(n);
    }
    if (out.close() != 0) return g_failure = std::string("cannot write ") + to, false;
    return true;
}

// Installs a file by a copy beside it and a rename, so the old one stays whole until the new one is.
bool install(const char* from, const char* to)
{
    std::string part = std::string(to) + ".upd";
    if (!CopyFile(from, part.c_str())) return false;
    if (plat_rename(part.c_str(), to) != 0) {
        plat_unlink(part.c_str());
        return false;
    }
    plat_fsync_dir(to);
    return true;
}

void release_mounts()
{
    if (g_tmpMounted && plat_umount("/tmp") == 0) g_tmpMounted = false;
    if (g_mediaMounted && plat_umount("/media") == 0) g_mediaMounted = false;
}

void log_line(int fd, const std::string& text)
{
    std::printf("%s\n", text.c_str());
    writeUsbUpdataLog(fd, (text + " \r\n").c_str());
}

} // namespace

int GetUpdateState()
{
    return g_state;
}
int getIfUpdateing()
{
    return isUpdateSoftware;
}

int CreateUpdateFile(UpdateView& view)
{
    _bDefaultParFlag = false;
    g_cancelled = false;
    g_failure.clear();
    Fd pkg(plat_open(UPD_PACKAGE_PATH, O_RDONLY));
    if (pkg.fd < 0) {
        std::printf("Failed to open updatefile\n");
        g_failure = "no package";
        return 0;
    }
    std::printf("read updatefile\n");
    UpdPackage p;
    std::string why;
    if (UpdPackageScan(pkg.fd, &p, &why) != 0) {
        g_failure = "package damaged: " + why;
        std::printf("%s\n", g_failure.c_str());
        return 0;
    }
    char cur[UPD_FILE_COUNT * UPD_VERSION_LEN];
    if (GetCurrentVersion(cur) != 0) {
        g_failure = "installed versions unreadable";
        return 0;
    }
    PrintFilesVersion(cur, p.header);
    auto installed = [&](int f) { return cur + f * UPD_VERSION_LEN; };
    if (UpdVersionBelow(p.header.version[UPD_APP], installed(UPD_APP))) {
        if (!boardIsOutChina) {
            view.ShowMessage("Inland Can Not Reduce");
            g_failure = "downgrade refused";
            return 0;
        }
        char msg[64];
        std::snprintf(msg, sizeof msg, "May crash by %.8s, press 'O' to continue", p.header.version[UPD_APP]);
        view.ShowMessage(msg);
        if (!view.ConfirmDowngrade()) {
            g_cancelled = true;
            g_failure = "downgrade cancelled";
            return 0;
        }
    }
    for (UpdFile f : kUpdSectionOrder) {
        const char* v = p.header.version[f];
        bool differ = std::strncmp(v, installed(f), UPD_VERSION_LEN) != 0;
        bool take =
            f == UPD_APP || (f == UPD_LINUXCOM ? std::strncmp(v, installed(f), UPD_VERSION_LEN) > 0 : differ);
        if (!take) continue;
        std::printf("create %s\n", UpdFileOf(f).name);
        if (!extract(pkg.fd, p.section[f], UpdFileOf(f).tmp)) {
            std::printf("%s\n", g_failure.c_str());
            clear_unpacked();
            return 0;
        }
        if (f == UPD_DEFAULT_PAR) _bDefaultParFlag = true;
    }
    return 1;
}

int stm32Update()
{
    std::printf("stm32Update enter\n");
    char bufCmd[128];
    std::snprintf(bufCmd, sizeof bufCmd, "%s%s", kMcuCommand, kMcuPort);
    std::printf("bufCmd is %s\r\n", bufCmd);
    int st = vsystem(bufCmd);
    std::printf("stm32Update leave\n");
    return st;
}

int usbUpdataLogOpen()
{
    int fd = plat_open(UPD_LOG_PATH, O_WRONLY | O_CREAT | O_APPEND, 0766);
    if (fd < 0) {
        std::printf("Failed to open %s\n", UPD_LOG_PATH);
        return -1;
    }
    struct tm t {
    };
    plat_localtime(plat_time(), &t);
    char line[80];
    std::snprintf(line, sizeof line, "< %4d-%02d-%02d %02d:%02d > Start Usb Updata \r\n", t.tm_year + 1900,
                  t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min);
    writeUsbUpdataLog(fd, line);
    return fd;
}

void writeUsbUpdataLog(int fd, const char* text)
{
    if (fd < 1 || !text) return;
    size_t n = std::strlen(text);
    if (plat_write(fd, text, n) != ssize_t(n)) std::printf("usbUpdata.log write failed\n");
}

void UpdateRelease()
{
    release_mounts();
}

int touchOk_Click(UpdateView& view)
{
    g_state = UPD_STATE_IDLE;
    view.ShowState(g_state);
    view.ShowCaution();
    view.ShowStep(1);
    release_mounts(); // left by a cancelled downgrade
    int log = -1;
    int step = 1;
    auto failed = [&](const std::string& why) {
        clear_unpacked();
        clear_update_dir();
        if (log >= 0) {
            char line[160];
            std::snprintf(line, sizeof line, "update failed at step %d: %s \r\n", step, why.c_str());
            writeUsbUpdataLog(log, line);
            plat_fsync(log);
            plat_close(log);
        }
        std::printf("update failed at step %d: %s\n", step, why.c_str());
        release_mounts();
        g_state = UPD_STATE_FAILED;
        isUpdateSoftware = 0;
        view.ShowState(g_state);
        return int(UPD_STATE_FAILED);
    };
    if (plat_mount("/dev/sda1", "/media", "vfat", MS_SYNCHRONOUS, nullptr) != 0)
        return failed("no USB stick");
    g_mediaMounted = true;
    if (plat_mount("ramfs", "/tmp", "ramfs", MS_SYNCHRONOUS, nullptr) != 0) return failed("no /tmp");
    g_tmpMounted = true;

    isUpdateSoftware = 1;
    g_state = UPD_STATE_RUNNING;
    view.ShowState(g_state);
    view.ShowStep(step = 2);
    log = usbUpdataLogOpen();
    msystem("cp /mnt/usr/mcu.hex /mnt/usr/mcu_cur.hex");
    clear_update_dir(); // a package left by an earlier run is never installed
    msystem("mkdir /mnt/Update");
    msystem("unzip -o /media/*.zip -d /mnt/Update/");
    msystem("cp /media/K7Q2_sw_m6.bin /mnt/Update/ -r");
    msystem("cp /media/res.zip /mnt/Update/ -r");

    if (!CreateUpdateFile(view)) {
        if (!g_cancelled) return failed(g_failure);
        // A cancelled downgrade: nothing changed; the mounts stay until the screen is left.
        clear_update_dir();
        writeUsbUpdataLog(log, "downgrade cancelled \r\n");
        if (log >= 0) plat_close(log);
        isUpdateSoftware = 0;
        g_state = UPD_STATE_IDLE;
        view.ShowState(g_state);
        return int(UPD_STATE_IDLE);
    }
    view.ShowStep(step = 3);
    if (!exists("/tmp/appmain")) return failed("no application unpacked");

    view.ShowStep(step = 4);
    msystem("killall usbkey linuxcom");
    log_line(log, "cp -f /tmp/appmain /mnt/");
    if (vsystem("cp -f /tmp/appmain /mnt") != 0) return failed("cannot install appmain");
    for (int f : {UPD_BOOT, UPD_IMAGE, UPD_DEFAULT_PAR, UPD_CHIP, UPD_LINUXCOM}) {
        const UpdFileInfo& i = UpdFileOf(f);
        if (!exists(i.tmp)) continue;
        std::string dir = std::string(i.installed, std::strrchr(i.installed, '/') + 1);
        log_line(log, std::string("cp -f ") + i.tmp + " " + dir);
        if (!install(i.tmp, i.installed)) return failed(std::string("cannot install ") + i.name);
        if (f == UPD_DEFAULT_PAR && _bDefaultParFlag) {
            // New defaults reset the store with calibration, identity, language and counters kept.
            if (ReReadDefault() == 0) std::printf("Read default par done\n");
            if (DefaultParLoaded() && FormatDefaultParameterEX() == 0) {
                SyncLanguageChange(GetCurrentLanguage());
                log_line(log, "Format parameter successfully");
            } else {
                log_line(log, "Format parameter failed");
            }
        }
    }

    view.ShowStep(step = 5);
    msystem("unzip -o /mnt/Update/res.zip -d /mnt");

    view.ShowStep(step = 6);
    plat_sleep_ms(1000);
    writeUsbUpdataLog(log, "********** stm32Update start ************ \r\n");
    // The location service talks to the same microcontroller: stop it before the flash.
    locationBaseServiceRelease();
    int mcu = stm32Update();
    plat_sleep_ms(1000);
    char line[80];
    std::snprintf(line, sizeof line, "stm32Update status %d \r\n", mcu);
    writeUsbUpdataLog(log, line);
    if (mcu != 0) view.ShowMessage("MCU update failed");
    writeUsbUpdataLog(log, "********** stm32Update end ************ \r\n");

    clear_update_dir();
    g_state = UPD_STATE_DONE;
    view.ShowState(g_state);
    view.ShowStep(step = 7);
    plat_sleep_ms(1000);
    view.ShowUsbOut();
    writeUsbUpdataLog(log, "done, rebooting... \r\n \r\n");
    plat_sleep_ms(1000);
    if (log >= 0) {
        plat_fsync(log);
        plat_close(log);
    }
    release_mounts();
    msystem("reboot");
    return int(UPD_STATE_DONE);
}
