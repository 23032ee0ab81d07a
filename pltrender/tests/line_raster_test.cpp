// The line raster: exact coverage of horizontal and vertical lines, the
// larger coverage kept where lines of a run meet, lines reaching far off
// the mask, runs in masks of their own, and a cross-check against cairo
// stroking the same curves.
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
    LineRaster r(0, 0, kW, kH, kW, c.width);
    r.line({c.x0, c.y0, c.x1, c.y1});
    for (const Expected& e : c.pixels) EXPECT_EQ(r.at(e.x, e.y), e.ink) << c.what << " at " << e.x << "," << e.y;
  }
}

TEST(LineRaster, KeepsTheLargerCoverage) {
  LineRaster r(0, 0, kW, kH, kW + 4, 1);
  r.line({0, 10.5, 63, 10.5});
  r.line({20.5, 0, 20.5, 47});
  r.line({0, 10.5, 63, 10.5});  // again: no darker
  EXPECT_EQ(r.at(20, 10), 255);
  EXPECT_EQ(r.at(30, 10), 255);
  EXPECT_EQ(r.at(20, 30), 255);
  EXPECT_EQ(r.at(30, 30), 0);
  const Box& b = r.drawn();
  EXPECT_EQ(b.x0, 0);
  EXPECT_EQ(b.x1, kW);
  EXPECT_EQ(b.y0, 0);
  EXPECT_EQ(b.y1, kH);
}

TEST(LineRaster, LinesFarOffTheMaskDrawOnlyTheirPartOnIt) {
  LineRaster r(0, 0, kW, kH, kW, 1);
  r.line({-1e7 + 0.5, -1e7 + 0.5, 1e7 + 0.5, 1e7 + 0.5});  // the diagonal through pixel centres
  r.line({-1e9, 1e9, -1e9 + 1, 1e9});                     // wholly off the mask
  for (int i = 0; i < kH; ++i) EXPECT_EQ(r.at(i, i), 255) << i;
  EXPECT_EQ(r.at(40, 10), 0);
  EXPECT_EQ(r.drawn().x1, kH + 1);
  EXPECT_EQ(r.drawn().y1, kH);
}

// Runs drawn into masks of their own, on one thread and on three: each
// run's mask holds exactly the pixels a mask of the whole page gets from
// its lines (and its box all that is inked), whether the run is held or,
// being longer than kRunLines, drawn as it comes.
TEST(LineRuns, EachRunsMaskIsThePagesOnAnyNumberOfThreads) {
  constexpr int w = 300, h = 120;
  std::vector<std::vector<Line>> runs;
  for (int k = 0; k < 40; ++k) {  // waves across the page, some partly off it
    std::vector<Line> lines;
    const double centre = -10 + 3.5 * k;
    const std::size_t n = k == 7 ? LineRuns::kRunLines + 5 : 500;
    for (std::size_t i = 0; i < n; ++i) {
      const auto x = [&](std::size_t j) { return -5 + static_cast<double>(j % 600) * 0.52; };
      const auto y = [&](std::size_t j) { return centre + 9 * std::sin(static_cast<double>(j) * 0.37); };
      lines.push_back({x(i), y(i), x(i + 1), y(i + 1)});
    }
    runs.push_back(lines);
  }
  for (int threads : {1, 3}) {
    LineRuns drawing(w, h, threads);
    for (std::size_t k = 0; k < runs.size(); ++k) {
      drawing.begin(0.8 + 0.1 * static_cast<double>(k % 4), static_cast<int>(k));
      for (const Line& l : runs[k]) drawing.line(l.x0, l.y0, l.x1, l.y1);
    }
    std::vector<int> painted;
    drawing.draw([&](const LineRaster& r, int tag) {
      painted.push_back(tag);
      LineRaster page(0, 0, w, h, w, 0.8 + 0.1 * (tag % 4));
      for (const Line& l : runs[static_cast<std::size_t>(tag)]) page.line(l);
      const Box& b = page.drawn();
      EXPECT_EQ(r.drawn().x0, b.x0) << tag;
      EXPECT_EQ(r.drawn().x1, b.x1) << tag;
      EXPECT_EQ(r.drawn().y0, b.y0) << tag;
      EXPECT_EQ(r.drawn().y1, b.y1) << tag;
      long differ = 0;
      for (int y = static_cast<int>(b.y0); y < static_cast<int>(b.y1); ++y)
        for (int x = static_cast<int>(b.x0); x < static_cast<int>(b.x1); ++x) differ += r.at(x, y) != page.at(x, y);
      EXPECT_EQ(differ, 0) << "run " << tag << " on " << threads << " threads";
    });
    std::vector<int> wanted;  // the runs with a pixel on the page, in order
    for (std::size_t k = 0; k < runs.size(); ++k) {
      LineRaster page(0, 0, w, h, w, 0.8 + 0.1 * static_cast<double>(k % 4));
      for (const Line& l : runs[k]) page.line(l);
      if (!page.drawn().empty) wanted.push_back(static_cast<int>(k));
    }
    EXPECT_EQ(wanted.front(), 1);  // the first run lies just above the page
    EXPECT_EQ(painted, wanted) << threads << " threads";
  }
}

// Runs are held up to kBatchLines lines, and runs drawn as they come up
// to kMaskBytes of their page-sized masks: then they are to be drawn.
TEST(LineRuns, FullAtTheBatchsLinesOrMaskBytes) {
  LineRuns lines(100, 100, 1);
  for (std::size_t i = 0; i + 1 < LineRuns::kBatchLines; ++i) {
    if (i % 1000 == 0) lines.begin(1, 0);  // runs of 1,000 lines, held
    lines.line(-9, -9, -9, -9);            // off the page: nothing to draw
  }
  EXPECT_FALSE(lines.full());
  lines.line(-9, -9, -9, -9);
  EXPECT_TRUE(lines.full());
  lines.draw([](const LineRaster&, int) { FAIL() << "nothing is on the page"; });
  EXPECT_FALSE(lines.full());

  constexpr int side = 2048;  // a page mask of 4 MiB
  const std::size_t runs = LineRuns::kMaskBytes / (std::size_t{side} * side);
  LineRuns long_runs(side, side, 1);
  for (std::size_t k = 0; k < runs; ++k) {
    EXPECT_FALSE(long_runs.full()) << k;
    long_runs.begin(1, static_cast<int>(k));
    for (std::size_t i = 0; i < LineRuns::kRunLines; ++i) long_runs.line(-9, -9, -9, -9);
  }
  EXPECT_TRUE(long_runs.full());
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
    LineRaster r(0, 0, w, h, cairo_image_surface_get_stride(s), width);
    for (std::size_t i = 1; i < xs.size(); ++i) r.line({xs[i - 1], ys[i - 1], xs[i], ys[i]});
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
