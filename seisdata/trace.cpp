// Traces: identifiers, times, parts, selection, and reading a data file.
#include <cerrno>
#include <chrono>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fnmatch.h>
#include <memory>
#include <sys/stat.h>

#include "internal.h"
#include "seisdata.h"

namespace seisdata {

std::string Trace::id() const { return network + "." + station + "." + location + "." + channel; }

std::string iso_time(std::int64_t us) {
  using namespace std::chrono;
  const sys_time<microseconds> t{microseconds{us}};
  const sys_days day = floor<days>(t);
  const year_month_day ymd{day};
  const hh_mm_ss<microseconds> hms{t - day};
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%06lldZ", static_cast<int>(ymd.year()),
                static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                static_cast<int>(hms.hours().count()), static_cast<int>(hms.minutes().count()),
                static_cast<int>(hms.seconds().count()),
                static_cast<long long>(hms.subseconds().count()));
  return text;
}

namespace {

// Offsets from a start time, in microseconds, that are summed in int64
// without overflow (the whole range of times is under 3.2e17 us).
constexpr double kLongestOffsetUs = 4e18;

}  // namespace

bool time_span_ok(std::int64_t start_us, double rate, std::size_t count, std::string& why) {
  const double span = static_cast<double>(count - 1) / rate * 1e6;
  if (start_us >= kFirstTimeUs && span < kLongestOffsetUs &&
      start_us + std::llround(span) <= kLastTimeUs) return true;
  if (start_us < kFirstTimeUs) {
    why = "the trace starts before the year 1";
  } else {
    char text[160];
    std::snprintf(text, sizeof text, "the trace ends after the year 9999 (%zu samples %g s apart from %s)", count,
                  1 / rate, iso_time(start_us).c_str());
    why = text;
  }
  return false;
}

int days_in_year(int year) {
  return std::chrono::year{year}.is_leap() ? 366 : 365;
}

namespace {

// The time of sample `first` of `trace`, microseconds: no later than the
// last time a trace may have, as an offset past the int64 range would wrap.
std::int64_t sample_time(const Trace& trace, std::size_t first) {
  const double offset = static_cast<double>(first) / trace.rate * 1e6;
  return offset < kLongestOffsetUs ? std::min<std::int64_t>(trace.start_us + std::llround(offset), kLastTimeUs)
                                   : kLastTimeUs;
}

}  // namespace

Trace slice(Trace&& trace, std::size_t first, std::size_t count) {
  Trace part = std::move(trace);
  part.start_us = sample_time(part, first);
  part.samples.resize(first + count);
  part.samples.erase(part.samples.begin(), part.samples.begin() + static_cast<std::ptrdiff_t>(first));
  return part;
}

Trace slice(const Trace& trace, std::size_t first, std::size_t count) {
  Trace part;
  part.network = trace.network;
  part.station = trace.station;
  part.location = trace.location;
  part.channel = trace.channel;
  part.rate = trace.rate;
  part.dt = trace.dt;
  part.source = trace.source;
  part.format = trace.format;
  part.note = trace.note;
  part.place = trace.place;
  part.processing = trace.processing;
  part.start_us = sample_time(trace, first);
  part.samples.assign(trace.samples.begin() + static_cast<std::ptrdiff_t>(first),
                      trace.samples.begin() + static_cast<std::ptrdiff_t>(first + count));
  return part;
}

bool window(const Trace& trace, double start, double end, Trace& out) {
  // Sample i lies at i / rate seconds; the first and last inside [start, end],
  // with a ten-thousandth of an interval to spare for a rate that is the
  // reciprocal of a rounded interval (1 / 0.05f is 19.9999997 Hz).
  constexpr double kSlack = 1e-4;
  const double n = static_cast<double>(trace.samples.size());
  const double first = std::max(0.0, std::ceil(start * trace.rate - kSlack));
  const double last = std::min(n - 1, std::floor(end * trace.rate + kSlack));
  if (!(first <= last)) return false;
  out = slice(trace, static_cast<std::size_t>(first), static_cast<std::size_t>(last - first) + 1);
  return true;
}

std::vector<Trace> select_traces(std::vector<Trace> traces, const std::vector<std::string>& patterns) {
  if (patterns.empty()) return traces;
  std::vector<Trace> kept;
  for (Trace& t : traces) {
    const std::string id = t.id();
    for (const std::string& p : patterns) {
      if (fnmatch(p.c_str(), id.c_str(), 0) == 0) {
        kept.push_back(std::move(t));
        break;
      }
    }
  }
  return kept;
}

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

bool read_bytes(const std::string& path, std::vector<std::uint8_t>& bytes, std::string& error) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    error = path + ": cannot open: " + std::strerror(errno);
    return false;
  }
  auto too_large = [&] {
    error = path + ": larger than 2 GiB (" + std::to_string(kMaxInputBytes) + " bytes), the most a file may hold";
    return false;
  };
  bytes.clear();
  // A regular file says its size; a pipe, FIFO or device is read up to the
  // limit and no further.
  struct stat st {};
  if (fstat(fileno(file.get()), &st) == 0 && S_ISREG(st.st_mode)) {
    if (static_cast<std::uint64_t>(st.st_size) > kMaxInputBytes) return too_large();
    bytes.reserve(static_cast<std::size_t>(st.st_size));
  }
  std::uint8_t buffer[1 << 16];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
    if (got > kMaxInputBytes - bytes.size()) return too_large();
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
  if (std::ferror(file.get())) {
    error = path + ": read error: " + std::strerror(errno);
    return false;
  }
  return true;
}

bool read_data(const std::string& path, const std::vector<std::uint8_t>& bytes, std::vector<Trace>& traces,
               std::vector<std::string>& notes, std::string& error) {
  if (bytes.empty()) {
    error = path + ": empty file";
    return false;
  }
  switch (detect_kind(bytes.data(), bytes.size())) {
    case FileKind::sac: {
      Trace t;
      if (!read_sac(path, bytes.data(), bytes.size(), t, error)) return false;
      traces.push_back(std::move(t));
      return true;
    }
    case FileKind::mseed:
      return read_mseed(path, bytes.data(), bytes.size(), traces, notes, error);
    case FileKind::other:
      break;
  }
  error = path + ": neither SAC nor miniSEED data";
  return false;
}

bool read_data_file(const std::string& path, std::vector<Trace>& traces,
                    std::vector<std::string>& notes, std::string& error) {
  std::vector<std::uint8_t> bytes;
  return read_bytes(path, bytes, error) && read_data(path, bytes, traces, notes, error);
}

}  // namespace seisdata
