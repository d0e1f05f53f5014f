// The listing of a record file for the host inspector: the header check, then every record in
// age order, as text or as one JSON array.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Lists the file's bytes into `out` and what is wrong with it into `faults` (one line each).
// 0 when the file is sound, 1 when it is damaged (the listing then holds what a reader by
// position can still reach, nothing when the file is refused).
int InspectRecordFile(const uint8_t* data, size_t len, bool json, std::string* out, std::string* faults);
