#include <qc/run.h>

#include <qc/plots.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <map>
#include <sched.h>
#include <set>

#include "safeout.h"
#include "sds.h"

namespace qc {

namespace fs = std::filesystem;

namespace {

constexpr double kProgressEverySeconds = 10;

// A glob matching exactly `id`.
std::string literal_glob(const std::string& id) {
  std::string glob;
  for (char c : id) {
    if (c == '*' || c == '?' || c == '[' || c == '\\') glob += '\\';
    glob += c;
  }
  return glob;
}

bool exists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

bool read_text(const std::string& path, std::string& text, std::string& error) {
  std::vector<std::uint8_t> bytes;
  if (!seisdata::read_bytes(path, bytes, error)) return false;
  text.assign(bytes.begin(), bytes.end());
  return true;
}

std::string utc_now() {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  gmtime_r(&now, &tm);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S UTC", &tm);
  return text;
}

std::string minutes_seconds(double seconds) {
  const long s = std::lround(seconds);
  char text[32];
  std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  return text;
}

// One channel-day: read, measured, plotted and written.
JobResult process_channel(const RunOptions& o, const std::string& id, DayPlots& plots) {
  const std::string day = day_label(o.day_us);
  const std::string metrics_file = metrics_path(o.out_dir, id, day);
  if (o.skip_existing && exists(metrics_file)) return {Status::skipped, ""};

  traceinput::Options in = o.input;
  in.patterns = {literal_glob(id)};
  in.start_us = o.day_us;
  in.end_us = o.day_us + seisdata::kMicrosPerDay;
  std::vector<seisdata::Trace> traces;
  std::vector<std::string> notes;
  std::string error;
  // A day file without samples of the day is a day without data, not a failure.
  if (!traceinput::read_archive(in, traces, notes, error) && error.find(": no data for ") == std::string::npos)
    return {Status::failed, error};
  const Metrics m = compute_metrics(id, o.day_us, traces);
  if (!plots.plot(traces, id + "  " + day, o.day_us, thumbnail_path(o.out_dir, id, day),
                  full_plot_path(o.out_dir, id, day), error))
    return {Status::failed, error};
  // Last: an existing metrics file means the channel is done.
  if (!safeout::write_file(metrics_file, format_metrics(m), error)) return {Status::failed, error};
  return {Status::ok, ""};
}

bool make_directories(const std::string& dir, std::string& error) {
  std::error_code ec;
  for (const char* sub : {"metrics", "plots"}) {
    fs::create_directories(fs::path(dir) / sub, ec);
    if (ec) {
      error = dir + "/" + sub + ": cannot create: " + ec.message();
      return false;
    }
  }
  return true;
}

}  // namespace

int available_cores() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
  return 1;
}

int run_day(const RunOptions& o, const char* program) {
  std::string error;
  std::error_code ec;
  DayList list{fs::absolute(o.input.sds_root, ec).lexically_normal().string(), day_label(o.day_us), {}};
  if (!seisdata::sds_channels(o.input.sds_root, o.input.patterns, o.day_us, list.ids, error) ||
      !make_directories(o.out_dir, error) ||
      // Every shard writes the whole list (the same bytes): the page shows
      // channels whose shard has not run as missing.
      !safeout::write_file(day_list_path(o.out_dir, list.day), format_day_list(list), error)) {
    std::fprintf(stderr, "%s: %s\n", program, error.c_str());
    return 1;
  }
  DayPlots plots;
  if (!plots.open(error)) {
    std::fprintf(stderr, "%s: %s\n", program, error.c_str());
    return 1;
  }
  if (list.ids.empty()) std::fprintf(stderr, "%s: no channel has a day file for %s\n", program, list.day.c_str());
  const std::vector<std::string> jobs = shard_part(list.ids, o.shard);

  const auto start = std::chrono::steady_clock::now();
  auto last_progress = start;
  std::size_t done = 0, failed = 0;
  run_jobs(
      jobs.size(), o.jobs, [&](std::size_t i) { return process_channel(o, jobs[i], plots); },
      [&](std::size_t i, const JobResult& r, double seconds) {
        ++done;
        if (r.status == Status::failed) {
          ++failed;
          std::fprintf(stderr, "%s: %s: %s\n", program, jobs[i].c_str(), r.message.c_str());
        }
        std::printf("%s\t%s\t%.2f\n", jobs[i].c_str(), status_name(r.status), seconds);
        std::fflush(stdout);
        const auto now = std::chrono::steady_clock::now();
        if (std::chrono::duration<double>(now - last_progress).count() >= kProgressEverySeconds && done < jobs.size()) {
          last_progress = now;
          const double elapsed = std::chrono::duration<double>(now - start).count();
          const double left = elapsed / static_cast<double>(done) * static_cast<double>(jobs.size() - done);
          std::fprintf(stderr, "%s: %zu of %zu channels done (%zu failed), %s elapsed, about %s left\n", program,
                       done, jobs.size(), failed, minutes_seconds(elapsed).c_str(), minutes_seconds(left).c_str());
        }
      });
  return failed > 0 ? 1 : 0;
}

int merge(const std::string& dir, const std::string& version, const char* program) {
  std::error_code ec;
  if (!fs::is_directory(dir, ec)) {
    std::fprintf(stderr, "%s: %s: not a directory\n", program, dir.c_str());
    return 1;
  }
  PageInfo info;
  info.generated = utc_now();
  info.version = version;
  std::set<std::pair<std::string, std::string>> keys;  // (day, id)
  std::set<std::string> roots, days;
  std::string error;
  for (const fs::directory_entry& e : fs::directory_iterator(dir, ec)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("channels.", 0) != 0 || e.path().extension() != ".tsv") continue;
    std::string text;
    DayList list;
    if (!read_text(e.path().string(), text, error) || !parse_day_list(text, list, error)) {
      std::fprintf(stderr, "%s: %s: %s\n", program, e.path().c_str(), error.c_str());
      return 1;
    }
    roots.insert(list.root);
    days.insert(list.day);
    for (const std::string& id : list.ids) keys.insert({list.day, id});
  }
  // Metrics of channels no list names (written by an older run) are shown too.
  std::map<std::pair<std::string, std::string>, Metrics> found;
  for (const fs::directory_entry& e : fs::directory_iterator(fs::path(dir) / "metrics", ec)) {
    const std::string name = e.path().filename().string();
    if (name.empty() || name[0] == '.' || e.path().extension() != ".tsv") continue;
    std::string text;
    Metrics m;
    if (!read_text(e.path().string(), text, error) || !parse_metrics(text, m, error)) {
      std::fprintf(stderr, "%s: %s: %s (left out)\n", program, e.path().c_str(), error.c_str());
      continue;
    }
    keys.insert({m.day, m.id});
    days.insert(m.day);
    found[{m.day, m.id}] = m;
  }
  if (keys.empty()) {
    std::fprintf(stderr, "%s: %s holds no channel lists or metrics: run seisqc --sds first\n", program, dir.c_str());
    return 1;
  }
  std::vector<Row> rows;
  for (const auto& [day, id] : keys) {
    Row r{id, day, std::nullopt};
    if (auto it = found.find({day, id}); it != found.end()) r.metrics = it->second;
    rows.push_back(std::move(r));
  }
  info.roots.assign(roots.begin(), roots.end());
  info.days.assign(days.begin(), days.end());
  const std::string page = (fs::path(dir) / "index.html").string();
  if (!safeout::write_file(page, make_page(info, rows), error)) {
    std::fprintf(stderr, "%s: %s\n", program, error.c_str());
    return 1;
  }
  std::size_t missing = 0;
  for (const Row& r : rows) missing += r.metrics ? 0 : 1;
  std::printf("%s: %zu channels, %zu without metrics\n", page.c_str(), rows.size(), missing);
  return 0;
}

}  // namespace qc
