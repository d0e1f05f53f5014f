// Layout of the record file and what the store's parts (file, images, report) share inside
// records/: the lock, the header check and the slot lookups.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "records/record.h"

// File offsets (u16 little-endian fields).
constexpr int REC_COUNT_OFF = 0;
constexpr int REC_OLDEST_OFF = 2;
constexpr int REC_NEWEST_OFF = 4;
constexpr int REC_VERSION_OFF = 6;
constexpr int REC_VERSION_LEN = 7;
constexpr int REC_CHAIN_OFF = 80;
constexpr int REC_FLAGS_OFF = REC_CHAIN_OFF + 2 * RECORD_MAX;    // 20080
constexpr int REC_HEADER_SIZE = REC_FLAGS_OFF + RECORD_MAX;      // 30080
constexpr int REC_HEADER_BLOCKS = REC_HEADER_SIZE / RECORD_SIZE; // 235
constexpr int64_t REC_FILE_SIZE = int64_t(REC_HEADER_BLOCKS + RECORD_MAX) * RECORD_SIZE;
constexpr const char* REC_VERSION = "R1.02";
static_assert(REC_HEADER_SIZE == 30080 && REC_HEADER_BLOCKS * RECORD_SIZE == REC_HEADER_SIZE);

constexpr uint8_t REC_FLAG_USED = 1, REC_FLAG_IMAGES = 2, REC_FLAG_NEW = 4;

constexpr const char* REC_FILE = "/mnt/usr/sprecord.bin";
constexpr const char* REC_IMAGE_DIR = "/mnt/usr/record/image";
constexpr const char* REC_PDF_DIR = "/mnt/usr/record/pdf";

inline int64_t RecordSlotOffset(int slot)
{
    return int64_t(slot + REC_HEADER_BLOCKS) * RECORD_SIZE;
}
inline int RecordU16(const uint8_t* p)
{
    return p[0] | (p[1] << 8);
}
inline void RecordPutU16(uint8_t* p, int v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

// What a header says once checked: the records in age order and the faults found. A refused
// header (short, wrong version) holds no readable record; otherwise `fixed` is the header as it
// must be (count, ends and used bits agreeing with the chain), equal to the input when sound.
struct RecordHeaderCheck {
    bool refused = false;
    std::vector<std::string> faults;
    std::vector<uint16_t> order; // slots, oldest first
    std::vector<uint8_t> fixed;  // REC_HEADER_SIZE bytes unless refused
};
// `hdr` holds the first `len` bytes of a file of `fileSize` bytes (a slot beyond the end of the
// file holds no record).
RecordHeaderCheck CheckRecordHeader(const uint8_t* hdr, size_t len, int64_t fileSize);

// The store's lock, re-entrant for its holder (a caller may hold it across several calls).
class RecordGuard
{
  public:
    RecordGuard() { LockRecord(); }
    ~RecordGuard() { UnlockRecord(); }
    RecordGuard(const RecordGuard&) = delete;
    RecordGuard& operator=(const RecordGuard&) = delete;
};

// Under the lock: slot of the newest record (-1 when empty or closed); sets the images bit.
int RecordNewestSlot();
int RecordSetImageBit(int slot);
// Image and report names of a slot ("X"/"Y").
std::string RecordImagePath(const char* view, int slot);
std::string RecordPdfPath(int slot);
// Removes a file and makes the removal durable; 0 also when it did not exist.
int RecordRemoveFile(const std::string& path);
// Creates "/mnt/usr/record" and the given directory below it when missing.
int RecordMakeDirs(const char* dir);
// Writes `data` to `path` through a temporary file beside it (fsync, rename, directory fsync).
int RecordWriteFileAtomic(const std::string& path, const void* data, size_t len);
