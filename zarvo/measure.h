// Text measurement: widths of marked-up texts in a font's glyph units.
#ifndef ZARVO_MEASURE_H
#define ZARVO_MEASURE_H

#include <cstdint>

namespace zarvo {

constexpr int kMaxMeasuredText = 255;  // longer texts are cut, with a warning

// Width of the marked-up `text` starting in `font`, at the font's nominal
// height.  Multiplied by a text size it gives plot units.
int32_t txtsize(const char* text, int32_t font);

// Width of an FC list starting in `font`.
int32_t strsize(const int32_t* list, int32_t font);

}  // namespace zarvo

#endif
