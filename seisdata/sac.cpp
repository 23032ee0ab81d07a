// SAC binary files: a 632-byte header of 70 floats, 40 integers and
// logicals and 24 eight-character strings, then the samples as 32-bit
// floats, all in one byte order.  Only evenly sampled time series of header
// version 6 are read; the byte order follows from the version word.
#include <bit>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>

#include "internal.h"
#include "seisdata.h"

namespace seisdata {

namespace {

constexpr std::size_t kHeaderBytes = 632;
constexpr std::size_t kWord = 4;
constexpr std::int32_t kUndefined = -12345;  // SAC's value of an unset field
constexpr std::int32_t kVersion = 6;
constexpr std::int32_t kMaxPlausibleVersion = 20;  // beyond this the word is not a SAC version

// Header words (4 bytes each, counted from 0).
constexpr std::size_t kDelta = 0;    // float: sampling interval, s
constexpr std::size_t kBegin = 5;    // float: b, first sample's time after the reference, s
constexpr std::size_t kOrigin = 7;   // float: o, event origin time after the reference, s
constexpr std::size_t kStla = 31;    // floats 31-53: station and event, see EventStation
constexpr std::size_t kStlo = 32;
constexpr std::size_t kEvla = 35;
constexpr std::size_t kEvlo = 36;
constexpr std::size_t kEvdp = 38;
constexpr std::size_t kGcarc = 53;
constexpr std::size_t kNzYear = 70;  // ints 70-75: reference time year, day of year,
constexpr std::size_t kNzJday = 71;  //   hour, minute, second, millisecond
constexpr std::size_t kNzHour = 72;
constexpr std::size_t kNzMin = 73;
constexpr std::size_t kNzSec = 74;
constexpr std::size_t kNzMsec = 75;
constexpr std::size_t kNvhdr = 76;   // int: header version
constexpr std::size_t kNpts = 79;    // int: number of samples
constexpr std::size_t kIftype = 85;  // int: file type
constexpr std::size_t kLeven = 105;  // logical: evenly sampled
constexpr std::int32_t kTimeSeries = 1;  // iftype ITIME

// String fields: byte offset, 8 characters each.
constexpr std::size_t kStationAt = 440;   // kstnm
constexpr std::size_t kHoleAt = 464;      // khole (location)
constexpr std::size_t kComponentAt = 600; // kcmpnm (channel)
constexpr std::size_t kNetworkAt = 608;   // knetwk
constexpr std::size_t kCodeWidth = 8;

class Reader {
 public:
  Reader(const std::uint8_t* data, bool swap) : data_(data), swap_(swap) {}
  std::uint32_t raw(std::size_t byte) const {
    std::uint32_t v;
    std::memcpy(&v, data_ + byte, kWord);
    return swap_ ? __builtin_bswap32(v) : v;
  }
  std::int32_t integer(std::size_t word) const { return static_cast<std::int32_t>(raw(word * kWord)); }
  float real(std::size_t word) const { return std::bit_cast<float>(raw(word * kWord)); }
  std::string code(std::size_t byte) const {
    const std::string_view field(reinterpret_cast<const char*>(data_ + byte), kCodeWidth);
    const std::string c = clean_code(field);
    return c == "-12345" ? std::string() : c;
  }

 private:
  const std::uint8_t* data_;
  bool swap_;
};

std::int32_t version_word(const std::uint8_t* data, bool swap) { return Reader(data, swap).integer(kNvhdr); }

bool plausible_version(std::int32_t v) { return v >= 1 && v <= kMaxPlausibleVersion; }

// The native byte order is little-endian on every machine we build for;
// `swap` then means big-endian.
static_assert(std::endian::native == std::endian::little);

// Reference time plus b, in microseconds since 1970.  An unset reference
// time counts b from 1970-01-01, and `note` says so.
bool start_time(const Reader& h, std::int64_t& us, std::string& note, std::string& why) {
  const float b = h.real(kBegin);
  if (!std::isfinite(b) || std::fabs(b) > 1e10f) {
    why = "bad begin time b";
    return false;
  }
  std::int64_t reference_us = 0;
  if (h.integer(kNzYear) == kUndefined) {
    note = "no reference time in the SAC header: start counted from 1970-01-01";
  } else {
    const std::int32_t year = h.integer(kNzYear), jday = h.integer(kNzJday), hour = h.integer(kNzHour),
                       min = h.integer(kNzMin), sec = h.integer(kNzSec), msec = h.integer(kNzMsec);
    if (year < 1 || year > 9999 || jday < 1 || jday > days_in_year(year) || hour < 0 || hour > 23 || min < 0 ||
        min > 59 || sec < 0 || sec > 60 || msec < 0 || msec > 999) {
      char text[160];
      std::snprintf(text, sizeof text,
                    "bad reference time in the header: year %d, day %d (of %d), %02d:%02d:%02d.%03d",
                    static_cast<int>(year), static_cast<int>(jday), year >= 1 && year <= 9999 ? days_in_year(year) : 0,
                    static_cast<int>(hour), static_cast<int>(min), static_cast<int>(sec), static_cast<int>(msec));
      why = text;
      return false;
    }
    using namespace std::chrono;
    const sys_days jan1{year_month_day{std::chrono::year{year}, January, std::chrono::day{1}}};
    const std::int64_t day_s = duration_cast<seconds>((jan1 + days{jday - 1}).time_since_epoch()).count();
    reference_us = ((day_s + hour * 3600 + min * 60 + sec) * 1000 + msec) * 1000;
  }
  us = reference_us + std::llround(static_cast<double>(b) * 1e6);
  return true;
}

// A float header word, empty when unset or not finite.
std::optional<float> header_float(const Reader& h, std::size_t word) {
  const float v = h.real(word);
  if (v == static_cast<float>(kUndefined) || !std::isfinite(v)) return std::nullopt;
  return v;
}

// The event and station words; the origin time only when both the
// reference time and o are set (start_us already holds reference + b).
EventStation event_station(const Reader& h, std::int64_t start_us) {
  EventStation p;
  p.stla = header_float(h, kStla);
  p.stlo = header_float(h, kStlo);
  p.evla = header_float(h, kEvla);
  p.evlo = header_float(h, kEvlo);
  p.evdp = header_float(h, kEvdp);
  p.gcarc = header_float(h, kGcarc);
  const std::optional<float> o = header_float(h, kOrigin);
  if (o && std::fabs(*o) <= 1e10f && h.integer(kNzYear) != kUndefined) {
    const std::int64_t reference_us = start_us - std::llround(static_cast<double>(h.real(kBegin)) * 1e6);
    p.origin_us = reference_us + std::llround(static_cast<double>(*o) * 1e6);
  }
  return p;
}

}  // namespace

bool looks_like_sac(const std::uint8_t* data, std::size_t size) {
  if (size < (kNvhdr + 1) * kWord) return false;
  return plausible_version(version_word(data, false)) || plausible_version(version_word(data, true));
}

bool read_sac(const std::string& path, const std::uint8_t* data, std::size_t size, Trace& trace,
              std::string& error) {
  auto fail = [&](const std::string& what) {
    error = path + ": SAC: " + what;
    return false;
  };
  if (!looks_like_sac(data, size)) return fail("no header version word");
  const bool swap = !plausible_version(version_word(data, false));
  const Reader h(data, swap);
  if (h.integer(kNvhdr) != kVersion)
    return fail("header version " + std::to_string(h.integer(kNvhdr)) + ", only version 6 is read");
  if (size < kHeaderBytes)
    return fail("file ends inside the header (" + std::to_string(size) + " of 632 bytes)");
  if (h.integer(kIftype) != kTimeSeries)
    return fail("not a time series (file type " + std::to_string(h.integer(kIftype)) +
                "; spectral and x-y files are not read)");
  if (h.integer(kLeven) != 1) return fail("unevenly sampled (LEVEN false)");
  const std::int32_t npts = h.integer(kNpts);
  if (npts <= 0) return fail("sample count " + std::to_string(npts) + ": no samples");
  const std::size_t expected = kHeaderBytes + static_cast<std::size_t>(npts) * kWord;
  if (size != expected)
    return fail("sample count " + std::to_string(npts) + " needs " + std::to_string(expected) +
                " bytes, the file has " + std::to_string(size));
  const float delta = h.real(kDelta);
  std::string why;
  if (!usable_interval(delta, why)) return fail(why);
  trace.note.clear();
  if (!start_time(h, trace.start_us, trace.note, why)) return fail(why);

  trace.place = event_station(h, trace.start_us);
  trace.network = h.code(kNetworkAt);
  trace.station = h.code(kStationAt);
  trace.location = h.code(kHoleAt);
  trace.channel = h.code(kComponentAt);
  trace.dt = delta;
  trace.rate = 1.0 / static_cast<double>(delta);
  trace.source = path;
  trace.format = swap ? "SAC big-endian" : "SAC little-endian";
  if (!time_span_ok(trace.start_us, trace.rate, static_cast<std::size_t>(npts), why))
    return fail(why);
  trace.samples.resize(static_cast<std::size_t>(npts));
  for (std::size_t i = 0; i < trace.samples.size(); ++i) {
    const float v = std::bit_cast<float>(h.raw(kHeaderBytes + i * kWord));
    if (!std::isfinite(v))
      return fail(std::string(std::isnan(v) ? "NaN" : "infinite") + " sample at index " +
                  std::to_string(i) + " (counting from 0)");
    trace.samples[i] = v;
  }
  return true;
}

std::string clean_code(std::string_view field) {
  field = field.substr(0, field.find('\0'));
  while (!field.empty() && field.back() == ' ') field.remove_suffix(1);
  while (!field.empty() && field.front() == ' ') field.remove_prefix(1);
  std::string out(field);
  for (char& c : out)
    if (c <= ' ' || c > '~' || c == '\\') c = '_';
  return out;
}

bool usable_interval(float dt, std::string& why) {
  if (std::isnormal(dt) && dt > 0) return true;
  char text[96];
  std::snprintf(text, sizeof text, "sampling interval %g s is not a positive normal number", static_cast<double>(dt));
  why = text;
  return false;
}

}  // namespace seisdata
