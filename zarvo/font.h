// Stroke fonts: the Font and Glyph records, the built-in font 0 and the
// font cache.  getfont never fails: any trouble yields font 0.
#ifndef ZARVO_FONT_H
#define ZARVO_FONT_H

#include <array>
#include <cstdint>
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

// The font for `number`: from the cache, built (font 0) or read from its
// font file; font 0 on any failure, with a message.
const Font& getfont(int32_t number);

}  // namespace zarvo

#endif
