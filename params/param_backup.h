// Whole parameter sets: erasing the chip, the user default file "/mnt/usr/usr.par" (save and
// restore) and the export of the active part to the USB stick.
#pragma once

#include <cstddef>

constexpr const char* USR_PAR_FILE = "/mnt/usr/usr.par";
constexpr int USR_PAR_PAGES = 217;
constexpr size_t USR_PAR_SIZE = size_t(USR_PAR_PAGES) * 128; // 27776
constexpr const char* PAR_EXPORT_FILE = "/media/export.par";

// Writes 0xFF to every page but the region flag (and the reserved page); the next start formats
// the chip from "Default.par". Until then nothing is saved (no module record in use). Refused (-1) unless
// that image is loaded whole, so the unit can always be rebuilt; -1 at the first failing page.
int FormatE2prom();
// Writes the active part's user pages to "usr.par" (replaced whole). -1 without a module record
// in use or when the file could not be written.
int SaveDefaultParameter();
// Applies "usr.par" to the active part, keeping the unit's own fields. The file is read whole and
// checked first: -1 without a module record or file, -2 when it is short, long or a page fails
// its CRC (nothing applied), -3 when a page write failed (every page is still tried); 0 done.
int RestoreDefaultParameter();
// Copies the active part (233 pages) to the stick as "export.par". -1 on any failure (no stick,
// stick full or gone: the stick then holds no half-written "export.par").
int ExportDefaultParameter();
