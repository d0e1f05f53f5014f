// Export of every stored record to the USB stick: the listing "Record.txt", the record images,
// the reports and the update log, all under "/media/Record".
#pragma once

#include <string>
#include <vector>

#include "records/record.h"

// Folder on the stick; the export is built beside it and takes its name only when complete.
constexpr const char* REC_EXPORT_DIR = "/media/Record";
constexpr const char* REC_EXPORT_PART = "/media/Record.part";
constexpr const char* REC_EXPORT_OLD = "/media/Record.old";
constexpr const char* REC_UPDATE_LOG = "/mnt/usr/usbUpdata.log";

// The text of "Record.txt" for the records given oldest first.
std::string RecordListing(const std::vector<APPRECORD>& records);

// Copies everything to the stick; `progress` (may be null) gets the per cent done each time it
// changes. 0 once "/media/Record" holds the whole export; -1 when the stick is missing, full or
// gone: then the stick keeps the export it had before, or none, never a partial one by that name.
int SaveSpliceRecord(void (*progress)(int percent, void* ctx) = nullptr, void* ctx = nullptr);
