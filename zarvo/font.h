// Stroke fonts: the Font and Glyph records, the built-in font 0 and the
// font cache.  getfont never fails: any trouble yields font 0.
#ifndef ZARVO_FONT_H
#define ZARVO_FONT_H

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

namespace zarvo {

constexpr int kGlyphSlots = 512;       // glyph indices 0..511
constexpr int32_t FC_UNDEFINED = 511;  // glyph for anything without one

// A vertex pair of a font-file glyph, each value the character code minus
// 'R'; the pen-lift pair (" R") is stored as (-50, 0).
struct StrokePair {
  int16_t x;
  int16_t y;
};

struct Glyph {
  int16_t left = 0;   // left extent, glyph units
  int16_t right = 0;  // right extent; the advance is right - left
  // Built-in font 0 only: descender flag (stored two grid units up) and the
  // glyph's first stroke byte.  Stroke byte: bit 7 pen up, bits 6-4 x,
  // bit 3 last byte of the glyph, bits 2-0 y; the pen starts at (0,0).
  int16_t descends = 0;
  const uint8_t* strokes = nullptr;
  // Font-file glyphs only: the vertex pairs after the extents pair.
  std::vector<StrokePair> pairs;
};

struct Font {
  int32_t number = 0;       // the font number; the cache key
  int32_t height = 0;       // nominal character height, glyph units
  int32_t extra = 0;        // second header value; unused
  float width_scale = 0.0f; // factor applied to every glyph advance
  std::array<const Glyph*, kGlyphSlots> glyphs{};
  std::vector<std::unique_ptr<Glyph>> owned;  // the glyphs read for it
};

// The library's name in messages.
inline constexpr char progname[] = "ZARVO";

// Text put in front of every font file name (the build setting
// FONTFILE_PREFIX; empty: the working directory).
extern const char* const file_prefix;

constexpr int kMaxPairs = 176;  // pairs of a font-file entry, extents included

// The font for `number`: from the cache, built (font 0) or read from its
// font file; font 0 on any failure, with a message.
const Font& getfont(int32_t number);

// Reads a `width`-character field (at most 7) from `stream`, skipping line
// feeds, which do not count; returns its value as atoi reads it (a field
// without digits is 0), or -1 if the stream ends before the field is full.
int scanint(int width, std::FILE* stream);

// Closes the font file being read, if any; then, if `message` is given,
// writes it to the standard error stream as "ZARVO:  message".
void cleanup(const char* message);

// ---- The built-in font 0 (font0.cpp) ----

// The blank glyph: extents -3 and 3, no strokes.
extern const Glyph dummy;
// Font 0: height 10, width_scale 1.0; every slot refers to dummy until
// build_font_zero has run.
extern Font font_zero;
// The built-in glyph records, one per glyph index.
extern Glyph f0c[kGlyphSlots];

// Stroke tables: entry (code - 32) holds the offset of the glyph's first
// stroke byte in bits 0-9 and the descender flag in bit 10; 0 means no glyph.
constexpr uint32_t kStrokeOffsetMask = 0x3FF;
constexpr uint32_t kDescenderBit = 0x400;
extern const std::array<uint32_t, 96> asciiadd;
extern const std::array<uint8_t, 630> asciivec;
extern const std::array<uint32_t, 96> greekadd;
extern const std::array<uint8_t, 298> greekvec;

// The 29 ESC g letters and the glyph index each one's glyph takes.
constexpr int kGreekLetters = 29;
extern const char ct[kGreekLetters + 1];
extern const std::array<int32_t, kGreekLetters> ft;

// Fills f0c and points the slots of font_zero at it; later calls do nothing.
void build_font_zero();

}  // namespace zarvo

#endif
