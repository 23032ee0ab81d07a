// Lines of PNG pages, drawn into 8-bit coverage masks that the page then
// paints in ink.
//
// A pixel's coverage by a line of width w (device pixels) is that of a band
// of width w whose middle lies at the distance d of the pixel's centre from
// the line's nearest point: min(w, w/2 + 1/2 - d), clamped to 0..1, stored
// as round(255 * coverage).  For horizontal and vertical lines this is the
// exact area of the pixel under the line; line ends and joins come out
// round.  Within one run of lines the mask keeps the larger coverage of a
// pixel, so a curve is not darker where it crosses itself.
//
// The cost of a line is about its length times its width in pixels: the
// columns it reaches, and in each only the rows within reach of it.
#ifndef PLTRENDER_LINE_RASTER_H
#define PLTRENDER_LINE_RASTER_H

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

#include "plotfile.h"

namespace pltrender {

// A line in device pixels, y down.
struct Line {
  double x0, y0, x1, y1;
};

class LineRaster {
 public:
  // The mask of the page's pixels [left, left + width) x [top, top +
  // height), rows `stride` bytes apart, all zero, for lines `line_width`
  // device pixels wide.
  LineRaster(int left, int top, int width, int height, int stride, double line_width);

  // Draws a line; a line of no length draws a dot of the line's width.
  void line(const Line& l);

  // The page's pixels drawn: [x0, x1) x [y0, y1).
  const Box& drawn() const { return drawn_; }

  int left() const { return left_; }
  int top() const { return top_; }
  int width() const { return width_; }
  int height() const { return height_; }
  int stride() const { return stride_; }
  const unsigned char* data() const { return mask_.data(); }
  // The coverage of the page's pixel (x, y), which the mask holds.
  unsigned char at(int x, int y) const {
    return mask_[static_cast<std::size_t>(y - top_) * static_cast<std::size_t>(stride_) +
                 static_cast<std::size_t>(x - left_)];
  }

 private:
  // Mask column i of the line from (ax, ay) by (dx, dy), mask coordinates,
  // 1 / (dx^2 + dy^2) given, at the rows within reach of [ylo, yhi].
  void column(int i, double ax, double ay, double dx, double dy, double inverse, double ylo, double yhi);

  int left_, top_, width_, height_, stride_;
  std::vector<unsigned char> mask_;
  double line_width_;
  double reach_;  // no pixel centre farther than this from a line gets ink
  Box drawn_;
};

// Runs of lines, each with its width and the caller's tag for its ink,
// held until draw(): then each is drawn into a mask of its own, just large
// enough, many at once on several threads, and handed back in order to be
// painted.  A mask depends only on its run, so the pictures are the same
// on any number of threads.
class LineRuns {
 public:
  LineRuns(int page_width, int page_height, int threads);

  // Begins a run of lines `line_width` device pixels wide.
  void begin(double line_width, int tag);

  // Adds a line to the run begun last.
  void line(double x0, double y0, double x1, double y1);

  // Whether the runs held are as many lines, or their long runs' masks as
  // many bytes, as are drawn at once.
  bool full() const { return held_ >= kBatchLines || long_run_bytes_ >= kMaskBytes; }

  // Draws the runs held and passes each to paint(raster, tag), in the
  // order they were begun (runs wholly off the page are not passed); then
  // forgets them.
  void draw(const std::function<void(const LineRaster&, int tag)>& paint);

  static constexpr std::size_t kBatchLines = std::size_t{1} << 20;
  // A run longer than this is drawn as it comes, into a mask of the page.
  static constexpr std::size_t kRunLines = std::size_t{1} << 18;
  // Bytes of masks made at once: runs are drawn in groups that fit (a run
  // larger than this alone).
  static constexpr std::size_t kMaskBytes = std::size_t{64} << 20;

 private:
  struct Run {
    double line_width;
    int tag;
    std::vector<Line> lines;
    Box bounds;  // the lines' ends
    std::unique_ptr<LineRaster> raster;
  };

  // The page's pixels within reach of a held run's lines; false when there
  // are none.
  bool pixels(const Run& run, int& left, int& top, int& width, int& height) const;

  // The raster of a held run, sized to its lines; null when they are off the page.
  std::unique_ptr<LineRaster> raster_for(const Run& run) const;

  int page_width_, page_height_, threads_;
  std::vector<Run> runs_;
  std::size_t held_ = 0;            // lines in runs_
  std::size_t long_run_bytes_ = 0;  // the masks of runs_ drawn as they come
};

}  // namespace pltrender

#endif
