// libFuzzer target for the miniSEED reader (libmseed's parsing and
// decoding, the trace list, the sample conversion).
#include <cstddef>
#include <cstdint>

#include "check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  std::vector<seisdata::Trace> traces;
  std::vector<std::string> notes;
  std::string error;
  if (seisdata::read_mseed("fuzz", data, size, traces, notes, error)) {
    for (const seisdata::Trace& t : traces) seisdata::fuzz::check_trace(t);
  } else {
    seisdata::fuzz::check_error(error);
  }
  return 0;
}
