// libFuzzer target: a marked-up text translated, measured in every starting
// font from -1 to 3 (fonts 1 and 2 are small font files, the others fall
// back to font 0) and looked up as a font name.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "markup.h"
#include "measure.h"
#include "scratch.h"

namespace {

// Two fonts of different heights and width scales; glyph 511 fills the rest.
constexpr const char kFontOne[] =
    "21 9 1.0\n"
    "   65  3IZRFI[\n"
    "   97  1MW\n"
    "  511  1LX\n";
constexpr const char kFontTwo[] =
    "10 0 0.5\n"
    "   66  1PT\n"
    "  301  1JZ\n"
    "  511  1MW\n";

void write_font(const char* name, const char* content) {
  zarvo::fuzz::write_file(name, reinterpret_cast<const uint8_t*>(content), std::strlen(content));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const zarvo::fuzz::InScratchDir scratch;
  write_font("001", kFontOne);
  write_font("002", kFontTwo);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  // The text ends at the first zero byte, as every caller's text does.
  const std::string text(reinterpret_cast<const char*>(data), size);
  const char* s = text.c_str();
  const zarvo::fuzz::InScratchDir scratch;

  // Room for one element per character plus the terminating 0, exactly.
  std::vector<int32_t> list(std::strlen(s) + 1);
  const char* end = zarvo::translate(s, list.data());
  if (end != s + std::strlen(s)) __builtin_trap();
  (void)zarvo::strsize(list.data(), 1);

  for (int32_t font = -1; font <= 3; ++font) (void)zarvo::txtsize(s, font);
  (void)zarvo::font_number(s);
  return 0;
}
