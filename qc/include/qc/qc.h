// Quality control of a seismic network's day: each channel-day's metrics
// (availability, gaps, overlaps, amplitude statistics), the split of the
// channel list into shards, the runner that works through channels on
// several threads, outputs written safely, and the static HTML page that
// brings the metrics of all shards together.
#ifndef QC_QC_H
#define QC_QC_H

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "seisdata.h"

namespace qc {

// ---- Metrics ----

struct Metrics {
  std::string id;           // NET.STA.LOC.CHA
  std::string day;          // YYYY-MM-DD
  std::int64_t samples = 0; // samples within the day, overlapping ones each time
  double availability_pct = 0;  // share of the day covered by samples
  std::int64_t gaps = 0;
  std::int64_t overlaps = 0;
  std::int64_t max_gap_us = 0;  // the longest gap, 0 without gaps
  float min = 0, max = 0;
  double mean = 0, rms = 0;
};

// The metrics of one channel's traces (any order) over the day beginning
// at `day_us` (00:00 UTC).  Only samples at times in [00:00, 24:00) count.  Between
// consecutive stretches of data, a jump of more than half a sample interval
// beyond the next expected sample time is a gap, one of more than half an
// interval before it an overlap.  Availability is the time the samples
// cover (each counted once where stretches overlap) over 86,400 s.
Metrics compute_metrics(const std::string& id, std::int64_t day_us, const std::vector<seisdata::Trace>& traces);

// A day as the outputs name it: YYYY-MM-DD.
std::string day_label(std::int64_t day_us);

// The metrics file: one header line, one data line, tab-separated.
extern const char* const kMetricsHeader;
std::string format_metrics(const Metrics& m);
// Reads what format_metrics wrote; false with a reason for anything else.
bool parse_metrics(const std::string& text, Metrics& m, std::string& error);

// ---- Shards ----

struct Shard {
  int index = 1;  // from 1
  int count = 1;
};

// "I/N" with 1 <= I <= N.
std::optional<Shard> parse_shard(const std::string& text);

// The shard of a Slurm array task, from SLURM_ARRAY_TASK_ID, _COUNT, _MIN
// and (when set) _STEP as `getenv` gives them; false with a reason.
bool shard_from_slurm(const std::function<const char*(const char*)>& getenv, Shard& shard,
                      std::string& error);

// The I-th of N contiguous parts of `sorted` (sizes differ by at most one).
std::vector<std::string> shard_part(const std::vector<std::string>& sorted, const Shard& shard);

// ---- Outputs ----

// Text outputs are written with safeout::write_file (whole or not at all).
// A temporary name beside `path` keeping its extension (for writers that
// choose the format by it): DIR/.NAME.XXXXXX.EXT, made and empty.
bool make_temporary(const std::string& path, std::string& temporary, std::string& error);

// Temporary files in the making are removed when the process is stopped by
// SIGINT, SIGTERM or SIGHUP (as Slurm and GNU parallel stop jobs).
void remove_temporaries_on_signal();
void register_temporary(const std::string& path);
void forget_temporary(const std::string& path);

// ---- The job runner ----

enum class Status { ok, skipped, failed };
const char* status_name(Status s);

struct JobResult {
  Status status = Status::ok;
  std::string message;  // why it failed
};

// Runs job(i) for i in [0, count) on `threads` threads.  After each job,
// report(i, result, seconds) is called, one call at a time.
void run_jobs(std::size_t count, int threads, const std::function<JobResult(std::size_t)>& job,
              const std::function<void(std::size_t, const JobResult&, double)>& report);

// ---- The page ----

// What one run (one shard) records of its day: the archive and every
// channel of the day, also those of other shards.
struct DayList {
  std::string root;
  std::string day;
  std::vector<std::string> ids;
};
std::string format_day_list(const DayList& list);
bool parse_day_list(const std::string& text, DayList& list, std::string& error);

// The thresholds the page's colours stand for.
constexpr double kWarnAvailabilityBelowPct = 99.5;
constexpr std::int64_t kWarnGapsAbove = 20;

enum class Level { ok, warning, error, missing };
Level level_of(const Metrics& m);

// One row of the page: a listed channel with its metrics, when they exist.
struct Row {
  std::string id, day;
  std::optional<Metrics> metrics;
};

struct PageInfo {
  std::vector<std::string> roots;
  std::vector<std::string> days;
  std::string generated;  // UTC time of the merge
  std::string version;
};

// The whole index.html.  Thumbnails at plots/ID.DAY.png link to the full
// plots at plots/ID.DAY.full.png.
std::string make_page(const PageInfo& info, const std::vector<Row>& rows);

// Output names inside the output directory.
std::string metrics_path(const std::string& dir, const std::string& id, const std::string& day);
std::string thumbnail_path(const std::string& dir, const std::string& id, const std::string& day);
std::string full_plot_path(const std::string& dir, const std::string& id, const std::string& day);
std::string day_list_path(const std::string& dir, const std::string& day);

}  // namespace qc

#endif
