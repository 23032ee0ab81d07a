// Point markers: exact area and circle commands.
#include <gtest/gtest.h>

#include "markers.h"
#include "test_support.h"

namespace zarvo {
namespace {

using testing::append_h;
using testing::Bytes;
using testing::PlotCapture;

Bytes marker(int16_t x, int16_t y, int32_t size, int32_t type, int32_t fill = 1) {
  PlotCapture capture;
  plpoly(x, y, size, type, fill);
  return capture.bytes();
}

Bytes area(int pattern, std::initializer_list<std::pair<int, int>> vertices) {
  Bytes b{'a'};
  append_h(b, pattern);
  append_h(b, static_cast<int32_t>(vertices.size()));
  for (const auto& [x, y] : vertices) {
    append_h(b, x);
    append_h(b, y);
  }
  append_h(b, vertices.begin()->first);
  append_h(b, vertices.begin()->second);
  return b;
}

Bytes circle(int pattern, int x, int y, int r) {
  Bytes b{'c'};
  append_h(b, pattern);
  append_h(b, x);
  append_h(b, y);
  append_h(b, r);
  return b;
}

TEST(Plpoly, UpTriangleWorkedExample) {
  const Bytes expected{0x61, 0x01, 0x01, 0x03, 0x00, 0xDE, 0x03, 0xEE, 0x01, 0xF2, 0x03,
                       0xEE, 0x01, 0xE8, 0x03, 0xFF, 0x01, 0xDE, 0x03, 0xEE, 0x01};
  EXPECT_EQ(marker(1000, 500, 20, 1), expected);
}

TEST(Plpoly, OutlineBitClearsThePatternAndHigherBitsAreIgnored) {
  EXPECT_EQ(marker(1000, 500, 20, 17), area(0, {{990, 494}, {1010, 494}, {1000, 511}}));
  EXPECT_EQ(marker(1000, 500, 20, 33), marker(1000, 500, 20, 1));
  EXPECT_EQ(marker(1000, 500, 20, 1, 0x1A7), area(0xA7A7, {{990, 494}, {1010, 494}, {1000, 511}}));
}

TEST(Plpoly, TrianglesPointingEachWay) {
  EXPECT_EQ(marker(1000, 500, 20, 2), area(0x0101, {{990, 505}, {1010, 505}, {1000, 488}}));
  EXPECT_EQ(marker(1000, 500, 20, 3), area(0x0101, {{994, 510}, {994, 490}, {1011, 500}}));
  EXPECT_EQ(marker(1000, 500, 20, 4), area(0x0101, {{1005, 510}, {1005, 490}, {988, 500}}));
}

TEST(Plpoly, SquareTruncatesTowardZero) {
  EXPECT_EQ(marker(0, 0, 20, 5), area(0x0101, {{-7, 7}, {-7, -7}, {7, -7}, {7, 7}}));
}

TEST(Plpoly, DiamondAndHexagon) {
  EXPECT_EQ(marker(100, 100, 20, 6), area(0x0101, {{100, 111}, {92, 100}, {100, 88}, {108, 100}}));
  const Bytes hexagon = marker(100, 100, 20, 7);
  EXPECT_EQ(hexagon, area(0x0101, {{90, 100}, {95, 91}, {105, 91}, {110, 100}, {105, 108}, {95, 108}}));
  ASSERT_EQ(hexagon.size(), 33u);
  EXPECT_EQ(Bytes(hexagon.end() - 4, hexagon.end()), Bytes(hexagon.begin() + 5, hexagon.begin() + 9));
}

TEST(Plpoly, CirclesForTheOtherShapes) {
  EXPECT_EQ(marker(300, 200, 20, 0), circle(0x0101, 300, 200, 10));
  for (int type = 8; type <= 15; ++type) EXPECT_EQ(marker(300, 200, 21, type), circle(0x0101, 300, 200, 10));
  EXPECT_EQ(marker(300, 200, 20, 16), circle(0, 300, 200, 10));
  EXPECT_EQ(marker(300, 200, 0, 0), circle(0x0101, 300, 200, 0));
}

}  // namespace
}  // namespace zarvo
