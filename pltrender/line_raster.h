// Lines of PNG pages, drawn into an 8-bit coverage mask that the page
// then paints in ink.
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
// columns it reaches, and in each only the rows within reach of it.  Lines
// are queued and drawn in batches, each thread drawing the pixels of its
// own band of columns; a pixel's coverage is a maximum, so the mask is the
// same on any number of threads.
#ifndef PLTRENDER_LINE_RASTER_H
#define PLTRENDER_LINE_RASTER_H

#include <cstddef>
#include <vector>

#include <parallel/parallel.h>

#include "plotfile.h"

namespace pltrender {

class LineRaster {
 public:
  // A mask of width x height pixels, rows `stride` bytes apart, all zero,
  // drawn on `threads` threads.
  LineRaster(int width, int height, int stride, int threads = 1);

  // The width of the lines given next, in device pixels.
  void set_line_width(double width);

  // Queues the line from (x0, y0) to (x1, y1), device pixels with y down;
  // a line of no length draws a dot of the line's width.
  void line(double x0, double y0, double x1, double y1);

  // Draws the lines queued.  The mask and drawn() show them after this.
  void finish();

  // The pixels drawn since the last clear(): [x0, x1) x [y0, y1).
  const Box& drawn() const { return drawn_; }

  int width() const { return width_; }
  int height() const { return height_; }
  unsigned char* data() { return mask_.data(); }
  const unsigned char* data() const { return mask_.data(); }
  int stride() const { return stride_; }
  unsigned char at(int x, int y) const { return mask_[static_cast<std::size_t>(y) * stride_ + x]; }

  // Zeroes the pixels drawn (and forgets lines queued).
  void clear();

 private:
  struct Line {
    double x0, y0, x1, y1;
  };

  // The queued lines' pixels in columns [first, end), adding them to `drawn`.
  void draw_band(int first, int end, Box& drawn);

  // Column i of the line from (ax, ay) by (dx, dy), 1 / (dx^2 + dy^2) given,
  // at the rows within reach of [ylo, yhi].
  void column(int i, double ax, double ay, double dx, double dy, double inverse, double ylo, double yhi,
              Box& drawn);

  int width_, height_, stride_;
  parallel::Pool pool_;
  std::vector<unsigned char> mask_;
  std::vector<Line> queued_;
  double line_width_ = 1;
  double reach_ = 1;  // no pixel centre farther than this from a line gets ink
  Box drawn_;
};

}  // namespace pltrender

#endif
