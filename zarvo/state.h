// The library-wide state of zarvo, all in one place.  It lives from program
// start to process end; nothing here is locked, since a program draws one
// plot file at a time from one thread.
#ifndef ZARVO_STATE_H
#define ZARVO_STATE_H

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "font.h"

namespace zarvo {

// Text-info record: size, font and orientation in quarter turns.
struct TextInfo {
  int32_t size = 0;
  int32_t font = 0;
  int32_t orient = 0;
};

constexpr int kPlotNameMax = 80;  // characters of a plot file name

struct LibraryState {
  std::FILE* plotfile = nullptr;                // open plot file, never closed
  char plotfile_name[kPlotNameMax + 1] = "pltfil";
  int16_t origin_offset = 0;                    // text size of the last graph set-up
  TextInfo txtinfo;                             // current text-info record
  int16_t fatsave = 0;                          // pen thickness last written
  std::vector<const Font*> font_list;           // font cache, in order of making
  std::vector<std::unique_ptr<Font>> font_store;  // owns the loaded fonts of font_list
  std::FILE* fontfile = nullptr;                // font file being read, if any
  bool font_zero_built = false;                 // f0c filled, font_zero's slots set
};

extern LibraryState lib;

}  // namespace zarvo

#endif
