// The PNG writer: the decoded pixels are exactly the surface's, written as
// 8-bit grey when the page is grey and as RGB otherwise.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cmath>
#include <cstring>

#include "plot_builder.h"
#include "pngwrite.h"

namespace pltrender {
namespace {

using testing::ScratchDir;

// An antialiased drawing on white: circles, a thin diagonal, text-like strokes.
cairo_surface_t* drawing(bool colour) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 203, 101);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_set_line_width(cr, 0.7);
  for (int i = 0; i < 12; ++i) {
    cairo_arc(cr, 20 + 15.3 * i, 50, 3 + 2.1 * i, 0, 2 * M_PI);
    cairo_stroke(cr);
  }
  cairo_move_to(cr, 0.3, 100.2);
  cairo_line_to(cr, 202.6, 0.4);
  cairo_stroke(cr);
  if (colour) {
    cairo_set_source_rgb(cr, 0.9, 0.2, 0.1);
    cairo_rectangle(cr, 150.5, 10.25, 7, 3);
    cairo_fill(cr);
  }
  cairo_destroy(cr);
  return s;
}

// Decodes with cairo's own reader and compares every pixel.
void expect_same_pixels(cairo_surface_t* s, const std::string& path) {
  cairo_surface_t* d = cairo_image_surface_create_from_png(path.c_str());
  ASSERT_EQ(cairo_surface_status(d), CAIRO_STATUS_SUCCESS);
  const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  ASSERT_EQ(cairo_image_surface_get_width(d), w);
  ASSERT_EQ(cairo_image_surface_get_height(d), h);
  cairo_surface_flush(s);
  long differ = 0;
  for (int y = 0; y < h; ++y) {
    const unsigned char* a = cairo_image_surface_get_data(s) + y * cairo_image_surface_get_stride(s);
    const unsigned char* b = cairo_image_surface_get_data(d) + y * cairo_image_surface_get_stride(d);
    for (int x = 0; x < w; ++x) {
      uint32_t pa, pb;
      std::memcpy(&pa, a + 4 * x, 4);
      std::memcpy(&pb, b + 4 * x, 4);
      if ((pa & 0xFFFFFFu) != (pb & 0xFFFFFFu)) ++differ;
    }
  }
  EXPECT_EQ(differ, 0);
  cairo_surface_destroy(d);
}

// IHDR: width and height at bytes 16 and 20, bit depth 24, colour type 25.
int colour_type(const std::string& path) { return static_cast<unsigned char>(testing::read_text(path).at(25)); }

TEST(Png, GreyPageIsEightBitGreyWithTheSamePixels) {
  ScratchDir dir;
  cairo_surface_t* s = drawing(false);
  std::string err;
  ASSERT_TRUE(write_png(s, dir.file("grey.png"), err)) << err;
  EXPECT_EQ(colour_type(dir.file("grey.png")), 0);
  EXPECT_EQ(testing::read_text(dir.file("grey.png")).at(24), 8);
  expect_same_pixels(s, dir.file("grey.png"));
  cairo_surface_destroy(s);
}

// 101 rows are compressed in two stripes, on one thread or on several:
// the same bytes either way.
TEST(Png, ColouredPageIsRgbWithTheSamePixelsOnAnyNumberOfThreads) {
  ScratchDir dir;
  cairo_surface_t* s = drawing(true);
  std::string err;
  ASSERT_TRUE(write_png(s, dir.file("rgb.png"), err)) << err;
  EXPECT_EQ(colour_type(dir.file("rgb.png")), 2);
  expect_same_pixels(s, dir.file("rgb.png"));
  ASSERT_TRUE(write_png(s, dir.file("rgb3.png"), err, 3)) << err;
  EXPECT_EQ(testing::read_text(dir.file("rgb3.png")), testing::read_text(dir.file("rgb.png")));
  cairo_surface_destroy(s);
}

TEST(Png, InkSurfaceIsGreyOfTheCoverage) {
  ScratchDir dir;
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_A8, 57, 31);
  cairo_t* cr = cairo_create(s);
  cairo_set_line_width(cr, 0.9);
  cairo_arc(cr, 28.3, 15.6, 11.2, 0, 2 * M_PI);
  cairo_stroke(cr);
  cairo_destroy(cr);
  std::string err;
  ASSERT_TRUE(write_png(s, dir.file("ink.png"), err)) << err;
  EXPECT_EQ(colour_type(dir.file("ink.png")), 0);
  cairo_surface_t* d = cairo_image_surface_create_from_png(dir.file("ink.png").c_str());
  ASSERT_EQ(cairo_image_surface_get_width(d), 57);
  cairo_surface_flush(s);
  long differ = 0, partial = 0;
  for (int y = 0; y < 31; ++y)
    for (int x = 0; x < 57; ++x) {
      const int a = cairo_image_surface_get_data(s)[y * cairo_image_surface_get_stride(s) + x];
      uint32_t p;
      std::memcpy(&p, cairo_image_surface_get_data(d) + y * cairo_image_surface_get_stride(d) + 4 * x, 4);
      if ((p & 255u) != static_cast<uint32_t>(255 - a)) ++differ;
      if (a > 0 && a < 255) ++partial;
    }
  EXPECT_EQ(differ, 0);
  EXPECT_GT(partial, 50);  // antialiased: many grey levels written exactly
  cairo_surface_destroy(d);
  cairo_surface_destroy(s);
}

TEST(Png, UnwritablePathIsAnError) {
  ScratchDir dir;
  cairo_surface_t* s = drawing(false);
  std::string err;
  EXPECT_FALSE(write_png(s, dir.file("no/such/dir.png"), err));
  EXPECT_EQ(err, dir.file("no/such/dir.png") + ": cannot create: No such file or directory");
  cairo_surface_destroy(s);
}

}  // namespace
}  // namespace pltrender
