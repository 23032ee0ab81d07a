// Font loading: the cache, font 0 and its stroke tables, the font file
// reader and its refusal of unsound files.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "font.h"
#include "state.h"
#include "test_support.h"

namespace zarvo {
namespace {

using testing::InScratchDir;
using testing::ScratchDir;
using testing::write_file;


// One font file entry: "%5d%3d" and the pairs (the extents pair first, two
// characters each), with the line breaks before pairs 32, 68, 104, 140.
std::string entry(int number, const std::string& pairs) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "%5d%3d", number, static_cast<int>(pairs.size() / 2));
  std::string out = prefix;
  for (size_t pair = 0; pair * 2 < pairs.size(); ++pair) {
    if (pair == 32 || pair == 68 || pair == 104 || pair == 140) out += '\n';
    out += pairs.substr(pair * 2, 2);
  }
  return out + "\n";
}

// The pairs of a glyph of n vertex pairs after the extents "MW".
std::string pairs_of(int n) {
  std::string p = "MW";
  for (int i = 0; i < n; ++i) {
    p += static_cast<char>('A' + i % 26);
    p += static_cast<char>('a' + i % 26);
  }
  return p;
}

std::string basic_font(const std::string& header = "20 7 1.0") {
  std::string text = header + "\n";
  for (int code = 32; code <= 126; ++code) text += entry(code, "MWRFR[");
  return text + entry(511, "JZMFWFW[M[MF");
}

const Font& load(int number, const std::string& content, InScratchDir& dir) {
  char name[16];
  std::snprintf(name, sizeof name, "%03d", number);
  write_file(dir.file(name), content);
  return getfont(number);
}

bool cached(const Font* f) {
  for (const Font* g : lib.font_list) {
    if (g == f) return true;
  }
  return false;
}

// ---- font 0 ----

TEST(FontZero, TwoRequestsReturnTheSameRecordBuiltOnce) {
  const Font& a = getfont(0);
  const Font& b = getfont(0);
  EXPECT_EQ(&a, &b);
  EXPECT_EQ(&a, &font_zero);
  EXPECT_TRUE(lib.font_zero_built);
  int found = 0;
  for (const Font* f : lib.font_list) found += (f == &font_zero);
  EXPECT_EQ(found, 1);
  EXPECT_EQ(a.number, 0);
  EXPECT_EQ(a.height, 10);
  EXPECT_EQ(a.extra, 0);
  EXPECT_EQ(a.width_scale, 1.0f);
}

TEST(FontZero, EveryGlyphHasTheExtentsMinus3And3) {
  const Font& f = getfont(0);
  for (int g : {int{'A'}, int{' '}, 301, 400, 0, 511}) {
    ASSERT_NE(f.glyphs[g], nullptr) << g;
    EXPECT_EQ(f.glyphs[g]->left, -3) << g;
    EXPECT_EQ(f.glyphs[g]->right, 3) << g;
  }
  for (int g = 0; g < kGlyphSlots; ++g) {
    ASSERT_NE(f.glyphs[g], nullptr);
    EXPECT_EQ(f.glyphs[g]->right - f.glyphs[g]->left, 6);
  }
  EXPECT_EQ(f.glyphs[' '], &dummy);
  EXPECT_EQ(f.glyphs[400], &dummy);
  EXPECT_EQ(f.glyphs['A'], &f0c[int{'A'}]);
  EXPECT_EQ(f.glyphs[301], &f0c[301]);
}

std::vector<uint8_t> glyph_bytes(const uint8_t* p) {
  std::vector<uint8_t> out;
  do {
    out.push_back(*p);
  } while ((*p++ & 0x08) == 0);
  return out;
}

TEST(FontZero, ExampleGlyphsByteForByte) {
  const Font& f = getfont(0);
  auto bytes = [&](char c) { return glyph_bytes(f.glyphs[static_cast<unsigned char>(c)]->strokes); };
  EXPECT_EQ(bytes('0'), (std::vector<uint8_t>{0x90, 0x01, 0x05, 0x16, 0x36, 0x45, 0x41, 0x30, 0x18}));
  EXPECT_EQ(bytes('1'), (std::vector<uint8_t>{0x95, 0x26, 0x20, 0x90, 0x38}));
  EXPECT_EQ(bytes('/'), (std::vector<uint8_t>{0x4e}));
  EXPECT_EQ(bytes('-'), (std::vector<uint8_t>{0x83, 0x4b}));
  EXPECT_EQ(bytes('X'), (std::vector<uint8_t>{0x46, 0x86, 0x48}));
  EXPECT_EQ(bytes('g'), (std::vector<uint8_t>{0x81, 0x10, 0x30, 0x41, 0x46, 0xc5, 0x36, 0x16, 0x05,
                                              0x03, 0x12, 0x32, 0x4b}));
  EXPECT_EQ(f.glyphs['g']->descends, 1);
  EXPECT_EQ(f.glyphs['0']->descends, 0);
}

TEST(FontZero, TableEntries) {
  for (int code = 32; code < 128; ++code) {
    const uint32_t a = asciiadd[code - 32];
    EXPECT_EQ(a & ~0x7FFu, 0u) << code;
    EXPECT_EQ(a != 0, code >= 33 && code <= 126) << code;
    const bool descender = std::strchr(",;_gjpqy", code) != nullptr && code != 0;
    EXPECT_EQ((a & kDescenderBit) != 0, descender) << char(code);

    const uint32_t g = greekadd[code - 32];
    EXPECT_EQ(g & ~0x7FFu, 0u) << code;
    const bool letter = std::strchr(ct, code) != nullptr || code == '}' || code == '~';
    EXPECT_EQ(g != 0, letter) << char(code);
    EXPECT_EQ((g & kDescenderBit) != 0, std::strchr("bfmr", code) != nullptr) << char(code);
  }
  EXPECT_EQ(std::strlen(ct), 29u);
  EXPECT_STREQ(ct, "abcCdDefFgGhIlLmnoOpPrsStwWyY");
  const std::array<int32_t, 29> expected = {301, 302, 370, 371, 304, 329, 305, 321, 346, 303,
                                            328, 307, 372, 311, 336, 312, 313, 308, 333, 316,
                                            341, 317, 318, 343, 319, 324, 349, 322, 347};
  EXPECT_EQ(ft, expected);
  const Font& f = getfont(0);
  for (int i = 0; i < 29; ++i) {
    EXPECT_EQ(f.glyphs[ft[i]], &f0c[ft[i]]);
    EXPECT_EQ(f.glyphs[ft[i]]->descends, std::strchr("bfmr", ct[i]) != nullptr ? 1 : 0);
  }
}

// ---- drawing font 0 ----

constexpr int kScale = 2;                    // raster cells per grid unit
constexpr int kCells = 7 * kScale + 1;       // 0..7 in each direction

using Raster = std::vector<std::string>;

// Draws a glyph's strokes; returns the number of draws, or -1 when the
// glyph's end byte is not within `limit` bytes.
int draw(const uint8_t* p, const uint8_t* limit, Raster& r, int& max_x, int& max_y) {
  r.assign(kCells, std::string(kCells, ' '));
  int x = 0, y = 0, draws = 0;
  max_x = max_y = 0;
  for (;; ++p) {
    if (p >= limit) return -1;
    const int nx = (*p >> 4) & 7, ny = *p & 7;
    if ((*p & 0x80) == 0) {
      ++draws;
      const int steps = std::max(std::abs(nx - x), std::abs(ny - y)) * kScale;
      for (int s = 0; s <= steps; ++s) {
        const double t = steps == 0 ? 0.0 : double(s) / steps;
        const int cx = int(std::lround((x + (nx - x) * t) * kScale));
        const int cy = int(std::lround((y + (ny - y) * t) * kScale));
        r[kCells - 1 - cy][cx] = '#';
      }
      max_x = std::max({max_x, x, nx});
      max_y = std::max({max_y, y, ny});
    }
    x = nx;
    y = ny;
    if (*p & 0x08) return draws;
  }
}

struct Drawn {
  std::string name;
  Raster raster;
};

void print(const std::vector<Drawn>& glyphs) {
  constexpr size_t kPerRow = 8;
  for (size_t i = 0; i < glyphs.size(); i += kPerRow) {
    std::string line;
    for (size_t j = i; j < std::min(i + kPerRow, glyphs.size()); ++j) {
      line += "+--" + glyphs[j].name + std::string(kCells - glyphs[j].name.size(), '-');
    }
    std::printf("%s\n", line.c_str());
    for (int row = 0; row < kCells; ++row) {
      line.clear();
      for (size_t j = i; j < std::min(i + kPerRow, glyphs.size()); ++j) {
        line += "| " + glyphs[j].raster[row] + " ";
      }
      std::printf("%s\n", line.c_str());
    }
  }
}

TEST(FontZero, EveryGlyphDrawsWithinTheGrid) {
  const Font& f = getfont(0);
  std::vector<Drawn> drawn;
  for (int code = 33; code <= 126; ++code) {
    const Glyph* g = f.glyphs[code];
    ASSERT_NE(g, &dummy) << char(code);
    ASSERT_GE(g->strokes, asciivec.data());
    ASSERT_LT(g->strokes, asciivec.data() + asciivec.size());
    Raster r;
    int mx = 0, my = 0;
    const int draws = draw(g->strokes, asciivec.data() + asciivec.size(), r, mx, my);
    ASSERT_GT(draws, 0) << "glyph " << char(code) << " is empty or runs off its table";
    EXPECT_LE(mx, 6) << char(code);
    const bool upper = (code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9');
    if (upper) {
      EXPECT_LE(mx, 4) << char(code);
      EXPECT_LE(my, 6) << char(code);
    }
    if (code >= 'a' && code <= 'z' && !g->descends) {
      EXPECT_LE(my, 6) << char(code);
    }
    drawn.push_back({std::string(1, char(code)) + (g->descends ? "_" : ""), r});
  }
  for (int i = 0; i < kGreekLetters; ++i) {
    const Glyph* g = f.glyphs[ft[i]];
    ASSERT_GE(g->strokes, greekvec.data());
    ASSERT_LT(g->strokes, greekvec.data() + greekvec.size());
    Raster r;
    int mx = 0, my = 0;
    const int draws = draw(g->strokes, greekvec.data() + greekvec.size(), r, mx, my);
    ASSERT_GT(draws, 0) << "Greek " << ct[i];
    EXPECT_LE(mx, 6) << ct[i];
    drawn.push_back({std::string{'g', ct[i]} + (g->descends ? "_" : ""), r});
  }
  for (char extra : {'}', '~'}) {
    const uint32_t e = greekadd[extra - 32];
    Raster r;
    int mx = 0, my = 0;
    ASSERT_GT(draw(greekvec.data() + (e & kStrokeOffsetMask), greekvec.data() + greekvec.size(),
                   r, mx, my),
              0);
    drawn.push_back({std::string{'g', extra}, r});
  }
  // For the eye: every glyph of font 0 ("_" marks a descender, drawn as
  // stored, two units up; "g" marks the ESC g letters).
  print(drawn);
}

TEST(FontZero, TablesKeepTheirDeclaredSizesAndEndInZeros) {
  EXPECT_EQ(asciivec.size(), 630u);
  EXPECT_EQ(greekvec.size(), 298u);
  // The last byte of each table is past every glyph.
  EXPECT_EQ(asciivec.back(), 0);
  EXPECT_EQ(greekvec.back(), 0);
}

// ---- scanint and cleanup ----

std::FILE* stream_of(const std::string& text) {
  std::FILE* f = std::tmpfile();
  std::fwrite(text.data(), 1, text.size(), f);
  std::rewind(f);
  return f;
}

TEST(Scanint, ReadsFieldsSkippingLineFeeds) {
  std::FILE* f = stream_of("   12  7\n  3\n\n 4x5  -2 ab  9");
  EXPECT_EQ(scanint(5, f), 12);
  EXPECT_EQ(scanint(3, f), 7);     // "  7"
  EXPECT_EQ(scanint(3, f), 3);     // the line feed does not count
  EXPECT_EQ(scanint(3, f), 4);     // " 4x": ends at the first non-digit
  EXPECT_EQ(scanint(4, f), 5);     // "5  -" ...
  EXPECT_EQ(scanint(2, f), 2);     // "2 "
  EXPECT_EQ(scanint(2, f), 0);     // "ab": no digits
  EXPECT_EQ(scanint(5, f), -1);    // "  9": the stream ends first
  std::fclose(f);
}

TEST(Cleanup, ClosesTheFontFileAndWritesTheMessage) {
  lib.fontfile = std::tmpfile();
  ::testing::internal::CaptureStderr();
  cleanup("Something.");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "ZARVO:  Something.\n");
  EXPECT_EQ(lib.fontfile, nullptr);
  ::testing::internal::CaptureStderr();
  cleanup(nullptr);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
}

// ---- font files ----

const std::string kOpenMessage = "ZARVO:   Can't open font file, default font used.\n";

TEST(FontFile, MissingFileGivesFontZeroWithTheMessageEachTime) {
  InScratchDir dir;
  ::testing::internal::CaptureStderr();
  const Font& a = getfont(7);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), kOpenMessage);
  EXPECT_EQ(&a, &font_zero);
  ::testing::internal::CaptureStderr();
  const Font& b = getfont(7);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), kOpenMessage);
  EXPECT_EQ(&b, &font_zero);
  EXPECT_EQ(lib.fontfile, nullptr);
}

TEST(FontFile, FailedFontLeavesNothingBehind) {
  InScratchDir dir;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(&getfont(8), &font_zero);
  ::testing::internal::GetCapturedStderr();
  write_file(dir.file("008"), basic_font());
  const Font& f = getfont(8);
  EXPECT_EQ(f.number, 8);
  EXPECT_NE(&f, &font_zero);
}

TEST(FontFile, NameHasThreeDigitsAndKeepsTheMinusSign) {
  InScratchDir dir;
  write_file(dir.file("-01"), basic_font("11 0 1.0"));
  write_file(dir.file("012"), basic_font("12 0 1.0"));
  write_file(dir.file("1234"), basic_font("13 0 1.0"));
  EXPECT_EQ(getfont(-1).height, 11);
  EXPECT_EQ(getfont(12).height, 12);
  EXPECT_EQ(getfont(1234).height, 13);
}

TEST(FontFile, HeaderAndEntriesAreStored) {
  InScratchDir dir;
  std::string text = "21 9 0.5\n";
  text += entry(65, "IZRFI[ RRFZ[");  // pen lift as blank and "R"
  text += entry(66, "MW");            // pair count 1: extents only
  text += entry(511, "JZMFWF");
  const Font& f = load(100, text, dir);
  ASSERT_EQ(f.number, 100);
  EXPECT_EQ(f.height, 21);
  EXPECT_EQ(f.extra, 9);
  EXPECT_EQ(f.width_scale, 0.5f);
  const Glyph* a = f.glyphs['A'];
  EXPECT_EQ(a->left, 'I' - 'R');
  EXPECT_EQ(a->right, 'Z' - 'R');
  ASSERT_EQ(a->pairs.size(), 5u);
  EXPECT_EQ(a->pairs[0].x, 0);
  EXPECT_EQ(a->pairs[0].y, 'F' - 'R');
  EXPECT_EQ(a->pairs[2].x, -50);  // the pen lift
  EXPECT_EQ(a->pairs[2].y, 0);
  EXPECT_EQ(a->pairs[4].x, 'Z' - 'R');
  EXPECT_EQ(a->pairs[4].y, '[' - 'R');
  const Glyph* b = f.glyphs['B'];
  EXPECT_EQ(b->left, -5);
  EXPECT_EQ(b->right, 5);
  EXPECT_TRUE(b->pairs.empty());
  EXPECT_TRUE(cached(&f));
  EXPECT_EQ(&getfont(100), &f);
}

TEST(FontFile, HeaderValuesAtTheirLimitsAreRead) {
  InScratchDir dir;
  const Font& f = load(102, "1000 -2147483648 1\n" + entry(511, "MW"), dir);
  ASSERT_EQ(f.number, 102);
  EXPECT_EQ(f.height, 1000);
  EXPECT_EQ(f.extra, INT32_MIN);
  const Font& g = load(103, "+1\n\n 2147483647 1.5\n" + entry(511, "MW"), dir);
  ASSERT_EQ(g.number, 103);
  EXPECT_EQ(g.height, 1);
  EXPECT_EQ(g.extra, INT32_MAX);
  EXPECT_EQ(g.width_scale, 1.5f);
}

TEST(FontFile, EmptySlotsHoldGlyph511) {
  InScratchDir dir;
  const Font& f = load(101, basic_font(), dir);
  ASSERT_EQ(f.number, 101);
  const Glyph* undefined = f.glyphs[511];
  ASSERT_NE(undefined, nullptr);
  for (int i = 0; i < kGlyphSlots; ++i) {
    ASSERT_NE(f.glyphs[i], nullptr) << i;
    EXPECT_EQ(f.glyphs[i] == undefined, i < 32 || i > 126) << i;
  }
  EXPECT_EQ(undefined->pairs.size(), 5u);
}

TEST(FontFile, LongEntriesHaveTheirLineBreaks) {
  InScratchDir dir;
  std::string text = "10 0 1\n";
  text += entry(40, pairs_of(31));   // 32 pairs: one line of 72 columns
  text += entry(41, pairs_of(32));   // 33 pairs: break before the 33rd
  text += entry(42, pairs_of(175));  // 176 pairs: five lines
  text += entry(511, "MW");
  for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    EXPECT_LE(end - start, 72u);
  }
  const Font& f = load(102, text, dir);
  ASSERT_EQ(f.number, 102);
  for (int code : {40, 41, 42}) {
    const int n = code == 40 ? 31 : code == 41 ? 32 : 175;
    const Glyph* g = f.glyphs[code];
    ASSERT_EQ(g->pairs.size(), size_t(n)) << code;
    for (int i = 0; i < n; ++i) {
      EXPECT_EQ(g->pairs[i].x, 'A' + i % 26 - 'R') << code << " " << i;
      EXPECT_EQ(g->pairs[i].y, 'a' + i % 26 - 'R') << code << " " << i;
    }
  }
  EXPECT_EQ(f.glyphs[43], f.glyphs[511]);
}

TEST(FontFile, ZeroGlyphNumberEndsTheReading) {
  InScratchDir dir;
  std::string text = "10 0 1\n" + entry(511, "MW") + entry(65, "PT") + "    0" + "garbage" +
                     entry(66, "LX");
  const Font& f = load(103, text, dir);
  ASSERT_EQ(f.number, 103);
  EXPECT_EQ(f.glyphs['A']->right, 2);
  EXPECT_EQ(f.glyphs['B'], f.glyphs[511]);

  text = "10 0 1\n" + entry(511, "MW") + "   -4 1MW\n" + entry(66, "LX");
  const Font& g = load(104, text, dir);
  ASSERT_EQ(g.number, 104);
  EXPECT_EQ(g.glyphs['B'], g.glyphs[511]);
}

TEST(FontFile, LineFeedsBetweenEntriesAndInsideNumbersAreSkipped) {
  InScratchDir dir;
  const std::string text = "10 0 1\n\n\n" + entry(511, "MW") + "\n\n   6\n5  1PT\n" + "  \n 66" +
                           "\n  1LX\n";
  const Font& f = load(105, text, dir);
  ASSERT_EQ(f.number, 105);
  EXPECT_EQ(f.glyphs['A']->left, -2);
  EXPECT_EQ(f.glyphs['A']->right, 2);
  EXPECT_EQ(f.glyphs['B']->left, -6);
}

TEST(FontFile, StrayCharacterShiftsTheFields) {
  InScratchDir dir;
  // The stray "x" makes the glyph number field "x   6" (value 0): the end.
  const std::string text = "10 0 1\n" + entry(511, "MW") + "x" + entry(65, "PT");
  const Font& f = load(106, text, dir);
  ASSERT_EQ(f.number, 106);
  EXPECT_EQ(f.glyphs['A'], f.glyphs[511]);
}

TEST(FontFile, LaterEntryReplacesAnEarlierOne) {
  InScratchDir dir;
  const std::string text = "10 0 1\n" + entry(65, "PT") + entry(511, "MW") + entry(65, "LX");
  const Font& f = load(107, text, dir);
  ASSERT_EQ(f.number, 107);
  EXPECT_EQ(f.glyphs['A']->left, -6);
  EXPECT_EQ(f.owned.size(), 2u);  // the replaced glyph is freed
}

TEST(FontFile, GlyphNumbersFrom512AreSkipped) {
  InScratchDir dir;
  const std::string text = "10 0 1\n" + entry(512, "AZ") + entry(9999, "BY") + entry(511, "MW") +
                           entry(65, "PT");
  const Font& f = load(108, text, dir);
  ASSERT_EQ(f.number, 108);
  EXPECT_EQ(f.glyphs['A']->left, -2);  // reading went on after them
  EXPECT_EQ(f.owned.size(), 2u);
  for (const auto& g : f.owned) EXPECT_NE(g->left, 'A' - 'R');
}

TEST(FontFile, LastEntryWithoutItsFinalLineBreakIsComplete) {
  InScratchDir dir;
  std::string text = "10 0 1\n" + entry(511, "MW");
  text.pop_back();
  const Font& f = load(109, text, dir);
  EXPECT_EQ(f.number, 109);
}

TEST(FontFile, CacheGrowsBeyondTenFonts) {
  InScratchDir dir;
  std::vector<const Font*> fonts;
  for (int n = 200; n < 215; ++n) fonts.push_back(&load(n, basic_font(), dir));
  EXPECT_GE(lib.font_list.size(), 15u);
  for (int n = 200; n < 215; ++n) {
    EXPECT_EQ(fonts[n - 200]->number, n);
    EXPECT_TRUE(cached(fonts[n - 200]));
    char name[8];
    std::snprintf(name, sizeof name, "%03d", n);
    std::remove(dir.file(name).c_str());
    EXPECT_EQ(&getfont(n), fonts[n - 200]);  // not read again
  }
}

// ---- unsound font files: a message and font 0 ----

struct Refused {
  const char* what;
  std::string content;
  std::string message;
};

TEST(FontFile, UnsoundFilesAreRefused) {
  const std::string ok = entry(511, "MW");
  const std::string header_msg = "ZARVO:  Bad font file header, default font used.\n";
  const std::string count_msg = "ZARVO:  Bad pair count in font file, default font used.\n";
  const std::string cut_msg = "ZARVO:  Font file ends inside a glyph entry, default font used.\n";
  const std::string no511_msg = "ZARVO:  Font file has no glyph 511, default font used.\n";
  const std::vector<Refused> cases = {
      {"empty file", "", header_msg},
      {"header of words", "ten 0 1\n" + ok, header_msg},
      {"header cut short", "10 0", header_msg},
      {"height 0", "0 0 1\n" + ok, header_msg},
      {"negative height", "-3 0 1\n" + ok, header_msg},
      {"height beyond 32 bits", "99999999999 0 1\n" + ok, header_msg},
      {"height 2147483647", "2147483647 0 1\n" + ok, header_msg},
      {"height 1001", "1001 0 1\n" + ok, header_msg},
      {"second value beyond 32 bits", "10 -2147483649 1\n" + ok, header_msg},
      {"width scale nan", "10 0 nan\n" + ok, header_msg},
      {"width scale inf", "10 0 inf\n" + ok, header_msg},
      {"no glyph 511", "10 0 1\n" + entry(65, "PT"), no511_msg},
      {"no entries", "10 0 1\n", no511_msg},
      {"pair count 0", "10 0 1\n" + ok + "   65  0\n", count_msg},
      {"negative pair count", "10 0 1\n" + ok + "   65 -5MW\n", count_msg},
      {"pair count 177", "10 0 1\n" + ok + "   65177" + pairs_of(176), count_msg},
      {"pair count 999", "10 0 1\n" + ok + "   65999", count_msg},
      {"end inside the pair count", "10 0 1\n" + ok + "   65  ", cut_msg},
      {"end inside the extents", "10 0 1\n" + ok + "   65  3M", cut_msg},
      {"end inside the pairs", "10 0 1\n" + ok + "   65  3MWRF", cut_msg},
      {"end at a line break", "10 0 1\n" + ok + entry(66, pairs_of(40)).substr(0, 72), cut_msg},
  };
  InScratchDir dir;
  int number = 300;
  for (const Refused& c : cases) {
    SCOPED_TRACE(c.what);
    ::testing::internal::CaptureStderr();
    const Font& f = load(number, c.content, dir);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), c.message);
    EXPECT_EQ(&f, &font_zero);
    EXPECT_EQ(lib.fontfile, nullptr);
    for (const Font* g : lib.font_list) EXPECT_NE(g->number, number);
    ++number;
  }
}

TEST(FontFile, TruncatedAndMutatedFilesNeverCrash) {
  InScratchDir dir;
  std::string good = "21 9 1.0\n";
  for (int code = 32; code < 60; ++code) good += entry(code, pairs_of(code - 20));
  good += entry(300, pairs_of(100));
  good += entry(511, "JZMFWF W[M[MF");
  std::mt19937 rng(12345);
  int number = 1000;
  int loaded = 0;
  const auto check = [&](const std::string& content) {
    ::testing::internal::CaptureStderr();
    const Font& f = load(number, content, dir);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(lib.fontfile, nullptr);
    if (&f != &font_zero) {
      ++loaded;
      EXPECT_EQ(f.number, number);
      EXPECT_GE(f.height, 1);
      for (int i = 0; i < kGlyphSlots; ++i) ASSERT_NE(f.glyphs[i], nullptr);
      for (const auto& g : f.owned) ASSERT_LE(g->pairs.size(), size_t(kMaxPairs - 1));
    }
    ++number;
  };
  // Every truncation.
  for (size_t len = 0; len <= good.size(); len += 1 + len / 400) check(good.substr(0, len));
  // Random byte changes, insertions and deletions.
  for (int round = 0; round < 300; ++round) {
    std::string s = good;
    const int edits = 1 + int(rng() % 8);
    for (int e = 0; e < edits; ++e) {
      const size_t at = rng() % s.size();
      switch (rng() % 4) {
        case 0: s[at] = char(rng() % 256); break;
        case 1: s.insert(at, 1, char(rng() % 256)); break;
        case 2: s.erase(at, 1 + rng() % 5); break;
        case 3: s[at] = "0123456789 -\n"[rng() % 13]; break;
      }
      if (s.empty()) s.assign(1, 'x');
    }
    check(s);
  }
  // Pure noise.
  for (int round = 0; round < 100; ++round) {
    std::string s(rng() % 3000, '\0');
    for (char& c : s) c = char(rng() % 256);
    check(s);
  }
  EXPECT_GT(loaded, 0);
}

}  // namespace
}  // namespace zarvo
