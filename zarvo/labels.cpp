#include "labels.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "font.h"
#include "para.h"
#include "pen.h"
#include "writers.h"

namespace zarvo {

namespace {

constexpr int kTextCommand = 't';
constexpr int32_t kMaxSize = 31;
constexpr int32_t kMaxFont = 255;

[[noreturn]] void internal_error(const char* message) {
  std::fputs(message, stderr);
  std::exit(1);
}

// The attribute word of a text command: size, orientation, font.
// Unsigned arithmetic keeps out-of-range fields defined: only low bits count.
int32_t attribute_word(const TextInfo& r) {
  const auto size = static_cast<uint32_t>(r.size);
  const auto orient = static_cast<uint32_t>(r.orient);
  const auto font = static_cast<uint32_t>(r.font);
  return static_cast<int32_t>((size & 31u) | ((orient * 32u) & 96u) | ((font * 256u) & 0xFF00u));
}

// Quarter turns of a label angle in degrees, 45 degrees going up.
int32_t quarter_turns(float degrees) {
  int32_t a = trunc32(degrees) % 360;
  if (a < 0) a += 360;
  return (a / 90 + (a % 90 >= 45 ? 1 : 0)) & 3;
}

struct Messages {
  const char* not_open;
  const char* off_plot;
};

// Writes the label at the anchor, unless the anchor is off the plot.
int32_t write_label(int16_t ix, int16_t iy, const char* label, const Messages& msg) {
  if (ix <= 0 || iy <= 0) {
    std::fputs(msg.off_plot, stderr);
    return -1;
  }
  int32_t n = 0;
  adjust(label, &n);
  if (n == 0) return 0;
  pltext(ix, iy, lib.txtinfo, label, n);
  return 0;
}

// Checks that a plot is open and sets the label's pen and text settings.
bool prepare_label(const float* para, const Messages& msg) {
  if (para[p::kOpen] == 0.0f || lib.plotfile == nullptr) {
    std::fputs(msg.not_open, stderr);
    return false;
  }
  fatcheck(para);
  set_text_setting(lib.txtinfo, para[p::kText]);
  settxtinfo(lib.txtinfo, kInfoOrient, quarter_turns(para[p::kArrays]));
  return true;
}

const Messages kZlabel{"Zlabel: plot not opened; call zarvo first\n", "zlabel label off plot \n"};
const Messages kPlabel{"Plabel: plot not opened; call zarvo first\n", "plabel label off plot \n"};

}  // namespace

void settxtinfo(TextInfo& record, int code, int32_t value) {
  switch (code) {
    case kInfoSize:
      record.size = value <= kMaxSize ? value : 0;
      return;
    case kInfoFont:
      record.font = value <= kMaxFont ? value : 0;
      return;
    case kInfoOrient:
      record.orient = value;
      return;
    default:
      internal_error("ZARVO: Internal error - settxtinfo called with invalid code\n");
  }
}

void gettxtinfo(const TextInfo& record, int code, int32_t* out) {
  switch (code) {
    case kInfoAll:
      out[0] = record.size;
      out[1] = record.font;
      out[2] = record.orient;
      return;
    case kInfoSize:
      *out = record.size;
      return;
    case kInfoFont:
      *out = record.font;
      return;
    case kInfoOrient:
      *out = record.orient;
      return;
    case kInfoHeight:
      *out = getfont(record.font).height;
      return;
    default:
      internal_error("ZARVO: Internal error - gettxtinfo called with invalid code\n");
  }
}

void set_text_setting(TextInfo& record, float setting) {
  const int32_t k = trunc32(setting);
  settxtinfo(record, kInfoFont, k / p::kFontFactor);
  settxtinfo(record, kInfoSize, k % p::kFontFactor);
}

void pltext(int32_t x, int32_t y, const TextInfo& record, const char* text, int32_t n) {
  draw('m', x, y);
  putbyte(kTextCommand, lib.plotfile);
  vputw(attribute_word(record), lib.plotfile);
  for (int32_t i = 0; i < n; ++i) putbyte(static_cast<unsigned char>(text[i]), lib.plotfile);
  putbyte(0, lib.plotfile);
}

void adjust(const char* label, int32_t* n) {
  int32_t i = 0;
  while (i < kMaxLabel && label[i] != '\0') ++i;
  *n = i;
}

void form(double value, char* buffer, int32_t* n) {
  const float narrowed = static_cast<float>(value);
  int32_t len = std::snprintf(buffer, kFormBuffer, "%g", static_cast<double>(narrowed));
  if (len > 0 && buffer[len - 1] == '.') --len;
  *n = len;
}

int32_t zlabel(float x, float y, const char* label, const float* para) {
  if (!prepare_label(para, kZlabel)) return -1;
  const float fx = x * static_cast<float>(kUnitsPerInch) + static_cast<float>(origin_x(lib.origin_offset));
  const float fy = y * static_cast<float>(kUnitsPerInch) + static_cast<float>(origin_y(lib.origin_offset));
  return write_label(plot_unit(fx), plot_unit(fy), label, kZlabel);
}

int32_t plabel(float x, float y, const char* label, const float* para) {
  if (!prepare_label(para, kPlabel)) return -1;
  int16_t ix = 0;
  int16_t iy = 0;
  convert(x, y, ix, iy, para);
  return write_label(ix, iy, label, kPlabel);
}

}  // namespace zarvo
