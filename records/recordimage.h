// The record images: 320 x 240 8-bit grey BMP files (54-byte header, 256-entry grey palette,
// rows bottom-up) made from the 640 x 480 camera frames by the mean of each 2 x 2 block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr int REC_IMAGE_WIDTH = 320, REC_IMAGE_HEIGHT = 240;
constexpr int REC_BMP_DATA_OFF = 54 + 1024; // 1078
constexpr int REC_BMP_SIZE = REC_BMP_DATA_OFF + REC_IMAGE_WIDTH * REC_IMAGE_HEIGHT;

// The BMP file of a 640 x 480 frame (row 0 at the top).
std::vector<uint8_t> RecordBmpOfFrame(const uint8_t* frame);
// Checks a record image file's bytes and gives its pixel rows as stored (bottom-up); false when
// it is not a 320 x 240 8-bit uncompressed bottom-up BMP.
bool RecordBmpPixels(const std::vector<uint8_t>& file, std::vector<uint8_t>* pixels);
// Reads a file through the seam, at most `limit` bytes; false when it cannot be read.
bool RecordReadFile(const std::string& path, std::vector<uint8_t>* data, size_t limit);
