// The text-info record, text commands and labels.
#ifndef ZARVO_LABELS_H
#define ZARVO_LABELS_H

#include <cstdint>

#include "state.h"

namespace zarvo {

// Accessor codes of the text-info record.
constexpr int kInfoAll = 0;     // gettxtinfo: all three fields
constexpr int kInfoSize = 1;
constexpr int kInfoFont = 2;
constexpr int kInfoOrient = 3;
constexpr int kInfoHeight = 4;  // gettxtinfo: the font's nominal height

constexpr int kMaxLabel = 120;  // characters of a label, axis title or text
constexpr int kFormBuffer = 32; // room for a "%g" number

// Sets one field; a size above 31 or a font above 255 is stored as 0.  An
// invalid code is an internal error: message and exit status 1.
void settxtinfo(TextInfo& record, int code, int32_t value);
// Reads one field, all three (code 0) or the font's height (code 4).
void gettxtinfo(const TextInfo& record, int code, int32_t* out);

// Sets the record's font and size from a text setting, font * 1000 + size
// (para(11)); truncated toward zero, each part by the setter's limits.
void set_text_setting(TextInfo& record, float setting);

// Moves to (x, y) and writes the text command for the n bytes of text.
void pltext(int32_t x, int32_t y, const TextInfo& record, const char* text, int32_t n);

// Length of a label: its first zero byte within 120 bytes, else 120.
void adjust(const char* label, int32_t* n);

// The value, narrowed to single precision, as "%g" text and its length
// (one less when the text ends in '.').  buffer holds kFormBuffer bytes.
void form(double value, char* buffer, int32_t* n);

// The bodies of zlabel_ (anchor in inches from the frame corner) and
// plabel_ (anchor in data coordinates).
int32_t zlabel(float x, float y, const char* label, const float* para);
int32_t plabel(float x, float y, const char* label, const float* para);

}  // namespace zarvo

#endif
