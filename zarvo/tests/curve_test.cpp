// The data curve: solid and dashed lines, character and polygon markers,
// start-and-increment arrays.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
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

// Cuts whose length is a rounding residue: each is written and switches the
// state, even when it truncates back onto the current position.
TEST(DashedLine, CutsAtAndNearTheEndOfASegment) {
  const float below = std::nextafter(20.0f, 0.0f);  // 1.9e-6 of the dash left
  const float above = std::nextafter(20.0f, 40.0f);
  struct Case {
    const char* what;
    std::vector<float> x;
    std::vector<float> y;
    Bytes expected;
  };
  const std::vector<Case> cases = {
      {"dash ends at the point", {0.0f, 20.0f, 40.0f}, {0.0f, 0.0f, 0.0f},
       concat({cmd_move(0, 0), cmd_draw(20, 0), cmd_move(35, 0), cmd_draw(40, 0)})},
      {"dash ends just beyond the point", {0.0f, below, 40.0f}, {0.0f, 0.0f, 0.0f},
       concat({cmd_move(0, 0), cmd_draw(19, 0), cmd_draw(20, 0), cmd_move(35, 0), cmd_draw(40, 0)})},
      {"dash ends just before the point", {0.0f, above, 40.0f}, {0.0f, 0.0f, 0.0f},
       concat({cmd_move(0, 0), cmd_draw(20, 0), cmd_move(20, 0), cmd_move(35, 0), cmd_draw(40, 0)})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(curve(c.x, c.y, dashed_para()), c.expected);
  }
}

TEST(DashedLine, ResidueCutInPlace) {
  // The frame corner of a default graph, (400, 320): the first segment is
  // 19.999998 long, and the cut of the 1.9e-6 left of the dash stays on
  // (410, 336); the gap follows at once.
  Frame frame = unit_frame();
  frame.xo = 400;
  frame.yo = 320;
  EXPECT_EQ(curve({0.0f, 10.7288074f, 10.7288074f}, {0.0f, 16.8787632f, 116.878761f}, dashed_para(), frame),
            concat({cmd_move(400, 320), cmd_draw(410, 336), cmd_draw(410, 336), cmd_move(410, 351),
                    cmd_draw(410, 371), cmd_move(410, 386), cmd_draw(410, 406), cmd_move(410, 421),
                    cmd_draw(410, 436)}));
}

TEST(DashedLine, ShortDashesOnASteepSegment) {
  Para para = dashed_para();
  para[20] = 0.01f;  // dash 0.2, gap 15
  EXPECT_EQ(curve({1000.3f, 1003.9f}, {500.7f, 730.2f}, para),
            concat({cmd_move(1000, 500), cmd_draw(1000, 500), cmd_move(1000, 515), cmd_draw(1000, 516),
                    cmd_move(1000, 531), cmd_draw(1000, 531), cmd_move(1001, 546), cmd_draw(1001, 546),
                    cmd_move(1001, 561), cmd_draw(1001, 561), cmd_move(1001, 576), cmd_draw(1001, 576),
                    cmd_move(1001, 591), cmd_draw(1001, 592), cmd_move(1001, 607), cmd_draw(1001, 607),
                    cmd_move(1002, 622), cmd_draw(1002, 622), cmd_move(1002, 637), cmd_draw(1002, 637),
                    cmd_move(1002, 652), cmd_draw(1002, 652), cmd_move(1002, 667), cmd_draw(1002, 668),
                    cmd_move(1003, 683), cmd_draw(1003, 683), cmd_move(1003, 698), cmd_draw(1003, 698),
                    cmd_move(1003, 713), cmd_draw(1003, 713), cmd_move(1003, 728), cmd_draw(1003, 728),
                    cmd_move(1003, 730)}));
}

TEST(DashedLine, PatternBelowTheResolutionStillEnds) {
  // At x = 20000 the slope step of a 0.2 dash on this steep segment cannot
  // move x: the cuts go on along the segment's direction.
  Para para = dashed_para();
  para[20] = 0.01f;   // dash 0.2
  para[21] = 0.017f;  // gap 0.34
  EXPECT_EQ(curve({20000.25f, 20000.2539f}, {100.5f, 102.5f}, para),
            concat({cmd_move(20000, 100), cmd_draw(20000, 100), cmd_move(20000, 100), cmd_draw(20000, 100),
                    cmd_move(20000, 101), cmd_draw(20000, 101), cmd_move(20000, 101), cmd_draw(20000, 101),
                    cmd_move(20000, 102), cmd_draw(20000, 102), cmd_move(20000, 102)}));
  // A pattern finer than every position here stalls: a whole dash and a
  // whole gap in place, then the rest of each segment in the current state.
  para[20] = 1e-7f;
  para[21] = 1e-7f;
  EXPECT_EQ(curve({1000.0f, 1100.0f, 1200.0f}, {500.0f, 500.0f, 520.0f}, para),
            concat({cmd_move(1000, 500), cmd_draw(1000, 500), cmd_move(1000, 500), cmd_draw(1100, 500),
                    cmd_draw(1100, 500), cmd_move(1100, 500), cmd_draw(1200, 520)}));
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
