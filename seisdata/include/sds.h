// SDS archives and UTC times.
//
// An SDS archive keeps one miniSEED file per channel and day:
// ROOT/YEAR/NET/STA/CHAN.D/NET.STA.LOC.CHAN.D.YEAR.DOY (an empty location
// code gives NET.STA..CHAN).  read_sds gathers a time window of the
// channels that match a set of NET.STA.LOC.CHA globs, across midnight and
// year ends, as contiguous traces.
#ifndef SEISDATA_SDS_H
#define SEISDATA_SDS_H

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "seisdata.h"

namespace seisdata {

constexpr std::int64_t kMicrosPerSecond = 1000000;
constexpr std::int64_t kMicrosPerDay = 86400 * kMicrosPerSecond;

// An ISO 8601 UTC time, microseconds since 1970: a date YYYY-MM-DD or
// YYYY-DDD (day of the year), optionally followed by THH:MM, THH:MM:SS or
// THH:MM:SS.ffffff (1 to 6 decimals), optionally ending in Z.  False with
// the reason in `error`.
bool parse_time(std::string_view text, std::int64_t& us, std::string& error);

// A day, YYYY-DDD or YYYY-MM-DD alone: the time of its midnight.
bool parse_day(std::string_view text, std::int64_t& us, std::string& error);

// Year and day of the year (from 1) of a time.
struct YearDay {
  int year = 0;
  int day = 0;
};
YearDay year_day(std::int64_t us);

// A window of an archive: the samples at times t with start <= t < end of
// the channels whose NET.STA.LOC.CHA matches one of `patterns` (every
// channel when there are none).
struct SdsWindow {
  std::string root;
  std::vector<std::string> patterns;
  std::int64_t start_us = 0;
  std::int64_t end_us = 0;
};

// The window as contiguous traces: channels in order of identifier, the
// traces of a channel in order of time; gaps and missing day files split
// them (said in `notes`).  The day before the window's first is read too,
// for records that begin before midnight and run past it.  False, with the
// reason, for a bad pattern, a damaged file or a window without samples.
bool read_sds(const SdsWindow& window, std::vector<Trace>& traces, std::vector<std::string>& notes,
              std::string& error);

// The channels NET.STA.LOC.CHA matching one of `patterns` (every channel
// when there are none) that have a day file for the day of `day_us`,
// sorted.  False, with the reason, for a bad pattern or a missing archive.
bool sds_channels(const std::string& root, const std::vector<std::string>& patterns, std::int64_t day_us,
                  std::vector<std::string>& ids, std::string& error);

// The samples of `trace` at times t with start <= t < end (the trace
// itself, moved, when all are); false when none is.
bool cut_window(Trace trace, std::int64_t start_us, std::int64_t end_us, Trace& out);

// The day file of a channel NET.STA.LOC.CHA on the day of `us`, under `root`.
std::string sds_path(const std::string& root, const std::string& id, std::int64_t us);

}  // namespace seisdata

#endif
