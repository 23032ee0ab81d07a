// libFuzzer target for the plot file reader and the listing built on it.
#include <cstddef>
#include <cstdint>

#include "dump.h"
#include "plotfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const pltrender::ParseResult r = pltrender::parse(data, size);
  // The reader must never report more than it read, nor fail silently.
  if (!r.ok && r.error.empty()) __builtin_trap();
  if (!r.ok && r.error_offset >= size && size != 0) __builtin_trap();
  std::size_t last = 0;
  for (const pltrender::Command& c : r.commands) {
    if (c.offset >= size || c.offset < last) __builtin_trap();
    last = c.offset;
    (void)pltrender::format_command(c);
  }
  (void)pltrender::summary(r.commands);
  (void)pltrender::split_pages(r.commands);
  return 0;
}
