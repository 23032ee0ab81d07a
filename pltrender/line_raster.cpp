#include "line_raster.h"

#include <algorithm>
#include <cmath>

#include <parallel/parallel.h>

namespace pltrender {

namespace {

constexpr double kFullInk = 255;
// Index range [first, last] of the pixels whose centres (index + 1/2) lie
// less than `reach` from [low, high], clamped to 0..count-1 (empty: first >
// last).
void pixel_range(double low, double high, double reach, int count, int& first, int& last) {
  const double lo = std::clamp(std::floor(low - reach - 0.5) + 1, 0.0, static_cast<double>(count));
  const double hi = std::clamp(std::ceil(high + reach - 0.5) - 1, -1.0, static_cast<double>(count) - 1);
  first = static_cast<int>(lo);
  last = static_cast<int>(hi);
}

// Rows of A8 images are 4-byte aligned, as cairo needs them.
int mask_stride(int width) { return (width + 3) / 4 * 4; }

// No pixel centre farther than this from a line of the width gets ink.
double reach_of(double line_width) { return line_width / 2 + 0.5; }

}  // namespace

LineRaster::LineRaster(int left, int top, int width, int height, int stride, double line_width)
    : left_(left), top_(top), width_(width), height_(height), stride_(stride),
      mask_(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height), 0), line_width_(line_width),
      reach_(reach_of(line_width)) {}

void LineRaster::line(const Line& l) {
  const double x0 = l.x0 - left_, y0 = l.y0 - top_, x1 = l.x1 - left_, y1 = l.y1 - top_;
  const double dx = x1 - x0, dy = y1 - y0;
  const double length2 = dx * dx + dy * dy;
  const double inverse = length2 > 0 ? 1 / length2 : 0;  // a dot: every t is 0
  int first = 0, last = 0;
  pixel_range(std::min(x0, x1), std::max(x0, x1), reach_, width_, first, last);
  for (int i = first; i <= last; ++i) {
    // The rows in reach lie around the part of the line within reach of
    // the column's centre.
    const double xc = i + 0.5;
    double t0 = 0, t1 = 1;
    if (dx != 0) {
      t0 = std::clamp((xc - reach_ - x0) / dx, 0.0, 1.0);
      t1 = std::clamp((xc + reach_ - x0) / dx, 0.0, 1.0);
    }
    const double ya = y0 + t0 * dy, yb = y0 + t1 * dy;
    column(i, x0, y0, dx, dy, inverse, std::min(ya, yb), std::max(ya, yb));
  }
}

void LineRaster::column(int i, double ax, double ay, double dx, double dy, double inverse, double ylo,
                        double yhi) {
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
    unsigned char& pixel = mask_[static_cast<std::size_t>(j) * static_cast<std::size_t>(stride_) + i];
    if (ink > pixel) pixel = ink;
    if (!inked) drawn_.add(left_ + i, top_ + j);
    inked = true;
  }
  if (inked) drawn_.add(left_ + i + 1, top_ + last + 1);
}

LineRuns::LineRuns(int page_width, int page_height, int threads)
    : page_width_(page_width), page_height_(page_height), threads_(threads) {}

void LineRuns::begin(double line_width, int tag) { runs_.push_back(Run{line_width, tag, {}, {}, nullptr}); }

void LineRuns::line(double x0, double y0, double x1, double y1) {
  Run& run = runs_.back();
  const Line l{x0, y0, x1, y1};
  if (run.raster) {
    run.raster->line(l);
    return;
  }
  run.lines.push_back(l);
  run.bounds.add(x0, y0);
  run.bounds.add(x1, y1);
  ++held_;
  if (run.lines.size() < kRunLines) return;
  run.raster = std::make_unique<LineRaster>(0, 0, page_width_, page_height_, mask_stride(page_width_),
                                            run.line_width);
  long_run_bytes_ += static_cast<std::size_t>(mask_stride(page_width_)) * static_cast<std::size_t>(page_height_);
  for (const Line& held : run.lines) run.raster->line(held);
  held_ -= run.lines.size();
  std::vector<Line>().swap(run.lines);
}

bool LineRuns::pixels(const Run& run, int& left, int& top, int& width, int& height) const {
  if (run.raster || run.bounds.empty) return false;
  const double reach = reach_of(run.line_width);
  const auto clamped = [](double v, int count) {
    return static_cast<int>(std::clamp(v, 0.0, static_cast<double>(count)));
  };
  left = clamped(std::floor(run.bounds.x0 - reach), page_width_);
  top = clamped(std::floor(run.bounds.y0 - reach), page_height_);
  width = clamped(std::ceil(run.bounds.x1 + reach), page_width_) - left;
  height = clamped(std::ceil(run.bounds.y1 + reach), page_height_) - top;
  return width > 0 && height > 0;
}

std::unique_ptr<LineRaster> LineRuns::raster_for(const Run& run) const {
  int left = 0, top = 0, width = 0, height = 0;
  if (!pixels(run, left, top, width, height)) return nullptr;
  return std::make_unique<LineRaster>(left, top, width, height, mask_stride(width), run.line_width);
}

void LineRuns::draw(const std::function<void(const LineRaster&, int)>& paint) {
  const auto mask_bytes = [&](const Run& run) -> std::size_t {
    int left = 0, top = 0, width = 0, height = 0;
    if (!pixels(run, left, top, width, height)) return 0;
    return static_cast<std::size_t>(mask_stride(width)) * static_cast<std::size_t>(height);
  };
  for (std::size_t begin = 0; begin < runs_.size();) {
    std::size_t end = begin, bytes = 0;
    for (; end < runs_.size(); ++end) {
      const std::size_t more = mask_bytes(runs_[end]);
      if (end > begin && bytes + more > kMaskBytes) break;
      bytes += more;
    }
    // The masks are made here, so that the threads, which draw into them,
    // take no memory of their own.
    std::vector<std::unique_ptr<LineRaster>> rasters(end - begin);
    for (std::size_t k = 0; k < rasters.size(); ++k) {
      Run& run = runs_[begin + k];
      rasters[k] = run.raster ? std::move(run.raster) : raster_for(run);
    }
    parallel::for_each(end - begin, threads_, [&](std::size_t k, int) {
      if (rasters[k] == nullptr) return;
      for (const Line& l : runs_[begin + k].lines) rasters[k]->line(l);
    });
    for (std::size_t k = 0; k < rasters.size(); ++k)
      if (rasters[k] && !rasters[k]->drawn().empty) paint(*rasters[k], runs_[begin + k].tag);
    begin = end;
  }
  runs_.clear();
  held_ = 0;
  long_run_bytes_ = 0;
}

}  // namespace pltrender
