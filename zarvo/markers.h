// Point markers: polygons (area command) and circles (circle command).
#ifndef ZARVO_MARKERS_H
#define ZARVO_MARKERS_H

#include <cstdint>

namespace zarvo {

constexpr int kOutlineOnly = 16;  // marker type bit: outline, no fill

// Writes one marker of nominal width `size` plot units centred on (x, y).
// type bits 0-3: 1..4 triangles with apex up, down, right, left; 5 square;
// 6 diamond; 7 hexagon; 0 and 8..15 circle.  Bit 4: outline only.  The low
// byte of `fill` is the fill pattern.
void plpoly(int16_t x, int16_t y, int32_t size, int32_t type, int32_t fill);

}  // namespace zarvo

#endif
