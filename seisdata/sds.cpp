// SDS archives: the day files of the channels a window needs, their records
// gathered into traces and cut to the window; and the UTC times that name
// windows and days.
#include "sds.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fnmatch.h>

#include "mseed_collect.h"

namespace seisdata {

namespace {

using std::chrono::days;
using std::chrono::sys_days;

// Reads exactly `width` digits at `at`; advances past them.
bool digits(std::string_view text, std::size_t& at, std::size_t width, int& value) {
  if (at + width > text.size()) return false;
  for (std::size_t k = at; k < at + width; ++k)
    if (text[k] < '0' || text[k] > '9') return false;
  std::from_chars(text.data() + at, text.data() + at + width, value);
  at += width;
  return true;
}

bool literal(std::string_view text, std::size_t& at, char c) {
  if (at >= text.size() || text[at] != c) return false;
  ++at;
  return true;
}

bool is_digit_at(std::string_view text, std::size_t at) { return at < text.size() && text[at] >= '0' && text[at] <= '9'; }

// YYYY-MM-DD or YYYY-DDD at the start of `text`: its day, and where it ends.
bool parse_date(std::string_view text, std::size_t& at, sys_days& day) {
  int year = 0, month = 0, mday = 0, yday = 0;
  if (!digits(text, at, 4, year) || !literal(text, at, '-')) return false;
  const bool day_of_year = is_digit_at(text, at + 2) && !is_digit_at(text, at + 3);
  if (day_of_year) {
    if (!digits(text, at, 3, yday)) return false;
    const std::chrono::year y{year};
    if (yday < 1 || yday > (y.is_leap() ? 366 : 365)) return false;
    day = sys_days(y / std::chrono::January / 1) + days(yday - 1);
    return true;
  }
  if (!digits(text, at, 2, month) || !literal(text, at, '-') || !digits(text, at, 2, mday)) return false;
  const std::chrono::year_month_day ymd{std::chrono::year{year}, std::chrono::month(static_cast<unsigned>(month)),
                                        std::chrono::day(static_cast<unsigned>(mday))};
  if (!ymd.ok()) return false;
  day = sys_days(ymd);
  return true;
}

std::int64_t micros_of(sys_days day) {
  return static_cast<std::int64_t>(day.time_since_epoch().count()) * kMicrosPerDay;
}

constexpr const char* kTimeForms = " (YYYY-MM-DD or YYYY-DDD, then THH:MM, THH:MM:SS or THH:MM:SS.ffffff, UTC)";

}  // namespace

bool parse_time(std::string_view text, std::int64_t& us, std::string& error) {
  std::size_t at = 0;
  sys_days day;
  const auto bad = [&] {
    error = "bad time '" + std::string(text) + "'" + kTimeForms;
    return false;
  };
  if (!parse_date(text, at, day)) return bad();
  std::int64_t t = micros_of(day);
  if (literal(text, at, 'T')) {
    int hour = 0, minute = 0, second = 0;
    if (!digits(text, at, 2, hour) || !literal(text, at, ':') || !digits(text, at, 2, minute)) return bad();
    const bool has_seconds = literal(text, at, ':');
    if (has_seconds && !digits(text, at, 2, second)) return bad();
    if (hour > 23 || minute > 59 || second > 59) return bad();
    t += ((hour * 60 + minute) * 60 + second) * kMicrosPerSecond;
    if (has_seconds && literal(text, at, '.')) {
      std::int64_t fraction = 0;
      std::size_t n = 0;
      for (; is_digit_at(text, at); ++at) {
        if (++n > 6) return bad();
        fraction = fraction * 10 + (text[at] - '0');
      }
      if (n == 0) return bad();
      for (; n < 6; ++n) fraction *= 10;
      t += fraction;
    }
  }
  literal(text, at, 'Z');
  if (at != text.size()) return bad();
  us = t;
  return true;
}

bool parse_day(std::string_view text, std::int64_t& us, std::string& error) {
  std::size_t at = 0;
  sys_days day;
  if (!parse_date(text, at, day) || at != text.size()) {
    error = "bad day '" + std::string(text) + "' (YYYY-DDD or YYYY-MM-DD)";
    return false;
  }
  us = micros_of(day);
  return true;
}

YearDay year_day(std::int64_t us) {
  const sys_days day{days{us >= 0 ? us / kMicrosPerDay : -((-us + kMicrosPerDay - 1) / kMicrosPerDay)}};
  const std::chrono::year_month_day ymd{day};
  const sys_days first = sys_days(ymd.year() / std::chrono::January / 1);
  return YearDay{static_cast<int>(ymd.year()), static_cast<int>((day - first).count()) + 1};
}

namespace {

// NET.STA.LOC.CHA split in its four parts; false for another count.
bool split_id(const std::string& id, std::string (&parts)[4]) {
  std::size_t begin = 0;
  for (int k = 0; k < 4; ++k) {
    const std::size_t dot = id.find('.', begin);
    if ((dot == std::string::npos) != (k == 3)) return false;
    parts[k] = id.substr(begin, dot == std::string::npos ? std::string::npos : dot - begin);
    begin = dot + 1;
  }
  return true;
}

bool matches(const std::string& pattern, const std::string& text) { return fnmatch(pattern.c_str(), text.c_str(), 0) == 0; }

struct Pattern {
  std::string whole;
  std::string parts[4];
};

bool any_match(const std::vector<Pattern>& patterns, const std::string& id) {
  for (const Pattern& p : patterns)
    if (matches(p.whole, id)) return true;
  return false;
}

// Day number since 1970 of a time.
std::int64_t day_number(std::int64_t us) {
  return us >= 0 ? us / kMicrosPerDay : -((-us + kMicrosPerDay - 1) / kMicrosPerDay);
}

// A day file found in the archive.
struct DayFile {
  std::int64_t day = 0;
  std::string id;
  std::string path;
};

// The directories of `dir` whose names match one of the patterns' part `k`
// (for channels, with ".D" after the part).
std::vector<std::filesystem::path> subdirectories(const std::filesystem::path& dir,
                                                  const std::vector<Pattern>& patterns, int k) {
  std::vector<std::filesystem::path> found;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code type_ec;
    if (!it->is_directory(type_ec)) continue;
    std::string name = it->path().filename().string();
    if (k == 3) {
      if (name.size() < 3 || name.compare(name.size() - 2, 2, ".D") != 0) continue;
      name.resize(name.size() - 2);
    }
    for (const Pattern& p : patterns)
      if (matches(p.parts[k], name)) {
        found.push_back(it->path());
        break;
      }
  }
  return found;
}

// The day files NET.STA.LOC.CHA.D.YEAR.DOY of days first..last whose
// identifier matches, in order of day and name.
std::vector<DayFile> day_files(const std::string& root, const std::vector<Pattern>& patterns, std::int64_t first,
                               std::int64_t last) {
  std::vector<DayFile> files;
  const int first_year = year_day(first * kMicrosPerDay).year;
  const int last_year = year_day(last * kMicrosPerDay).year;
  for (int year = first_year; year <= last_year; ++year) {
    const std::filesystem::path year_dir = std::filesystem::path(root) / std::to_string(year);
    for (const auto& net : subdirectories(year_dir, patterns, 0))
      for (const auto& sta : subdirectories(net, patterns, 1))
        for (const auto& cha : subdirectories(sta, patterns, 3)) {
          std::error_code ec;
          for (std::filesystem::directory_iterator it(cha, ec), end; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            // NET.STA.LOC.CHA.D.YEAR.DOY: the identifier, then 9 characters.
            if (name.size() < 10 + 7) continue;
            const std::string id = name.substr(0, name.size() - 11);
            const std::string tail = name.substr(name.size() - 11);
            std::string parts[4];
            int file_year = 0, doy = 0;
            std::size_t at = 3;
            if (tail.compare(0, 3, ".D.") != 0 || !digits(tail, at, 4, file_year) || !literal(tail, at, '.') ||
                !digits(tail, at, 3, doy) || file_year != year || doy < 1 || doy > 366 || !split_id(id, parts) ||
                !any_match(patterns, id))
              continue;
            const std::int64_t day = day_number(micros_of(sys_days(std::chrono::year{year} / 1 / 1))) + doy - 1;
            if (day >= first && day <= last) files.push_back(DayFile{day, id, it->path().string()});
          }
        }
  }
  std::sort(files.begin(), files.end(),
            [](const DayFile& a, const DayFile& b) { return a.day != b.day ? a.day < b.day : a.path < b.path; });
  return files;
}

// The NET.STA.LOC.CHA globs split in their parts; every channel when there
// are none.
bool parse_patterns(const std::vector<std::string>& texts, std::vector<Pattern>& patterns, std::string& error) {
  for (const std::string& text : texts.empty() ? std::vector<std::string>{"*.*.*.*"} : texts) {
    Pattern p{text, {}};
    if (!split_id(text, p.parts)) {
      error = "bad channel pattern '" + text + "' (NET.STA.LOC.CHA, each part a glob without dots)";
      return false;
    }
    patterns.push_back(std::move(p));
  }
  return true;
}

}  // namespace

bool cut_window(Trace t, std::int64_t start_us, std::int64_t end_us, Trace& out) {
  // Sample i lies at start_us + i / rate seconds, microseconds rounded in
  // the records: a ten-thousandth of an interval to spare.
  constexpr double kSlack = 1e-4;
  const double per_us = t.rate / static_cast<double>(kMicrosPerSecond);
  const double n = static_cast<double>(t.samples.size());
  const double first = std::max(0.0, std::ceil(static_cast<double>(start_us - t.start_us) * per_us - kSlack));
  const double end = std::min(n, std::ceil(static_cast<double>(end_us - t.start_us) * per_us - kSlack));
  if (!(first < end)) return false;
  out = slice(std::move(t), static_cast<std::size_t>(first), static_cast<std::size_t>(end - first));
  return true;
}

std::string sds_path(const std::string& root, const std::string& id, std::int64_t us) {
  std::string parts[4];
  split_id(id, parts);
  const YearDay yd = year_day(us);
  char tail[32];
  std::snprintf(tail, sizeof tail, ".D.%04d.%03d", yd.year, yd.day);
  return root + "/" + std::to_string(yd.year) + "/" + parts[0] + "/" + parts[1] + "/" + parts[3] + ".D/" + id + tail;
}

bool read_sds(const SdsWindow& w, std::vector<Trace>& traces, std::vector<std::string>& notes, std::string& error) {
  std::vector<Pattern> patterns;
  if (!parse_patterns(w.patterns, patterns, error)) return false;
  if (!(w.start_us < w.end_us)) {
    error = "the window ends at " + iso_time(w.end_us) + ", not after its start " + iso_time(w.start_us);
    return false;
  }
  std::error_code ec;
  if (!std::filesystem::is_directory(w.root, ec)) {
    error = w.root + ": no such archive directory";
    return false;
  }
  const std::int64_t first_day = day_number(w.start_us);
  const std::int64_t last_day = day_number(w.end_us - 1);
  const std::vector<DayFile> files = day_files(w.root, patterns, first_day - 1, last_day);

  // Records of the window only: a record ending before it (most of the day
  // before) or beginning at its end is not decoded.
  const auto in_window = [&](const std::string& id, std::int64_t first_us, std::int64_t last_us) {
    return last_us >= w.start_us && first_us < w.end_us && any_match(patterns, id);
  };
  MseedCollector collector;
  std::vector<std::string> ids;
  for (const DayFile& f : files) {
    std::vector<std::uint8_t> bytes;
    if (!read_bytes(f.path, bytes, error) || !collector.add(f.path, std::move(bytes), in_window, error))
      return false;
    if (std::find(ids.begin(), ids.end(), f.id) == ids.end()) ids.push_back(f.id);
  }
  // Days of the window without a file, for every channel that has one.
  std::sort(ids.begin(), ids.end());
  for (const std::string& id : ids)
    for (std::int64_t day = first_day; day <= last_day; ++day) {
      const bool present = std::any_of(files.begin(), files.end(),
                                       [&](const DayFile& f) { return f.day == day && f.id == id; });
      if (!present) notes.push_back(sds_path(w.root, id, day * kMicrosPerDay) + ": no such day file (a gap)");
    }

  std::vector<Trace> whole;
  if (!collector.finish(w.root, whole, notes, error)) return false;
  std::size_t kept = 0;
  for (Trace& t : whole) {
    Trace part;
    if (!cut_window(std::move(t), w.start_us, w.end_us, part)) continue;
    traces.push_back(std::move(part));
    ++kept;
  }
  if (kept == 0) {
    std::string which;
    for (const Pattern& p : patterns) which += (which.empty() ? "" : ", ") + p.whole;
    error = w.root + ": no data for " + which + " from " + iso_time(w.start_us) + " to " + iso_time(w.end_us);
    return false;
  }
  return true;
}

bool sds_channels(const std::string& root, const std::vector<std::string>& patterns, std::int64_t day_us,
                  std::vector<std::string>& ids, std::string& error) {
  std::vector<Pattern> parsed;
  if (!parse_patterns(patterns, parsed, error)) return false;
  std::error_code ec;
  if (!std::filesystem::is_directory(root, ec)) {
    error = root + ": no such archive directory";
    return false;
  }
  ids.clear();
  const std::int64_t day = day_number(day_us);
  for (const DayFile& f : day_files(root, parsed, day, day)) ids.push_back(f.id);
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  return true;
}

}  // namespace seisdata
