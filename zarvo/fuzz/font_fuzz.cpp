// libFuzzer target: a font file read by getfont, then texts measured in it.
// The input is the whole font file "007"; the font cache is emptied before
// each input so that every input is read afresh.
#include <cstddef>
#include <cstdint>

#include "font.h"
#include "markup.h"
#include "measure.h"
#include "scratch.h"
#include "state.h"

namespace {

constexpr int32_t kFontNumber = 7;
constexpr const char kFontFile[] = "007";

// Every glyph index once, then a size change and a font change back and forth.
void measure_every_glyph() {
  static int32_t list[zarvo::FC_UNDEFINED + 8];
  int32_t* p = list;
  for (int32_t code = 1; code <= zarvo::FC_UNDEFINED; ++code) *p++ = code;
  *p++ = zarvo::FC_SIZESTEP;
  *p++ = 3;
  *p++ = zarvo::FC_FONT;
  *p++ = 0;
  *p++ = zarvo::FC_FONT;
  *p++ = zarvo::kPreviousFont;
  *p++ = 'A';
  *p = 0;
  (void)zarvo::strsize(list, kFontNumber);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const zarvo::fuzz::InScratchDir scratch;
  zarvo::lib.font_list.clear();
  zarvo::lib.font_store.clear();
  zarvo::fuzz::write_file(kFontFile, data, size);

  const zarvo::Font& f = zarvo::getfont(kFontNumber);
  if (zarvo::lib.fontfile != nullptr) __builtin_trap();  // the file must be closed
  // A refused font is read again on every request: measure only fonts read.
  if (&f == &zarvo::font_zero) return 0;
  // A font handed out has a sound header and a glyph in every slot.
  if (f.number != kFontNumber || f.height < 1 || f.height > 1000) __builtin_trap();
  for (const zarvo::Glyph* g : f.glyphs) {
    if (g == nullptr) __builtin_trap();
  }
  measure_every_glyph();
  (void)zarvo::txtsize("Amp \\s20x\\u2\\d \\(*a", kFontNumber);
  return 0;
}
