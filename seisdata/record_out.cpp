// Records for tracel: three header lines, the count line and the samples,
// five 16-column fields to a line, each the shortest decimal that reads
// back as the same float.
#include <charconv>
#include <cstdio>

#include "internal.h"
#include "seisdata.h"

namespace seisdata {

namespace {

// Shortest round-trip digits in one notation, with a decimal point always
// (a field without one would be read with five implied decimals) and an
// upper-case exponent.
std::string with_point(float v, std::chars_format notation) {
  char digits[64];
  const auto r = std::to_chars(digits, digits + sizeof digits, v, notation);
  std::string text(digits, r.ptr);
  const std::size_t e = text.find('e');
  std::string mantissa = text.substr(0, e);
  if (mantissa.find('.') == std::string::npos) mantissa += ".0";
  return e == std::string::npos ? mantissa : mantissa + "E" + text.substr(e + 1);
}

std::string shortest(double v) {
  char digits[64];
  const auto r = std::to_chars(digits, digits + sizeof digits, v);
  return std::string(digits, r.ptr);
}

std::string base_name(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

void right_aligned(std::string& out, const std::string& field, int width) {
  out.append(static_cast<std::size_t>(width) - field.size(), ' ');
  out += field;
}

// A code as part of a file name: letters, digits and '_' kept, anything
// else '_'.  No '-' is kept, so the "-N" of a numbered name never comes
// from a code, and no '.', so a name never starts with one.
std::string safe_code(const std::string& code) {
  std::string out = code;
  for (char& c : out)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) c = '_';
  return out;
}

// Header text on one line: control characters (a newline in a file name)
// become '?'.
std::string header_text(std::string text) {
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  return text;
}

}  // namespace

std::string format_float(float v) {
  const std::string fixed = with_point(v, std::chars_format::fixed);
  const std::string scientific = with_point(v, std::chars_format::scientific);
  return fixed.size() <= scientific.size() ? fixed : scientific;
}

bool format_record(const Trace& trace, std::string& text, std::string& error) {
  const std::size_t n = trace.samples.size();
  if (n == 0 || n > kMaxRecordSamples) {
    error = trace.id() + ": " + std::to_string(n) + " samples; a record holds 1 to 99999";
    return false;
  }
  std::string why;
  if (!usable_interval(trace.dt, why)) {
    error = trace.id() + ": " + why;
    return false;
  }
  const std::string interval = format_float(trace.dt);
  if (interval.size() > static_cast<std::size_t>(kIntervalWidth)) {
    error = trace.id() + ": sampling interval " + interval + " does not fit 15 columns";
    return false;
  }

  text.clear();
  text.reserve(4 * kHeaderWidth + n * kSampleWidth + n / kSamplesPerLine + 2);
  text += trace.id() + " " + iso_time(trace.start_us) + "\n";
  text += "sampling rate " + shortest(trace.rate) + " Hz, interval " + interval + " s, " +
          std::to_string(n) + " samples\n";
  std::string origin = base_name(trace.source) + ", " + trace.format;
  if (!trace.processing.empty()) origin += "; " + trace.processing;
  if (!trace.note.empty()) origin += "; " + trace.note;
  text += header_text(origin) + "\n";
  right_aligned(text, "0.0", 15);                   // columns 1-15: not used
  right_aligned(text, std::to_string(n), 5);        // columns 16-20: sample count
  right_aligned(text, interval, kIntervalWidth);    // columns 21-35: interval, s
  text += "\n";
  for (std::size_t i = 0; i < n; ++i) {
    right_aligned(text, format_float(trace.samples[i]), kSampleWidth);
    if (i % kSamplesPerLine == kSamplesPerLine - 1 || i == n - 1) text += "\n";
  }
  return true;
}

bool write_record(const std::string& path, const std::string& text, std::string& error, safeout::Writer* run) {
  if (run != nullptr) return run->write(path, text, error);
  return safeout::write_file(path, text, error);
}

std::string record_name(const Trace& trace, int number) {
  // Appended piece by piece: GCC 12 at -O3 misreads a chain of concatenations here.
  std::string name = trace.network.empty() ? std::string(kUnsetNetworkName) : safe_code(trace.network);
  for (const std::string* code : {&trace.station, &trace.location, &trace.channel}) {
    name += '.';
    name += safe_code(*code);
  }
  if (number > 0) {
    name += '-';
    name += std::to_string(number);
  }
  name += ".rec";
  return name;
}

}  // namespace seisdata
