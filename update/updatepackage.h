// The update package "K7Q2_sw_m6.bin" and the version trailer of installed images: layout,
// reading with every length checked, building (the host tool), and the installed versions.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr int UPD_VERSION_LEN = 8;
constexpr int UPD_HEADER_SIZE = 56;
constexpr int UPD_TRAILER_SIZE = 12;
constexpr const char* UPD_PACKAGE_NAME = "K7Q2_sw_m6.bin";

// The six files, in the order of the header's version fields.
enum UpdFile { UPD_BOOT, UPD_IMAGE, UPD_APP, UPD_DEFAULT_PAR, UPD_CHIP, UPD_LINUXCOM, UPD_FILE_COUNT };
// The sections follow in their own fixed order.
constexpr std::array<UpdFile, UPD_FILE_COUNT> kUpdSectionOrder = {UPD_BOOT,     UPD_IMAGE, UPD_CHIP,
                                                                  UPD_LINUXCOM, UPD_APP,   UPD_DEFAULT_PAR};

struct UpdFileInfo {
    const char* label;     // as the version print names it
    const char* name;      // file name
    const char* installed; // where the unit keeps it
    const char* tmp;       // where unpacking puts it
};
const UpdFileInfo& UpdFileOf(int file);

#pragma pack(push, 1)
struct UPDATE_HEADER {
    char version[UPD_FILE_COUNT][UPD_VERSION_LEN]; // NUL-padded text, header order
    uint8_t reserved[8];                           // not interpreted
};
#pragma pack(pop)
static_assert(sizeof(UPDATE_HEADER) == UPD_HEADER_SIZE);
static_assert(offsetof(UPDATE_HEADER, reserved) == 48);
static_assert(UPD_APP * UPD_VERSION_LEN == 16 && UPD_LINUXCOM * UPD_VERSION_LEN == 40);

// Where each section's content lies in the package (header order).
struct UpdSection {
    uint64_t offset = 0;
    uint32_t length = 0;
};

struct UpdPackage {
    UPDATE_HEADER header{};
    std::array<UpdSection, UPD_FILE_COUNT> section{};
};

// Reads and checks a package through the seam: the header, each version field (text, then NUL
// padding), each section length against what is left, the lengths adding up to the file size,
// and an application present. 0 when sound; -1 with the reason in `why` otherwise. The file
// position is left undefined.
int UpdPackageScan(int fd, UpdPackage* pkg, std::string* why);
// The same for a package file at an instrument path (the host tool's paths are its own).
int UpdPackageScanFile(const char* path, UpdPackage* pkg, std::string* why);

// A version field as text (at most 8 characters, stops at the first NUL).
std::string UpdVersionText(const char* field);
// Package version below installed version, compared as text of at most 8 characters.
bool UpdVersionBelow(const char* package, const char* installed);

// The version of an image from its trailer, "" (8 zero bytes) when the trailer is not valid.
std::string UpdTrailerVersion(const std::vector<uint8_t>& image);
// The image with its version trailer: a valid trailer already there is replaced.
std::vector<uint8_t> UpdStampImage(std::vector<uint8_t> image, const std::string& version);
// Builds a package from the six images (header order) and versions, each image stamped with its
// version. Empty when a version is longer than 8 characters, not printable text, or an image
// does not fit a section.
std::vector<uint8_t> UpdBuildPackage(const std::array<std::vector<uint8_t>, UPD_FILE_COUNT>& images,
                                     const std::array<std::string, UPD_FILE_COUNT>& versions);

// Installed versions.
// Reads the trailer version of `path` into field (8 bytes, zero when no valid trailer). 0, or -1
// after printing "Failed to open %s\n" when the file cannot be opened.
int GetFileVersion(const char* path, char* field);
// The 48-byte block of the six installed versions in header order; -1 when a file can't be opened.
int GetCurrentVersion(char* block);
// Prints the installed and the package versions side by side.
void PrintFilesVersion(const char* current, const UPDATE_HEADER& package);
