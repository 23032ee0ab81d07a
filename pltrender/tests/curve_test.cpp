// Long curves on PNG pages: the raster drawn from the pixel-column
// extremes of a curve against the raster drawn from every point, on the
// example seismogram and on curves made to break the reduction.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "image.h"
#include "plot_builder.h"
#include "plotfile.h"
#include "render.h"

namespace pltrender {
namespace {

using testing::Bytes;
using testing::Image;
using testing::PlotBuilder;
using testing::ScratchDir;

// How far the reduced raster is from the full one.
struct Difference {
  long strays = 0;   // dark pixels (< 64) of either raster with no pixel darker than 160
                     // within one pixel in the other
  double ink_ratio = 0;  // total darkness of the reduced raster over the full one's
  long ink = 0;      // dark pixels of the full raster
};

long strays(const Image& a, const Image& b) {
  long n = 0;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x) {
      if (a.at(x, y) >= 64) continue;
      bool near = false;
      for (int dy = -1; dy <= 1 && !near; ++dy)
        for (int dx = -1; dx <= 1 && !near; ++dx) {
          const int u = x + dx, v = y + dy;
          near = u >= 0 && v >= 0 && u < b.width && v < b.height && b.at(u, v) < 160;
        }
      if (!near) ++n;
    }
  return n;
}

double darkness(const Image& a) {
  double sum = 0;
  for (int g : a.gray) sum += 255 - g;
  return sum;
}

// The stated tolerance: every dark pixel of either raster has ink within
// one pixel in the other, and the total ink differs by less than 20 % (a
// spike's two strokes, reduced, lean apart within their column; a run of
// tiny segments, stroked whole, comes out a little darker).
void expect_close(const Difference& d, const char* what) {
  EXPECT_EQ(d.strays, 0) << what;
  EXPECT_GT(d.ink_ratio, 0.8) << what;
  EXPECT_LT(d.ink_ratio, 1.2) << what;
  EXPECT_GT(d.ink, 500) << what;
}

// Renders `bytes` to PNG with and without the column reduction.
Difference reduced_vs_full(const Bytes& bytes, double dpi = 150) {
  ScratchDir dir;
  const ParseResult r = parse(bytes);
  EXPECT_TRUE(r.ok) << r.error;
  RenderOptions o;
  o.dpi = dpi;
  FontSet fonts("", true);
  std::string err;
  EXPECT_TRUE(render_file(r.commands, dir.file("reduced.png"), o, fonts, err)) << err;
  o.reduce_columns = false;
  EXPECT_TRUE(render_file(r.commands, dir.file("full.png"), o, fonts, err)) << err;
  const Image a = testing::load_png(dir.file("reduced.png"));
  const Image b = testing::load_png(dir.file("full.png"));
  EXPECT_EQ(a.width, b.width);
  EXPECT_EQ(a.height, b.height);
  Difference d;
  d.strays = strays(a, b) + strays(b, a);
  d.ink_ratio = darkness(a) / darkness(b);
  for (int g : b.gray) d.ink += g < 64;
  return d;
}

// A curve of n points y(i) across an 8-inch frame (or x(i) when given).
Bytes curve(int n, const std::function<int(int)>& y, const std::function<int(int)>& x = nullptr) {
  PlotBuilder b;
  b.e();
  for (int i = 0; i < n; ++i) {
    const int xi = x ? x(i) : 400 + static_cast<int>(2400.0 * i / (n - 1));
    if (i == 0)
      b.m(xi, y(i));
    else
      b.d(xi, y(i));
  }
  return b.bytes();
}

TEST(Curve, ExampleSeismogram) {
  ScratchDir dir;
  std::filesystem::copy_file(std::string(EXAMPLES_DIR) + "/II.TLY.BHZ.rec", dir.file("II.TLY.BHZ.rec"));
  const testing::Run run = testing::run("cd " + dir.path() + " && echo II.TLY.BHZ.rec | " + std::string(TRACEL));
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<uint8_t> bytes;
  std::string err;
  ASSERT_TRUE(read_file(dir.file("pltfil"), bytes, err)) << err;
  expect_close(reduced_vs_full(bytes), "150 dpi");
  expect_close(reduced_vs_full(bytes, 300), "300 dpi");
}

TEST(Curve, Adversarial) {
  auto noise = [](int i) { return static_cast<int>((static_cast<unsigned>(i) * 2654435761u) >> 22) % 600; };
  const std::vector<std::pair<const char*, Bytes>> cases = {
      {"spikes of 600 units every 97 samples", curve(99999, [](int i) { return i % 97 == 0 ? 1500 : 900; })},
      {"one-sample glitches of 3 units", curve(99999, [](int i) { return i % 1013 == 0 ? 903 : 900; })},
      {"flat runs with steps", curve(99999, [](int i) { return 700 + 200 * ((i / 5000) % 3); })},
      {"noise filling every column", curve(99999, [&](int i) { return 600 + noise(i); })},
      {"sweeps back and forth",
       curve(99999, [](int i) { return 900 + static_cast<int>(400 * std::sin(i * 0.001)); },
             [](int i) { return 400 + std::abs(i % 4000 - 2000); })},
      {"spiral", curve(20000, [](int i) { return 900 + static_cast<int>((i / 40.0) * std::sin(i * 0.01)); },
                       [](int i) { return 1600 + static_cast<int>((i / 40.0) * std::cos(i * 0.01)); })},
      {"slow sine, a few points a column",
       curve(5000, [](int i) { return 900 + static_cast<int>(500 * std::sin(i * 0.003)); })},
  };
  for (const auto& [what, bytes] : cases) expect_close(reduced_vs_full(bytes), what);
}

}  // namespace
}  // namespace pltrender
