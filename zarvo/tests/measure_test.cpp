// Text measurement: widths of marked-up texts in font 0 and in loaded fonts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "font.h"
#include "markup.h"
#include "measure.h"
#include "state.h"
#include "test_support.h"

namespace zarvo {
namespace {

using testing::write_file;

// Font files live in the working directory: every test that loads one runs
// in a scratch directory of its own.
class Measure : public ::testing::Test {
 protected:

  // A font file of the given header with glyphs of the given extents for
  // "a", "b", "c" and glyph 511 (extents "MW": -5 and 5).
  void font_file(int number, const std::string& header, const std::string& abc) {
    char name[16];
    std::snprintf(name, sizeof name, "%03d", number);
    std::string text = header + "\n";
    for (int i = 0; i < 3; ++i) {
      char prefix[16];
      std::snprintf(prefix, sizeof prefix, "%5d  1", 'a' + i);
      text += prefix + abc.substr(2 * i, 2) + "\n";
    }
    text += "  511  1MW\n";
    write_file(here_.file(name), text);
  }

  std::string stderr_of(int32_t& width, const std::string& text, int32_t font) {
    ::testing::internal::CaptureStderr();
    width = txtsize(text.c_str(), font);
    return ::testing::internal::GetCapturedStderr();
  }

  testing::InScratchDir here_;  // font files are looked up in the working directory
};

const std::string kOpenMessage = "ZARVO:   Can't open font file, default font used.\n";

TEST_F(Measure, EmptyTextMeasuresZero) {
  EXPECT_EQ(txtsize("", 0), 0);
  int32_t w = -1;
  EXPECT_EQ(stderr_of(w, "", 3), kOpenMessage);  // the font is requested even so
  EXPECT_EQ(w, 0);
  font_file(30, "10 0 1", "MWMWMW");
  EXPECT_EQ(txtsize("", 30), 0);
}

TEST_F(Measure, FontZeroWidths) {
  EXPECT_EQ(txtsize("abc", 0), 18);
  EXPECT_EQ(txtsize("a\\s20b", 0), 6 + 12);
  EXPECT_EQ(txtsize("\\s+5ab", 0), 2 * 9);
  EXPECT_EQ(txtsize("x\\s5yz", 0), 6 + 3 + 3);
  EXPECT_EQ(txtsize("\\(*a\\(zz\\u2\\d" "\x1b" "b", 0), 4 * 6);
  EXPECT_EQ(txtsize("\x1b" "F" "ab" "\x1b" "f", 0), 12);
  // A step is relative to the nominal height, not to an earlier size.
  EXPECT_EQ(txtsize("\\s20\\s+2a", 0), 7);  // 6 * 12/10 = 7.2, not 6 * 22/10
  EXPECT_EQ(txtsize("\\s0abc\\s10d", 0), 6);
  EXPECT_EQ(txtsize("\\s-4\\s-4\\s+2ab", 0), 5);  // steps sum to -6: 2 * 2.4 = 4.8
}

TEST_F(Measure, MissingFontIsReportedAtEachChange) {
  int32_t w = 0;
  EXPECT_EQ(stderr_of(w, "x\\fBy\\fPz\\fBw", 0), kOpenMessage + kOpenMessage);
  EXPECT_EQ(w, 24);
  EXPECT_EQ(stderr_of(w, "a\\fXb", 0), kOpenMessage);  // font -1, file "-01"
  EXPECT_EQ(w, 12);
}

TEST_F(Measure, FontChangesFollowTheList) {
  font_file(1, "20 0 1", "PTPTPT");      // advance 4
  font_file(2, "10 0 0.5", "LXLXLX");    // advance 12, scale 0.5: 6
  EXPECT_EQ(txtsize("a\\fRa\\fIa\\fPa", 0), 6 + 4 + 6 + 4);
  // Names above 10 (H1..H5) swap the current and the previous font.
  EXPECT_EQ(txtsize("\\fRa\\f(H1a\\f(H1a", 0), 4 + 6 + 4);
  // Size factors use the current font's height.
  EXPECT_EQ(txtsize("\\fR\\s10a", 0), 2);       // 4 * 10/20
  EXPECT_EQ(txtsize("\\s+10a\\fRa", 0), 12 + 8);  // the factor stays
}

TEST_F(Measure, WidthScaleApplies) {
  font_file(31, "10 0 0.5", "MWMWMW");  // extents -5 and 5
  EXPECT_EQ(txtsize("a", 31), 5);
  EXPECT_EQ(txtsize("abc", 31), 15);
  EXPECT_EQ(txtsize("Z", 31), 5);  // glyph 511 fills the other slots
}

TEST_F(Measure, HalfRoundsUpBelowHalfDown) {
  font_file(32, "100 0 1", "RSRSRS");  // advance 1, height 100
  const int32_t size_1050[] = {FC_SIZE, 1050, 'a', 0};
  const int32_t size_1049[] = {FC_SIZE, 1049, 'a', 0};
  EXPECT_EQ(strsize(size_1050, 32), 11);  // 10.5
  EXPECT_EQ(strsize(size_1049, 32), 10);  // 10.49
  font_file(33, "10 0 0.5", "IRIRIR");    // advance 9, scale 0.5: 4.5
  EXPECT_EQ(txtsize("a", 33), 5);
  EXPECT_EQ(txtsize("ab", 33), 9);
}

TEST_F(Measure, LongTextsAreCutAt255) {
  int32_t w = 0;
  const std::string t255(255, 'a');
  EXPECT_EQ(stderr_of(w, t255, 0), "");
  EXPECT_EQ(w, 255 * 6);
  font_file(34, "10 0 1", "RSRSLX");  // "a" 1, "b" 1, "c" 12
  std::string t256 = std::string(255, 'a') + "c";
  EXPECT_EQ(stderr_of(w, t256, 34), "ZARVO: Warning -- string too long, truncated.\n");
  EXPECT_EQ(w, 255);
  EXPECT_EQ(t256, std::string(255, 'a') + "c");  // the caller's text is unchanged
  EXPECT_EQ(stderr_of(w, std::string(5000, 'b'), 34), "ZARVO: Warning -- string too long, truncated.\n");
  EXPECT_EQ(w, 255);
  // An escape cut by the truncation ends the measurement at the cut.
  EXPECT_EQ(stderr_of(w, std::string(254, 'a') + "\\(*a", 0).empty(), false);
  EXPECT_EQ(w, 254 * 6);
}

TEST_F(Measure, AbsurdSizesStayDefined) {
  // The step sum wraps around in 32 bits: -2, a factor of 0.8.
  EXPECT_EQ(txtsize("\\s+2147483647\\s+2147483647a", 0), 5);
  EXPECT_EQ(txtsize("\\s99999999999aaaa", 0), INT32_MAX);
  EXPECT_EQ(txtsize("\\s-99999999999aaaa", 0), INT32_MIN);
  font_file(35, "1 0 3e38", "MWMWMW");
  EXPECT_EQ(txtsize("aaaa", 35), INT32_MAX);  // the float sum overflows
}

TEST(MeasureDeathTest, UnrecognizedCodeEndsTheProcess) {
  const int32_t list[] = {'a', 600, 0};
  EXPECT_EXIT(strsize(list, 0), ::testing::ExitedWithCode(1),
              "ZARVO: Internal error - unrecognized FC 600, giving up.\n");
  const int32_t negative[] = {-7, 0};
  EXPECT_EXIT(strsize(negative, 0), ::testing::ExitedWithCode(1),
              "ZARVO: Internal error - unrecognized FC -7, giving up.\n");
}

}  // namespace
}  // namespace zarvo
