// Markup translation, the special-character and font-name tables, and the
// font-name lookup of zfont_.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "font.h"
#include "markup.h"

namespace zarvo {
namespace {

const std::string ESC(1, '\x1b');

// Translates `text` from a heap buffer of exactly its size into a list of
// exactly one element per character plus one, so that AddressSanitizer
// sees any read past the terminating zero or any write past the list.
std::vector<int32_t> fc(const std::string& text) {
  const size_t n = std::strlen(text.c_str()) + 1;
  auto buffer = std::make_unique<char[]>(n);
  std::memcpy(buffer.get(), text.c_str(), n);
  auto list = std::make_unique<int32_t[]>(n);
  const char* end = translate(buffer.get(), list.get());
  EXPECT_EQ(end, buffer.get() + n - 1) << "translation stopped before the end";
  std::vector<int32_t> out;
  for (size_t i = 0; i < n;) {
    const int32_t code = list[i++];
    out.push_back(code);
    if (code == 0) break;
    const bool argument = code == FC_FONT || code == FC_SIZE || code == FC_SIZESTEP ||
                          code == FC_FSTEP;
    if (argument && i < n) out.push_back(list[i++]);
  }
  EXPECT_TRUE(!out.empty() && out.back() == 0) << "list not closed within its room";
  return out;
}

using L = std::vector<int32_t>;

TEST(Translate, EmptyText) { EXPECT_EQ(fc(""), (L{0})); }

TEST(Translate, PlainCharactersYieldTheirCodes) {
  EXPECT_EQ(fc("ab 1"), (L{97, 98, 32, 49, 0}));
  EXPECT_EQ(fc("\x80\xff\xa9"), (L{128, 255, 169, 0}));
}

TEST(Translate, Examples) {
  EXPECT_EQ(fc("x\\s+2\\(*a\\s-2"), (L{120, FC_SIZESTEP, 2, 301, FC_SIZESTEP, -2, 0}));
  EXPECT_EQ(fc("\\fBdata\\fP"), (L{FC_FONT, 3, 100, 97, 116, 97, FC_FONT, 256, 0}));
  EXPECT_EQ(fc(ESC + "gp=3"), (L{316, 61, 51, 0}));
}

TEST(Translate, BackslashEscapes) {
  EXPECT_EQ(fc("\\\\\\'\\`\\-"), (L{92, 39, 96, 45, 0}));
  EXPECT_EQ(fc("\\u2\\d"), (L{FC_UP, 50, FC_DOWN, 0}));
  EXPECT_EQ(fc("\\q\\ \\U"), (L{FC_UNDEFINED, FC_UNDEFINED, FC_UNDEFINED, 0}));
}

TEST(Translate, SizeEscapes) {
  EXPECT_EQ(fc("\\s12x"), (L{FC_SIZE, 12, 120, 0}));
  EXPECT_EQ(fc("\\s-1"), (L{FC_SIZESTEP, -1, 0}));
  EXPECT_EQ(fc("\\s 5"), (L{FC_SIZE, 5, 32, 53, 0}));
  EXPECT_EQ(fc("\\sx"), (L{FC_UNDEFINED, 0}));
  EXPECT_EQ(fc("\\sxy"), (L{FC_UNDEFINED, 121, 0}));
  EXPECT_EQ(fc("\\s+x"), (L{FC_UNDEFINED, 0}));
  EXPECT_EQ(fc("\\s0a"), (L{FC_SIZE, 0, 97, 0}));
  // A sign of the conversion's own is read again as text.
  EXPECT_EQ(fc("\\s-+3"), (L{FC_SIZESTEP, -3, 43, 51, 0}));
  EXPECT_EQ(fc("\\s-3"), (L{FC_SIZESTEP, -3, 0}));
  EXPECT_EQ(fc("\\s+-3"), (L{FC_SIZESTEP, -3, 45, 51, 0}));
  EXPECT_EQ(fc("\\s--3"), (L{FC_SIZESTEP, 3, 45, 51, 0}));
  EXPECT_EQ(fc("\\s\t7"), (L{FC_SIZE, 7, 9, 55, 0}));
  // No number after blanks: the one character at the position goes too.
  EXPECT_EQ(fc("\\s  x"), (L{FC_UNDEFINED, 32, 120, 0}));
  // Numbers beyond 32 bits are held at the range's ends.
  EXPECT_EQ(fc("\\s99999999999"), (L{FC_SIZE, INT32_MAX, 0}));
  EXPECT_EQ(fc("\\s-2147483648"), (L{FC_SIZESTEP, -INT32_MAX, 0}));
  EXPECT_EQ(fc("\\s--2147483648"), (L{FC_SIZESTEP, INT32_MAX, 45, 50, 49, 52, 55, 52, 56, 51, 54, 52, 56, 0}));
}

TEST(Translate, FontEscapes) {
  EXPECT_EQ(fc("\\f(BI"), (L{FC_FONT, 4, 0}));
  EXPECT_EQ(fc("\\fX"), (L{FC_FONT, -1, 0}));
  EXPECT_EQ(fc("\\fP"), (L{FC_FONT, 256, 0}));
  EXPECT_EQ(fc("\\fRa\\f(H1b\\f(B c"), (L{FC_FONT, 1, 97, FC_FONT, 20, 98, FC_FONT, 3, 99, 0}));
  EXPECT_EQ(fc("\\f(ZZ"), (L{FC_FONT, -1, 0}));
}

TEST(Translate, SpecialCharacters) {
  EXPECT_EQ(fc("\\(rh"), (L{511, 0}));
  EXPECT_EQ(fc("\\(zz"), (L{511, 0}));
  EXPECT_EQ(fc("\\(ts\\(*o"), (L{315, 315, 0}));
  EXPECT_EQ(fc("\\(*W\\(>=\\(fm"), (L{349, 279, 380, 0}));
}

TEST(Translate, EscEscapes) {
  EXPECT_EQ(fc(ESC + "U" + ESC + "u" + ESC + "D" + ESC + "d"), (L{FC_UP, FC_UP, FC_DOWN, FC_DOWN, 0}));
  EXPECT_EQ(fc(ESC + "b"), (L{8, 0}));
  EXPECT_EQ(fc(ESC + "F" + ESC + "f"), (L{FC_FSTEP, 1, FC_FSTEP, -1, 0}));
  EXPECT_EQ(fc(ESC + "S" + ESC + "s"), (L{FC_SIZESTEP, 1, FC_SIZESTEP, -1, 0}));
  EXPECT_EQ(fc(ESC + "q"), (L{FC_UNDEFINED, 0}));
  EXPECT_EQ(fc(ESC + "gq"), (L{FC_UNDEFINED, 0}));
  EXPECT_EQ(fc(ESC + "x"), (L{FC_UNDEFINED, 0}));
  EXPECT_EQ(fc("a" + ESC), (L{97, 0}));
  for (int i = 0; i < kGreekLetters; ++i) {
    EXPECT_EQ(fc(ESC + "g" + std::string(1, ct[i])), (L{ft[i], 0})) << ct[i];
  }
}

// Every escape cut short by the end of the text: the translation ends at
// the end, yields what came before, and reads nothing past the zero.
TEST(Translate, EscapesCutShortEndTheTranslation) {
  for (const std::string& cut :
       {std::string("\\"), std::string("\\("), std::string("\\(a"), std::string("\\f"),
        std::string("\\f("), std::string("\\f(B"), std::string("\\s"), std::string("\\s+"),
        std::string("\\s-"), ESC, ESC + "g"}) {
    SCOPED_TRACE(cut);
    EXPECT_EQ(fc(cut), (L{0}));
    EXPECT_EQ(fc("ab" + cut), (L{97, 98, 0}));
  }
}

TEST(Translate, RandomTextsStayWithinTheirBuffers) {
  std::mt19937 rng(7);
  const std::string alphabet = "\\\x1b()fs+-ugdbBPI*a1 2\xff";
  for (int round = 0; round < 20000; ++round) {
    std::string s(rng() % 12, ' ');
    for (char& c : s) c = alphabet[rng() % alphabet.size()];
    const std::vector<int32_t> list = fc(s);
    ASSERT_LE(list.size(), s.size() + 1) << s;
    for (int32_t code : list) ASSERT_LE(code, FC_FSTEP);
  }
}

TEST(SpecialCharacter, Table) {
  const char* greek = "abgdezyhiklmncoprstufxqw";
  for (int i = 0; i < 24; ++i) {
    const char lower[2] = {'*', greek[i]};
    const char upper[2] = {'*', char(std::toupper(greek[i]))};
    EXPECT_EQ(special_character(lower), 301 + i) << greek[i];
    EXPECT_EQ(special_character(upper), 326 + i) << greek[i];
  }
  const struct {
    const char* name;
    int32_t glyph;
  } rest[] = {
      {"em", 256}, {"hy", 45},  {"bu", 257}, {"sq", 258}, {"ru", 259}, {"14", 260}, {"12", 261},
      {"34", 262}, {"fi", 264}, {"fl", 265}, {"ff", 263}, {"Fi", 266}, {"Fl", 267}, {"de", 268},
      {"dg", 269}, {"fm", 380}, {"ct", 272}, {"rg", 273}, {"co", 274}, {"pl", 43},  {"mi", 45},
      {"eq", 61},  {"**", 42},  {"sc", 271}, {"aa", 39},  {"ga", 96},  {"ul", 95},  {"sl", 47},
      {"sr", 277}, {"rn", 278}, {">=", 279}, {"<=", 280}, {"==", 281}, {"~=", 282}, {"ap", 283},
      {"!=", 284}, {"->", 360}, {"<-", 361}, {"ua", 362}, {"da", 363}, {"mu", 275}, {"di", 276},
      {"+-", 285}, {"cu", 364}, {"ca", 365}, {"sb", 366}, {"sp", 367}, {"ib", 368}, {"ip", 369},
      {"if", 286}, {"pd", 370}, {"gr", 371}, {"no", 377}, {"is", 372}, {"pt", 373}, {"es", 374},
      {"mo", 375}, {"br", 376}, {"dd", 270}, {"or", 378}, {"ci", 379}, {"rh", 511}, {"lh", 511},
      {"bs", 511}, {"ts", 315},
  };
  EXPECT_EQ(std::size(rest) + 48, 113u);
  for (const auto& r : rest) EXPECT_EQ(special_character(r.name), r.glyph) << r.name;
  EXPECT_EQ(special_character("zz"), FC_UNDEFINED);
  EXPECT_EQ(special_character("*j"), FC_UNDEFINED);
  const char terminator_name[2] = {'\0', '\0'};
  EXPECT_EQ(special_character(terminator_name), FC_UNDEFINED);
}

TEST(FontChange, Names) {
  EXPECT_EQ(font_change("fB"), 3);
  EXPECT_EQ(font_change("f(BI"), 4);
  EXPECT_EQ(font_change("f(B "), 3);
  EXPECT_EQ(font_change("fP"), 256);
  EXPECT_EQ(font_change("fX"), -1);
  EXPECT_EQ(font_change("f(H5"), 24);
  EXPECT_EQ(font_change("f(EG"), 7);
}

TEST(FontNumber, NamesAsZfontTakesThem) {
  EXPECT_EQ(font_number("B"), 3);
  EXPECT_EQ(font_number("B "), 3);
  EXPECT_EQ(font_number("B  "), 3);
  EXPECT_EQ(font_number("BI"), 4);
  EXPECT_EQ(font_number("BIG"), 4);
  EXPECT_EQ(font_number("H1"), 20);
  EXPECT_EQ(font_number("H"), 8);
  EXPECT_EQ(font_number("P"), 256);
  EXPECT_EQ(font_number("R"), 1);
  EXPECT_EQ(font_number("I"), 2);
  EXPECT_EQ(font_number("GG"), 5);
  EXPECT_EQ(font_number("RG"), 6);
  EXPECT_EQ(font_number("C"), 9);
  EXPECT_EQ(font_number("S"), 10);
  EXPECT_EQ(font_number("Q"), -1);
  EXPECT_EQ(font_number(""), -1);
  EXPECT_EQ(font_number(nullptr), -1);
  EXPECT_EQ(font_number("b"), -1);
  // Read from heap buffers of exactly their size.
  for (const char* name : {"", "B", "BI"}) {
    const size_t n = std::strlen(name) + 1;
    auto buffer = std::make_unique<char[]>(n);
    std::memcpy(buffer.get(), name, n);
    font_number(buffer.get());
  }
}

}  // namespace
}  // namespace zarvo
