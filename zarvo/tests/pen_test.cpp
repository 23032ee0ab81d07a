// Pen primitives: conversion, pen thickness, zline_ and zmove_.
#include <gtest/gtest.h>

#include <array>

#include "pen.h"
#include "state.h"
#include "test_support.h"
#include <zarvo/zarvo.h>

namespace zarvo {
namespace {

using testing::Bytes;
using testing::cmd_draw;
using testing::cmd_move;
using testing::concat;
using testing::PlotCapture;

using Para = std::array<float, 20>;

Para graph(float x0, float x1, float y0, float y1) {
  Para para{};
  para[0] = 8.0f;
  para[1] = 4.0f;
  para[2] = x0;
  para[4] = x1;
  para[3] = y0;
  para[5] = y1;
  para[19] = 1.0f;
  return para;
}

// Gathered commands reach the file as draw would write them, across the
// buffer's refills, and not before the flush.
TEST(PenBuffer, WritesTheBytesOfDraw) {
  const auto commands = [](auto&& write) {
    for (int32_t i = 0; i < 2000; ++i) write(i % 2 == 0 ? 'm' : 256 + 'd', i * 37 - 40000, 70000 - i);
  };
  Bytes direct;
  {
    PlotCapture capture;
    commands([](int c, int32_t x, int32_t y) { draw(c, x, y); });
    direct = capture.bytes();
  }
  PlotCapture capture;
  {
    PenBuffer pen;
    pen.draw('m', 1, 2);
    EXPECT_TRUE(capture.bytes().empty());
    pen.flush();
    EXPECT_EQ(capture.bytes(), cmd_move(1, 2));
  }
  {
    PenBuffer pen;
    commands([&pen](int c, int32_t x, int32_t y) { pen.draw(c, x, y); });
  }
  EXPECT_EQ(capture.bytes(), concat({cmd_move(1, 2), direct}));
}

TEST(Convert, DataToPlotUnits) {
  testing::reset_plot_state();
  lib.origin_offset = 8;
  int16_t ix = 0;
  int16_t iy = 0;
  const Para exact = graph(0.0f, 2400.0f, 0.0f, 1200.0f);
  convert(1200.0f, 600.0f, ix, iy, exact.data());
  EXPECT_EQ(ix, 1600);
  EXPECT_EQ(iy, 920);
  // 8/2400 in single precision is slightly above 1/300: 4.0 lands on 1599.
  const Para rounded = graph(0.0f, 8.0f, 0.0f, 4.0f);
  convert(4.0f, 0.0f, ix, iy, rounded.data());
  EXPECT_EQ(ix, 1599);
  EXPECT_EQ(iy, 320);
  // Below the range: left of the frame, not clipped.
  convert(-1.0f, -1.0f, ix, iy, rounded.data());
  EXPECT_EQ(ix, 100);
  EXPECT_EQ(iy, 20);
}

TEST(Convert, WrapsBeyondSixteenBitsAndTruncatesTowardZero) {
  testing::reset_plot_state();
  const Para para = graph(0.0f, 2400.0f, 0.0f, 1200.0f);
  int16_t ix = 0;
  int16_t iy = 0;
  convert(40000.0f, -0.5f, ix, iy, para.data());
  EXPECT_EQ(ix, -25536);
  EXPECT_EQ(iy, 0);  // -0.5 truncates toward zero
}

TEST(Convert, ZeroDataRangeIsDefined) {
  testing::reset_plot_state();
  lib.origin_offset = 8;
  const Para para = graph(5.0f, 5.0f, 1.0f, 1.0f);
  int16_t ix = 1;
  int16_t iy = 1;
  convert(7.0f, -3.0f, ix, iy, para.data());
  EXPECT_EQ(ix, 400);
  EXPECT_EQ(iy, 320);
}

TEST(Truncation, EveryDoubleHasADefinedPlotUnit) {
  EXPECT_EQ(plot_unit(1599.999), 1599);
  EXPECT_EQ(plot_unit(-2.9), -2);
  EXPECT_EQ(plot_unit(std::numeric_limits<double>::quiet_NaN()), 0);
  EXPECT_EQ(plot_unit(1e300), -1);     // clamped to INT32_MAX, low bits FFFF
  EXPECT_EQ(plot_unit(-1e300), 0);     // clamped to INT32_MIN, low bits 0000
  EXPECT_EQ(plot_unit(65536.0 + 7.0), 7);
}

TEST(Fatcheck, WritesOnlyWhenTheThicknessChanges) {
  PlotCapture capture;
  Para para = graph(0.0f, 8.0f, 0.0f, 4.0f);
  fatcheck(para.data());  // 0 throughout: no f command
  para[14] = 1.0f;
  fatcheck(para.data());
  fatcheck(para.data());
  para[14] = 3.0f;
  fatcheck(para.data());
  fatcheck(para.data());
  EXPECT_EQ(capture.bytes(), (Bytes{'f', 1, 0, 'f', 3, 0}));
}

TEST(Fatcheck, FractionalThicknessIsWrittenEveryTime) {
  PlotCapture capture;
  Para para = graph(0.0f, 8.0f, 0.0f, 4.0f);
  para[14] = 2.5f;
  fatcheck(para.data());
  fatcheck(para.data());
  EXPECT_EQ(capture.bytes(), (Bytes{'f', 2, 0, 'f', 2, 0}));
}

TEST(PenEntries, LineAndMoveConvertAndCheckThickness) {
  PlotCapture capture;
  lib.origin_offset = 8;
  Para para = graph(0.0f, 2400.0f, 0.0f, 1200.0f);
  para[14] = 1.0f;
  const float x0 = 0.0f;
  const float y0 = 0.0f;
  const float x1 = 1200.0f;
  const float y1 = 600.0f;
  EXPECT_EQ(zmove_(&x0, &y0, para.data()), 0);
  EXPECT_EQ(zline_(&x1, &y1, para.data()), 0);
  para[14] = 3.0f;
  EXPECT_EQ(zline_(&x0, &y1, para.data()), 0);
  EXPECT_EQ(zline_(&x0, &y0, para.data()), 0);
  EXPECT_EQ(capture.bytes(), concat({{'f', 1, 0}, cmd_move(400, 320), cmd_draw(1600, 920), {'f', 3, 0},
                                     cmd_draw(400, 920), cmd_draw(400, 320)}));
}

TEST(PenEntries, RefuseWithoutAnOpenPlot) {
  testing::reset_plot_state();
  Para para = graph(0.0f, 8.0f, 0.0f, 4.0f);
  const float x = 1.0f;
  para[19] = 0.0f;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(zline_(&x, &x, para.data()), -1);
  EXPECT_EQ(zmove_(&x, &x, para.data()), -1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Zline: plotfile not open\nZmove: plotfile not open\n");
  // A caller's flag that claims an open plot is not trusted without a stream.
  para[19] = 1.0f;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(zline_(&x, &x, para.data()), -1);
  EXPECT_EQ(zmove_(&x, &x, para.data()), -1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Zline: plotfile not open\nZmove: plotfile not open\n");
  EXPECT_EQ(lib.fatsave, 0);
}

}  // namespace
}  // namespace zarvo
