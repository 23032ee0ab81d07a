// libFuzzer target for the model reader and the whole layergen run, on a
// memory buffer: the input is the model file.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "model.h"
#include "run.h"

namespace {

// Lines of a written model: the two titles of 72 columns, then rows of 60.
std::size_t checked_lines(const std::string& text) {
  std::size_t lines = 0, start = 0;
  for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1) {
    const std::size_t width = lines < 2 ? layergen::kTitleWidth : layergen::kRowWidth;
    if (nl - start != width) __builtin_trap();
    ++lines;
  }
  if (start != text.size()) __builtin_trap();  // every line ends with a newline
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  std::ostringstream out, out2, err;
  const int status = layergen::processModel(in, out, out2, err, "fuzz.mod");
  if (status != 0 && status != 1) __builtin_trap();
  if (status == 1 && err.str().empty()) __builtin_trap();  // a failure always says why
  // Both outputs hold one line for each line read.
  if (checked_lines(out.str()) != checked_lines(out2.str())) __builtin_trap();
  return 0;
}
