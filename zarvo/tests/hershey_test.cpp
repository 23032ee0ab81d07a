// Hershey fonts converted by hershey2font load as fonts and measure.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "font.h"
#include "measure.h"
#include "test_support.h"

namespace zarvo {
namespace {


bool exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

// The lines of a .jhf file (one entry per line in Debian's files).
std::vector<std::string> jhf_lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

int run(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class Hershey : public ::testing::Test {
 protected:

  // Converts HERSHEY_DIR/name into the font file of `number`; false (and a
  // skip) when the font package is missing.
  bool convert(const std::string& name, int number, const std::string& height = "") {
    source_ = std::string(HERSHEY_DIR) + "/" + name;
    if (!exists(source_)) return false;
    char out[16];
    std::snprintf(out, sizeof out, "%03d", number);
    const std::string cmd = std::string(HERSHEY2FONT) + " " + source_ + " " + out + " " + height;
    EXPECT_EQ(run(cmd), 0) << cmd;
    return true;
  }

  // Every glyph of the source is in the font as read: extents and pairs.
  void expect_same_glyphs(const Font& f, size_t max_pairs = kMaxPairs) {
    const std::vector<std::string> lines = jhf_lines(source_);
    ASSERT_FALSE(lines.empty());
    for (size_t n = 0; n < lines.size() && 32 + n <= 255; ++n) {
      const std::string& line = lines[n];
      const size_t count = std::stoul(line.substr(5, 3));
      const Glyph* g = f.glyphs[32 + n];
      ASSERT_NE(g, nullptr);
      if (count > max_pairs) {
        EXPECT_EQ(g, f.glyphs[511]) << "too long, dropped: " << n;
        continue;
      }
      ASSERT_EQ(g->pairs.size() + 1, count) << "code " << 32 + n;
      EXPECT_EQ(g->left, line[8] - 'R');
      EXPECT_EQ(g->right, line[9] - 'R');
      for (size_t i = 1; i < count; ++i) {
        const int x = line[8 + 2 * i] == ' ' ? -50 : line[8 + 2 * i] - 'R';
        ASSERT_EQ(g->pairs[i - 1].x, x) << "code " << 32 + n << " pair " << i;
        ASSERT_EQ(g->pairs[i - 1].y, line[9 + 2 * i] - 'R') << "code " << 32 + n << " pair " << i;
      }
    }
  }

  testing::InScratchDir here_;  // font files are looked up in the working directory
  std::string source_;
};

TEST_F(Hershey, RomanSimplexLoadsAndMeasures) {
  if (!convert("rowmans.jhf", 1)) {
    GTEST_SKIP() << HERSHEY_DIR "/rowmans.jhf is missing: install hershey-fonts-data";
  }
  ::testing::internal::CaptureStderr();
  const Font& f = getfont(1);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  ASSERT_EQ(f.number, 1);
  EXPECT_EQ(f.height, 21);  // "H" spans y -12 to 9
  EXPECT_EQ(f.extra, 9);    // the baseline
  EXPECT_EQ(f.width_scale, 1.0f);
  for (int i = 0; i < kGlyphSlots; ++i) ASSERT_NE(f.glyphs[i], nullptr) << i;
  expect_same_glyphs(f);

  float sum = 0.0f;
  for (char c : std::string("abc")) {
    sum += f.width_scale * static_cast<float>(f.glyphs[int(c)]->right - f.glyphs[int(c)]->left);
  }
  EXPECT_EQ(txtsize("abc", 1), static_cast<int32_t>(static_cast<double>(sum) + 0.5));
  EXPECT_EQ(txtsize("abc", 1), 19 + 19 + 18);  // "a" I\, "b" H[, "c" I[ in rowmans.jhf
  // Font 0 to Roman simplex and back.
  EXPECT_EQ(txtsize("x\\fRabc\\fPx", 0), 6 + 56 + 6);
  // The undefined glyph is a copy of "?".
  EXPECT_EQ(f.glyphs[511]->pairs.size(), f.glyphs['?']->pairs.size());
  EXPECT_EQ(f.glyphs[0], f.glyphs[511]);
  EXPECT_EQ(f.glyphs[301], f.glyphs[511]);
}

TEST_F(Hershey, GivenHeightIsWritten) {
  if (!convert("rowmans.jhf", 2, "32")) GTEST_SKIP() << HERSHEY_DIR " is missing";
  EXPECT_EQ(getfont(2).height, 32);
  EXPECT_EQ(txtsize("\\s32a", 2), 19);
}

TEST_F(Hershey, LongGlyphsAreWrappedAt72Columns) {
  // Gothic fonts hold glyphs of up to 143 pairs: four lines each.
  if (!convert("gothgrt.jhf", 3)) GTEST_SKIP() << HERSHEY_DIR " is missing";
  std::ifstream in("003");
  for (std::string line; std::getline(in, line);) ASSERT_LE(line.size(), 72u);
  const Font& f = getfont(3);
  ASSERT_EQ(f.number, 3);
  expect_same_glyphs(f);
}

TEST_F(Hershey, EveryPackagedFontConverts) {
  if (!exists(HERSHEY_DIR)) GTEST_SKIP() << HERSHEY_DIR " is missing";
  const char* names[] = {"astrology", "cursive", "cyrilc_1", "cyrillic", "futural", "futuram",
                         "gothgbt", "gothgrt", "gothiceng", "gothicger", "gothicita", "gothitt",
                         "greek", "greekc", "greeks", "japanese", "markers", "mathlow",
                         "mathupp", "meteorology", "music", "rowmand", "rowmans", "rowmant",
                         "scriptc", "scripts", "symbolic", "timesg", "timesi", "timesib",
                         "timesr", "timesrb"};
  int number = 400;
  for (const char* name : names) {
    SCOPED_TRACE(name);
    if (!convert(std::string(name) + ".jhf", number)) continue;
    ::testing::internal::CaptureStderr();
    const Font& f = getfont(number);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(f.number, number);
    EXPECT_GT(f.height, 0);
    expect_same_glyphs(f);
    ++number;
  }
}

TEST_F(Hershey, WrappedInputAndBadInput) {
  // Entries continued on following lines are joined.
  std::ofstream("in.jhf") << "12345  4JZRF R\nR[\n    1  2MW\nRW\n"
                          << "    2  3LXQFSF\n";
  ASSERT_EQ(run(std::string(HERSHEY2FONT) + " in.jhf 005 2>/dev/null"), 0);
  const Font& f = getfont(5);
  ASSERT_EQ(f.number, 5);
  EXPECT_EQ(f.height, 0 - (-12) + 9);  // no "H": the span of all strokes
  ASSERT_EQ(f.glyphs[' ']->pairs.size(), 3u);
  EXPECT_EQ(f.glyphs[' ']->pairs[2].y, '[' - 'R');
  EXPECT_EQ(f.glyphs['!']->pairs[0].x, 0);
  EXPECT_EQ(f.glyphs[511]->pairs.size(), 5u);  // no "?": a box

  std::ofstream("bad.jhf") << "12345  4JZ RF\n";
  EXPECT_EQ(run(std::string(HERSHEY2FONT) + " bad.jhf 006 2>/dev/null"), 1);
  EXPECT_EQ(run(std::string(HERSHEY2FONT) + " missing.jhf 006 2>/dev/null"), 1);
  EXPECT_EQ(run(std::string(HERSHEY2FONT) + " in.jhf 2>/dev/null"), 2);
  EXPECT_EQ(run(std::string(HERSHEY2FONT) + " in.jhf 006 0 2>/dev/null"), 2);
}

}  // namespace
}  // namespace zarvo
