#include "traceinput.h"

#include <cstdio>

#include "sds.h"

namespace traceinput {

std::vector<std::string_view> value_options() { return {"--select", "--sds", "--start", "--end"}; }

const char* options_help() {
  return "  --select PATTERN   keep the traces whose NET.STA.LOC.CHA matches the glob\n"
         "                     PATTERN (repeatable; e.g. 'IU.*.00.LH?')\n"
         "  --sds ROOT         read from the SDS archive ROOT instead of files:\n"
         "                     ROOT/YEAR/NET/STA/CHA.D/NET.STA.LOC.CHA.D.YEAR.DOY\n"
         "  --start TIME       with --sds: the window's start, ISO 8601 UTC\n"
         "                     (2024-03-01T06:00:00, 2024-061T06:00:00.5, 2024-03-01)\n"
         "  --end TIME         with --sds: the window's end (samples before it are kept)\n";
}

cmdline::Take take_option(const cmdline::Arg& arg, Options& o, const char* program) {
  if (!arg.option) return cmdline::Take::not_mine;
  if (arg.name == "--select") {
    o.patterns.push_back(arg.value);
  } else if (arg.name == "--sds") {
    o.sds_root = arg.value;
    if (o.sds_root.empty()) {
      std::fprintf(stderr, "%s: --sds needs the archive's directory\n", program);
      return cmdline::Take::bad;
    }
  } else if (arg.name == "--start" || arg.name == "--end") {
    const bool start = arg.name == "--start";
    std::string error;
    if (!seisdata::parse_time(arg.value, start ? o.start_us : o.end_us, error)) {
      std::fprintf(stderr, "%s: %s: %s\n", program, arg.name.c_str(), error.c_str());
      return cmdline::Take::bad;
    }
    (start ? o.start_given : o.end_given) = true;
  } else {
    return cmdline::Take::not_mine;
  }
  return cmdline::Take::taken;
}

bool check_options(const Options& o, bool files_given, const char* program) {
  const char* problem = nullptr;
  if (o.sds_root.empty() && (o.start_given || o.end_given))
    problem = "--start and --end go with --sds";
  else if (!o.sds_root.empty() && files_given)
    problem = "give either files or --sds, not both";
  else if (!o.sds_root.empty() && !(o.start_given && o.end_given))
    problem = "--sds needs --start and --end";
  else if (!o.sds_root.empty() && o.end_us <= o.start_us)
    problem = "--end must be after --start";
  if (problem == nullptr) return true;
  std::fprintf(stderr, "%s: %s\n", program, problem);
  return false;
}

bool from_archive(const Options& o) { return !o.sds_root.empty(); }

bool read_archive(const Options& o, std::vector<seisdata::Trace>& traces, std::vector<std::string>& notes,
                  std::string& error) {
  return seisdata::read_sds({o.sds_root, o.patterns, o.start_us, o.end_us}, traces, notes, error);
}

bool read_file(const std::string& path, const Options& o, std::vector<seisdata::Trace>& traces,
               std::vector<std::string>& notes, std::string& error) {
  std::vector<seisdata::Trace> read;
  if (!seisdata::read_data_file(path, read, notes, error)) return false;
  for (seisdata::Trace& t : seisdata::select_traces(std::move(read), o.patterns)) traces.push_back(std::move(t));
  return true;
}

}  // namespace traceinput
