// seis2rec: SAC and miniSEED files to fixed-column records that tracel reads.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "cmdline.h"
#include "safeout.h"
#include "seisdata.h"
#include "traceinput.h"

namespace {

constexpr int kUsageError = 2;

void usage(std::FILE* out) {
  std::fprintf(out,
      "usage: seis2rec [options] (FILE... | --sds ROOT --start TIME --end TIME) [-o OUT]\n"
      "Writes each contiguous trace of the SAC and miniSEED files (or of the window\n"
      "of an SDS archive) as a record that\n"
      "tracel reads, named NET.STA.LOC.CHA.rec (NET.STA.LOC.CHA-1.rec, -2, ... when a\n"
      "channel gives several records: gaps, overlaps, --split, several files).\n"
      "  -o OUT               write the one record to OUT (refused when there are several)\n"
      "  --split              cut traces longer than 99999 samples into consecutive\n"
      "                       records of at most 99999 samples, each with its start time\n"
      "  --window START,END   keep the samples from START to END seconds after the\n"
      "                       start of each trace\n"
      "%s"
      "  --help\n"
      "A record holds at most 99999 samples: a longer trace is refused unless --split\n"
      "or --window is given.  Gaps and overlaps, rounding of integer samples beyond\n"
      "2^24 and skipped text channels are reported on the standard error stream.\n"
      "Records are written under a temporary name and renamed when complete; bad input\n"
      "writes nothing.  Exit status 0 on success, 1 on bad input, 2 on a usage error.\n",
      traceinput::options_help());
}

struct Options {
  std::vector<std::string> files;
  traceinput::Options input;
  std::string out;
  bool split = false;
  bool windowed = false;
  double start = 0, end = 0;
};

bool parse_window(const std::string& text, double& start, double& end) {
  const std::size_t comma = text.find(',');
  if (comma == std::string::npos) return false;
  char* stop = nullptr;
  const std::string a = text.substr(0, comma), b = text.substr(comma + 1);
  start = std::strtod(a.c_str(), &stop);
  if (a.empty() || *stop != '\0') return false;
  end = std::strtod(b.c_str(), &stop);
  if (b.empty() || *stop != '\0') return false;
  return std::isfinite(start) && std::isfinite(end) && start <= end;
}

// 0 to go on, else the exit status.
int parse_args(int argc, char** argv, Options& o) {
  std::vector<std::string_view> with_value = traceinput::value_options();
  with_value.push_back("-o");
  with_value.push_back("--window");
  const auto args = cmdline::read_args(argc, argv, with_value, "seis2rec");
  if (!args) return kUsageError;
  for (const cmdline::Arg& arg : *args) {
    const cmdline::Take took = traceinput::take_option(arg, o.input, "seis2rec");
    if (took == cmdline::Take::bad) return kUsageError;
    if (took == cmdline::Take::taken) continue;
    const auto& [a, value, option] = arg;
    if (a == "--help" || a == "-h") {
      usage(stdout);
      return -1;
    } else if (a == "-o") {
      if (value.empty()) {
        std::fputs("seis2rec: -o needs a file name\n", stderr);
        return kUsageError;
      }
      o.out = value;
    } else if (a == "--split") {
      o.split = true;
    } else if (a == "--window") {
      if (!parse_window(value, o.start, o.end)) {
        std::fprintf(stderr, "seis2rec: bad --window '%s' (START,END in seconds, START <= END)\n",
                     value.c_str());
        return kUsageError;
      }
      o.windowed = true;
    } else if (option) {
      std::fprintf(stderr, "seis2rec: unknown option %s\n", a.c_str());
      usage(stderr);
      return kUsageError;
    } else {
      o.files.push_back(a);
    }
  }
  if (o.files.empty() && !traceinput::from_archive(o.input)) {
    usage(stderr);
    return kUsageError;
  }
  if (std::string error; !o.out.empty() && !safeout::not_an_input(o.out, o.files, error)) {
    std::fprintf(stderr, "seis2rec: %s\n", error.c_str());
    return kUsageError;
  }
  return traceinput::check_options(o.input, "seis2rec") && traceinput::check_source(o.input, !o.files.empty(), "seis2rec")
             ? 0
             : kUsageError;
}

// The records to write: each trace windowed, then whole or split.
bool cut_records(const Options& o, const std::vector<seisdata::Trace>& traces,
                 std::vector<seisdata::Trace>& records) {
  for (const seisdata::Trace& whole : traces) {
    seisdata::Trace t;
    if (!o.windowed) {
      t = whole;
    } else if (!seisdata::window(whole, o.start, o.end, t)) {
      std::fprintf(stderr, "seis2rec: %s: %s: no sample in the window %g to %g s\n", whole.source.c_str(),
                   whole.id().c_str(), o.start, o.end);
      return false;
    }
    const std::size_t n = t.samples.size();
    if (n <= seisdata::kMaxRecordSamples) {
      records.push_back(std::move(t));
    } else if (o.split) {
      for (std::size_t first = 0; first < n; first += seisdata::kMaxRecordSamples)
        records.push_back(seisdata::slice(t, first, std::min(seisdata::kMaxRecordSamples, n - first)));
    } else {
      std::fprintf(stderr,
                   "seis2rec: %s: %s has %zu samples from %s; a record holds at most 99999: "
                   "use --split for consecutive records or --window START,END for a part\n",
                   t.source.c_str(), t.id().c_str(), n, seisdata::iso_time(t.start_us).c_str());
      return false;
    }
  }
  return true;
}

// Output names: -o for the one record, else NET.STA.LOC.CHA.rec, numbered
// when several records would take the same name.
bool name_records(const Options& o, const std::vector<seisdata::Trace>& records,
                  std::vector<std::string>& names) {
  if (!o.out.empty()) {
    if (records.size() != 1) {
      std::fprintf(stderr, "seis2rec: -o names one record, but the input gives %zu; use --select, or "
                   "leave -o out for the default names\n", records.size());
      return false;
    }
    names.push_back(o.out);
    return true;
  }
  std::map<std::string, int> total, used;
  for (const seisdata::Trace& r : records) ++total[seisdata::record_name(r, 0)];
  for (const seisdata::Trace& r : records) {
    const std::string plain = seisdata::record_name(r, 0);
    names.push_back(total[plain] == 1 ? plain : seisdata::record_name(r, ++used[plain]));
  }
  for (const std::string& name : names) {
    if (std::string error; !safeout::not_an_input(name, o.files, error)) {
      std::fprintf(stderr, "seis2rec: %s; use -o\n", error.c_str());
      return false;
    }
  }
  return true;
}

int run(int argc, char** argv) {
  cmdline::reuse_large_blocks();
  Options o;
  if (const int status = parse_args(argc, argv, o); status != 0) return status < 0 ? EXIT_SUCCESS : status;

  // Everything is read and checked before the first record is written.
  std::vector<seisdata::Trace> traces;
  const auto report = [&](bool ok, const std::vector<std::string>& notes, const std::string& error) {
    for (const std::string& n : notes) std::fprintf(stderr, "seis2rec: %s\n", n.c_str());
    if (!ok) std::fprintf(stderr, "seis2rec: %s\n", error.c_str());
    return ok;
  };
  if (traceinput::from_archive(o.input)) {
    std::vector<std::string> notes;
    std::string error;
    if (!report(traceinput::read_archive(o.input, traces, notes, error), notes, error)) return EXIT_FAILURE;
  }
  for (const std::string& file : o.files) {
    std::vector<std::string> notes;
    std::string error;
    if (!report(traceinput::read_file(file, o.input, traces, notes, error), notes, error)) return EXIT_FAILURE;
  }
  if (traces.empty()) {
    std::fputs(o.input.patterns.empty() ? "seis2rec: the files hold no samples to write\n"
                                        : "seis2rec: no trace matches --select\n",
               stderr);
    return EXIT_FAILURE;
  }
  std::vector<seisdata::Trace> records;
  std::vector<std::string> names;
  if (!cut_records(o, traces, records) || !name_records(o, records, names)) return EXIT_FAILURE;
  std::vector<std::string> texts(records.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    std::string error;
    if (!seisdata::format_record(records[i], texts[i], error)) {
      std::fprintf(stderr, "seis2rec: %s: %s\n", records[i].source.c_str(), error.c_str());
      return EXIT_FAILURE;
    }
  }

  safeout::Writer writer;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const seisdata::Trace& r = records[i];
    std::string error;
    if (!seisdata::write_record(names[i], texts[i], error, &writer)) {
      std::fprintf(stderr, "seis2rec: %s\n", error.c_str());
      return EXIT_FAILURE;
    }
    if (!r.note.empty()) std::fprintf(stderr, "seis2rec: %s: %s\n", names[i].c_str(), r.note.c_str());
    if (names[i].size() > seisdata::kRecordNameWidth)
      std::fprintf(stderr, "seis2rec: warning: %s is longer than the %zu characters tracel's prompt takes\n",
                   names[i].c_str(), seisdata::kRecordNameWidth);
    std::printf("%s: %s, %zu samples from %s\n", names[i].c_str(), r.id().c_str(), r.samples.size(),
                seisdata::iso_time(r.start_us).c_str());
  }
  return EXIT_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) { return cmdline::run_main("seis2rec", run, argc, argv); }
