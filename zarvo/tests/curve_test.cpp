// The data curve: solid and dashed lines, character and polygon markers,
// start-and-increment arrays.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "curve.h"
#include "markers.h"
#include "state.h"
#include "test_support.h"

namespace zarvo {
namespace {

using testing::append_h;
using testing::Bytes;
using testing::cmd_draw;
using testing::cmd_move;
using testing::concat;
using testing::PlotCapture;

using Para = std::array<float, 22>;

// A graph whose data units are plot units: x 0..2400 on 8 inches, y 0..1200
// on 4 inches, frame corner at (0, 0).
Para unit_para() {
  Para para{};
  para[0] = 8.0f;
  para[1] = 4.0f;
  para[4] = 2400.0f;
  para[5] = 1200.0f;
  return para;
}

Frame unit_frame() {
  Frame f;
  f.sx = 1.0f;
  f.sy = 1.0f;
  f.xr = 2400;
  f.yt = 1200;
  return f;
}

Bytes curve(const std::vector<float>& x, const std::vector<float>& y, Para para,
            const Frame& frame = unit_frame()) {
  PlotCapture capture;
  draw_curve(static_cast<int32_t>(x.size()), x.data(), y.data(), para.data(), frame);
  return capture.bytes();
}

TEST(SolidLine, SinglePointIsAMove) {
  EXPECT_EQ(curve({10.0f}, {20.0f}, unit_para()), cmd_move(10, 20));
}

TEST(SolidLine, ConsecutiveRepeatsAreDropped) {
  EXPECT_EQ(curve({10.0f, 10.4f, 30.0f}, {20.0f, 20.9f, 40.0f}, unit_para()),
            concat({cmd_move(10, 20), cmd_draw(30, 40)}));
  // Only consecutive repeats: a return to an earlier position is drawn.
  EXPECT_EQ(curve({1.0f, 2.0f, 1.0f}, {1.0f, 1.0f, 1.0f}, unit_para()),
            concat({cmd_move(1, 1), cmd_draw(2, 1), cmd_draw(1, 1)}));
}

TEST(SolidLine, NothingForNoPoints) { EXPECT_TRUE(curve({}, {}, unit_para()).empty()); }

TEST(SolidLine, OutsideTheFrameAndWrapping) {
  EXPECT_EQ(curve({-5.0f, 40000.0f}, {0.0f, 0.0f}, unit_para()), concat({cmd_move(-5, 0), cmd_draw(-25536, 0)}));
}

TEST(SolidLine, StartAndIncrementArrays) {
  Para para = unit_para();
  para[18] = 1.0f;
  EXPECT_EQ(curve({100.0f, 50.0f, 0.0f}, {1.0f, 2.0f, 3.0f}, para),
            concat({cmd_move(100, 1), cmd_draw(150, 2), cmd_draw(200, 3)}));
  para[18] = -1.0f;
  EXPECT_EQ(curve({1.0f, 2.0f, 3.0f}, {100.0f, -50.0f, 0.0f}, para),
            concat({cmd_move(1, 100), cmd_draw(2, 50), cmd_draw(3, 0)}));
}

Para dashed_para() {
  Para para = unit_para();
  para[13] = -1.0f;  // extended mode: dashed
  return para;
}

TEST(DashedLine, DefaultPatternAlongOneSegment) {
  EXPECT_EQ(curve({0.0f, 70.0f}, {0.0f, 0.0f}, dashed_para()),
            concat({cmd_move(0, 0), cmd_draw(20, 0), cmd_move(35, 0), cmd_draw(55, 0), cmd_move(70, 0)}));
}

TEST(DashedLine, PatternContinuesAcrossPoints) {
  // The gap ends exactly at x = 70: the next segment starts with a full dash.
  EXPECT_EQ(curve({0.0f, 70.0f, 100.0f}, {0.0f, 0.0f, 0.0f}, dashed_para()),
            concat({cmd_move(0, 0), cmd_draw(20, 0), cmd_move(35, 0), cmd_draw(55, 0), cmd_move(70, 0),
                    cmd_draw(90, 0), cmd_move(100, 0)}));
  // A dash left unfinished at a point continues into the next segment.
  EXPECT_EQ(curve({0.0f, 10.0f, 30.0f}, {0.0f, 0.0f, 0.0f}, dashed_para()),
            concat({cmd_move(0, 0), cmd_draw(10, 0), cmd_draw(20, 0), cmd_move(30, 0)}));
}

TEST(DashedLine, VerticalAndNearVerticalSegmentsCutAlongY) {
  EXPECT_EQ(curve({5.0f, 5.0f}, {100.0f, 50.0f}, dashed_para()),
            concat({cmd_move(5, 100), cmd_draw(5, 80), cmd_move(5, 65), cmd_draw(5, 50)}));
  // |dx| at or below 1e-4 |dy| is treated as vertical: x stays put.
  EXPECT_EQ(curve({5.0f, 5.0001f}, {0.0f, 40.0f}, dashed_para()),
            concat({cmd_move(5, 0), cmd_draw(5, 20), cmd_move(5, 35), cmd_draw(5, 40)}));
}

TEST(DashedLine, CallerPatternAndDiagonal) {
  Para para = dashed_para();
  para[20] = 0.5f;  // dash 10
  para[21] = 0.5f;  // gap 10
  // 3-4-5 triangle: cuts every 10 units along (30, 40).
  EXPECT_EQ(curve({0.0f, 30.0f}, {0.0f, 40.0f}, para),
            concat({cmd_move(0, 0), cmd_draw(6, 8), cmd_move(12, 16), cmd_draw(18, 24), cmd_move(24, 32),
                    cmd_draw(30, 40)}));
}

TEST(DashedLine, RepeatedPositionsAreSkipped) {
  EXPECT_EQ(curve({0.0f, 0.5f, 10.0f}, {0.0f, 0.2f, 0.0f}, dashed_para()),
            concat({cmd_move(0, 0), cmd_draw(10, 0)}));
}

TEST(CharacterMarkers, OffsetFromEveryPoint) {
  Para para = unit_para();
  para[12] = 43.0f;  // '+'
  para[13] = 2.0f;
  const Bytes text{'t', 2, 0, 0, 0, '+', 0};
  EXPECT_EQ(curve({100.0f, 100.0f}, {200.0f, 200.0f}, para),
            concat({cmd_move(95, 193), text, cmd_move(95, 193), text}));
}

TEST(CharacterMarkers, SizeAboveThirtyOneAndCodeZero) {
  Para para = unit_para();
  para[12] = 256.0f + 65.0f;  // low 8 bits: 'A'
  para[13] = 40.0f;           // size 40 is stored as 0
  EXPECT_EQ(curve({200.0f}, {200.0f}, para), concat({cmd_move(100, 60), {'t', 0, 0, 0, 0, 'A', 0}}));
  para[12] = 256.0f;  // code 0 would end the text early: an empty text
  para[13] = 1.0f;
  EXPECT_EQ(curve({200.0f}, {200.0f}, para), concat({cmd_move(197, 196), {'t', 1, 0, 0, 0, 0}}));
}

TEST(PolygonMarkers, TypeAndSizeFromTheBlock) {
  Para para = unit_para();
  para[12] = -3.0f;
  para[13] = 1.5f;
  PlotCapture expected_capture;
  plpoly(100, 100, 30, 3, 1);
  plpoly(200, 150, 30, 3, 1);
  const Bytes expected = expected_capture.bytes();
  EXPECT_EQ(curve({100.0f, 200.0f}, {100.0f, 150.0f}, para), expected);
}

TEST(PolygonMarkers, DefaultSizeIsWrittenBack) {
  Para para = unit_para();
  para[12] = -1.0f;
  const std::vector<float> x{100.0f};
  PlotCapture capture;
  draw_curve(1, x.data(), x.data(), para.data(), unit_frame());
  EXPECT_EQ(para[13], 1.0f);
  EXPECT_EQ(capture.bytes().size(), 9u + 4u * 3u);
}

}  // namespace
}  // namespace zarvo
