// libFuzzer target for the plot file reader and the listing built on it;
// the command-at-a-time reading is checked against the stored commands.
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
  // The one-at-a-time reading agrees with the stored commands.
  const std::string stored = pltrender::summary(r.commands);
  pltrender::CommandReader reader(data, 0, size);
  pltrender::Summary streamed;
  pltrender::Command c;
  while (reader.next(c)) streamed.add(c);
  if (size != 0 && (reader.ok() != r.ok || reader.error() != r.error)) __builtin_trap();
  if (streamed.text(reader.position()) != stored) __builtin_trap();
  const pltrender::PlotScan s = pltrender::scan(data, size, SIZE_MAX);
  if (s.ok != r.ok || s.error != r.error) __builtin_trap();
  if (s.ok && s.pages.size() != pltrender::split_pages(r.commands).size()) __builtin_trap();
  return 0;
}
