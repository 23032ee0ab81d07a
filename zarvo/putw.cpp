// 32-bit byte writers and the plot file's final flush check.
#include <cstdio>

#include "state.h"
#include "writers.h"

namespace zarvo {

namespace {
constexpr int kNoStream = -1;

inline void emit(unsigned byte, std::FILE* stream) {
  putc_unlocked(static_cast<int>(byte & 0xFFu), stream);
}
}  // namespace

int vputw(int32_t value, std::FILE* stream) {
  if (stream == nullptr) return kNoStream;
  const auto v = static_cast<uint32_t>(value);
  emit(v, stream);
  emit(v >> 8, stream);
  emit(v >> 16, stream);
  emit(v >> 24, stream);
  return ferror_unlocked(stream);
}

int sputw(int32_t value, std::FILE* stream) {
  if (stream == nullptr) return kNoStream;
  const auto v = static_cast<uint32_t>(value);
  emit(v >> 24, stream);
  emit(v >> 16, stream);
  emit(v >> 8, stream);
  emit(v, stream);
  return ferror_unlocked(stream);
}

bool plotfile_flush_ok() {
  if (lib.plotfile == nullptr) return true;
  const bool flushed = std::fflush(lib.plotfile) == 0;
  return flushed && std::ferror(lib.plotfile) == 0;
}

}  // namespace zarvo
