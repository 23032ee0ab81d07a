#include "line_raster.h"

#include <algorithm>
#include <cmath>


namespace pltrender {

namespace {

constexpr double kFullInk = 255;
// Lines queued before they are drawn: enough that a thread's share is
// worth starting it for, few enough to keep the queue small.
constexpr std::size_t kQueuedLines = 1 << 16;
constexpr std::size_t kLinesPerThread = 2048;

// Index range [first, last] of the pixels whose centres (index + 1/2) lie
// less than `reach` from [low, high], clamped to 0..count-1 (empty: first >
// last).
void pixel_range(double low, double high, double reach, int count, int& first, int& last) {
  const double lo = std::clamp(std::floor(low - reach - 0.5) + 1, 0.0, static_cast<double>(count));
  const double hi = std::clamp(std::ceil(high + reach - 0.5) - 1, -1.0, static_cast<double>(count) - 1);
  first = static_cast<int>(lo);
  last = static_cast<int>(hi);
}

}  // namespace

LineRaster::LineRaster(int width, int height, int stride, int threads)
    : width_(width), height_(height), stride_(stride), pool_(std::max(threads, 1)),
      mask_(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height), 0) {}

void LineRaster::set_line_width(double width) {
  if (width == line_width_) return;
  finish();
  line_width_ = width;
  reach_ = width / 2 + 0.5;
}

void LineRaster::line(double x0, double y0, double x1, double y1) {
  queued_.push_back(Line{x0, y0, x1, y1});
  if (queued_.size() == kQueuedLines) finish();
}

void LineRaster::finish() {
  if (queued_.empty()) return;
  const int bands = static_cast<int>(
      std::clamp<std::size_t>(queued_.size() / kLinesPerThread, 1, static_cast<std::size_t>(pool_.threads())));
  if (bands == 1) {
    draw_band(0, width_, drawn_);
  } else {
    std::vector<Box> drawn(static_cast<std::size_t>(bands));
    pool_.for_each(static_cast<std::size_t>(bands), [&](std::size_t band, int) {
      const auto b = static_cast<int>(band);
      draw_band(width_ * b / bands, width_ * (b + 1) / bands, drawn[band]);
    });
    for (const Box& b : drawn) drawn_.add(b);
  }
  queued_.clear();
}

void LineRaster::draw_band(int first_column, int end_column, Box& drawn) {
  for (const Line& l : queued_) {
    int first = 0, last = 0;
    pixel_range(std::min(l.x0, l.x1), std::max(l.x0, l.x1), reach_, width_, first, last);
    first = std::max(first, first_column);
    last = std::min(last, end_column - 1);
    if (first > last) continue;
    const double dx = l.x1 - l.x0, dy = l.y1 - l.y0;
    const double length2 = dx * dx + dy * dy;
    const double inverse = length2 > 0 ? 1 / length2 : 0;  // a dot: every t is 0
    for (int i = first; i <= last; ++i) {
      // The rows in reach lie around the part of the line within reach of
      // the column's centre.
      const double xc = i + 0.5;
      double t0 = 0, t1 = 1;
      if (dx != 0) {
        t0 = std::clamp((xc - reach_ - l.x0) / dx, 0.0, 1.0);
        t1 = std::clamp((xc + reach_ - l.x0) / dx, 0.0, 1.0);
      }
      const double ya = l.y0 + t0 * dy, yb = l.y0 + t1 * dy;
      column(i, l.x0, l.y0, dx, dy, inverse, std::min(ya, yb), std::max(ya, yb), drawn);
    }
  }
}

void LineRaster::column(int i, double ax, double ay, double dx, double dy, double inverse, double ylo,
                        double yhi, Box& drawn) {
  int first = 0, last = 0;
  pixel_range(ylo, yhi, reach_, height_, first, last);
  const double xc = i + 0.5;
  bool inked = false;
  for (int j = first; j <= last; ++j) {
    const double yc = j + 0.5;
    const double t = std::clamp(((xc - ax) * dx + (yc - ay) * dy) * inverse, 0.0, 1.0);
    const double ex = xc - (ax + t * dx), ey = yc - (ay + t * dy);
    const double d2 = ex * ex + ey * ey;
    if (d2 >= reach_ * reach_) continue;
    const double coverage = std::clamp(std::min(line_width_, reach_ - std::sqrt(d2)), 0.0, 1.0);
    const auto ink = static_cast<unsigned char>(coverage * kFullInk + 0.5);  // rounded: coverage is 0..1
    unsigned char& pixel = mask_[static_cast<std::size_t>(j) * stride_ + i];
    if (ink > pixel) pixel = ink;
    if (!inked) drawn.add(i, j);
    inked = true;
  }
  if (inked) drawn.add(i + 1, last + 1);
}

void LineRaster::clear() {
  queued_.clear();
  if (drawn_.empty) return;
  const auto x0 = static_cast<std::size_t>(drawn_.x0), x1 = static_cast<std::size_t>(drawn_.x1);
  for (auto y = static_cast<std::size_t>(drawn_.y0); y < static_cast<std::size_t>(drawn_.y1); ++y)
    std::fill(mask_.begin() + static_cast<std::ptrdiff_t>(y * stride_ + x0),
              mask_.begin() + static_cast<std::ptrdiff_t>(y * stride_ + x1), 0);
  drawn_ = Box{};
}

}  // namespace pltrender
