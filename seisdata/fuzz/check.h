// What every accepted trace must satisfy, and every refusal: checked by
// the fuzz targets after each read.
#ifndef SEISDATA_FUZZ_CHECK_H
#define SEISDATA_FUZZ_CHECK_H

#include <algorithm>
#include <cmath>

#include "seisdata.h"

namespace seisdata::fuzz {

// A refusal is one line naming the file.
inline void check_error(const std::string& error) {
  if (error.rfind("fuzz: ", 0) != 0 || error.find('\n') != std::string::npos) __builtin_trap();
}

// An accepted trace has finite samples and becomes a record.
inline void check_trace(const Trace& t) {
  if (t.samples.empty()) __builtin_trap();
  for (const float v : t.samples)
    if (!std::isfinite(v)) __builtin_trap();
  const Trace part = slice(t, 0, std::min<std::size_t>(t.samples.size(), 64));
  std::string text, error;
  if (!format_record(part, text, error)) __builtin_trap();
  (void)iso_time(t.start_us);
}

}  // namespace seisdata::fuzz

#endif
