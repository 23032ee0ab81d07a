#include "frame.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "labels.h"
#include "measure.h"
#include "para.h"
#include "pen.h"
#include "state.h"

namespace zarvo {

namespace {

constexpr int32_t kTickPerSize = 5;      // tick stroke length per unit of text size
constexpr double kXZeroResidue = 1e-4;   // x tick values this close to 0 print as 0
constexpr double kYZeroResidue = 1e-5;   // same on the y axis
constexpr double kTickSlack = 1e-6;      // last tick may pass the range end by this
constexpr int32_t kWideNumber = 5;       // y numbers wider than this shrink
constexpr double kYNumberDrop = 0.3;     // y number baseline below its tick, line heights
constexpr double kXTitleDrop = 2.2;      // x-axis title below the frame, line heights
constexpr double kTitleRise = 0.6;       // title above the frame, line heights

int32_t height_of(const TextInfo& record) {
  int32_t h = 0;
  gettxtinfo(record, kInfoHeight, &h);
  return h;
}

// True while the tick value v still lies in lo..hi, with a little slack.
bool tick_in_range(float v, float step, float lo, float hi) {
  const double slack = static_cast<double>(step) * kTickSlack;
  return static_cast<double>(v) - slack <= hi && static_cast<double>(v) + slack > lo;
}

// The next tick value; false when the step no longer changes it.
bool next_tick(float& v, float step) {
  const float next = v + step;
  if (next == v) return false;
  v = next;
  return true;
}

void draw_box(const Frame& f) {
  draw('m', f.xo, f.yo);
  draw('d', f.xo, f.yt);
  draw('d', f.xr, f.yt);
  draw('d', f.xr, f.yo);
  draw('d', f.xo, f.yo);
}

void x_ticks(const float* para, const Frame& f) {
  TextInfo r = lib.txtinfo;
  const int32_t s0 = r.size;
  const int32_t h = height_of(r);
  const int64_t tick = int64_t{kTickPerSize} * s0;
  const int16_t yb = low16(int64_t{f.yo} - int64_t{h} * s0);
  const float step = para[p::kXTick];
  const float lo = std::min(para[p::kXLeft], para[p::kXRight]);
  const float hi = std::max(para[p::kXLeft], para[p::kXRight]);
  float v = para[p::kXFirstTick];
  do {
    if (std::fabs(static_cast<double>(v)) < static_cast<double>(step) * kXZeroResidue) v = 0.0f;
    char text[kFormBuffer];
    int32_t k = 0;
    form(v, text, &k);
    const int32_t tw = txtsize(text, r.font);
    const int16_t px = plot_unit(axis_position(v, para[p::kXLeft], f.sx, f.xo));
    draw('m', px, f.yo);
    draw('d', px, low16(f.yo + tick));
    draw('m', px, f.yt);
    draw('d', px, low16(f.yt - tick));
    // Numbers wider than the tick spacing shrink to the largest size that fits.
    int32_t s = s0;
    if (tw > 0 && f.sx != 0.0f) {
      const double fit = std::fabs((static_cast<double>(step) / static_cast<double>(f.sx)) / tw);
      s = std::min(s0, trunc32(fit));
    }
    settxtinfo(r, kInfoSize, s);
    pltext(low16(px - (int64_t{s} * tw) / 2), yb, r, text, k);
  } while (next_tick(v, step) && tick_in_range(v, step, lo, hi));
}

// Returns the leftmost x position of the numbers drawn.
int16_t y_ticks(const float* para, const Frame& f) {
  TextInfo q = lib.txtinfo;
  const int32_t s0 = q.size;
  const int32_t h = height_of(q);
  const int64_t tick = int64_t{kTickPerSize} * s0;
  const float step = para[p::kYTick];
  const float lo = std::min(para[p::kYBottom], para[p::kYTop]);
  const float hi = std::max(para[p::kYBottom], para[p::kYTop]);
  int16_t leftmost = f.xo;
  float v = para[p::kYFirstTick];
  do {
    if (std::fabs(static_cast<double>(v)) < static_cast<double>(step) * kYZeroResidue) v = 0.0f;
    char text[kFormBuffer + 1];
    int32_t k = 0;
    form(v, text, &k);
    std::strcat(text, " ");  // measured with a trailing blank, written without
    const int16_t py = plot_unit(axis_position(v, para[p::kYBottom], f.sy, f.yo));
    draw('m', f.xo, py);
    draw('d', low16(f.xo + tick), py);
    draw('m', f.xr, py);
    draw('d', low16(f.xr - tick), py);
    const int32_t s = k <= kWideNumber ? s0 : trunc32(s0 * 5.0 / k);
    settxtinfo(q, kInfoSize, s);
    const int32_t tw = txtsize(text, q.font);
    const int16_t lx = low16(f.xo - int64_t{s} * tw);
    int16_t ly = plot_unit(py - h * kYNumberDrop * s);
    if (ly < f.yo) ly = f.yo;
    pltext(lx, ly, q, text, k);
    if (lx < leftmost) leftmost = lx;
  } while (next_tick(v, step) && tick_in_range(v, step, lo, hi));
  return leftmost;
}

// Start of a text of width tw at size s centred between a and b.
int16_t centred(int16_t a, int16_t b, int32_t tw, int32_t s) {
  return low16((int64_t{a} + b - int64_t{tw} * s) / 2);
}

void x_title(const char* xlabel, const Frame& f) {
  int32_t k = 0;
  adjust(xlabel, &k);
  if (k == 0) return;
  const TextInfo r = lib.txtinfo;
  const int32_t s = r.size;
  const int32_t h = height_of(r);
  const int32_t tw = txtsize(xlabel, r.font);
  pltext(centred(f.xr, f.xo, tw, s), plot_unit(f.yo - h * kXTitleDrop * s), r, xlabel, k);
}

void y_title(const char* ylabel, const Frame& f, int16_t leftmost) {
  int32_t k = 0;
  adjust(ylabel, &k);
  if (k == 0) return;
  TextInfo r = lib.txtinfo;
  settxtinfo(r, kInfoOrient, 1);
  const int32_t s = r.size;
  const int32_t h = height_of(r);
  const int32_t tw = txtsize(ylabel, r.font);
  pltext(low16(leftmost - int64_t{h} * s), centred(f.yt, f.yo, tw, s), r, ylabel, k);
}

void title_line(const char* title, const Frame& f) {
  if (title[0] == '\0') return;
  const TextInfo& r = lib.txtinfo;
  const int32_t s = r.size;
  const int32_t h = height_of(r);
  const int32_t tw = txtsize(title, r.font);
  const auto n = static_cast<int32_t>(std::strlen(title));
  pltext(centred(f.xr, f.xo, tw, s), plot_unit(f.yt + h * kTitleRise * s), r, title, n);
}

}  // namespace

void draw_frame_and_annotation(const float* para, const Frame& f, const Titles& titles) {
  const bool framed = para[p::kFrame] >= 0.0f;
  if (framed) draw_box(f);
  if (framed && para[p::kNoXTicks] != 1.0f) x_ticks(para, f);
  int16_t leftmost = f.xo;
  if (framed && para[p::kNoYTicks] != 1.0f) leftmost = y_ticks(para, f);
  x_title(titles.xlabel, f);
  y_title(titles.ylabel, f, leftmost);
  title_line(titles.title, f);
}

}  // namespace zarvo
