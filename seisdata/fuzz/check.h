// What every accepted trace must satisfy, and every refusal: checked by
// the fuzz targets after each read.
#ifndef SEISDATA_FUZZ_CHECK_H
#define SEISDATA_FUZZ_CHECK_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <string>

#include "seisdata.h"

namespace seisdata::fuzz {

// A refusal is one line naming the file.
inline void check_error(const std::string& error) {
  if (error.rfind("fuzz: ", 0) != 0 || error.find('\n') != std::string::npos) __builtin_trap();
}

// A time is written as a real date: YYYY-MM-DDTHH:MM:SS.uuuuuuZ with a
// four-digit year from 0001.
inline void check_time(std::int64_t us) {
  const std::string s = iso_time(us);
  if (s.size() != 27 || s[4] != '-' || s[7] != '-' || s[10] != 'T' || s[26] != 'Z' || s.rfind("0000", 0) == 0)
    __builtin_trap();
  for (const std::size_t digit : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18, 20, 21, 22, 23, 24, 25})
    if (s[digit] < '0' || s[digit] > '9') __builtin_trap();
}

// A default record name is visible and safe: it starts with a letter, digit
// or '_' and holds no '/' or control character.
inline void check_name(const std::string& name) {
  const char first = name.empty() ? '.' : name[0];
  if (!(std::isalnum(static_cast<unsigned char>(first)) || first == '_')) __builtin_trap();
  for (const char c : name)
    if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7f) __builtin_trap();
}

// An accepted trace has finite samples and becomes a record; its parts,
// from any sample, start no earlier than it does and at real dates.
inline void check_trace(const Trace& t) {
  if (t.samples.empty()) __builtin_trap();
  for (const float v : t.samples)
    if (!std::isfinite(v)) __builtin_trap();
  const Trace part = slice(t, 0, std::min<std::size_t>(t.samples.size(), 64));
  std::string text, error;
  if (!format_record(part, text, error)) __builtin_trap();
  check_time(t.start_us);
  check_name(record_name(t, 0));
  check_name(record_name(t, 2));
  for (const std::size_t first : {t.samples.size() / 2, t.samples.size() - 1}) {
    const Trace tail = slice(t, first, 1);
    if (tail.start_us < t.start_us) __builtin_trap();
    check_time(tail.start_us);
  }
}

}  // namespace seisdata::fuzz

#endif
