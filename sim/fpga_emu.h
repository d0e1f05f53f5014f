// What the FPGA computes from the camera lines, done on a rendered frame the way the hardware
// does it: column profiles (the brightness-wave table), row profiles along the axis, the
// fibre-presence bytes, the core-line fits inside the region the application sets, and the mean
// brightness of a picture.
#pragma once

#include <array>
#include <cstdint>

namespace sim::fpga
{

inline constexpr int kWidth = 640, kHeight = 480;
inline constexpr int kProfileColumns = 32; // a column profile averages 32 columns
// The sensor's black level: the grey of a pixel no light reaches. The FPGA knows it and measures
// light above it.
inline constexpr int kBlackLevel = 8;

// Integer mean of columns centre-16 .. centre+15 on each row (clipped to the frame).
void column_profile(const uint8_t* frame, int centre, uint8_t out[kHeight]);

// The region the application sets (6 bytes, half-resolution coordinates) decoded.
struct Rect {
    bool set = false;
    double left_centre = 240, right_centre = 240; // rows
    int left_end = 300, right_end = 340;          // last column of the left fibre, first of the right
    int half_band = 29;                           // rows each side of a centre to look at
};
Rect decode_rect(const std::array<uint8_t, 6>& r);

// Brightness along the axis in the cladding's shadow: for each column, the integer mean of the
// two rows `half` (0.3 of the cladding width) above and below the centre of the fibre on that
// side; `row` (non-zero) takes the rows around it instead.
void row_profile(const uint8_t* frame, const Rect& rect, int row, uint8_t out[kWidth]);

// A fibre lies across a column profile when it shows a shadow: more than 20 consecutive rows
// darker than half the brightest row, both counted from the black level.
bool shadow_present(const uint8_t profile[kHeight]);

// Least-squares line row = K column + B through the core line of each second column of a fibre's
// stretch: the centroid of the brightest peak within half_band rows of its centre, between the dark
// rims that flank it.
struct Line {
    float b = 0, k = 0;
    bool ok = false;
};
Line core_line(const uint8_t* frame, double centre, int half_band, int col_from, int col_to);
// Both fibres' lines of one view in the region.
std::array<Line, 2> core_lines(const uint8_t* frame, const Rect& rect);

// Mean grey level of the whole picture.
uint32_t mean_level(const uint8_t* frame);

} // namespace sim::fpga
