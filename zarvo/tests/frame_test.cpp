// Frame, ticks and annotation: exact commands in file order, number sizes,
// residue rules and title placement.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "frame.h"
#include "state.h"
#include "test_support.h"

namespace zarvo {
namespace {

using testing::Command;
using testing::line;
using testing::move;
using testing::parse_plot;
using testing::PlotCapture;
using testing::text;

using Para = std::array<float, 20>;
using Commands = std::vector<Command>;

// x 0..2400 on 8 inches and y 0..1200 on 4 inches: one data unit per plot
// unit, frame from (400, 320) to (2800, 1520), text size 8 in font 0.
Para unit_para(float xstep, float ystep) {
  Para para{};
  para[0] = 8.0f;
  para[1] = 4.0f;
  para[4] = 2400.0f;
  para[5] = 1200.0f;
  para[8] = xstep;
  para[9] = ystep;
  para[10] = 8.0f;
  return para;
}

Frame unit_frame() {
  Frame f;
  f.xo = 400;
  f.yo = 320;
  f.xr = 2800;
  f.yt = 1520;
  f.sx = 1.0f;
  f.sy = 1.0f;
  return f;
}

Commands annotate(const Para& para, const Titles& titles, const Frame& frame = unit_frame()) {
  PlotCapture capture;
  lib.txtinfo = TextInfo{8, 0, 0};
  draw_frame_and_annotation(para.data(), frame, titles);
  return parse_plot(capture.bytes());
}

const Command* find_text(const Commands& cmds, const std::string& s) {
  const auto it = std::find_if(cmds.begin(), cmds.end(), [&](const Command& c) { return c.op == 't' && c.text == s; });
  return it == cmds.end() ? nullptr : &*it;
}

// The move that places the text s.
Command anchor_of(const Commands& cmds, const std::string& s) {
  const auto it = std::find_if(cmds.begin(), cmds.end(), [&](const Command& c) { return c.op == 't' && c.text == s; });
  return it == cmds.begin() || it == cmds.end() ? Command{} : *(it - 1);
}

TEST(Frame, EveryCommandInOrder) {
  const Commands expected{
      move(400, 320),  line(400, 1520),  line(2800, 1520), line(2800, 320),  line(400, 320),
      // x ticks: strokes at the bottom and top, the number centred below
      move(400, 320),  line(400, 360),   move(400, 1520),  line(400, 1480),  move(376, 240),
      text(8, 0, 0, "0"),
      move(1600, 320), line(1600, 360),  move(1600, 1520), line(1600, 1480), move(1504, 240),
      text(8, 0, 0, "1200"),
      move(2800, 320), line(2800, 360),  move(2800, 1520), line(2800, 1480), move(2704, 240),
      text(8, 0, 0, "2400"),
      // y ticks: strokes at the left and right, the number left of the frame
      move(400, 320),  line(440, 320),   move(2800, 320),  line(2760, 320),  move(304, 320),
      text(8, 0, 0, "0"),
      move(400, 920),  line(440, 920),   move(2800, 920),  line(2760, 920),  move(208, 896),
      text(8, 0, 0, "600"),
      move(400, 1520), line(440, 1520),  move(2800, 1520), line(2760, 1520), move(160, 1496),
      text(8, 0, 0, "1200"),
      // titles: below, turned at the left of the leftmost number, above
      move(1504, 144), text(8, 0, 0, "Time"),
      move(80, 848),   text(8, 0, 1, "Amp"),
      move(1576, 1568), text(8, 0, 0, "T"),
  };
  EXPECT_EQ(annotate(unit_para(1200.0f, 600.0f), Titles{"Time", "Amp", "T"}), expected);
}

TEST(Frame, WideXNumbersShrinkToTheTickSpacing) {
  Commands cmds = annotate(unit_para(30.0f, 600.0f), Titles{"", "", ""});
  EXPECT_EQ(find_text(cmds, "0")->args[0], 5);     // 30 / 6
  EXPECT_EQ(find_text(cmds, "30")->args[0], 2);    // 30 / 12
  EXPECT_EQ(find_text(cmds, "1200")->args[0], 1);  // 30 / 24
  EXPECT_EQ(anchor_of(cmds, "1200"), move(1600 - 12, 240));
  cmds = annotate(unit_para(3.0f, 600.0f), Titles{"", "", ""});
  EXPECT_EQ(find_text(cmds, "1200")->args[0], 0);  // nothing fits: size 0
  EXPECT_EQ(anchor_of(cmds, "1200"), move(1600, 240));
}

TEST(Frame, SixCharacterYNumbersAreDrawnAtSizeSix) {
  Para para = unit_para(1200.0f, 0.125f);
  para[3] = -0.125f;
  para[5] = 0.25f;
  para[7] = -0.125f;
  Frame f = unit_frame();
  f.sy = 0.375f / 1200.0f;
  const Commands cmds = annotate(para, Titles{"", "", ""}, f);
  const Command* number = find_text(cmds, "-0.125");
  ASSERT_NE(number, nullptr);
  EXPECT_EQ(number->args[0], 6);
  // Width of "-0.125 " is 42 at size 6; the baseline falls below the frame
  // and is raised to it.
  EXPECT_EQ(anchor_of(cmds, "-0.125"), move(400 - 6 * 42, 320));
  EXPECT_EQ(find_text(cmds, "0.125")->args[0], 8);
}

TEST(Frame, ZeroResidueThresholdsDifferByAxis) {
  Para para = unit_para(0.1f, 0.1f);
  para[4] = 0.3f;
  para[5] = 0.3f;
  para[6] = 5e-6f;  // below 0.1 * 1e-4: printed as 0 on x
  para[7] = 5e-6f;  // above 0.1 * 1e-5: keeps its residue on y
  Frame f = unit_frame();
  f.sx = 0.3f / 2400.0f;
  f.sy = 0.3f / 1200.0f;
  const Commands cmds = annotate(para, Titles{"", "", ""}, f);
  std::vector<std::string> numbers;
  for (const auto& c : cmds)
    if (c.op == 't') numbers.push_back(c.text);
  ASSERT_GE(numbers.size(), 2u);
  EXPECT_EQ(numbers.front(), "0");
  EXPECT_NE(std::find(numbers.begin(), numbers.end(), "5e-06"), numbers.end());
}

TEST(Frame, NoYNumbersPutsTheYTitleAtTheFrame) {
  Para para = unit_para(1200.0f, 600.0f);
  para[17] = 1.0f;
  const Commands cmds = annotate(para, Titles{"", "Amp", ""});
  EXPECT_EQ(anchor_of(cmds, "Amp"), move(320, 848));
  EXPECT_EQ(find_text(cmds, "600"), nullptr);
}

TEST(Frame, NegativeFrameControlKeepsOnlyTheTitles) {
  Para para = unit_para(1200.0f, 600.0f);
  para[15] = -1.0f;
  const Commands cmds = annotate(para, Titles{"Time", "Amp", " "});
  EXPECT_EQ(cmds, (Commands{move(1504, 144), text(8, 0, 0, "Time"), move(320, 848), text(8, 0, 1, "Amp"),
                            move(1576, 1568), text(8, 0, 0, " ")}));
}

TEST(Frame, EmptyTitleWritesNothingAndLongLabelsAreCut) {
  Para para = unit_para(1200.0f, 600.0f);
  para[15] = -2.0f;
  const std::string long_label(130, 'x');
  const Commands cmds = annotate(para, Titles{long_label.c_str(), "", ""});
  // Measured whole (130 * 6 at size 8), written cut to 120 characters.
  EXPECT_EQ(cmds, (Commands{move((3200 - 130 * 6 * 8) / 2, 144), text(8, 0, 0, std::string(120, 'x'))}));
}

TEST(Frame, TickIntervalBelowResolutionEndsTheTicks) {
  Para para = unit_para(1e-6f, 600.0f);
  para[2] = 1000.0f;
  para[4] = 2000.0f;
  para[6] = 1000.0f;
  const Commands cmds = annotate(para, Titles{"", "", ""});
  int x_numbers = 0;
  for (const auto& c : cmds) x_numbers += c.op == 't' && c.text == "1000";
  EXPECT_EQ(x_numbers, 1);
}

}  // namespace
}  // namespace zarvo
