// The splice log step: the file on the stick, its directory and the mount (see splicelog.h).
#include "splice/splicelog.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cstdio>

#include "platform/seam.h"

namespace
{
constexpr const char* kMedia = "/media";

// Releases the stick's mount on every way out unless the file was handed over.
struct MediaMount {
    bool mounted = false;
    ~MediaMount()
    {
        if (mounted) plat_umount(kMedia);
    }
};
} // namespace

int SpliceLogDirectory(char* buf, size_t size)
{
    MachineParameter m{};
    if (!buf || GetTable_MachinePar(&m) != 0) return -1;
    int n = std::snprintf(buf, size, "/media/%3x%8x", unsigned(m.wMachSerNumHigh), unsigned(m.dwMachSerNum));
    return n > 0 && size_t(n) < size ? 0 : -1;
}

int openSpliceInfoFile(int target, int spliceNum, int flags)
{
    char dir[64], path[96];
    MediaMount mount;
    if (target == 1) {
        if (plat_mount("/dev/sda1", kMedia, "vfat", MS_SYNCHRONOUS, nullptr) != 0) {
            std::printf("openSpliceInfoFile() mount USB ERR\r");
            return -1;
        }
        mount.mounted = true;
        if (SpliceLogDirectory(dir, sizeof dir) != 0) return -1;
    } else {
        std::snprintf(dir, sizeof dir, "/mnt");
    }
    std::snprintf(path, sizeof path, "%s/%04d.txt", dir, spliceNum);
    struct stat st {
    };
    if (plat_stat(dir, &st) != 0 && plat_mkdir(dir, 0766) != 0) {
        std::perror("mkdir err");
        std::printf("Failed to mkdir %s \r\n", dir);
        return -1;
    }
    std::printf("spliceInfoFilePath = %s\r\n", path);
    int fd = plat_open(path, flags, 0766);
    if (fd < 0) {
        std::printf("Failed to open %s\n", path);
        return -1;
    }
    mount.mounted = false; // the caller closes the file, then unmounts
    return fd;
}

int printSliceInfoToStorage(int stage, int spliceNum)
{
    std::printf("this is printSliceInfoToSD() spliceNum = %d\r\n", spliceNum);
    static const char* const kOpenFailed[] = {
        "openSpliceInfoFile() IN FLOW_SUSPEND_ONE failed \r",
        "openSpliceInfoFile() IN FLOW_SUSPEND_TWO failed \r",
        "openSpliceInfoFile() IN FLOW_COMPLETE failed \r",
    };
    if (stage < SPLICE_LOG_PAUSE_ONE || stage > SPLICE_LOG_COMPLETE) {
        std::printf("printSliceInfo() SpliceFlowType ERR\r");
        return -1;
    }
    // Every stage appends: a splice number met again (the counter reset, a second unit's stick)
    // never truncates an earlier splice's log. Pause 1 starts the file when it is missing.
    int flags = O_RDWR | O_APPEND | (stage == SPLICE_LOG_PAUSE_ONE ? O_CREAT : 0);
    int fd = openSpliceInfoFile(1, spliceNum, flags);
    if (fd < 0) {
        std::printf("%s", kOpenFailed[stage]);
        return -1;
    }
    int r = printPrefix(&stage, fd);
    r |= printCurrentFiberStruct(GetFiberStruct(), fd);
    r |= printCurrentSpliceInfoStruct(GetCurrentInformation(), fd);
    APPTABLE_OPTION option{};
    TABLEFACTORYSYS factory{};
    r |= printAPPTABLE_OPTION(GetTable_SpliceOption(&option) == 0 ? &option : nullptr, fd);
    r |= printTABLEFACTORYSYS(GetTable_FactSys(&factory) == 0 ? &factory : nullptr, fd);
    if (plat_fsync(fd) != 0) r = -1;
    if (plat_close(fd) != 0) r = -1;
    if (plat_umount(kMedia) != 0) r = -1;
    return r == 0 ? 0 : -1;
}
