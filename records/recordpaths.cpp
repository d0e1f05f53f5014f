// Names of a record's image and report files, and the durable file steps the store uses.
#include <fcntl.h>

#include <cerrno>
#include <cstdio>

#include "platform/seam.h"
#include "records/recordstore.h"

std::string RecordImagePath(const char* view, int slot)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s/%s_%05d.bmp", REC_IMAGE_DIR, view, slot + 1);
    return buf;
}

std::string RecordPdfPath(int slot)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s/record_%05d.pdf", REC_PDF_DIR, slot + 1);
    return buf;
}

int RecordRemoveFile(const std::string& path)
{
    if (plat_unlink(path.c_str()) != 0) return errno == ENOENT ? 0 : -1;
    return plat_fsync_dir(path.c_str());
}

int RecordMakeDirs(const char* dir)
{
    struct stat st;
    for (const char* d : {"/mnt/usr/record", dir}) {
        if (plat_stat(d, &st) == 0) continue;
        if (plat_mkdir(d, 0766) != 0 && errno != EEXIST) return -1;
        if (plat_fsync_dir(d) != 0) return -1;
    }
    return 0;
}

int RecordWriteFileAtomic(const std::string& path, const void* data, size_t len)
{
    std::string tmp = path + ".tmp";
    int fd = plat_open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return -1;
    const uint8_t* p = static_cast<const uint8_t*>(data);
    bool ok = true;
    for (size_t left = len; ok && left > 0;) {
        ssize_t n = plat_write(fd, p, left);
        ok = n > 0;
        if (ok) {
            p += n;
            left -= size_t(n);
        }
    }
    ok = ok && plat_fsync(fd) == 0;
    ok = plat_close(fd) == 0 && ok;
    ok = ok && plat_rename(tmp.c_str(), path.c_str()) == 0;
    if (!ok) plat_unlink(tmp.c_str());
    return ok && plat_fsync_dir(path.c_str()) == 0 ? 0 : -1;
}
