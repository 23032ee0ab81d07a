// Byte writers of the plot file.  Each writes its bytes one at a time into
// the stream's own buffer and returns the stream's error indicator (nonzero
// after a write error).  A missing stream is never written through: the
// writers then write nothing and return -1.
#ifndef ZARVO_WRITERS_H
#define ZARVO_WRITERS_H

#include <cstdint>
#include <cstdio>

namespace zarvo {

// One byte: a command letter, a text byte or a text's terminating zero.
int putbyte(int byte, std::FILE* stream);
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
