#include "pen.h"

#include <cstdio>

#include "para.h"
#include "state.h"
#include "writers.h"

namespace zarvo {

namespace {
constexpr int kFatCommand = 'f';
}  // namespace

void draw(int command, int32_t x, int32_t y) {
  putbyte(command, lib.plotfile);
  vputh(x, lib.plotfile);
  vputh(y, lib.plotfile);
}

void PenBuffer::flush() {
  if (used_ == 0) return;
  putbytes(bytes_, used_, lib.plotfile);
  used_ = 0;
}

void convert(float x, float y, int16_t& ix, int16_t& iy, const float* para) {
  const float sx = axis_scale(para[p::kXLeft], para[p::kXRight], para[p::kWidth]);
  const float sy = axis_scale(para[p::kYBottom], para[p::kYTop], para[p::kHeight]);
  ix = plot_unit(axis_position(x, para[p::kXLeft], sx, origin_x(lib.origin_offset)));
  iy = plot_unit(axis_position(y, para[p::kYBottom], sy, origin_y(lib.origin_offset)));
}

void fatcheck(const float* para) {
  if (static_cast<float>(lib.fatsave) == para[p::kThickness]) return;
  lib.fatsave = plot_unit(para[p::kThickness]);
  putbyte(kFatCommand, lib.plotfile);
  vputh(lib.fatsave, lib.plotfile);
}

int32_t pen_to(int command, float x, float y, const float* para, const char* message) {
  if (para[p::kOpen] == 0.0f || lib.plotfile == nullptr) {
    std::fputs(message, stderr);
    return -1;
  }
  fatcheck(para);
  int16_t ix = 0;
  int16_t iy = 0;
  convert(x, y, ix, iy, para);
  draw(command, ix, iy);
  return 0;
}

}  // namespace zarvo
