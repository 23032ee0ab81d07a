// The built-in font 0: its glyph shapes, the stroke tables made from them,
// and the building of the font record.
//
// Each glyph is written below as a pen path in an 8 by 8 grid: a token "xy"
// draws a line to the point (x, y), a token "mxy" moves there with the pen
// up; the pen stands at (0,0) when a glyph begins.  The stroke tables are
// made from these paths at compile time, one byte per token (bit 7 pen up,
// bits 6-4 x, bits 2-0 y, bit 3 set on the glyph's last byte).
//
// Capitals and digits stand in x 0..4, y 0..6; the body of lower case in
// y 0..4 with ascenders to 6.  Descenders (flag set) are stored two units
// higher than they stand: their baseline is y 2 and their tails reach y 0.
#include <array>
#include <cstdint>

#include "font.h"
#include "state.h"

namespace zarvo {

namespace {

struct GlyphPath {
  char code;       // character code, 32..127
  bool descends;   // stored two units up
  const char* path;
};

// clang-format off
constexpr GlyphPath kAsciiPaths[] = {
  {'!', false, "m26 22 m21 20"},
  {'"', false, "m16 14 m36 34"},
  {'#', false, "m10 16 m30 36 m02 42 m04 44"},
  {'$', false, "m44 35 15 04 13 33 42 31 11 02 m26 20"},
  {'%', false, "46 m05 06 16 15 05 m31 41 40 30 31"},
  {'&', false, "m40 14 15 26 35 34 02 01 10 20 42"},
  {'\'', false, "m26 24"},
  {'(', false, "m36 24 22 30"},
  {')', false, "m16 24 22 10"},
  {'*', false, "m22 26 m03 45 m05 43"},
  {'+', false, "m21 25 m03 43"},
  {',', true,  "m23 22 10"},                  // tail below the baseline
  {'-', false, "m03 43"},
  {'.', false, "m20 21"},
  {'/', false, "46"},
  {'0', false, "m10 01 05 16 36 45 41 30 10"},
  {'1', false, "m15 26 20 m10 30"},
  {'2', false, "m05 16 36 45 44 00 40"},
  {'3', false, "m06 46 23 33 42 41 30 10 01"},
  {'4', false, "m30 36 02 42"},
  {'5', false, "m46 06 04 34 43 41 30 10 01"},
  {'6', false, "m45 36 16 05 01 10 30 41 42 33 03"},
  {'7', false, "m06 46 10"},
  {'8', false, "m13 04 05 16 36 45 44 33 13 02 01 10 30 41 42 33"},
  {'9', false, "m01 10 30 41 45 36 16 05 04 13 43"},
  {':', false, "m20 21 m23 24"},
  {';', true,  "m25 26 m23 22 10"},           // dots at 1 and 4 above the baseline
  {'<', false, "m45 03 41"},
  {'=', false, "m02 42 m04 44"},
  {'>', false, "m05 43 01"},
  {'?', false, "m05 16 36 45 44 23 22 m21 20"},
  {'@', false, "m30 10 01 05 16 36 45 42 22 24 44"},
  {'A', false, "04 26 44 40 m02 42"},
  {'B', false, "06 36 45 44 33 42 41 30 00 m03 33"},
  {'C', false, "m45 36 16 05 01 10 30 41"},
  {'D', false, "06 36 45 41 30 00"},
  {'E', false, "m40 00 06 46 m03 33"},
  {'F', false, "06 46 m03 33"},
  {'G', false, "m45 36 16 05 01 10 30 41 43 23"},
  {'H', false, "06 m03 43 m46 40"},
  {'I', false, "m10 30 m20 26 m16 36"},
  {'J', false, "m01 10 30 41 46 26"},
  {'K', false, "06 m46 02 m13 40"},
  {'L', false, "m06 00 40"},
  {'M', false, "06 23 46 40"},
  {'N', false, "06 40 46"},
  {'O', false, "m10 02 04 16 36 44 42 30 10"},
  {'P', false, "06 36 45 44 33 03"},
  {'Q', false, "m10 02 04 16 36 44 42 30 10 m22 40"},
  {'R', false, "06 36 45 44 33 03 m23 40"},
  {'S', false, "m45 36 16 05 04 13 33 42 41 30 10 01"},
  {'T', false, "m06 46 m26 20"},
  {'U', false, "m06 01 10 30 41 46"},
  {'V', false, "m06 20 46"},
  {'W', false, "m06 10 23 30 46"},
  {'X', false, "46 m06 40"},
  {'Y', false, "m06 23 46 m23 20"},
  {'Z', false, "m06 46 00 40"},
  {'[', false, "m36 26 20 30"},
  {'\\', false, "m06 40"},
  {']', false, "m16 26 20 10"},
  {'^', false, "m04 26 44"},
  {'_', true,  "m01 41"},                     // one unit below the baseline
  {'`', false, "m16 25"},
  {'a', false, "m14 34 43 40 10 01 12 42"},
  {'b', false, "06 m04 34 43 41 30 00"},
  {'c', false, "m44 14 03 01 10 40"},
  {'d', false, "m46 40 10 01 03 14 44"},
  {'e', false, "m02 42 43 34 14 03 01 10 40"},
  {'f', false, "m20 25 36 46 m14 34"},
  {'g', true,  "m01 10 30 41 46 m45 36 16 05 03 12 32 43"},
  {'h', false, "06 m04 34 43 40"},
  {'i', false, "m20 24 m25 26"},
  {'j', true,  "m36 31 20 10 01 m37 37"},    // the dot is a single point
  {'k', false, "06 m34 01 m12 30"},
  {'l', false, "m16 26 21 30 40"},
  {'m', false, "04 m03 14 23 20 m23 34 43 40"},
  {'n', false, "04 m03 14 34 43 40"},
  {'o', false, "m10 01 03 14 34 43 41 30 10"},
  {'p', true,  "m00 06 36 45 43 32 02"},
  {'q', true,  "m40 46 16 05 03 12 42"},
  {'r', false, "04 m03 14 34 43"},
  {'s', false, "m44 14 03 12 32 41 30 00"},
  {'t', false, "m16 11 20 30 41 m04 34"},
  {'u', false, "m04 01 10 30 41 m44 40"},
  {'v', false, "m04 20 44"},
  {'w', false, "m04 10 22 30 44"},
  {'x', false, "44 m04 40"},
  {'y', true,  "m06 22 m46 10"},
  {'z', false, "m04 44 00 40"},
  {'{', false, "m36 26 15 14 03 12 11 20 30"},
  {'|', false, "m26 20"},
  {'}', false, "m16 26 35 34 43 32 31 20 10"},
  {'~', false, "m04 15 33 44"},
};

// Greek glyphs, keyed by their ESC g letter; the glyph index each one takes
// is in ft.  The glyph drawn for a letter is the one its glyph index names
// in the special-character table ("o" takes 308, theta; "h" 307, eta;
// "y" 322, chi; "c", "C" and "I" the partial sign, nabla and integral).
constexpr GlyphPath kGreekPaths[] = {
  {'a', false, "m44 31 20 10 01 03 14 24 33 40"},            // alpha
  {'b', true,  "m00 06 17 37 46 35 15 m35 44 43 32 12 03"},  // beta, top at 5
  {'c', false, "m05 16 36 45 41 30 10 01 02 13 43"},         // partial sign
  {'C', false, "m06 46 20 06"},                              // nabla
  {'d', false, "m46 16 15 34 43 41 30 10 01 03 14 34"},      // delta
  {'D', false, "26 40 00"},                                  // Delta
  {'e', false, "m44 14 03 12 01 10 40 m12 32"},              // epsilon
  {'f', true,  "m20 27 m16 05 03 12 32 43 45 36 16"},        // phi
  {'F', false, "m20 26 m15 04 02 11 31 42 44 35 15"},        // Phi
  {'g', false, "m04 14 22 20 m44 22"},                       // gamma
  {'G', false, "06 46 45"},                                  // Gamma
  {'h', false, "m03 14 10 m13 24 34 43 40"},                 // eta
  {'I', false, "10 21 26 37 47"},                            // integral
  {'l', false, "m06 16 40 m00 24"},                          // lambda
  {'L', false, "26 40"},                                     // Lambda
  {'m', true,  "06 m03 12 32 43 m46 42"},                    // mu
  {'n', false, "m04 14 20 43 44"},                           // nu
  {'o', false, "m10 01 05 16 26 35 31 20 10 m03 33"},        // theta
  {'O', false, "m10 01 05 16 36 45 41 30 10 m13 33"},        // Theta
  {'p', false, "m04 44 m14 10 m34 31 40"},                   // pi
  {'P', false, "06 46 40"},                                  // Pi
  {'r', true,  "05 16 36 45 43 32 12 03"},                   // rho
  {'s', false, "m44 14 03 01 10 20 31 33 24"},               // sigma
  {'S', false, "m45 46 06 23 00 40 41"},                     // Sigma
  {'t', false, "m04 44 m24 21 30"},                          // tau
  {'w', false, "m14 03 01 10 21 30 41 43 34 m21 22"},        // omega
  {'W', false, "10 11 02 05 16 36 45 42 31 30 40"},          // Omega
  {'y', false, "m04 14 30 40 m44 00"},                       // chi
  {'Y', false, "46 m06 40"},                                 // Chi
  {'}', false, "m04 03 12 32 43 44 m26 20"},                 // psi
  {'~', false, "m16 36 03 01 10 30 41 32"},                  // zeta
};
// clang-format on

template <size_t N>
struct StrokeTable {
  std::array<uint8_t, N> vec{};
  std::array<uint32_t, 96> add{};
  size_t used = 0;
};

// Makes the stroke bytes and the entries of a table from glyph paths.  Any
// mistake in a path stops the compilation (a throw in a constant expression).
template <size_t N, size_t M>
constexpr StrokeTable<N> make_table(const GlyphPath (&paths)[M]) {
  StrokeTable<N> t;
  // Offset 0 would make an entry of 0, which means "no glyph": it holds an
  // empty glyph (a move to the origin) that nothing refers to.
  t.vec[t.used++] = 0x88;
  for (const GlyphPath& g : paths) {
    if (g.code < 32 || g.code > 127) throw "character code out of range";
    const size_t slot = static_cast<size_t>(g.code - 32);
    if (t.add[slot] != 0) throw "glyph defined twice";
    const size_t first = t.used;
    if (first > kStrokeOffsetMask) throw "offset beyond 10 bits";
    size_t last = N;
    for (const char* p = g.path; *p != '\0';) {
      if (*p == ' ') {
        ++p;
        continue;
      }
      uint8_t byte = 0;
      if (*p == 'm') {
        byte = 0x80;
        ++p;
      }
      if (p[0] < '0' || p[0] > '7' || p[1] < '0' || p[1] > '7') throw "bad point";
      if (p[2] != ' ' && p[2] != '\0') throw "point not followed by a blank";
      byte |= static_cast<uint8_t>(((p[0] - '0') << 4) | (p[1] - '0'));
      p += 2;
      if (t.used >= N) throw "stroke table too small";
      last = t.used;
      t.vec[t.used++] = byte;
    }
    if (last == N) throw "empty glyph";
    t.vec[last] |= 0x08;
    t.add[slot] = static_cast<uint32_t>(first) | (g.descends ? kDescenderBit : 0);
  }
  return t;
}

constexpr auto kAscii = make_table<630>(kAsciiPaths);
constexpr auto kGreek = make_table<298>(kGreekPaths);

}  // namespace

// The tables keep their declared sizes; the bytes past the last glyph are 0.
constexpr std::array<uint32_t, 96> asciiadd = kAscii.add;
constexpr std::array<uint8_t, 630> asciivec = kAscii.vec;
constexpr std::array<uint32_t, 96> greekadd = kGreek.add;
constexpr std::array<uint8_t, 298> greekvec = kGreek.vec;

const char ct[kGreekLetters + 1] = "abcCdDefFgGhIlLmnoOpPrsStwWyY";
const std::array<int32_t, kGreekLetters> ft = {
    301, 302, 370, 371, 304, 329, 305, 321, 346, 303, 328, 307, 372, 311, 336,
    312, 313, 308, 333, 316, 341, 317, 318, 343, 319, 324, 349, 322, 347};

const Glyph dummy{-3, 3, 0, nullptr, {}};

namespace {
Font make_font_zero() {
  Font f;
  f.number = 0;
  f.height = 10;
  f.extra = 0;
  f.width_scale = 1.0f;
  f.glyphs.fill(&dummy);
  return f;
}
}  // namespace

// Defined after dummy in this file, so dummy's address is set when this
// initialiser runs.
Font font_zero = make_font_zero();
Glyph f0c[kGlyphSlots];

void build_font_zero() {
  if (lib.font_zero_built) return;
  for (int code = 32; code < 128; ++code) {
    const uint32_t entry = asciiadd[code - 32];
    if (entry == 0) continue;
    Glyph& g = f0c[code];
    g.left = dummy.left;
    g.right = dummy.right;
    g.descends = (entry & kDescenderBit) != 0 ? 1 : 0;
    g.strokes = asciivec.data() + (entry & kStrokeOffsetMask);
    font_zero.glyphs[code] = &g;
  }
  for (int i = 0; i < kGreekLetters; ++i) {
    const int32_t k = ft[i];
    const uint32_t entry = greekadd[static_cast<unsigned char>(ct[i]) - 32];
    Glyph& g = f0c[k];
    g.left = dummy.left;
    g.right = dummy.right;
    g.descends = (entry & kDescenderBit) != 0 ? 1 : 0;
    g.strokes = greekvec.data() + (entry & kStrokeOffsetMask);
    font_zero.glyphs[k] = &g;
  }
  lib.font_zero_built = true;
}

static_assert(kAscii.used <= 630 && kGreek.used <= 298);

}  // namespace zarvo
