// 16-bit byte writers and the single-byte writer.
#include <cstdio>

#include "writers.h"

namespace zarvo {

namespace {
constexpr int kNoStream = -1;

inline void emit(unsigned byte, std::FILE* stream) {
  putc_unlocked(static_cast<int>(byte & 0xFFu), stream);
}
}  // namespace

int putbyte(int byte, std::FILE* stream) {
  if (stream == nullptr) return kNoStream;
  emit(static_cast<unsigned>(byte), stream);
  return ferror_unlocked(stream);
}

int vputh(int32_t value, std::FILE* stream) {
  if (stream == nullptr) return kNoStream;
  const auto v = static_cast<uint32_t>(value);
  emit(v, stream);
  emit(v >> 8, stream);
  return ferror_unlocked(stream);
}

int sputh(int32_t value, std::FILE* stream) {
  if (stream == nullptr) return kNoStream;
  const auto v = static_cast<uint32_t>(value);
  emit(v >> 8, stream);
  emit(v, stream);
  return ferror_unlocked(stream);
}

}  // namespace zarvo
