// Journal format (little-endian): "RJN1", u32 patch count, u32 total size, then per patch u32
// offset, u32 length and the bytes, then a CRC-32C of everything before it. The journal is
// written beside the record file and renamed into place, so it exists only whole.
#include "records/recordjournal.h"

#include <fcntl.h>

#include <cstring>

#include "params/param_store.h"
#include "platform/seam.h"
#include "records/recordstore.h"

namespace
{

constexpr char MAGIC[4] = {'R', 'J', 'N', '1'};
constexpr size_t JOURNAL_MAX = 256 * 1024;

void put32(std::vector<uint8_t>& v, uint32_t x)
{
    for (int i = 0; i < 4; ++i)
        v.push_back(uint8_t(x >> (8 * i)));
}
uint32_t get32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}

bool write_all(int fd, const void* data, size_t len)
{
    const uint8_t* p = static_cast<const uint8_t*>(data);
    while (len > 0) {
        ssize_t n = plat_write(fd, p, len);
        if (n <= 0) return false;
        p += n;
        len -= size_t(n);
    }
    return true;
}

bool apply_patches(int fd, const std::vector<RecordPatch>& patches)
{
    for (const auto& p : patches) {
        if (plat_lseek(fd, off_t(p.offset), SEEK_SET) != off_t(p.offset)) return false;
        if (!write_all(fd, p.bytes.data(), p.bytes.size())) return false;
    }
    return plat_fsync(fd) == 0;
}

bool read_journal(std::vector<uint8_t>* data)
{
    int fd = plat_open(REC_JOURNAL, O_RDONLY);
    if (fd < 0) return false;
    uint8_t buf[8192];
    ssize_t n;
    while ((n = plat_read(fd, buf, sizeof buf)) > 0 && data->size() <= JOURNAL_MAX)
        data->insert(data->end(), buf, buf + n);
    plat_close(fd);
    return n == 0;
}

int remove_journal()
{
    if (plat_unlink(REC_JOURNAL) != 0) return -1;
    return plat_fsync_dir(REC_JOURNAL);
}

} // namespace

bool RecordJournalParse(const std::vector<uint8_t>& d, std::vector<RecordPatch>* patches)
{
    patches->clear();
    if (d.size() < 16 || d.size() > JOURNAL_MAX || std::memcmp(d.data(), MAGIC, 4) != 0) return false;
    if (get32(d.data() + 8) != d.size()) return false;
    if (crc32c(d.data(), d.size() - 4) != get32(d.data() + d.size() - 4)) return false;
    uint32_t n = get32(d.data() + 4);
    size_t at = 12, end = d.size() - 4;
    for (uint32_t i = 0; i < n; ++i) {
        if (end - at < 8) return false;
        uint32_t off = get32(d.data() + at), len = get32(d.data() + at + 4);
        at += 8;
        if (len > end - at || int64_t(off) + len > REC_FILE_SIZE) return false;
        patches->push_back({off, std::vector<uint8_t>(d.begin() + long(at), d.begin() + long(at + len))});
        at += len;
    }
    return at == end;
}

int RecordJournalCommit(int fd, const std::vector<RecordPatch>& patches)
{
    std::vector<uint8_t> j(MAGIC, MAGIC + 4);
    put32(j, uint32_t(patches.size()));
    put32(j, 0); // total size, filled in below
    for (const auto& p : patches) {
        put32(j, uint32_t(p.offset));
        put32(j, uint32_t(p.bytes.size()));
        j.insert(j.end(), p.bytes.begin(), p.bytes.end());
    }
    uint32_t total = uint32_t(j.size() + 4);
    std::memcpy(j.data() + 8, &total, 4); // little-endian targets only
    put32(j, crc32c(j.data(), j.size()));
    if (RecordWriteFileAtomic(REC_JOURNAL, j.data(), j.size()) != 0) return -1;
    if (!apply_patches(fd, patches)) return -2;
    // A journal left by a failed removal only rewrites bytes the file already holds (a later
    // mark excepted, which a redo sets back to "new": uploaded once more, never lost).
    remove_journal();
    return 0;
}

int RecordJournalRedo(int fd)
{
    struct stat st;
    plat_unlink((std::string(REC_JOURNAL) + ".tmp").c_str()); // a journal never made durable
    if (plat_stat(REC_JOURNAL, &st) != 0) return 0;
    std::vector<uint8_t> data;
    std::vector<RecordPatch> patches;
    if (!read_journal(&data) || !RecordJournalParse(data, &patches)) {
        std::printf("record journal damaged: dropped\n");
        remove_journal();
        return 0;
    }
    if (fd < 0) { // its file is gone: nothing to finish
        remove_journal();
        return 0;
    }
    if (!apply_patches(fd, patches)) return -1;
    remove_journal();
    std::printf("record journal: an interrupted change was finished\n");
    return 1;
}
