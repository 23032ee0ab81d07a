// seisday: the day plot (helicorder) of one channel, from an SDS archive or
// from files, drawn through the library and rendered in one process.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <dayplot/dayplot.h>
#include <figure/figure.h>
#include <parallel/parallel.h>

#include "cmdline.h"
#include "sds.h"
#include "seisdata.h"
#include "traceinput.h"

namespace {

constexpr int kUsageError = 2;

void usage(std::FILE* out) {
  std::fprintf(out,
      "usage: seisday (--sds ROOT --select ID --day DAY | FILE...) -o OUT.{png,svg,pdf} [options]\n"
      "Draws 24 hours of one channel as a day plot: stacked lines of --interval\n"
      "minutes from the day's start, each line's start time (UTC) at its left,\n"
      "minutes along the bottom, the lines' colours cycling over four pens, gaps\n"
      "left blank, one amplitude scale for the whole day.\n"
      "  --day DAY          the day, YYYY-DDD or YYYY-MM-DD (default: the day of the\n"
      "                     first sample of the files)\n"
      "  --start TIME       begin the 24 hours at TIME instead of the day's midnight\n"
      "                     (ISO 8601 UTC)\n"
      "  --interval MIN     minutes per line, 5 to 120 (default 15)\n"
      "  --clip P           the amplitude scale puts the P-th percentile of |amplitude|\n"
      "                     (less the day's mean) at the edge of its line's band;\n"
      "                     larger excursions are clipped there (default 99.5)\n"
      "  --scale VALUE      counts per line spacing instead (excursions beyond half a\n"
      "                     line spacing are clipped)\n"
      "  --events FILE      mark events: lines 'TIME [LABEL]', TIME in ISO 8601 UTC\n"
      "  --title T          the title (default: the trace identifier and the day, and\n"
      "                     the processing applied)\n"
      "%s%s"
      "  --help\n"
      "The channel must be one: --select chooses it among several.  Exit status 0 on\n"
      "success, 1 on bad input or a failed drawing, 2 on a usage error.\n",
      figure::options_help(), traceinput::options_help());
}

struct Options {
  std::vector<std::string> files;
  traceinput::Options input;
  figure::Options figure;
  dayplot::Settings plot;
  std::int64_t day_us = 0;
  bool day_given = false;
  bool titled = false;
  std::string events_file;
};

bool parse_number(const std::string& text, double low, double high, double& out) {
  const std::optional<float> v = cmdline::finite_float(text);
  if (!v || !(*v >= low && *v <= high)) return false;
  out = *v;
  return true;
}

// 0 to go on, -1 after --help, else the exit status.
int parse_args(int argc, char** argv, Options& o) {
  std::vector<std::string_view> with_value = figure::value_options();
  for (std::string_view v : traceinput::value_options()) with_value.push_back(v);
  for (std::string_view v : {"--day", "--interval", "--clip", "--scale", "--events", "--title"})
    with_value.push_back(v);
  const auto args = cmdline::read_args(argc, argv, with_value, "seisday");
  if (!args) return kUsageError;
  for (const cmdline::Arg& arg : *args) {
    cmdline::Take took = figure::take_option(arg, o.figure, "seisday");
    if (took == cmdline::Take::not_mine) took = traceinput::take_option(arg, o.input, "seisday");
    if (took == cmdline::Take::bad) return kUsageError;
    if (took == cmdline::Take::taken) continue;
    const auto& [name, value, option] = arg;
    std::string error;
    double number = 0;
    if (name == "--help" || name == "-h") {
      usage(stdout);
      return -1;
    } else if (name == "--day") {
      if (!seisdata::parse_day(value, o.day_us, error)) {
        std::fprintf(stderr, "seisday: --day: %s\n", error.c_str());
        return kUsageError;
      }
      o.day_given = true;
    } else if (name == "--interval") {
      if (!parse_number(value, dayplot::kMinInterval, dayplot::kMaxInterval, number) || number != std::floor(number)) {
        std::fprintf(stderr, "seisday: bad --interval '%s' (whole minutes, %d to %d)\n", value.c_str(),
                     dayplot::kMinInterval, dayplot::kMaxInterval);
        return kUsageError;
      }
      o.plot.interval = static_cast<int>(number);
    } else if (name == "--clip") {
      if (!parse_number(value, 0, 100, number) || number == 0) {
        std::fprintf(stderr, "seisday: bad --clip '%s' (a percentile, more than 0, at most 100)\n", value.c_str());
        return kUsageError;
      }
      o.plot.clip_percent = number;
    } else if (name == "--scale") {
      if (!parse_number(value, 0, 3.4e38, number) || number == 0) {
        std::fprintf(stderr, "seisday: bad --scale '%s' (counts per line spacing, more than 0)\n", value.c_str());
        return kUsageError;
      }
      o.plot.scale = number;
    } else if (name == "--events") {
      o.events_file = value;
    } else if (name == "--title") {
      o.plot.title = value;
      o.titled = true;
    } else if (option) {
      std::fprintf(stderr, "seisday: unknown option %s\n", name.c_str());
      usage(stderr);
      return kUsageError;
    } else {
      o.files.push_back(name);
    }
  }
  const bool archive = traceinput::from_archive(o.input);
  if ((o.files.empty() && !archive) || o.figure.out.empty()) {
    usage(stderr);
    return kUsageError;
  }
  if (o.input.end_given) {
    std::fputs("seisday: a day plot shows 24 hours: give --day or --start, not --end\n", stderr);
    return kUsageError;
  }
  if (archive && !o.day_given && !o.input.start_given) {
    std::fputs("seisday: --sds needs --day (or --start)\n", stderr);
    return kUsageError;
  }
  if (archive && !o.files.empty()) {
    std::fputs("seisday: give either files or --sds, not both\n", stderr);
    return kUsageError;
  }
  if (!traceinput::check_options(o.input, "seisday")) return kUsageError;
  std::vector<std::string> inputs = o.files;
  if (!o.events_file.empty()) inputs.push_back(o.events_file);
  return figure::check_options(o.figure, inputs, "seisday") ? 0 : kUsageError;
}

void print_notes(const std::vector<std::string>& notes) {
  for (const std::string& n : notes) std::fprintf(stderr, "seisday: %s\n", n.c_str());
}

// The traces of the 24 hours from o.plot.start_us (set here when the files
// decide it).
bool read_day(Options& o, std::vector<seisdata::Trace>& traces) {
  std::vector<std::string> notes;
  std::string error;
  std::vector<seisdata::Trace> read;
  bool ok = true;
  if (traceinput::from_archive(o.input)) {
    o.input.end_us = o.plot.start_us + dayplot::kDayMicros;
    o.input.start_us = o.plot.start_us;
    ok = traceinput::read_archive(o.input, read, notes, error);
  } else {
    for (const std::string& file : o.files)
      if (!(ok = traceinput::read_file(file, o.input, read, notes, error))) break;
  }
  print_notes(notes);
  if (!ok) {
    std::fprintf(stderr, "seisday: %s\n", error.c_str());
    return false;
  }
  if (read.empty()) {
    std::fputs("seisday: no trace matches --select\n", stderr);
    return false;
  }
  for (const seisdata::Trace& t : read) {
    if (t.id() != read.front().id()) {
      std::fprintf(stderr, "seisday: a day plot shows one channel, the input holds %s and %s: choose one "
                   "with --select\n", read.front().id().c_str(), t.id().c_str());
      return false;
    }
    if (!t.note.empty()) std::fprintf(stderr, "seisday: %s: %s: %s\n", t.source.c_str(), t.id().c_str(), t.note.c_str());
  }
  if (!o.day_given && !o.input.start_given) {
    std::int64_t first = read.front().start_us;
    for (const seisdata::Trace& t : read) first = std::min(first, t.start_us);
    o.plot.start_us = first - ((first % dayplot::kDayMicros) + dayplot::kDayMicros) % dayplot::kDayMicros;
  }
  const std::string id = read.front().id();
  for (seisdata::Trace& t : read) {
    seisdata::Trace part;
    if (seisdata::cut_window(std::move(t), o.plot.start_us, o.plot.start_us + dayplot::kDayMicros, part))
      traces.push_back(std::move(part));
  }
  if (traces.empty()) {
    std::fprintf(stderr, "seisday: %s: no samples from %s to %s\n", id.c_str(),
                 seisdata::iso_time(o.plot.start_us).c_str(),
                 seisdata::iso_time(o.plot.start_us + dayplot::kDayMicros).c_str());
    return false;
  }
  return true;
}

// "NET.STA.LOC.CHA  2025-01-01 (2025-001)", with the time when the plot
// does not start at midnight.
std::string default_title(const std::string& id, std::int64_t start_us) {
  const std::string iso = seisdata::iso_time(start_us);
  const seisdata::YearDay yd = seisdata::year_day(start_us);
  char day[16];
  std::snprintf(day, sizeof day, "%04d-%03d", yd.year % 10000, yd.day % 1000);
  std::string title = id + "  " + iso.substr(0, 10) + " (" + day + ")";
  if (start_us % dayplot::kDayMicros != 0) title += " from " + iso.substr(11, 8);
  return title;
}

}  // namespace

int main(int argc, char** argv) {
  cmdline::reuse_large_blocks();
  Options o;
  if (const int status = parse_args(argc, argv, o); status != 0) return status < 0 ? EXIT_SUCCESS : status;
  // A day at 100 Hz needs about this much memory: its day file, libmseed's
  // integers, the floats and the picture.
  constexpr std::size_t kDayBytes = std::size_t{96} << 20;
  cmdline::prepare_heap(kDayBytes);
  o.plot.threads = o.figure.threads = parallel::hardware_threads();
  if (o.input.start_given) o.plot.start_us = o.input.start_us;
  else if (o.day_given) o.plot.start_us = o.day_us;

  std::string error;
  if (!o.events_file.empty() && !dayplot::read_events(o.events_file, o.plot.events, error)) {
    std::fprintf(stderr, "seisday: %s\n", error.c_str());
    return EXIT_FAILURE;
  }
  std::vector<seisdata::Trace> traces;
  if (!read_day(o, traces)) return EXIT_FAILURE;
  if (!o.titled) {
    o.plot.title = default_title(traces.front().id(), o.plot.start_us);
    if (!traces.front().processing.empty()) o.plot.title += "; " + traces.front().processing;
  }
  if (figure::raster_only(o.figure)) o.plot.column_dpi = o.figure.dpi;
  o.figure.pen_colours = true;

  figure::PlotFile plot;
  if (!plot.open(o.figure.plotfile, error)) {
    std::fprintf(stderr, "seisday: %s\n", error.c_str());
    return EXIT_FAILURE;
  }
  float para[dayplot::kParaSize] = {};
  if (!dayplot::draw(traces, o.plot, para)) return EXIT_FAILURE;  // the library has said why
  std::vector<std::uint8_t> bytes;
  if (!plot.bytes(bytes, error) || !figure::render(bytes, o.figure, error)) {
    std::fprintf(stderr, "seisday: %s\n", error.c_str());
    return EXIT_FAILURE;
  }
  return EXIT_SUCCESS;
}
