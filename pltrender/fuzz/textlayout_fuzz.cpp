// libFuzzer target for text markup: the library's measurement and the
// renderer's layout of the same text.  Input: a starting font byte, a
// 32-bit size, an orientation byte, then the text.  Font files come from
// FUZZ_FONT_DIR (the converted Hershey fonts) when it exists.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include <zarvo/zarvo.hpp>

#include "textlayout.h"

namespace {

constexpr std::size_t kHeader = 6;         // font, size (4 bytes), orientation
constexpr std::size_t kMaxMeasured = 255;  // the measurement cuts longer texts
constexpr int kMaxCheckedSize = 1000;

pltrender::FontSet& fonts() {
  static pltrender::FontSet set(FUZZ_FONT_DIR, true);
  return set;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Every font the markup can name goes into the library's cache first, so
  // that the measurement finds the same fonts as the layout.
  for (int n = 1; n <= 10; ++n) fonts().get(n);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < kHeader) return 0;
  const int font = data[0] % 12 - 1;  // -1 (unknown name) .. 10
  int32_t text_size;
  std::memcpy(&text_size, data + 1, sizeof text_size);
  const int orient = data[5];
  const std::string text(reinterpret_cast<const char*>(data + kHeader), size - kHeader);

  const pltrender::TextLayout t = pltrender::layout_text(fonts(), text, font, text_size, orient, 0, 0);
  if (t.strokes.size() != t.weights.size()) __builtin_trap();
  const std::string measured = text.substr(0, text.find('\0'));
  const int32_t width = zarvo::text_width(measured.c_str(), font);

  // Without size markup the layout's advance is the measured width times
  // the size, up to the measurement's rounding.
  const bool plain = measured.size() <= kMaxMeasured && measured.find("\\s") == std::string::npos &&
                     measured.find('\x1b') == std::string::npos;
  const double magnitude = std::abs(static_cast<double>(text_size));  // INT32_MIN too
  if (plain && magnitude <= kMaxCheckedSize) {
    const double expected = static_cast<double>(width) * text_size;
    if (std::abs(t.advance - expected) > 0.5 * magnitude + 1e-6) __builtin_trap();
  }
  return 0;
}
