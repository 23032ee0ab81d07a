// The example record through tracel and pltrender: the frame of the
// default graph at its rows and columns, and every text inside the box the
// library measured for it.
#include <gtest/gtest.h>

#include <zarvo/zarvo.hpp>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "image.h"
#include "plot_builder.h"
#include "plotfile.h"

namespace pltrender {
namespace {

using testing::ScratchDir;

class Demo : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(std::string(EXAMPLES_DIR) + "/II.TLY.BHZ.rec", dir_.file("II.TLY.BHZ.rec"));
    const testing::Run r =
        testing::run("cd " + dir_.path() + " && echo II.TLY.BHZ.rec | " + std::string(TRACEL));
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(std::filesystem::exists(dir_.file("pltfil")));
  }
  ScratchDir dir_;
};

// Page 11 x 8.5 inches at 150 dpi: plot (x, y) is pixel (x / 2, 1275 - y / 2).
constexpr int kPageRows = 1275;
int col(double x) { return static_cast<int>(std::floor(x / 2)); }
int row(double y) { return static_cast<int>(std::floor(kPageRows - y / 2)); }

TEST_F(Demo, FrameAndTextsWhereTheLibraryPutThem) {
  const std::string png = dir_.file("demo.png");
  const testing::Run r = testing::run(std::string(PLTRENDER) + " --page 11x8.5 --dpi 150 " +
                                      dir_.file("pltfil") + " " + png);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  const testing::Image img = testing::load_png(png);
  ASSERT_EQ(img.width, 1650);
  ASSERT_EQ(img.height, 1275);

  // The default frame: (400, 320) to (2800, 1520), one pixel wide lines
  // centred on the pixel edges 200, 1400 (columns) and 1115, 515 (rows).
  auto dark2 = [&](int x0, int y0, int x1, int y1) { return std::min(img.at(x0, y0), img.at(x1, y1)) < 160; };
  for (int y = 520; y <= 1110; y += 5) {
    EXPECT_TRUE(dark2(199, y, 200, y)) << "left edge, row " << y;
    EXPECT_TRUE(dark2(1399, y, 1400, y)) << "right edge, row " << y;
    EXPECT_GT(img.at(196, y), 240) << "left of the left edge, row " << y;
    EXPECT_GT(img.at(1403, y), 240) << "right of the right edge, row " << y;
  }
  for (int x = 205; x <= 1395; x += 5) {
    EXPECT_TRUE(dark2(x, 1114, x, 1115)) << "bottom edge, column " << x;
    EXPECT_TRUE(dark2(x, 514, x, 515)) << "top edge, column " << x;
    EXPECT_GT(img.at(x, 511), 240) << "above the top edge, column " << x;
  }

  // Every text's ink lies in its measured box: along the baseline from the
  // reference point for s * w, across from 2 units below the baseline to
  // 7 above (times s), widened by the stroke and a pixel; every dark pixel
  // outside the frame belongs to some text.
  std::vector<uint8_t> bytes;
  std::string error;
  ASSERT_TRUE(read_file(dir_.file("pltfil"), bytes, error));
  const ParseResult p = parse(bytes);
  ASSERT_TRUE(p.ok) << p.error;
  struct Rect {
    int x0, y0, x1, y1;
  };
  std::vector<Rect> boxes;
  double px = 0, py = 0;
  for (const Command& c : p.commands) {
    if (c.op == 'm' || c.op == 'd') {
      px = c.x;
      py = c.y;
    }
    if (c.op != 't' || c.text.find_first_not_of(' ') == std::string::npos) continue;
    const double s = c.size;
    const double w = zarvo::text_width(c.text.c_str(), c.font) * s;
    const double lo = -2 * s, hi = 7 * s;
    double x0, x1, y0, y1;
    if (c.orient == 1) {
      x0 = px - hi, x1 = px - lo, y0 = py, y1 = py + w;
    } else {
      ASSERT_EQ(c.orient, 0);
      x0 = px, x1 = px + w, y0 = py + lo, y1 = py + hi;
    }
    boxes.push_back({col(x0) - 3, row(y1) - 3, col(x1) + 3, row(y0) + 3});
  }
  ASSERT_EQ(boxes.size(), 11u);  // 4 x numbers, 5 y numbers, 2 axis titles
  std::vector<int> ink(boxes.size(), 0);
  int stray = 0;
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) {
      if (!img.dark(x, y, 200)) continue;
      if (x >= 198 && x <= 1402 && y >= 512 && y <= 1117) continue;  // the frame
      bool in = false;
      for (std::size_t i = 0; i < boxes.size(); ++i)
        if (x >= boxes[i].x0 && x <= boxes[i].x1 && y >= boxes[i].y0 && y <= boxes[i].y1) {
          ++ink[i];
          in = true;
        }
      if (!in && ++stray <= 5) ADD_FAILURE() << "ink outside every text box at " << x << "," << y;
    }
  EXPECT_EQ(stray, 0);
  for (std::size_t i = 0; i < boxes.size(); ++i) EXPECT_GT(ink[i], 20) << "text " << i << " has no ink";
}

TEST_F(Demo, SvgIsWellFormedAndTheCurveIsOnePath) {
  const std::string svg = dir_.file("demo.svg");
  const testing::Run r = testing::run(std::string(PLTRENDER) + " " + dir_.file("pltfil") + " " + svg);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string text = testing::read_text(svg);
  std::string why;
  EXPECT_TRUE(testing::well_formed_xml(text, why)) << why;
  // One path for the curve, frame and ticks (one run of moves and draws),
  // and text strokes: far fewer elements than the 6943 draws.
  std::size_t paths = 0;
  for (std::size_t at = text.find("<path"); at != std::string::npos; at = text.find("<path", at + 1)) ++paths;
  EXPECT_LT(paths, 40u);
}

}  // namespace
}  // namespace pltrender
