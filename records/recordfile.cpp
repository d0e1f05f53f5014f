// The record store "/mnt/usr/sprecord.bin": open with the header check and repair, append into
// the ring, read, overwrite, mark, erase, and the day's average loss. Every change of the file
// goes through the redo journal, so a cut at any write leaves the old or the new store.
#include <fcntl.h>

#include <cstdio>
#include <cstring>
#include <thread>

#include "platform/seam.h"
#include "platform/sync.h"
#include "records/recordjournal.h"
#include "records/recordstore.h"

namespace
{

// The lock is re-entrant so that a caller holding it (the upload thread walking the new records)
// can use the store's calls.
PlatMutex g_mutex;
std::thread::id g_owner;
int g_depth = 0;
std::mutex g_ownerMutex; // guards g_owner and g_depth

int g_fd = -1;
bool g_pending = false;        // a durable journal whose change could not be applied yet
std::vector<uint8_t> g_header; // the file's header as in the file
std::vector<uint16_t> g_order; // slots in age order

int count()
{
    return int(g_order.size());
}
uint8_t* flags()
{
    return g_header.data() + REC_FLAGS_OFF;
}

bool read_at(int fd, int64_t off, void* buf, size_t len)
{
    if (plat_lseek(fd, off_t(off), SEEK_SET) != off_t(off)) return false;
    uint8_t* p = static_cast<uint8_t*>(buf);
    while (len > 0) {
        ssize_t n = plat_read(fd, p, len);
        if (n <= 0) return false;
        p += n;
        len -= size_t(n);
    }
    return true;
}

void add(std::vector<RecordPatch>& v, int64_t off, const void* data, size_t len)
{
    const uint8_t* p = static_cast<const uint8_t*>(data);
    v.push_back({off, std::vector<uint8_t>(p, p + len)});
}

// Commits the header `next` with the other patches through the journal and adopts it.
int commit(std::vector<RecordPatch> patches, const std::vector<uint8_t>& next)
{
    // Header changes go as runs of differing bytes (short gaps joined).
    for (int i = 0; i < REC_HEADER_SIZE;) {
        if (next[size_t(i)] == g_header[size_t(i)]) {
            ++i;
            continue;
        }
        int last = i;
        for (int j = i + 1; j < REC_HEADER_SIZE && j - last <= 8; ++j)
            if (next[size_t(j)] != g_header[size_t(j)]) last = j;
        add(patches, i, next.data() + i, size_t(last - i) + 1);
        i = last + 1;
    }
    // A journal not yet applied goes first: the next one replaces it and assumes its change.
    if (g_pending) {
        if (RecordJournalRedo(g_fd) < 0) return -1;
        g_pending = false;
    }
    int r = RecordJournalCommit(g_fd, patches);
    if (r == -1) return -1;
    g_pending = r == -2;
    g_header = next; // durable in the journal: the file will hold it
    RecordHeaderCheck c = CheckRecordHeader(g_header.data(), g_header.size(), REC_FILE_SIZE);
    g_order = c.order;
    return r == 0 ? 0 : -1;
}

std::vector<uint8_t> fresh_header()
{
    std::vector<uint8_t> h(REC_HEADER_SIZE, 0);
    std::memcpy(h.data() + REC_VERSION_OFF, REC_VERSION, std::strlen(REC_VERSION));
    return h;
}

int create_fresh()
{
    std::vector<uint8_t> h = fresh_header();
    if (RecordWriteFileAtomic(REC_FILE, h.data(), h.size()) != 0) return -1;
    g_fd = plat_open(REC_FILE, O_RDWR);
    if (g_fd < 0) return -1;
    g_header = h;
    g_order.clear();
    return 0;
}

int64_t file_size(int fd)
{
    off_t end = plat_lseek(fd, 0, SEEK_END);
    return end < 0 ? 0 : int64_t(end);
}

int open_store()
{
    g_fd = plat_open(REC_FILE, O_RDWR);
    if (g_fd < 0) {
        RecordJournalRedo(-1);
        std::printf("file of record open faile, create...\n");
        return create_fresh();
    }
    if (RecordJournalRedo(g_fd) < 0) {
        std::printf("record journal could not be applied: store not opened\n");
        return -1;
    }
    int64_t size = file_size(g_fd);
    std::vector<uint8_t> h(size_t(std::min<int64_t>(size, REC_HEADER_SIZE)));
    if (!h.empty() && !read_at(g_fd, 0, h.data(), h.size())) return -1;
    RecordHeaderCheck c = CheckRecordHeader(h.data(), h.size(), size);
    std::string why;
    for (const auto& f : c.faults)
        why += (why.empty() ? "" : "; ") + f;
    if (c.refused) {
        // Nothing in it can be read: keep it aside whole and start an empty store.
        if (c.faults[0].rfind("version", 0) == 0)
            std::printf("record version changed.start to clear header information...\n");
        std::printf("record file refused (%s): kept as /mnt/usr/sprecord.bad, new store created\n",
                    why.c_str());
        plat_close(g_fd);
        g_fd = -1;
        if (plat_rename(REC_FILE, "/mnt/usr/sprecord.bad") != 0 || plat_fsync_dir(REC_FILE) != 0) return -1;
        return create_fresh();
    }
    g_header = h;
    g_order = c.order;
    if (!c.faults.empty()) {
        std::printf("record header damaged (%s): repaired, %d records kept; old header kept as "
                    "/mnt/usr/sprecord.hdr.bad\n",
                    why.c_str(), count());
        if (RecordWriteFileAtomic("/mnt/usr/sprecord.hdr.bad", h.data(), h.size()) != 0) return -1;
        if (commit({}, c.fixed) != 0) return -1;
    }
    return 0;
}

void close_store()
{
    g_pending = false; // the next open finishes it
    if (g_fd >= 0) plat_close(g_fd);
    g_fd = -1;
    g_header.clear();
    g_order.clear();
}

bool is_open()
{
    return g_fd >= 0 && g_header.size() == size_t(REC_HEADER_SIZE);
}

} // namespace

void LockRecord()
{
    {
        std::lock_guard<std::mutex> g(g_ownerMutex);
        if (g_depth > 0 && g_owner == std::this_thread::get_id()) {
            ++g_depth;
            return;
        }
    }
    g_mutex.lock();
    std::lock_guard<std::mutex> g(g_ownerMutex);
    g_owner = std::this_thread::get_id();
    g_depth = 1;
}

void UnlockRecord()
{
    {
        std::lock_guard<std::mutex> g(g_ownerMutex);
        if (g_depth == 0 || g_owner != std::this_thread::get_id()) return; // not held by this thread
        if (--g_depth > 0) return;
        g_owner = std::thread::id();
    }
    // Outside the owner lock: letting go may hand the processor to a thread that wants the record
    // and first takes the owner lock.
    g_mutex.unlock();
}

uint32_t PackRecordTime(int year, int month, int day, int hour, int minute)
{
    return uint32_t(year & 0xFFF) | uint32_t(month & 0xF) << 12 | uint32_t(day & 0x1F) << 16 |
           uint32_t(hour & 0x1F) << 21 | uint32_t(minute & 0x3F) << 26;
}

void UnpackRecordTime(uint32_t t, int* year, int* month, int* day, int* hour, int* minute)
{
    if (year) *year = int(t & 0xFFF);
    if (month) *month = int((t >> 12) & 0xF);
    if (day) *day = int((t >> 16) & 0x1F);
    if (hour) *hour = int((t >> 21) & 0x1F);
    if (minute) *minute = int((t >> 26) & 0x3F);
}

int InitializeRecord()
{
    RecordGuard g;
    close_store();
    plat_mkdir("/mnt/usr", 0755);
    if (open_store() != 0) {
        std::printf("sprecord.bin create failed\n");
        close_store();
        return -2;
    }
    return 0;
}

int ReleaseRecord()
{
    RecordGuard g;
    close_store();
    return 0;
}

int AppendRecord(const APPRECORD* record)
{
    RecordGuard g;
    if (!record || !is_open()) return -1;
    std::vector<uint8_t> next = g_header;
    uint8_t* h = next.data();
    bool full = count() == RECORD_MAX;
    int slot = -1;
    if (full) {
        slot = g_order.front();
    } else {
        for (int s = 0; s < RECORD_MAX && slot < 0; ++s)
            if (!(flags()[s] & REC_FLAG_USED)) slot = s;
        if (slot < 0) return -1; // the check keeps used bits equal to the chain
    }
    // Files left in the slot by the record it held (overwritten or erased) must not pass for
    // the new one's: the report goes first (it can be built again from its record), the images
    // once the new record is durable (its images bit is clear until then).
    RecordRemoveFile(RecordPdfPath(slot));
    h[REC_FLAGS_OFF + slot] = REC_FLAG_USED | REC_FLAG_NEW;
    if (count() > 0) RecordPutU16(h + REC_CHAIN_OFF + 2 * g_order.back(), slot);
    if (full) {
        RecordPutU16(h + REC_OLDEST_OFF, g_order[1]);
    } else {
        RecordPutU16(h + REC_COUNT_OFF, count() + 1);
        if (count() == 0) RecordPutU16(h + REC_OLDEST_OFF, slot); // a fresh chain
    }
    RecordPutU16(h + REC_NEWEST_OFF, slot);
    std::vector<RecordPatch> p;
    add(p, RecordSlotOffset(slot), record, RECORD_SIZE);
    int r = commit(std::move(p), next);
    if (r != 0) {
        std::printf("Add record sync failed\n");
        return -1;
    }
    RecordRemoveFile(RecordImagePath("X", slot));
    RecordRemoveFile(RecordImagePath("Y", slot));
    std::printf("record count: %d\n", count());
    return 0;
}

int ReadRecord(int position, APPRECORD* record)
{
    RecordGuard g;
    if (!record || !is_open() || position < 1 || position > count()) return -1;
    return read_at(g_fd, RecordSlotOffset(g_order[size_t(position - 1)]), record, RECORD_SIZE) ? 0 : -1;
}

int WriteRecord(int position, const APPRECORD* record)
{
    RecordGuard g;
    if (!record || !is_open() || position < 1 || position > count()) return -1;
    std::vector<RecordPatch> p;
    add(p, RecordSlotOffset(g_order[size_t(position - 1)]), record, RECORD_SIZE);
    return commit(std::move(p), g_header);
}

int MarkRecordSlot(int slot)
{
    RecordGuard g;
    if (!is_open() || slot < 0 || slot >= RECORD_MAX || !(flags()[slot] & REC_FLAG_USED)) return -1;
    uint8_t f = flags()[slot] & uint8_t(~REC_FLAG_NEW);
    if (f == flags()[slot]) return 0;
    // One byte is written whole or not at all: no journal needed.
    if (plat_lseek(g_fd, REC_FLAGS_OFF + slot, SEEK_SET) != REC_FLAGS_OFF + slot ||
        plat_write(g_fd, &f, 1) != 1)
        return -1;
    flags()[slot] = f;
    if (plat_fsync(g_fd) != 0) std::printf("Mard record sync failed\n");
    return 0;
}

int MarkRecord(int position)
{
    RecordGuard g;
    if (!is_open() || position < 1 || position > count()) return -1;
    return MarkRecordSlot(g_order[size_t(position - 1)]);
}

int GetNewRecordSlot(int* slot)
{
    RecordGuard g;
    if (!slot || !is_open()) return 1;
    for (uint16_t s : g_order)
        if (flags()[s] & REC_FLAG_NEW) {
            *slot = s;
            return 0;
        }
    return 1;
}

int GetNewRecord(int* position)
{
    RecordGuard g;
    if (!position || !is_open()) return 1;
    for (int i = 0; i < count(); ++i)
        if (flags()[g_order[size_t(i)]] & REC_FLAG_NEW) {
            *position = i + 1;
            return 0;
        }
    return 1;
}

int GetCount_Record(int* n)
{
    RecordGuard g;
    if (!n || !is_open()) return 1;
    *n = count();
    return 0;
}

int EraseRecord(int first, int n)
{
    RecordGuard g;
    if (!is_open() || first < 1 || n < 1 || first > count() || n > count() || first + n - 1 > count())
        return -1;
    std::vector<uint8_t> next = g_header;
    uint8_t* h = next.data();
    if (n == count()) {
        std::memset(h, 0, 6);
        std::memset(h + REC_FLAGS_OFF, 0, RECORD_MAX);
    } else {
        int a = first - 1, b = first - 1 + n; // erased: [a, b)
        for (int i = a; i < b; ++i)
            h[REC_FLAGS_OFF + g_order[size_t(i)]] = 0;
        RecordPutU16(h + REC_COUNT_OFF, count() - n);
        if (a == 0)
            RecordPutU16(h + REC_OLDEST_OFF, g_order[size_t(b)]);
        else if (b == count())
            RecordPutU16(h + REC_NEWEST_OFF, g_order[size_t(a - 1)]);
        else
            RecordPutU16(h + REC_CHAIN_OFF + 2 * g_order[size_t(a - 1)], g_order[size_t(b)]);
    }
    if (commit({}, next) != 0) {
        std::printf("Del record sync failed\n");
        return -1;
    }
    return 0;
}

int TransRecordIndex(int position)
{
    RecordGuard g;
    if (!is_open() || position < 1 || position > count()) return 0;
    return g_order[size_t(position - 1)];
}

int GetSpliceImgSaveTag(int slot)
{
    RecordGuard g;
    if (!is_open() || slot < 0 || slot >= RECORD_MAX) return 0;
    return flags()[slot] & REC_FLAG_IMAGES;
}

float GetCurrAveLoss()
{
    RecordGuard g;
    if (!is_open()) return 0;
    struct tm now {
    };
    if (!plat_localtime(plat_time(), &now)) return 0;
    int sum = 0, n = 0;
    for (int i = count() - 1; i >= 0; --i) {
        APPRECORD r;
        if (!read_at(g_fd, RecordSlotOffset(g_order[size_t(i)]), &r, RECORD_SIZE)) break;
        int y, m, d;
        UnpackRecordTime(r.dwSpliceTime, &y, &m, &d, nullptr, nullptr);
        if (y != now.tm_year + 1900 || m != now.tm_mon + 1 || d != now.tm_mday) break;
        if (r.bLossValue == RECORD_NO_LOSS) continue; // no estimate: not a loss of 1.27 dB
        sum += r.bLossValue;
        ++n;
    }
    return n ? float(sum) / float(n) / 100.0f : 0.0f;
}

int RecordNewestSlot()
{
    RecordGuard g;
    return is_open() && count() > 0 ? g_order.back() : -1;
}

int RecordSetImageBit(int slot)
{
    RecordGuard g;
    if (!is_open() || slot < 0 || slot >= RECORD_MAX || !(flags()[slot] & REC_FLAG_USED)) return -1;
    std::vector<uint8_t> next = g_header;
    next[REC_FLAGS_OFF + slot] |= REC_FLAG_IMAGES;
    return commit({}, next);
}
