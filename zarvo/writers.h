// Byte writers of the plot file.  Each writes its bytes one at a time into
// the stream's own buffer and returns the stream's error indicator (nonzero
// after a write error).  A missing stream is never written through: the
// writers then write nothing and return -1.
#ifndef ZARVO_WRITERS_H
#define ZARVO_WRITERS_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace zarvo {

// One byte: a command letter, a text byte or a text's terminating zero.
int putbyte(int byte, std::FILE* stream);
// `count` bytes at once, in order: whole commands gathered by the caller.
int putbytes(const uint8_t* bytes, size_t count, std::FILE* stream);
// Low 16 bits, low byte first, into out[0] and out[1]: the layout of vputh,
// for callers that gather commands before writing them.
inline void encode_h(int32_t value, uint8_t* out) {
  const auto v = static_cast<uint32_t>(value);
  out[0] = static_cast<uint8_t>(v & 0xFFu);
  out[1] = static_cast<uint8_t>((v >> 8) & 0xFFu);
}
// Low 16 bits, low byte first: every 16-bit operand of the plot file.
int vputh(int32_t value, std::FILE* stream);
// All 32 bits, low byte first: the text attribute word.
int vputw(int32_t value, std::FILE* stream);
// Low 16 bits, high byte first (not used for the plot file).
int sputh(int32_t value, std::FILE* stream);
// All 32 bits, high byte first (not used for the plot file).
int sputw(int32_t value, std::FILE* stream);

// Flushes the plot file; true when everything written so far reached the
// file (or no plot file is open).  The file itself stays open.
bool plotfile_flush_ok();

}  // namespace zarvo

#endif
