#include "plot.h"

#include <zarvo/zarvo.hpp>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "axis.h"
#include "curve.h"
#include "frame.h"
#include "labels.h"
#include "para.h"
#include "pen.h"
#include "state.h"
#include "writers.h"

namespace zarvo {

namespace {

constexpr float kDefaultFrameInches = 5.5f;
constexpr float kDefaultMarkerSize = 2.0f;
constexpr int32_t kDefaultTextSize = 8;
constexpr int kEraseCommand = 'e';

// Takes `name` as the plot file name.  A longer name than the library
// holds is refused with a message: cut short it would name another file.
bool set_plotfile_name(const char* name) {
  if (std::strlen(name) > static_cast<size_t>(kPlotNameMax)) {
    std::fprintf(stderr, "Zarvo: plotfile name longer than %d characters: %s\n", kPlotNameMax, name);
    return false;
  }
  std::snprintf(lib.plotfile_name, sizeof lib.plotfile_name, "%s", name);
  return true;
}

// Makes the range of a start-and-increment axis exactly the span of its
// n generated values when the caller left it unset.
void span_of_series(int32_t n, const float* v, float& lo, float& hi) {
  if (lo != hi) return;
  lo = v[0];
  hi = v[0] + static_cast<float>(n - 1) * v[1];
}

// Narrows the axis with more data units per inch about its centre to the
// scale of the other axis.
void equalise_scales(float* para) {
  const float cx = (para[p::kXRight] - para[p::kXLeft]) / para[p::kWidth];
  const float cy = (para[p::kYTop] - para[p::kYBottom]) / para[p::kHeight];
  if (cx > cy) {
    const auto c = static_cast<float>(0.5 * static_cast<double>(cy - cx) * static_cast<double>(para[p::kWidth]));
    para[p::kXLeft] = para[p::kXLeft] - c;
    para[p::kXRight] = para[p::kXRight] + c;
  } else {
    const auto c = static_cast<float>(0.5 * static_cast<double>(cx - cy) * static_cast<double>(para[p::kHeight]));
    para[p::kYBottom] = para[p::kYBottom] - c;
    para[p::kYTop] = para[p::kYTop] + c;
  }
}

}  // namespace

// Completes the parameter block of a new graph: defaults, ranges, ticks;
// `origin` gets the text size that places the frame corner.  False when a
// tick interval could not be found.
bool set_up(int32_t n, const float* x, const float* y, float* para, int16_t& origin) {
  if (trunc32(para[p::kText]) % p::kFontFactor == 0) para[p::kText] = para[p::kText] + kDefaultTextSize;
  origin = low16(trunc32(para[p::kText]) % p::kFontFactor);
  if (para[p::kWidth] == 0.0f) para[p::kWidth] = kDefaultFrameInches;
  if (para[p::kHeight] == 0.0f) para[p::kHeight] = kDefaultFrameInches;
  if (para[p::kStyle] != 0.0f && para[p::kMarkerSize] <= 0.0f) para[p::kMarkerSize] = kDefaultMarkerSize;

  // A start-and-increment array holds one distinct value when its range is
  // still unset here (zero increment), so only its first element is scanned.
  const float arrays = para[p::kArrays];
  const int32_t ny = arrays == -1.0f ? 1 : n;
  const int32_t nx = arrays == 1.0f ? 1 : n;
  if (para[p::kYBottom] == para[p::kYTop]) axmi(ny, y, &para[p::kYBottom], &para[p::kYTop], &para[p::kHeight], para);
  if (para[p::kXLeft] == para[p::kXRight]) axmi(nx, x, &para[p::kXLeft], &para[p::kXRight], &para[p::kWidth], para);

  if (para[p::kFrame] == 1.0f || para[p::kFrame] == -1.0f) equalise_scales(para);

  if (para[p::kXTick] == 0.0f) grid(&para[p::kXLeft], &para[p::kXRight], &para[p::kXFirstTick], &para[p::kXTick]);
  if (para[p::kYTick] == 0.0f) grid(&para[p::kYBottom], &para[p::kYTop], &para[p::kYFirstTick], &para[p::kYTick]);
  return para[p::kXTick] * para[p::kYTick] != 0.0f;
}

void span_of_series(int32_t n, const float* x, const float* y, float* para) {
  if (para[p::kArrays] == 1.0f) span_of_series(n, x, para[p::kXLeft], para[p::kXRight]);
  if (para[p::kArrays] == -1.0f) span_of_series(n, y, para[p::kYBottom], para[p::kYTop]);
}

namespace {

void set_text_record(const float* para) {
  settxtinfo(lib.txtinfo, kInfoOrient, 0);
  set_text_setting(lib.txtinfo, para[p::kText]);
}

Frame frame_geometry(const float* para) {
  Frame f;
  f.xo = origin_x(lib.origin_offset);
  f.yo = origin_y(lib.origin_offset);
  f.xr = plot_unit(static_cast<float>(f.xo) + static_cast<float>(kUnitsPerInch) * para[p::kWidth]);
  f.yt = plot_unit(static_cast<float>(f.yo) + static_cast<float>(kUnitsPerInch) * para[p::kHeight]);
  f.sx = axis_scale(para[p::kXLeft], para[p::kXRight], para[p::kWidth]);
  f.sy = axis_scale(para[p::kYBottom], para[p::kYTop], para[p::kHeight]);
  return f;
}

// Opens the plot file when the block says none is open; refuses to go on
// when the block claims an open file that this process never opened.
bool open_plotfile(float* para) {
  if (para[p::kOpen] != 0.0f) {
    if (lib.plotfile != nullptr) return true;
    std::fputs("Zarvo: plotfile not open; set para(20) to 0 to open it\n", stderr);
    return false;
  }
  lib.plotfile = std::fopen(lib.plotfile_name, "w");
  if (lib.plotfile == nullptr) {
    std::fprintf(stderr, "Zarvo: can't open %s\n", lib.plotfile_name);
    return false;
  }
  para[p::kOpen] = 1.0f;
  return true;
}

}  // namespace

int32_t plot(int32_t n, const float* x, const float* y, const char* xlabel, const char* ylabel,
             const char* title, float* para) {
  if (para[p::kOpen] < 0.0f) {
    if (!set_plotfile_name(title)) return -1;
    para[p::kOpen] = 0.0f;
    std::fprintf(stderr, "ZARVO: plotfile name set to %s\n", lib.plotfile_name);
    return 0;
  }

  bool debug = false;
  if (para[p::kOpen] == 0.0f) {
    const char* name = std::getenv("pltfil");
    if (name != nullptr && !set_plotfile_name(name)) return -1;
    debug = std::getenv("zarvo_debug") != nullptr;
  }
  const bool extended = para[p::kStyle] == 0.0f && para[p::kMarkerSize] < 0.0f;
  if (extended && debug) std::fputs("ZARVO: extended mode\n", stderr);

  if (n < 0 || (n == 0 && debug)) {
    std::fputs("ZARVO: error, non-positive point count\n", stderr);
    return -1;
  }

  span_of_series(n, x, y, para);

  if (para[p::kMode] * para[p::kOpen] == 0.0f && !set_up(n, x, y, para, lib.origin_offset)) {
    std::fputs("zarvo unable to scale data \n", stderr);
    return -1;
  }

  set_text_record(para);
  const Frame frame = frame_geometry(para);
  if (!open_plotfile(para)) return -1;
  if (para[p::kMode] == 0.0f) putbyte(kEraseCommand, lib.plotfile);
  fatcheck(para);
  draw_curve(n, x, y, para, frame);

  if (para[p::kMode] > 0.0f) return 0;
  draw_frame_and_annotation(para, frame, Titles{xlabel, ylabel, title});
  para[p::kMode] = 1.0f;
  return 0;
}

bool complete_graph(int32_t n, const float* x, const float* y, float* para) {
  span_of_series(n, x, y, para);
  int16_t origin = 0;
  return set_up(n, x, y, para, origin);
}

PlotPosition plot_position(float x, float y, const float* para) {
  PlotPosition at;
  plot_positions(1, &x, &y, para, &at);
  return at;
}

void plot_positions(std::size_t n, const float* x, const float* y, const float* para, PlotPosition* out) {
  const int16_t origin = low16(trunc32(para[p::kText]) % p::kFontFactor);
  const float sx = axis_scale(para[p::kXLeft], para[p::kXRight], para[p::kWidth]);
  const float sy = axis_scale(para[p::kYBottom], para[p::kYTop], para[p::kHeight]);
  const int16_t xo = origin_x(origin), yo = origin_y(origin);
  for (std::size_t i = 0; i < n; ++i)
    out[i] = PlotPosition{plot_unit(axis_position(x[i], para[p::kXLeft], sx, xo)),
                          plot_unit(axis_position(y[i], para[p::kYBottom], sy, yo))};
}

}  // namespace zarvo
