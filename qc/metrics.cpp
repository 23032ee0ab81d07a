#include <qc/qc.h>

#include "sds.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

namespace qc {

namespace {

constexpr double kMicrosPerSecond = 1e6;
constexpr double kSecondsPerDay = 86400;

// Integers print as such, fractions to the microsecond without trailing zeros.
std::string seconds_text(std::int64_t us) {
  char text[32];
  std::snprintf(text, sizeof text, "%lld.%06lld", static_cast<long long>(us / 1'000'000),
                static_cast<long long>(us % 1'000'000));
  std::string s = text;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

template <typename T>
std::string shortest(T v) {
  char text[64];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, v);
  return std::string(text, end);
}

// Mean and rms are averages: seven significant digits say enough.
std::string seven_digits(double v) {
  char text[64];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, v, std::chars_format::general, 7);
  return std::string(text, end);
}

std::string one_decimal(double v) {
  char text[64];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, v, std::chars_format::fixed, 1);
  return std::string(text, end);
}

// The samples [first, last) of a trace that lie within [from_us, to_us).
struct Span {
  std::size_t first = 0, last = 0;
};

// Index of the first sample at or after time `us`.  Record times are whole
// microseconds: a sample a ten-thousandth of an interval early counts as on
// time (as the archive reader cuts its windows).
std::size_t first_at_or_after(const seisdata::Trace& t, double us) {
  constexpr double kSlack = 1e-4;
  const double index = std::ceil((us - static_cast<double>(t.start_us)) * t.rate / kMicrosPerSecond - kSlack);
  if (index <= 0) return 0;
  return index >= static_cast<double>(t.samples.size()) ? t.samples.size() : static_cast<std::size_t>(index);
}

double sample_time_us(const seisdata::Trace& t, std::size_t i) {
  return static_cast<double>(t.start_us) + static_cast<double>(i) * kMicrosPerSecond / t.rate;
}

}  // namespace

std::string day_label(std::int64_t day_us) { return seisdata::iso_time(day_us).substr(0, 10); }

Metrics compute_metrics(const std::string& id, std::int64_t day_us, const std::vector<seisdata::Trace>& traces) {
  Metrics m;
  m.id = id;
  m.day = day_label(day_us);
  std::vector<const seisdata::Trace*> order;
  for (const seisdata::Trace& t : traces)
    if (t.rate > 0 && !t.samples.empty()) order.push_back(&t);
  std::stable_sort(order.begin(), order.end(),
                   [](const seisdata::Trace* a, const seisdata::Trace* b) { return a->start_us < b->start_us; });

  const double day_begin = static_cast<double>(day_us);
  const double day_end = static_cast<double>(day_us + seisdata::kMicrosPerDay);
  double covered_s = 0;
  double covered_until = -std::numeric_limits<double>::infinity();  // end of the coverage so far, us
  double expected = 0;            // the next sample time after the previous stretch, us
  double half_interval = 0;       // of the previous stretch, us
  bool any = false;
  double sum = 0, sum_squares = 0;
  for (const seisdata::Trace* t : order) {
    const std::size_t first = first_at_or_after(*t, day_begin);
    const std::size_t last = first_at_or_after(*t, day_end);
    if (first >= last) continue;
    const double interval = kMicrosPerSecond / t->rate;
    const double begin = sample_time_us(*t, first);
    if (any) {
      const double jump = begin - expected;
      if (jump > half_interval) {
        ++m.gaps;
        m.max_gap_us = std::max(m.max_gap_us, static_cast<std::int64_t>(std::llround(jump)));
      } else if (jump < -half_interval) {
        ++m.overlaps;
      }
    }
    // Samples within the coverage so far are not counted again.
    const std::size_t fresh = std::max(first, first_at_or_after(*t, covered_until - interval / 2));
    covered_s += static_cast<double>(last - fresh) / t->rate;
    const double end = sample_time_us(*t, last - 1) + interval;
    covered_until = std::max(covered_until, end);
    expected = end;
    half_interval = interval / 2;

    for (std::size_t i = first; i < last; ++i) {
      const float v = t->samples[i];
      if (!any || v < m.min) m.min = v;
      if (!any || v > m.max) m.max = v;
      any = true;
      sum += v;
      sum_squares += static_cast<double>(v) * v;
    }
    m.samples += static_cast<std::int64_t>(last - first);
  }
  m.availability_pct = covered_s / kSecondsPerDay * 100;
  if (m.samples > 0) {
    m.mean = sum / static_cast<double>(m.samples);
    m.rms = std::sqrt(sum_squares / static_cast<double>(m.samples));
  }
  return m;
}

const char* const kMetricsHeader = "id\tday\tsamples\tavailability_pct\tgaps\toverlaps\tmax_gap_s\tmin\tmax\tmean\trms";

std::string format_metrics(const Metrics& m) {
  std::string line = m.id + '\t' + m.day + '\t' + std::to_string(m.samples) + '\t' + one_decimal(m.availability_pct) +
                     '\t' + std::to_string(m.gaps) + '\t' + std::to_string(m.overlaps) + '\t' +
                     seconds_text(m.max_gap_us);
  if (m.samples > 0) {
    line += '\t' + shortest(m.min) + '\t' + shortest(m.max) + '\t' + seven_digits(m.mean) + '\t' + seven_digits(m.rms);
  } else {
    line += "\t-\t-\t-\t-";  // no samples: no statistics
  }
  return std::string(kMetricsHeader) + '\n' + line + '\n';
}

namespace {

std::vector<std::string> split_tabs(const std::string& line) {
  std::vector<std::string> fields(1);
  for (char c : line) {
    if (c == '\t') fields.emplace_back();
    else fields.back() += c;
  }
  return fields;
}

template <typename T>
bool read_number(const std::string& text, T& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool read_seconds(const std::string& text, std::int64_t& us) {
  double s = 0;
  if (!read_number(text, s) || !(s >= 0) || s > 1e9) return false;
  us = std::llround(s * kMicrosPerSecond);
  return true;
}

}  // namespace

bool parse_metrics(const std::string& text, Metrics& m, std::string& error) {
  const std::string header = std::string(kMetricsHeader) + '\n';
  if (text.compare(0, header.size(), header) != 0) {
    error = "not a metrics file (the header line differs)";
    return false;
  }
  std::string line = text.substr(header.size());
  if (line.empty() || line.back() != '\n' || line.find('\n') != line.size() - 1) {
    error = "the data line is missing or not the only one";
    return false;
  }
  line.pop_back();
  const std::vector<std::string> f = split_tabs(line);
  if (f.size() != 11) {
    error = "the data line has " + std::to_string(f.size()) + " fields, not 11";
    return false;
  }
  m.id = f[0];
  m.day = f[1];
  bool ok = read_number(f[2], m.samples) && m.samples >= 0 && read_number(f[3], m.availability_pct) &&
            read_number(f[4], m.gaps) && read_number(f[5], m.overlaps) && read_seconds(f[6], m.max_gap_us);
  if (ok && m.samples > 0) {
    ok = read_number(f[7], m.min) && read_number(f[8], m.max) && read_number(f[9], m.mean) &&
         read_number(f[10], m.rms);
  } else if (ok) {
    ok = f[7] == "-" && f[8] == "-" && f[9] == "-" && f[10] == "-";
  }
  if (!ok) error = "a field of the data line is not a number";
  return ok;
}

}  // namespace qc
