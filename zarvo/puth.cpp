// 16-bit byte writers, the single-byte writer and the block writer.
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

int putbytes(const uint8_t* bytes, size_t count, std::FILE* stream) {
  if (stream == nullptr) return kNoStream;
  fwrite_unlocked(bytes, 1, count, stream);
  return ferror_unlocked(stream);
}

int vputh(int32_t value, std::FILE* stream) {
  if (stream == nullptr) return kNoStream;
  uint8_t le[2];
  encode_h(value, le);
  emit(le[0], stream);
  emit(le[1], stream);
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
