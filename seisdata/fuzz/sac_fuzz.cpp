// libFuzzer target for the SAC reader.
#include <cstddef>
#include <cstdint>

#include "check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  seisdata::Trace trace;
  std::string error;
  if (seisdata::read_sac("fuzz", data, size, trace, error))
    seisdata::fuzz::check_trace(trace);
  else
    seisdata::fuzz::check_error(error);
  return 0;
}
