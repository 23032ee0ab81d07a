// seisqc: a network's day at a glance.  Metrics and day plots of every
// channel-day of an SDS archive (a shard of the channels at a time, on
// several threads), and a static HTML page merging what the shards wrote.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <qc/run.h>

#include "cmdline.h"
#include "sds.h"
#include "traceinput.h"

namespace {

constexpr int kUsageError = 2;
constexpr const char* kProgram = "seisqc";

void usage(std::FILE* out) {
  std::fprintf(out,
      "usage: seisqc --sds ROOT --day DAY -o DIR [--select GLOB...] [--shard I/N|auto]\n"
      "              [--jobs J] [--skip-existing]\n"
      "       seisqc --merge DIR\n"
      "Quality control of one day of an SDS archive: for each channel with a day file\n"
      "under ROOT/YEAR/NET/STA/CHA.D/, its metrics in DIR/metrics/ID.DAY.tsv and its\n"
      "day plot in DIR/plots/ID.DAY.png (thumbnail) and ID.DAY.full.png.  One status\n"
      "line per channel on standard output (identifier, ok, skipped or failed,\n"
      "seconds).  --merge makes DIR/index.html of all the metrics in DIR.\n"
      "  --sds ROOT         the SDS archive\n"
      "  --day DAY          the day, YYYY-MM-DD or YYYY-DDD (day of the year)\n"
      "  -o DIR             the output directory (made when missing)\n"
      "  --select GLOB      only the channels whose NET.STA.LOC.CHA matches the glob\n"
      "                     (repeatable; e.g. 'IU.*.00.LH?')\n"
      "  --shard I/N        only the I-th of N parts of the sorted channel list (1 <= I <= N)\n"
      "  --shard auto       the part of this Slurm array task (SLURM_ARRAY_TASK_ID,\n"
      "                     _COUNT, _MIN and _STEP)\n"
      "  --jobs J           channels processed at once, on threads (default: the cores\n"
      "                     this process may use)\n"
      "  --skip-existing    leave channels whose metrics file exists (it is written\n"
      "                     last; resumes a stopped run)\n"
      "  --merge DIR        write DIR/index.html from DIR's channel lists and metrics\n"
      "%s"
      "  --help, --version\n"
      "Exit status 0 on success, 1 when a channel failed or on bad input, 2 on a usage\n"
      "error.\n",
      traceinput::processing_help());
}

struct Options {
  qc::RunOptions run;
  std::string merge_dir;
  std::string day_text, shard_text;
};

bool archive_given(const Options& o) { return !o.run.input.sds_root.empty(); }

bool parse_jobs(const std::string& text, int& jobs) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), jobs);
  return ec == std::errc() && end == text.data() + text.size() && jobs >= 1 && jobs <= 1024;
}

int bad(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
  return kUsageError;
}

// 0 to go on, -1 after --help or --version, else the exit status.
int parse_args(int argc, char** argv, Options& o) {
  std::vector<std::string_view> with_value = traceinput::value_options();
  for (const char* v : {"--day", "-o", "--shard", "--jobs", "--merge"}) with_value.push_back(v);
  const auto args = cmdline::read_args(argc, argv, with_value, kProgram);
  if (!args) return kUsageError;
  o.run.jobs = qc::available_cores();
  for (const cmdline::Arg& arg : *args) {
    const cmdline::Take took = traceinput::take_option(arg, o.run.input, kProgram);
    if (took == cmdline::Take::bad) return kUsageError;
    if (took == cmdline::Take::taken) continue;
    if (arg.name == "--help" || arg.name == "-h") {
      usage(stdout);
      return -1;
    } else if (arg.name == "--version") {
      std::printf("seisqc %s\n", SEISQC_VERSION);
      return -1;
    } else if (arg.name == "--day") {
      o.day_text = arg.value;
    } else if (arg.name == "-o") {
      o.run.out_dir = arg.value;
    } else if (arg.name == "--shard") {
      o.shard_text = arg.value;
    } else if (arg.name == "--jobs") {
      if (!parse_jobs(arg.value, o.run.jobs)) return bad("bad --jobs value '" + arg.value + "' (1 to 1024)");
    } else if (arg.name == "--skip-existing") {
      o.run.skip_existing = true;
    } else if (arg.name == "--merge") {
      o.merge_dir = arg.value;
    } else {
      std::fprintf(stderr, "%s: %s %s\n", kProgram, arg.option ? "unknown option" : "unexpected operand",
                   arg.name.c_str());
      usage(stderr);
      return kUsageError;
    }
  }
  if (!o.merge_dir.empty()) {
    if (archive_given(o) || !o.day_text.empty() || !o.run.out_dir.empty())
      return bad("--merge DIR takes no other options");
    return 0;
  }
  if (o.run.input.start_given || o.run.input.end_given) return bad("--day gives the window: no --start or --end");
  if (!traceinput::check_options(o.run.input, kProgram)) return kUsageError;
  if (!archive_given(o) || o.day_text.empty() || o.run.out_dir.empty()) {
    usage(stderr);
    return kUsageError;
  }
  std::string error;
  if (!seisdata::parse_day(o.day_text, o.run.day_us, error)) return bad("--day: " + error);
  if (o.shard_text == "auto") {
    if (!qc::shard_from_slurm(std::getenv, o.run.shard, error)) return bad("--shard auto: " + error);
  } else if (!o.shard_text.empty()) {
    const std::optional<qc::Shard> shard = qc::parse_shard(o.shard_text);
    if (!shard) return bad("bad --shard '" + o.shard_text + "' (I/N with 1 <= I <= N, or auto)");
    o.run.shard = *shard;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (const int status = parse_args(argc, argv, o); status != 0) return status < 0 ? 0 : status;
  if (!o.merge_dir.empty()) return qc::merge(o.merge_dir, SEISQC_VERSION, kProgram);
  qc::remove_temporaries_on_signal();
  cmdline::reuse_large_blocks();
  return qc::run_day(o.run, kProgram);
}
