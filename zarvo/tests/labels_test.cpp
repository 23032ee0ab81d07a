// Text-info record, text commands, label length, number text and the label
// entry points.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "labels.h"
#include "state.h"
#include "test_support.h"
#include <zarvo/zarvo.h>

namespace zarvo {
namespace {

using testing::append_h;
using testing::Bytes;
using testing::cmd_move;
using testing::concat;
using testing::PlotCapture;

using Para = std::array<float, 20>;

Bytes text_cmd(int size, int font, int orient, const std::string& text) {
  Bytes b{'t', static_cast<uint8_t>(size + 32 * orient), static_cast<uint8_t>(font), 0, 0};
  for (char c : text) b.push_back(static_cast<uint8_t>(c));
  b.push_back(0);
  return b;
}

Para open_graph(float text_setting, float angle = 0.0f) {
  Para para{};
  para[0] = 8.0f;
  para[1] = 4.0f;
  para[4] = 8.0f;
  para[5] = 4.0f;
  para[10] = text_setting;
  para[18] = angle;
  para[19] = 1.0f;
  return para;
}

TEST(TextInfo, SetterLimitsAreSignedComparisons) {
  TextInfo r;
  settxtinfo(r, kInfoSize, 31);
  EXPECT_EQ(r.size, 31);
  settxtinfo(r, kInfoSize, 32);
  EXPECT_EQ(r.size, 0);
  settxtinfo(r, kInfoSize, -4);
  EXPECT_EQ(r.size, -4);
  settxtinfo(r, kInfoFont, 255);
  EXPECT_EQ(r.font, 255);
  settxtinfo(r, kInfoFont, 256);
  EXPECT_EQ(r.font, 0);
  settxtinfo(r, kInfoOrient, 7);
  EXPECT_EQ(r.orient, 7);
  int32_t all[3] = {};
  settxtinfo(r, kInfoSize, 8);
  settxtinfo(r, kInfoFont, 3);
  gettxtinfo(r, kInfoAll, all);
  EXPECT_EQ(all[0], 8);
  EXPECT_EQ(all[1], 3);
  EXPECT_EQ(all[2], 7);
}

TEST(TextInfo, HeightOfFontZero) {
  TextInfo r;
  int32_t h = 0;
  gettxtinfo(r, kInfoHeight, &h);
  EXPECT_EQ(h, 10);
}

TEST(TextInfoDeathTest, InvalidCodesEndTheProcess) {
  TextInfo r;
  int32_t out = 0;
  EXPECT_EXIT(settxtinfo(r, 0, 1), ::testing::ExitedWithCode(1),
              "ZARVO: Internal error - settxtinfo called with invalid code");
  EXPECT_EXIT(settxtinfo(r, 4, 1), ::testing::ExitedWithCode(1), "settxtinfo called with invalid code");
  EXPECT_EXIT(gettxtinfo(r, 5, &out), ::testing::ExitedWithCode(1),
              "ZARVO: Internal error - gettxtinfo called with invalid code");
}

TEST(Pltext, AttributeWordAndUntranslatedText) {
  PlotCapture capture;
  TextInfo r{8, 3, 1};
  pltext(-5, 40000, r, "\\fBx", 4);
  EXPECT_EQ(capture.bytes(), concat({{'m', 0xFB, 0xFF, 0x40, 0x9C}, {'t', 0x28, 0x03, 0, 0, '\\', 'f', 'B', 'x', 0}}));
}

TEST(Adjust, LengthUpToTheFirstZeroWithin120) {
  int32_t n = -1;
  adjust("", &n);
  EXPECT_EQ(n, 0);
  adjust("Amp", &n);
  EXPECT_EQ(n, 3);
  const std::string no_zero(120, 'x');  // only 120 bytes are looked at
  adjust(no_zero.data(), &n);
  EXPECT_EQ(n, 120);
}

TEST(Form, SingleValueAsPercentG) {
  char buf[kFormBuffer];
  int32_t n = 0;
  form(2.5, buf, &n);
  EXPECT_STREQ(buf, "2.5");
  EXPECT_EQ(n, 3);
  form(1000000.0, buf, &n);
  EXPECT_STREQ(buf, "1e+06");
  EXPECT_EQ(n, 5);
  form(0.1, buf, &n);
  EXPECT_STREQ(buf, "0.1");
  form(-0.125, buf, &n);
  EXPECT_STREQ(buf, "-0.125");
  EXPECT_EQ(n, 6);
  form(1e-7 * 3.0, buf, &n);  // a rounding residue prints in exponent form
  EXPECT_STREQ(buf, "3e-07");
}

TEST(Labels, ZlabelAnchorsInInchesFromTheFrameCorner) {
  PlotCapture capture;
  lib.origin_offset = 8;
  const Para para = open_graph(3012.0f, 90.0f);
  const float x = -1.0f;
  const float y = 0.5f;
  EXPECT_EQ(zlabel_(&x, &y, "left", para.data()), 0);
  EXPECT_EQ(capture.bytes(), concat({cmd_move(100, 470), text_cmd(12, 3, 1, "left")}));
  EXPECT_EQ(lib.txtinfo.size, 12);
  EXPECT_EQ(lib.txtinfo.font, 3);
  EXPECT_EQ(lib.txtinfo.orient, 1);
}

TEST(Labels, PlabelAnchorsAtTheDataPoint) {
  PlotCapture capture;
  lib.origin_offset = 8;
  const Para para = open_graph(8.0f);
  const float x = 1.0f;
  const float y = 1.0f;
  EXPECT_EQ(plabel_(&x, &y, "P", para.data()), 0);
  // The single-precision scales 8/2400 and 4/1200 lie just above 1/300.
  EXPECT_EQ(capture.bytes(), concat({cmd_move(699, 619), text_cmd(8, 0, 0, "P")}));
}

TEST(Labels, TextSettingsOutOfRange) {
  PlotCapture capture;
  lib.origin_offset = 8;
  const float x = 1.0f;
  Para para = open_graph(40.0f);
  EXPECT_EQ(zlabel_(&x, &x, "a", para.data()), 0);
  EXPECT_EQ(lib.txtinfo.size, 0);
  para = open_graph(256008.0f);
  EXPECT_EQ(zlabel_(&x, &x, "a", para.data()), 0);
  EXPECT_EQ(lib.txtinfo.font, 0);
  EXPECT_EQ(lib.txtinfo.size, 8);
}

TEST(Labels, AngleToNearestQuarterTurn) {
  PlotCapture capture;
  lib.origin_offset = 8;
  const float x = 1.0f;
  const std::pair<float, int32_t> cases[] = {{44.0f, 0}, {45.0f, 1},  {90.0f, 1},  {135.0f, 2},
                                             {-90.0f, 3}, {315.0f, 0}, {719.0f, 0}, {225.0f, 3}};
  for (const auto& [angle, turns] : cases) {
    const Para para = open_graph(8.0f, angle);
    ASSERT_EQ(zlabel_(&x, &x, "a", para.data()), 0);
    EXPECT_EQ(lib.txtinfo.orient, turns) << angle;
  }
}

TEST(Labels, RefusedLabelsStillSetTextAndThickness) {
  PlotCapture capture;
  lib.origin_offset = 0;
  Para para = open_graph(2010.0f, 180.0f);
  para[14] = 2.0f;
  const float zero = 0.0f;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(zlabel_(&zero, &zero, "off", para.data()), -1);
  EXPECT_EQ(plabel_(&zero, &zero, "off", para.data()), -1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "zlabel label off plot \nplabel label off plot \n");
  EXPECT_EQ(capture.bytes(), (Bytes{'f', 2, 0}));
  EXPECT_EQ(lib.txtinfo.size, 10);
  EXPECT_EQ(lib.txtinfo.font, 2);
  EXPECT_EQ(lib.txtinfo.orient, 2);
}

TEST(Labels, EmptyAndLongLabels) {
  PlotCapture capture;
  lib.origin_offset = 8;
  const Para para = open_graph(8.0f);
  const float x = 1.0f;
  EXPECT_EQ(zlabel_(&x, &x, "", para.data()), 0);
  EXPECT_TRUE(capture.bytes().empty());
  const std::string long_label(150, 'L');
  EXPECT_EQ(zlabel_(&x, &x, long_label.c_str(), para.data()), 0);
  EXPECT_EQ(capture.bytes(), concat({cmd_move(700, 620), text_cmd(8, 0, 0, std::string(120, 'L'))}));
}

TEST(Labels, RefuseWithoutAnOpenPlot) {
  testing::reset_plot_state();
  Para para = open_graph(8.0f);
  const float x = 1.0f;
  para[19] = 0.0f;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(zlabel_(&x, &x, "a", para.data()), -1);
  EXPECT_EQ(plabel_(&x, &x, "a", para.data()), -1);
  para[19] = 1.0f;  // a flag that claims an open plot without a stream
  EXPECT_EQ(zlabel_(&x, &x, "a", para.data()), -1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "Zlabel: plot not opened; call zarvo first\n"
            "Plabel: plot not opened; call zarvo first\n"
            "Zlabel: plot not opened; call zarvo first\n");
}

}  // namespace
}  // namespace zarvo
