// The line raster: exact coverage of horizontal and vertical lines, the
// larger coverage kept where lines of a run meet, lines reaching far off
// the mask, and a cross-check against cairo stroking the same curves.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cmath>
#include <vector>

#include "line_raster.h"

namespace pltrender {
namespace {

constexpr int kW = 64, kH = 48;

struct Expected {
  int x, y;
  int ink;
};

TEST(LineRaster, AxisAlignedLinesCoverTheirExactArea) {
  struct Case {
    const char* what;
    double width, x0, y0, x1, y1;
    std::vector<Expected> pixels;
  };
  const std::vector<Case> cases = {
      // A band from y = 9.75 to 10.75: a quarter of row 9, three quarters of row 10.
      {"horizontal, width 1", 1, 5, 10.25, 40, 10.25, {{20, 8, 0}, {20, 9, 64}, {20, 10, 191}, {20, 11, 0}}},
      // Narrower than a pixel: half of row 10 and nothing of its neighbours.
      {"horizontal, width 1/2", 0.5, 5, 10.5, 40, 10.5, {{20, 9, 0}, {20, 10, 128}, {20, 11, 0}}},
      // From x = 18.5 to 21.5: half, whole, whole, half.
      {"vertical, width 3", 3, 20, 5, 20, 40,
       {{17, 20, 0}, {18, 20, 128}, {19, 20, 255}, {20, 20, 255}, {21, 20, 128}, {22, 20, 0}}},
      // Round ends: a pixel beyond the end by half the width plus half a pixel stays blank.
      {"end of a line", 1, 5, 10.5, 40, 10.5, {{40, 10, 128}, {41, 10, 0}, {4, 10, 128}, {3, 10, 0}}},
      // A line of no length is a dot.
      {"dot", 2, 30.5, 30.5, 30.5, 30.5, {{30, 30, 255}, {31, 30, 128}, {32, 30, 0}, {30, 28, 0}}},
  };
  for (const Case& c : cases) {
    LineRaster r(kW, kH, kW);
    r.set_line_width(c.width);
    r.line(c.x0, c.y0, c.x1, c.y1);
    r.finish();
    for (const Expected& e : c.pixels) EXPECT_EQ(r.at(e.x, e.y), e.ink) << c.what << " at " << e.x << "," << e.y;
  }
}

TEST(LineRaster, KeepsTheLargerCoverageAndClearsWhatItDrew) {
  LineRaster r(kW, kH, kW + 4);
  r.set_line_width(1);
  r.line(0, 10.5, 63, 10.5);
  r.line(20.5, 0, 20.5, 47);
  r.line(0, 10.5, 63, 10.5);  // again: no darker
  r.finish();
  EXPECT_EQ(r.at(20, 10), 255);
  EXPECT_EQ(r.at(30, 10), 255);
  EXPECT_EQ(r.at(20, 30), 255);
  EXPECT_EQ(r.at(30, 30), 0);
  const Box& b = r.drawn();
  EXPECT_EQ(b.x0, 0);
  EXPECT_EQ(b.x1, kW);
  EXPECT_EQ(b.y0, 0);
  EXPECT_EQ(b.y1, kH);
  r.clear();
  EXPECT_TRUE(r.drawn().empty);
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW + 4; ++x) ASSERT_EQ(r.data()[y * (kW + 4) + x], 0) << x << "," << y;
}

TEST(LineRaster, LinesFarOffTheMaskDrawOnlyTheirPartOnIt) {
  LineRaster r(kW, kH, kW);
  r.set_line_width(1);
  r.line(-1e7 + 0.5, -1e7 + 0.5, 1e7 + 0.5, 1e7 + 0.5);  // the diagonal through pixel centres
  r.line(-1e9, 1e9, -1e9 + 1, 1e9);                     // wholly off the mask
  r.finish();
  for (int i = 0; i < kH; ++i) EXPECT_EQ(r.at(i, i), 255) << i;
  EXPECT_EQ(r.at(40, 10), 0);
  EXPECT_EQ(r.drawn().x1, kH + 1);
  EXPECT_EQ(r.drawn().y1, kH);
}

// A wave of 70,000 lines (more than are queued at once) drawn on one
// thread and on three, each with a band of columns: the same mask.
TEST(LineRaster, SameMaskOnAnyNumberOfThreads) {
  constexpr int w = 300, h = 120;
  std::vector<unsigned char> masks[2];
  Box boxes[2];
  for (int k = 0; k < 2; ++k) {
    LineRaster r(w, h, w, k == 0 ? 1 : 3);
    r.set_line_width(1.3);
    double x = -5, y = 60;
    for (int i = 0; i < 70000; ++i) {
      const double nx = -5 + (i % 7000) * 0.044, ny = 60 + 55 * std::sin(i * 0.37) * std::cos(i * 0.0011);
      r.line(x, y, nx, ny);
      x = nx;
      y = ny;
    }
    r.finish();
    masks[k].assign(r.data(), r.data() + w * h);
    boxes[k] = r.drawn();
  }
  EXPECT_EQ(masks[0], masks[1]);
  EXPECT_EQ(boxes[0].x0, boxes[1].x0);
  EXPECT_EQ(boxes[0].x1, boxes[1].x1);
  EXPECT_EQ(boxes[0].y0, boxes[1].y0);
  EXPECT_EQ(boxes[0].y1, boxes[1].y1);
  EXPECT_EQ(boxes[0].x0, 0);
  EXPECT_EQ(boxes[0].x1, w);
}

// A curve stroked by cairo (round joins and caps, its default
// antialiasing) into an alpha mask, and drawn by the line raster: the same
// ink within 1 %, no pixel off by more than 48 of 255 (measured: 37).
TEST(LineRaster, AgreesWithCairoStroking) {
  constexpr int w = 400, h = 200;
  std::vector<double> xs, ys;
  for (int i = 0; i <= 600; ++i) {  // a damped wave, steep and shallow parts
    xs.push_back(10 + i * 0.63);
    ys.push_back(100 + 80 * std::exp(-i / 300.0) * std::sin(i * 0.11));
  }
  for (double width : {1.0, 2.5}) {
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_A8, w, h);
    cairo_t* cr = cairo_create(s);
    cairo_set_line_width(cr, width);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, xs[0], ys[0]);
    for (std::size_t i = 1; i < xs.size(); ++i) cairo_line_to(cr, xs[i], ys[i]);
    cairo_stroke(cr);
    cairo_surface_flush(s);
    LineRaster r(w, h, cairo_image_surface_get_stride(s));
    r.set_line_width(width);
    for (std::size_t i = 1; i < xs.size(); ++i) r.line(xs[i - 1], ys[i - 1], xs[i], ys[i]);
    r.finish();
    const unsigned char* theirs = cairo_image_surface_get_data(s);
    double ours_ink = 0, their_ink = 0;
    int worst = 0;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int a = r.at(x, y), b = theirs[y * cairo_image_surface_get_stride(s) + x];
        ours_ink += a;
        their_ink += b;
        worst = std::max(worst, std::abs(a - b));
      }
    cairo_destroy(cr);
    cairo_surface_destroy(s);
    EXPECT_NEAR(ours_ink / their_ink, 1.0, 0.01) << "width " << width;
    EXPECT_LE(worst, 48) << "width " << width;
  }
}

}  // namespace
}  // namespace pltrender
