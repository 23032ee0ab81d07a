// Records for tracel: three header lines, the count line and the samples,
// five 16-column fields to a line, each the shortest decimal that reads
// back as the same float.
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

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

std::string safe_code(const std::string& code) {
  std::string out = code;
  for (char& c : out)
    if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_'))
      c = '_';
  return out;
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
  text += base_name(trace.source) + ", " + trace.format;
  if (!trace.processing.empty()) text += "; " + trace.processing;
  if (!trace.note.empty()) text += "; " + trace.note;
  text += "\n";
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

bool write_record(const std::string& path, const std::string& text, std::string& error) {
  std::string temporary = path + ".XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) {
    error = path + ": cannot create: " + std::strerror(errno);
    return false;
  }
  // mkstemp makes the file private; give it the permissions of a new file.
  const mode_t mask = umask(0);
  umask(mask);
  fchmod(fd, 0666 & ~mask);
  std::FILE* out = fdopen(fd, "w");
  bool ok = out != nullptr && std::fwrite(text.data(), 1, text.size(), out) == text.size();
  ok = (out != nullptr && std::fclose(out) == 0) && ok;
  if (out == nullptr) close(fd);
  if (ok && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
  error = path + ": cannot write: " + std::strerror(errno);
  std::remove(temporary.c_str());
  return false;
}

std::string record_name(const Trace& trace, int number) {
  // Appended piece by piece: GCC 12 at -O3 misreads a chain of concatenations here.
  std::string name = safe_code(trace.network);
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
