// Pen primitives and the conversion from data coordinates to plot units.
#ifndef ZARVO_PEN_H
#define ZARVO_PEN_H

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "writers.h"

namespace zarvo {

constexpr int kUnitsPerInch = 300;   // plot units per inch
constexpr int kOriginXPerSize = 50;  // frame corner x per unit of text size
constexpr int kOriginYPerSize = 40;  // frame corner y per unit of text size

// Truncates toward zero to a 32-bit integer.  NaN gives 0 and values beyond
// the 32-bit range are clamped, so every input has a defined result.
inline int32_t trunc32(double v) {
  if (std::isnan(v)) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

// The low 16 bits of an integer, as a signed plot coordinate.
inline int16_t low16(int64_t v) {
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(v) & 0xFFFFu));
}

// Truncates toward zero and keeps the low 16 bits: every plot coordinate.
inline int16_t plot_unit(double v) { return low16(trunc32(v)); }

// Frame corner coordinate for a text size s: 50*s or 40*s, cut to 16 bits.
inline int16_t origin_x(int16_t size) { return low16(int64_t{kOriginXPerSize} * size); }
inline int16_t origin_y(int16_t size) { return low16(int64_t{kOriginYPerSize} * size); }

// Position of a data value along one axis, before truncation: the
// difference from the axis start in single precision, the division by the
// scale (data units per plot unit) and the addition of the origin in double.
// A zero scale (an axis of zero data range) places every value at the origin.
inline double axis_position(float value, float start, float scale, int32_t origin) {
  const float offset = value - start;
  if (scale == 0.0f) return static_cast<double>(origin);
  return static_cast<double>(offset) / static_cast<double>(scale) + static_cast<double>(origin);
}

// Data units per plot unit of an axis of `inches` spanning start..end.
inline float axis_scale(float start, float end, float inches) {
  return (end - start) / (inches * static_cast<float>(kUnitsPerInch));
}

// Writes a move ('m') or draw ('d') command to (x, y); the command's low
// 8 bits and the coordinates' low 16 bits are written.
void draw(int command, int32_t x, int32_t y);

// Move and draw commands gathered for block writes of the plot file, so a
// long curve costs no stream call per command.  The bytes are those draw
// writes; they reach the file at flush, when the buffer fills, and on
// destruction, so nothing else may be written to the plot file meanwhile.
class PenBuffer {
 public:
  PenBuffer() = default;
  PenBuffer(const PenBuffer&) = delete;
  PenBuffer& operator=(const PenBuffer&) = delete;
  ~PenBuffer() { flush(); }

  void draw(int command, int32_t x, int32_t y) {
    if (used_ + kCommandBytes > sizeof bytes_) flush();
    uint8_t* out = bytes_ + used_;
    out[0] = static_cast<uint8_t>(static_cast<unsigned>(command) & 0xFFu);
    encode_h(x, out + 1);
    encode_h(y, out + 3);
    used_ += kCommandBytes;
  }
  void flush();

 private:
  static constexpr size_t kCommandBytes = 5;  // letter and two 16-bit operands
  uint8_t bytes_[4095];                       // 819 commands
  size_t used_ = 0;
};

// Converts the data point (x, y) to plot units with the ranges of `para`
// and the frame corner of the current graph.
void convert(float x, float y, int16_t& ix, int16_t& iy, const float* para);

// Writes an f command when para(15) differs from the thickness last written.
void fatcheck(const float* para);

// The bodies of zline_ ('d') and zmove_ ('m'): refuse with `message` when
// no plot file is open, else draw to the converted point.
int32_t pen_to(int command, float x, float y, const float* para, const char* message);

}  // namespace zarvo

#endif
