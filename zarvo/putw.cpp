// 32-bit byte writers, built on the 16-bit ones, and the plot file's flush
// check.
#include <cstdio>

#include "state.h"
#include "writers.h"

namespace zarvo {

int vputw(int32_t value, std::FILE* stream) {
  const auto v = static_cast<uint32_t>(value);
  vputh(static_cast<int32_t>(v & 0xFFFFu), stream);
  return vputh(static_cast<int32_t>(v >> 16), stream);
}

int sputw(int32_t value, std::FILE* stream) {
  const auto v = static_cast<uint32_t>(value);
  sputh(static_cast<int32_t>(v >> 16), stream);
  return sputh(static_cast<int32_t>(v & 0xFFFFu), stream);
}

bool plotfile_flush_ok() {
  if (lib.plotfile == nullptr) return true;
  const bool flushed = std::fflush(lib.plotfile) == 0;
  return flushed && std::ferror(lib.plotfile) == 0;
}

}  // namespace zarvo
