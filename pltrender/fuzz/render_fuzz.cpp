// libFuzzer target for the plot file reader with rendering.  The first
// byte picks the output (PNG, SVG or PDF; fitted or fixed page), the rest is
// the plot file.  Small pages and few of them keep each run short.  A PNG
// is drawn twice, from the bytes and from the stored commands: the two
// files must be identical.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "plotfile.h"
#include "render.h"

namespace {

const std::string& scratch() {
  static const std::string dir = [] {
    char name[] = "/tmp/pltrender-fuzz-XXXXXX";
    if (mkdtemp(name) == nullptr) std::abort();
    return std::string(name);
  }();
  return dir;
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const char* const kNames[] = {"out.png", "out.svg", "out.pdf"};
  const int format = (data[0] & 3) % 3;
  pltrender::RenderOptions options;
  options.dpi = 20 + (data[0] >> 4);
  options.max_pixels = 1e6;
  options.max_pages = 4;
  options.fit = (data[0] & 4) == 0;
  options.page_width = 4;
  options.page_height = 3;
  options.margin = (data[0] & 8) ? 0 : 0.25;
  const std::string path = scratch() + "/" + kNames[format];
  pltrender::FontSet fonts(scratch(), true);  // no font files there: font 0
  std::string error;
  const bool ok = pltrender::render_bytes(data + 1, size - 1, path, options, fonts, error);
  if (!ok && error.empty()) __builtin_trap();
  if (ok && format == 0) {
    const pltrender::ParseResult parsed = pltrender::parse(data + 1, size - 1);
    if (!parsed.ok) __builtin_trap();
    std::string again;
    const std::string stored = scratch() + "/stored.png";
    if (!pltrender::render_file(parsed.commands, stored, options, fonts, again)) __builtin_trap();
    if (slurp(path) != slurp(stored)) __builtin_trap();
  }
  return 0;
}
