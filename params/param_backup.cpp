// Erase, user default file and stick export of the parameter store.
#include "params/param_backup.h"

#include <fcntl.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "params/param_store.h"
#include "platform/seam.h"

namespace
{

constexpr int P = E2PROM_PAGE_SIZE;

// Pages of "usr.par" in file order (relative pages of the part).
std::vector<int> file_order(int userSlot)
{
    std::vector<int> v = {userSlot, PAR_PAGE_RESERVED};
    for (int p = PAR_PAGE_FACTSYS; p < PAR_PART_PAGES; ++p)
        v.push_back(p);
    return v;
}

struct Range {
    int page; // -1: the user information page
    int from, to;
};
// What a restore leaves as the unit has it (byte ranges, inclusive).
constexpr Range kKeptByRestore[] = {
    {-1, 0, 3},
    {-1, 24, 27},
    {-1, 32, 35},
    {PAR_PAGE_FACTSYS, 52, 67},
    {PAR_PAGE_MACHINE, 8, 11},
    {PAR_PAGE_MACHINE, 52, 71},
    {PAR_PAGE_MACHINE, 80, 90},
    {PAR_PAGE_MACHINE, 92, 95},
    {PAR_PAGE_MACHINE, 100, 102},
    {PAR_PAGE_MACHINE, 105, 112},
};

uint8_t* active_part()
{
    return E2promData + (pValidModuleInfo->SysParBaseAddr ? PAR_PART_PAGES : 0) * P;
}

int active_page0()
{
    return pValidModuleInfo->SysParBaseAddr ? PAR_PART_PAGES : 0;
}

bool read_whole(const char* path, std::vector<uint8_t>& out, size_t limit)
{
    const int fd = plat_open(path, O_RDONLY);
    if (fd < 0) return false;
    out.clear();
    uint8_t buf[4096];
    bool ok = true;
    for (;;) {
        const ssize_t n = plat_read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        out.insert(out.end(), buf, buf + n);
        if (out.size() > limit) break; // too long: no need to read on
    }
    plat_close(fd);
    return ok;
}

} // namespace

int FormatE2prom()
{
    if (!DefaultParLoaded()) {
        std::printf("FormatE2prom: no complete default image, nothing erased\n");
        return -1;
    }
    if (!E2prom_IsOpen() && E2prom_open() < 0) return -1;
    E2prom_Lock();
    // The unit runs on its tables in memory until it restarts; nothing is saved into the erased
    // chip meanwhile (the start formats it from the default image).
    pValidModuleInfo = nullptr;
    uint8_t blank[P];
    std::memset(blank, 0xFF, sizeof blank);
    int rc = 0;
    for (int page = 0; page < E2PROM_PAGE_NUM && rc == 0; ++page) {
        if (page == E2PROM_REGION_PAGE) continue;
        if (E2prom_write_check(page, blank) != 0) rc = -1;
    }
    E2prom_Unlock();
    if (rc == 0) std::printf("Done...\n");
    return rc;
}

int SaveDefaultParameter()
{
    E2prom_Lock();
    if (!pValidModuleInfo) {
        E2prom_Unlock();
        return -1;
    }
    std::vector<uint8_t> file;
    file.reserve(USR_PAR_SIZE);
    for (int rel : file_order(pValidModuleInfo->UserInfoIndex)) {
        uint8_t page[P];
        std::memcpy(page, active_part() + rel * P, P);
        E2prom_SetPageCrc(page);
        file.insert(file.end(), page, page + P);
    }
    E2prom_Unlock();
    if (ParamFileReplace(USR_PAR_FILE, file.data(), file.size()) != 0) {
        std::printf("SaveDefaultParameter: %s not written\n", USR_PAR_FILE);
        return -1;
    }
    return 0;
}

int RestoreDefaultParameter()
{
    if (!pValidModuleInfo) return -1;
    std::vector<uint8_t> file;
    if (!read_whole(USR_PAR_FILE, file, USR_PAR_SIZE)) {
        std::printf("RestoreDefaultParameter: %s cannot be read\n", USR_PAR_FILE);
        return -1;
    }
    if (file.size() != USR_PAR_SIZE) {
        std::printf("RestoreDefaultParameter: %s has %zu bytes, not %zu: nothing restored\n", USR_PAR_FILE,
                    file.size(), USR_PAR_SIZE);
        return -2;
    }
    for (int i = 0; i < USR_PAR_PAGES; ++i)
        if (!E2prom_PageCrcOk(file.data() + i * P)) {
            std::printf("RestoreDefaultParameter: page %d of %s is damaged: nothing restored\n", i,
                        USR_PAR_FILE);
            return -2;
        }
    E2prom_Lock();
    if (!pValidModuleInfo) {
        E2prom_Unlock();
        return -1;
    }
    const int slot = pValidModuleInfo->UserInfoIndex;
    const std::vector<int> order = file_order(slot);
    uint8_t* cur = active_part();
    int rc = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        const int rel = order[i];
        if (rel == PAR_PAGE_RESERVED) continue;
        uint8_t page[P];
        std::memcpy(page, file.data() + i * P, P);
        for (const Range& r : kKeptByRestore)
            if ((r.page < 0 ? slot : r.page) == rel)
                std::memcpy(page + r.from, cur + rel * P + r.from, size_t(r.to - r.from) + 1);
        E2prom_SetPageCrc(page);
        std::memcpy(cur + rel * P, page, P);
        if (E2prom_write_check(active_page0() + rel, page) != 0) rc = -3;
    }
    E2prom_Unlock();
    return rc;
}

int ExportDefaultParameter()
{
    std::vector<uint8_t> part(PAR_PART_SIZE);
    E2prom_Lock();
    const bool inUse = pValidModuleInfo != nullptr;
    if (inUse) std::memcpy(part.data(), active_part(), part.size());
    E2prom_Unlock();
    if (!inUse) return -1;
    if (plat_mount("/dev/sda1", "/media", "vfat", MS_SYNCHRONOUS, nullptr) != 0) return -1;
    const int r = ParamFileReplace(PAR_EXPORT_FILE, part.data(), part.size());
    const int u = plat_umount("/media");
    return r == 0 && u == 0 ? 0 : -1;
}
