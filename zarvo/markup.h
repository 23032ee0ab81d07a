// Text markup: translation of a marked-up text into an FC list, the
// special-character and font-name tables.
#ifndef ZARVO_MARKUP_H
#define ZARVO_MARKUP_H

#include <cstdint>

namespace zarvo {

// FC list codes beyond the glyph indices 1..511 (FC_UNDEFINED is in font.h).
constexpr int32_t FC_FONT = 512;      // + font number (256: previous; -1: unknown name)
constexpr int32_t FC_UP = 513;        // raise what follows
constexpr int32_t FC_DOWN = 514;      // lower what follows
constexpr int32_t FC_SIZE = 515;      // + size
constexpr int32_t FC_SIZESTEP = 516;  // + signed size step
constexpr int32_t FC_FSTEP = 517;     // + +1 or -1 (ESC F / ESC f)
constexpr int32_t kPreviousFont = 256;

// Translates the NUL-terminated `text` into `list` (room for one element per
// character plus the terminating 0 always suffices) and returns the position
// at which the translation stopped: the text's terminating zero.
const char* translate(const char* text, int32_t* list);

// Glyph index of the two-character special-character name at `name`, or
// FC_UNDEFINED.  Reads exactly two characters.
int32_t special_character(const char* name);

// Font number of the font escape whose letter "f" stands at `position`:
// "f(xy" names xy, "fx" names x padded with a blank; -1 for an unknown name.
int32_t font_change(const char* position);

// Font number of a font name as zfont_ takes it, or -1.
int32_t font_number(const char* name);

}  // namespace zarvo

#endif
