// Text measurement: the width of a marked-up text, in glyph units at the
// starting font's nominal height.
#include "measure.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "font.h"
#include "markup.h"

namespace zarvo {

namespace {

// The 32-bit integer sum with two's-complement wrap-around: no overflow
// trap for absurd size steps.
int32_t wrapping_add(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

}  // namespace

int32_t txtsize(const char* text, int32_t font) {
  // Fixed storage: a text of at most 255 characters, one list element per
  // character plus the terminating 0.
  static char copy[kMaxMeasuredText + 1];
  static int32_t list[kMaxMeasuredText + 1];
  if (text == nullptr) text = "";
  if (std::strlen(text) > static_cast<size_t>(kMaxMeasuredText)) {
    std::fprintf(stderr, "%s: Warning -- string too long, truncated.\n", progname);
    std::memcpy(copy, text, kMaxMeasuredText);
    copy[kMaxMeasuredText] = '\0';
    text = copy;
  }
  translate(text, list);
  return strsize(list, font);
}

int32_t strsize(const int32_t* list, int32_t font) {
  const Font* current = &getfont(font);
  const Font* previous = current;
  float width = 0.0f;
  float factor = 1.0f;
  int32_t steps = 0;
  for (const int32_t* p = list; *p != 0; ++p) {
    const int32_t code = *p;
    if (code >= 1 && code <= FC_UNDEFINED) {
      const Glyph* g = current->glyphs[static_cast<size_t>(code)];
      if (g == nullptr) g = &dummy;  // never for a font getfont hands out
      width = width + (current->width_scale * factor) *
                          static_cast<float>(g->right - g->left);
      continue;
    }
    switch (code) {
      case FC_FONT: {
        const int32_t n = *++p;
        if (n <= 10) {
          previous = current;
          current = &getfont(n);
        } else {
          // 256 and every other number above 10 (also "H1".."H5") return
          // to the previous font.
          std::swap(current, previous);
        }
        break;
      }
      case FC_UP:
      case FC_DOWN:
        break;
      case FC_SIZE:
        factor = static_cast<float>(*++p) / static_cast<float>(current->height);
        steps = 0;
        break;
      case FC_SIZESTEP:
        steps = wrapping_add(steps, *++p);
        factor = static_cast<float>(wrapping_add(steps, current->height)) /
                 static_cast<float>(current->height);
        break;
      case FC_FSTEP:
        ++p;
        break;
      default:
        // Above 517, or negative: translate makes neither.
        std::fprintf(stderr, "%s: Internal error - unrecognized FC %d, giving up.\n", progname,
                     code);
        std::exit(1);
    }
  }
  const double rounded = static_cast<double>(width) + 0.5;
  // Absurd sizes can overflow the float sum; hold the result in range.
  if (!(rounded == rounded)) return 0;
  if (rounded >= 2147483647.0) return INT32_MAX;
  if (rounded <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(rounded);
}

}  // namespace zarvo
