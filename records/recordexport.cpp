// Record export to the stick. The copy is built in "/media/Record.part" and renamed into place
// only when every file is written and synced, so a stick that fills up or is pulled out never
// shows a partial export under the name of a finished one.
#include "records/recordexport.h"

#include <fcntl.h>
#include <sys/mount.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/seam.h"
#include "records/recordstore.h"

namespace
{

struct Item {
    APPRECORD rec;
    int slot;
    bool images;
};

void line(std::string& out, const char* label, const char* value)
{
    char buf[96];
    std::snprintf(buf, sizeof buf, "\t%-24s%s\r\n", label, value);
    out += buf;
}

void line_num(std::string& out, const char* label, const char* fmt, double v)
{
    char value[32];
    std::snprintf(value, sizeof value, fmt, v);
    line(out, label, value);
}

void line_int(std::string& out, const char* label, int v)
{
    line(out, label, std::to_string(v).c_str());
}

bool write_all(int fd, const void* data, size_t len)
{
    const auto* p = static_cast<const uint8_t*>(data);
    while (len > 0) {
        const ssize_t n = plat_write(fd, p, len);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        len -= size_t(n);
    }
    return true;
}

bool write_file(const std::string& path, const void* data, size_t len)
{
    const int fd = plat_open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0766);
    if (fd < 0) return false;
    bool ok = write_all(fd, data, len);
    ok = plat_fsync(fd) == 0 && ok;
    return plat_close(fd) == 0 && ok;
}

// 1 when copied, 0 when the source is missing or unreadable (skipped), -1 when the stick failed.
int copy_file(const std::string& from, const std::string& to)
{
    const int in = plat_open(from.c_str(), O_RDONLY);
    if (in < 0) return 0;
    const int out = plat_open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0766);
    if (out < 0) {
        plat_close(in);
        return -1;
    }
    std::vector<char> block(20480);
    int r = 1;
    for (;;) {
        const ssize_t n = plat_read(in, block.data(), block.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n < 0) r = 0;
            break;
        }
        if (!write_all(out, block.data(), size_t(n))) {
            r = -1;
            break;
        }
    }
    plat_close(in);
    if (plat_fsync(out) != 0) r = -1;
    if (plat_close(out) != 0) r = -1;
    if (r == 0) plat_unlink(to.c_str()); // an unreadable source leaves nothing half-copied
    return r;
}

bool exists(const std::string& path)
{
    struct stat st;
    return plat_lstat(path.c_str(), &st) == 0;
}

// Removes a tree without following links; true when it is gone.
bool remove_tree(const std::string& path)
{
    struct stat st;
    if (plat_lstat(path.c_str(), &st) != 0) return errno == ENOENT;
    if (!S_ISDIR(st.st_mode)) return plat_unlink(path.c_str()) == 0;
    std::vector<std::string> names;
    if (PlatDir* d = plat_opendir(path.c_str())) {
        while (const char* n = plat_readdir(d))
            if (std::strcmp(n, ".") != 0 && std::strcmp(n, "..") != 0) names.emplace_back(n);
        plat_closedir(d);
    }
    bool ok = true;
    for (const std::string& n : names)
        ok = remove_tree(path + "/" + n) && ok;
    return plat_rmdir(path.c_str()) == 0 && ok;
}

std::string numbered(const char* fmt, int n)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, n);
    return buf;
}

struct Progress {
    void (*fn)(int, void*);
    void* ctx;
    int last = -1;
    void operator()(int percent)
    {
        if (percent == last) return;
        last = percent;
        if (fn) fn(percent, ctx);
    }
};

// Everything into the staging folder; false at the first failure on the stick.
bool build(const std::vector<Item>& items, Progress& progress)
{
    const std::string part = REC_EXPORT_PART;
    // An earlier export cut between its two renames left the copy before it under the side name.
    if (!exists(REC_EXPORT_DIR) && exists(REC_EXPORT_OLD) && plat_rename(REC_EXPORT_OLD, REC_EXPORT_DIR) != 0)
        return false;
    if (!remove_tree(part)) return false;
    if (plat_mkdir(part.c_str(), 0766) != 0) return false;
    std::vector<APPRECORD> recs;
    const int count = int(items.size());
    for (int n = 1; n <= count; ++n) {
        recs.push_back(items[size_t(n - 1)].rec);
        progress(n * 30 / count);
    }
    const std::string listing = RecordListing(recs);
    if (!write_file(part + "/Record.txt", listing.data(), listing.size())) return false;
    if (copy_file(REC_UPDATE_LOG, part + "/usbUpdata.log") < 0) return false;
    if (plat_mkdir((part + "/pdf").c_str(), 0766) != 0) return false;
    for (int n = 1; n <= count; ++n) {
        const Item& it = items[size_t(n - 1)];
        if (it.images)
            for (const char* view : {"X", "Y"})
                if (copy_file(RecordImagePath(view, it.slot), part + "/" + view + numbered("_%05d.bmp", n)) <
                    0)
                    return false;
        if (copy_file(RecordPdfPath(it.slot), part + numbered("/pdf/record_%05d.pdf", n)) < 0) return false;
        progress(70 * n / count + 30);
    }
    // Every name made durable: the files' folders, then the folder itself in "/media".
    return plat_fsync_dir((part + "/pdf/.").c_str()) == 0 && plat_fsync_dir((part + "/.").c_str()) == 0 &&
           plat_fsync_dir(part.c_str()) == 0;
}

// The finished copy takes the name; the one it replaces goes only after that.
bool swap_in()
{
    if (!remove_tree(REC_EXPORT_OLD)) return false;
    const bool hadOld = exists(REC_EXPORT_DIR);
    if (hadOld && plat_rename(REC_EXPORT_DIR, REC_EXPORT_OLD) != 0) return false;
    if (plat_rename(REC_EXPORT_PART, REC_EXPORT_DIR) != 0) return false;
    if (plat_fsync_dir(REC_EXPORT_DIR) != 0) return false;
    if (hadOld) remove_tree(REC_EXPORT_OLD); // a leftover is a whole old copy under another name
    return true;
}

} // namespace

std::string RecordListing(const std::vector<APPRECORD>& records)
{
    std::string out = numbered("Total Count: %05d\r\n", int(records.size()));
    int n = 0;
    for (const APPRECORD& r : records) {
        out += numbered("\r\n%d.\r\n", ++n);
        int y, mo, d, h, mi;
        UnpackRecordTime(r.dwSpliceTime, &y, &mo, &d, &h, &mi);
        char value[64];
        std::snprintf(value, sizeof value, "%04d-%02d-%02d %02d:%02d", y, mo, d, h, mi);
        line(out, "Splice Time:", value);
        line(out,
             "Splice Template:", std::string(r.ModeName, strnlen(r.ModeName, sizeof r.ModeName)).c_str());
        if (r.bLossValue == RECORD_NO_LOSS)
            line(out, "Loss Estimate:", "X.XX");
        else
            line_num(out, "Loss Estimate:", "%1.2f", r.bLossValue / 100.0);
        line_num(out, "Core Angle:", "%1.1f", r.bCoreAngle / 10.0);
        line_num(out, "Left Cleave Angle:", "%1.1f", r.bLeftAngle / 10.0);
        line_num(out, "Right Cleave Angle:", "%1.1f", r.bRightAngle / 10.0);
        line_num(out, "Clad Axis Offset:", "%1.1f", r.bCladOff / 10.0);
        line_num(out, "Core Axis Offset:", "%1.1f", r.bCoreOff / 10.0);
        line_num(out, "Loss Limit:", "%1.2f", r.bLossLimit / 100.0);
        line_num(out, "Cleave Angle Limit:", "%1.1f", r.bCleaveLimit / 10.0);
        line_int(out, "Gap Position:", r.bKerfOff - 50);
        line_int(out, "Gap:", r.bKerfGap);
        line_int(out, "Overlap:", r.bKerfOverlap);
        line_int(out, "Preheat Arc Value:", r.arcPreheat.bIntensOff);
        line_int(out, "Preheat Arc Time:", r.arcPreheat.wTimeCount);
        line_int(out, "Fuse Arc Value:", r.arcFuse.bIntensOff);
        line_int(out, "Fuse Arc Time:", r.arcFuse.wTimeCount);
        line_int(out, "Second Arc Value:", r.arcSecond.bIntensOff);
        line_int(out, "Second Arc Time:", r.arcSecond.wTimeCount);
        line(out, "Splice Place:",
             std::string(r.bSplicePlace, strnlen(r.bSplicePlace, sizeof r.bSplicePlace)).c_str());
    }
    return out;
}

int SaveSpliceRecord(void (*fn)(int, void*), void* ctx)
{
    std::vector<Item> items;
    {
        // A consistent picture of the store; the files are copied without holding it.
        RecordGuard g;
        int count = 0;
        if (GetCount_Record(&count) != 0) return -1;
        for (int n = 1; n <= count; ++n) {
            Item it{};
            if (ReadRecord(n, &it.rec) != 0) return -1;
            it.slot = TransRecordIndex(n);
            it.images = GetSpliceImgSaveTag(it.slot) != 0;
            items.push_back(it);
        }
    }
    if (plat_mount("/dev/sda1", "/media", "vfat", MS_SYNCHRONOUS, nullptr) != 0) {
        std::printf("Record export: no USB stick\n");
        return -1;
    }
    Progress progress{fn, ctx};
    const bool ok = build(items, progress) && swap_in();
    if (!ok) {
        std::printf("Record export failed: %s\n", std::strerror(errno));
        remove_tree(REC_EXPORT_PART); // best effort: it never carries the finished name
    }
    const bool unmounted = plat_umount("/media") == 0;
    return ok && unmounted ? 0 : -1;
}
