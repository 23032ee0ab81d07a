#include <qc/run.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fnmatch.h>
#include <map>
#include <sched.h>
#include <set>

namespace qc {

namespace fs = std::filesystem;

namespace {

constexpr double kProgressEverySeconds = 10;

// NET.STA.LOC.CHA.TYPE.YEAR.DDD: the identifier of a day file of data
// (type D) of the given year and day, or nothing.
std::optional<std::string> day_file_id(const std::string& name, const Day& day) {
  char suffix[32];
  std::snprintf(suffix, sizeof suffix, ".D.%04d.%03d", day.year, day.doy);
  const std::size_t n = std::strlen(suffix);
  if (name.size() <= n || name.compare(name.size() - n, n, suffix) != 0) return std::nullopt;
  const std::string id = name.substr(0, name.size() - n);
  if (std::count(id.begin(), id.end(), '.') != 3) return std::nullopt;
  return id;
}

bool selected(const std::string& id, const std::vector<std::string>& patterns) {
  if (patterns.empty()) return true;
  for (const std::string& p : patterns)
    if (fnmatch(p.c_str(), id.c_str(), 0) == 0) return true;
  return false;
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
JobResult process_channel(const RunOptions& o, const ChannelFile& channel) {
  const std::string day = o.day.label();
  const std::string metrics_file = metrics_path(o.out_dir, channel.id, day);
  if (o.skip_existing && exists(metrics_file)) return {Status::skipped, ""};

  std::vector<seisdata::Trace> traces;
  std::vector<std::string> notes;
  std::string error;
  if (!traceinput::read_file(channel.path, o.input, traces, notes, error)) return {Status::failed, error};
  const Metrics m = compute_metrics(channel.id, o.day, traces);
  if (!write_file_atomically(metrics_file, format_metrics(m), error)) return {Status::failed, error};
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

bool list_day_channels(const std::string& root, const Day& day, std::vector<ChannelFile>& channels,
                       std::string& error) {
  channels.clear();
  std::error_code ec;
  if (!fs::is_directory(root, ec)) {
    error = root + ": not a directory";
    return false;
  }
  const fs::path year = fs::path(root) / std::to_string(day.year);
  if (!fs::is_directory(year, ec)) return true;  // nothing recorded that year
  std::map<std::string, std::string> found;
  // YEAR/NET/STA/CHA.D/ files, three directory levels down.
  for (const fs::directory_entry& net : fs::directory_iterator(year, ec)) {
    if (!net.is_directory(ec)) continue;
    for (const fs::directory_entry& sta : fs::directory_iterator(net.path(), ec)) {
      if (!sta.is_directory(ec)) continue;
      for (const fs::directory_entry& cha : fs::directory_iterator(sta.path(), ec)) {
        const std::string name = cha.path().filename().string();
        if (!cha.is_directory(ec) || name.size() < 3 || name.compare(name.size() - 2, 2, ".D") != 0) continue;
        for (const fs::directory_entry& file : fs::directory_iterator(cha.path(), ec)) {
          const std::optional<std::string> id = day_file_id(file.path().filename().string(), day);
          if (id && file.is_regular_file(ec)) found.emplace(*id, file.path().string());
        }
      }
    }
  }
  if (ec) {
    error = year.string() + ": cannot list: " + ec.message();
    return false;
  }
  for (auto& [id, path] : found) channels.push_back({id, path});
  return true;
}

int run_day(const RunOptions& o, const char* program) {
  std::string error;
  std::vector<ChannelFile> all;
  if (!list_day_channels(o.root, o.day, all, error) || !make_directories(o.out_dir, error)) {
    std::fprintf(stderr, "%s: %s\n", program, error.c_str());
    return 1;
  }
  std::error_code ec;
  DayList list{fs::absolute(o.root, ec).lexically_normal().string(), o.day.label(), {}};
  std::vector<ChannelFile> channels;
  for (const ChannelFile& c : all) {
    if (!selected(c.id, o.input.patterns)) continue;
    list.ids.push_back(c.id);
    channels.push_back(c);
  }
  // Every shard writes the whole list (the same bytes): the page shows
  // channels whose shard has not run as missing.
  if (!write_file_atomically(day_list_path(o.out_dir, list.day), format_day_list(list), error)) {
    std::fprintf(stderr, "%s: %s\n", program, error.c_str());
    return 1;
  }
  const std::vector<std::string> mine = shard_part(list.ids, o.shard);
  std::vector<ChannelFile> jobs;
  for (const ChannelFile& c : channels)
    if (std::binary_search(mine.begin(), mine.end(), c.id)) jobs.push_back(c);
  if (list.ids.empty()) std::fprintf(stderr, "%s: no channel has data for %s\n", program, list.day.c_str());

  const auto start = std::chrono::steady_clock::now();
  auto last_progress = start;
  std::size_t done = 0, failed = 0;
  run_jobs(
      jobs.size(), o.jobs, [&](std::size_t i) { return process_channel(o, jobs[i]); },
      [&](std::size_t i, const JobResult& r, double seconds) {
        ++done;
        if (r.status == Status::failed) {
          ++failed;
          std::fprintf(stderr, "%s: %s: %s\n", program, jobs[i].id.c_str(), r.message.c_str());
        }
        std::printf("%s\t%s\t%.2f\n", jobs[i].id.c_str(), status_name(r.status), seconds);
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
  if (!write_file_atomically(page, make_page(info, rows), error)) {
    std::fprintf(stderr, "%s: %s\n", program, error.c_str());
    return 1;
  }
  std::size_t missing = 0;
  for (const Row& r : rows) missing += r.metrics ? 0 : 1;
  std::printf("%s: %zu channels, %zu without metrics\n", page.c_str(), rows.size(), missing);
  return 0;
}

}  // namespace qc
