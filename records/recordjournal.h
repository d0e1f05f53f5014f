// The record file's redo journal: the byte ranges of one change, made durable in
// "/mnt/usr/sprecord.jnl" before any of them touches the record file, so a change cut short by
// a power loss or a kill is finished at the next open and the file never shows half of it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RecordPatch {
    int64_t offset;
    std::vector<uint8_t> bytes;
};

constexpr const char* REC_JOURNAL = "/mnt/usr/sprecord.jnl";

// Writes the journal, applies the patches to `fd` and syncs it, then removes the journal.
// 0; -1 when the journal could not be made durable (nothing changed); -2 when it is durable but
// applying it failed (the change is finished by the next RecordJournalRedo).
int RecordJournalCommit(int fd, const std::vector<RecordPatch>& patches);
// Applies a durable journal left by an interrupted change and removes it; a damaged journal
// (never made durable whole) is removed. 1 when a change was finished, 0 when none was pending,
// -1 when applying failed (the journal stays).
int RecordJournalRedo(int fd);
// Parses a journal's bytes; false when it is damaged.
bool RecordJournalParse(const std::vector<uint8_t>& data, std::vector<RecordPatch>* patches);
