// Text: widths equal the library's measurement, ink inside the measured
// box, orientation, descenders, raised text, font files and fallbacks.
#include <gtest/gtest.h>

#include <zarvo/zarvo.hpp>

#include <cstdint>
#include <filesystem>
#include <fstream>

#include "image.h"
#include "plot_builder.h"
#include "plotfile.h"
#include "render.h"
#include "textlayout.h"

namespace pltrender {
namespace {

using testing::PlotBuilder;
using testing::ScratchDir;

void expect_measured_width(FontSet& fonts, const std::string& text, int font, int size) {
  const TextLayout t = layout_text(fonts, text, font, size, 0, 0, 0);
  const double w = zarvo::text_width(text.c_str(), font);
  // The measurement rounds to whole glyph units.
  EXPECT_NEAR(t.advance, size * w, 0.5 * size + 1e-9) << text;
}

TEST(Text, WidthsMatchTheMeasurementInFontZero) {
  FontSet fonts("", true);
  for (const char* s : {"Amp", "Time (s)", "", " ", "abc", "a\\s20b", "\\s+5ab", "x\\s+2\\(*a\\s-2",
                        "10\\u-3\\d m/s\\u2\\d", "\x1bgpr\x1bS2\x1bs", "\\(em\\(bu\\(zz\\q", "-0.125",
                        "\\s5half\\s12twelve\\s-3less"}) {
    for (int size : {1, 6, 8, 31}) expect_measured_width(fonts, s, 0, size);
  }
  const TextLayout t = layout_text(fonts, "Amp", 0, 8, 0, 0, 0);
  EXPECT_EQ(t.advance, 144.0);
  EXPECT_EQ(t.line_height, 80.0);
}

TEST(Text, InkInsideTheMeasuredBox) {
  FontSet fonts("", true);
  // "Amp" at (100, 200), size 8: 144 units wide; capitals 6 * 8 high, the
  // descender of "p" 2 * 8 below the baseline.
  const TextLayout t = layout_text(fonts, "Amp", 0, 8, 0, 100, 200);
  ASSERT_FALSE(t.ink.empty);
  EXPECT_GE(t.ink.x0, 100);
  EXPECT_LE(t.ink.x1, 244);
  EXPECT_EQ(t.ink.y0, 200 - 16);
  EXPECT_EQ(t.ink.y1, 200 + 48);
  // Each glyph's body (0..4 of 6) is centred in its advance.
  EXPECT_EQ(t.ink.x0, 108);
  EXPECT_EQ(t.ink.x1, 236);
}

TEST(Text, DescendersAndRaisedText) {
  FontSet fonts("", true);
  const TextLayout g = layout_text(fonts, "g", 0, 10, 0, 0, 0);
  EXPECT_EQ(g.ink.y0, -20);  // two units below the baseline
  const TextLayout up = layout_text(fonts, "\\u-", 0, 10, 0, 0, 0);
  const TextLayout flat = layout_text(fonts, "-", 0, 10, 0, 0, 0);
  EXPECT_EQ(up.ink.y0 - flat.ink.y0, 40);  // 0.4 of the line height
  const TextLayout down = layout_text(fonts, "\\d-\\u-", 0, 10, 0, 0, 0);
  EXPECT_EQ(down.ink.y0, flat.ink.y0 - 40);
  EXPECT_EQ(down.ink.y1, flat.ink.y1);  // back on the baseline after \u
  EXPECT_EQ(down.advance, 120);         // raising and lowering keep the width
}

TEST(Text, QuarterTurnsCounterClockwise) {
  FontSet fonts("", true);
  const TextLayout r = layout_text(fonts, "Amp", 0, 8, 0, 1000, 1000);
  const TextLayout u = layout_text(fonts, "Amp", 0, 8, 1, 1000, 1000);
  const TextLayout l = layout_text(fonts, "Amp", 0, 8, 2, 1000, 1000);
  const TextLayout d = layout_text(fonts, "Amp", 0, 8, 3, 1000, 1000);
  // Orientation 1 reads upward with its top to the left.
  EXPECT_EQ(u.ink.y0, 1000 + (r.ink.x0 - 1000));
  EXPECT_EQ(u.ink.y1, 1000 + (r.ink.x1 - 1000));
  EXPECT_EQ(u.ink.x0, 1000 - (r.ink.y1 - 1000));
  EXPECT_EQ(u.ink.x1, 1000 - (r.ink.y0 - 1000));
  EXPECT_EQ(l.ink.x1, 2000 - r.ink.x0);
  EXPECT_EQ(l.ink.y0, 2000 - r.ink.y1);
  EXPECT_EQ(d.ink.y1, 2000 - u.ink.y0);
  EXPECT_EQ(d.ink.x0, 2000 - u.ink.x1);
}

TEST(Text, MissingFontFallsBackWithOneWarning) {
  ScratchDir dir;
  FontSet fonts(dir.path(), true);
  const TextLayout t = layout_text(fonts, "\\fBab\\fPc\\fBd\\f(BIe", 0, 8, 0, 0, 0);
  EXPECT_EQ(t.advance, 5 * 48);
  ASSERT_EQ(fonts.warnings().size(), 2u);
  EXPECT_EQ(fonts.warnings()[0], "font 3: no font file " + dir.path() + "/003; font 0 used");
  EXPECT_EQ(fonts.warnings()[1], "font 4: no font file " + dir.path() + "/004; font 0 used");
  layout_text(fonts, "x", 3, 8, 0, 0, 0);
  EXPECT_EQ(fonts.warnings().size(), 2u);
}

// Absurd size steps and font header values are laid out in wide
// arithmetic: the summed steps and the baseline offset are exact.
TEST(Text, ExtremeSizeStepsAndBaselinesDoNotOverflow) {
  FontSet fonts("", true);
  struct Case {
    const char* text;
    double steps;  // sum of the size steps before "y"
  };
  for (const Case& c : {Case{"x\\s+2147483647y", 2147483647.0}, Case{"x\\s-2147483647\\s-5y", -2147483652.0}}) {
    const float factor = static_cast<float>(c.steps + 10) / 10.0f;
    const TextLayout t = layout_text(fonts, c.text, 0, 1, 0, 0, 0);
    EXPECT_EQ(t.advance, 6.0 + static_cast<double>(factor) * 6.0) << c.text;
  }

  // The most negative size: the text runs backwards, exactly scaled.
  const TextLayout most_negative = layout_text(fonts, "Amp", 0, INT32_MIN, 0, 0, 0);
  EXPECT_EQ(most_negative.advance, 18 * -2147483648.0);
  EXPECT_EQ(most_negative.line_height, 10 * -2147483648.0);

  // Font 77: baseline -2147483648, glyph "A" a stroke from (0,0) to (5,5).
  ScratchDir dir;
  std::ofstream(dir.path() + "/077") << "10 -2147483648 1.0\n   65  3MWRRWW\n  511  1MW\n";
  FontSet font_files(dir.path(), true);
  const TextLayout a = layout_text(font_files, "A", 77, 1, 0, 0, 0);
  ASSERT_TRUE(font_files.warnings().empty());
  ASSERT_EQ(a.strokes.size(), 1u);
  EXPECT_EQ(a.ink.y1, -2147483648.0);
  EXPECT_EQ(a.ink.y0, -2147483653.0);
  EXPECT_EQ(a.advance, 10.0);
}

TEST(Text, RenderedInkStaysInItsBox) {
  ScratchDir dir;
  const ParseResult r = parse(PlotBuilder().e().text(300, 300, 8, 0, 0, "Amp g|").bytes());
  RenderOptions o;
  o.fit = false;
  o.page_width = 4;
  o.page_height = 2;
  FontSet fonts("", true);
  std::string err;
  ASSERT_TRUE(render_file(r.commands, dir.file("t.png"), o, fonts, err)) << err;
  const testing::Image img = testing::load_png(dir.file("t.png"));
  // Box: x 300..300+6*6*8, y 300-16..300+7*8, widened by the stroke (2 px).
  const double w = zarvo::text_width("Amp g|", 0) * 8.0;
  const int px0 = 150 - 2, px1 = static_cast<int>((300 + w) / 2) + 2;
  const int py0 = (600 - (300 + 56)) / 2 - 2, py1 = (600 - (300 - 16)) / 2 + 2;
  int inside = 0;
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x) {
      if (!img.dark(x, y, 200)) continue;
      const bool in = x >= px0 && x <= px1 && y >= py0 && y <= py1;
      EXPECT_TRUE(in) << x << "," << y;
      if (in) ++inside;
      if (!in) return;
    }
  EXPECT_GT(inside, 100);
}

#ifdef HERSHEY2FONT
// Converts a Hershey font into font file `number` in `dir` with the header
// that scripts/make-fonts.sh writes.
void make_font(const std::string& dir, const std::string& face, int number) {
  char name[8];
  std::snprintf(name, sizeof name, "%03d", number);
  const std::string tmp = dir + "/tmp";
  const testing::Run r = testing::run(std::string(HERSHEY2FONT) + " " + HERSHEY_DIR + "/" + face +
                                      ".jhf " + tmp + " 10");
  ASSERT_EQ(r.status, 0) << r.err;
  std::string body = testing::read_text(tmp);
  const std::size_t nl = body.find('\n');
  const std::string header = body.substr(0, nl);
  const std::size_t last = header.rfind(' ');
  std::ofstream(dir + "/" + name) << header.substr(0, last) << " 0.2857" << body.substr(nl);
}

TEST(Text, FontFilesDrawAtTheMeasuredWidth) {
  ScratchDir dir;
  make_font(dir.path(), "timesr", 1);
  make_font(dir.path(), "timesi", 2);
  FontSet fonts(dir.path(), true);
  // Loading through the FontSet puts the fonts in the library's cache, so
  // the measurement below uses the same fonts.
  const TextLayout t = layout_text(fonts, "\\fRRoman \\fIitalic\\fP and \\fB0", 0, 8, 0, 100, 100);
  EXPECT_TRUE(fonts.warnings().size() == 1u) << fonts.warnings().size();  // font 3 is missing
  for (const char* s : {"\\fRRoman \\fIitalic\\fP and \\fB0", "\\fRAmp", "\\fIx\\s+3y\\u2"})
    for (int size : {3, 8, 20}) expect_measured_width(fonts, s, 0, size);
  for (int size : {5, 8}) expect_measured_width(fonts, "Time (s)", 1, size);
  // Capitals of the converted fonts stand 6 units high, as font 0's do.
  const TextLayout h = layout_text(fonts, "H", 1, 10, 0, 0, 0);
  EXPECT_NEAR(h.ink.y1 - h.ink.y0, 60, 0.5);
  EXPECT_NEAR(h.ink.y0, 0, 1e-9);  // standing on the baseline
  EXPECT_LE(h.ink.x1, h.advance);
  EXPECT_GE(h.ink.x0, 0);
}
#endif

}  // namespace
}  // namespace pltrender
