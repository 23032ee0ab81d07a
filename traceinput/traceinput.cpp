#include "traceinput.h"

#include <charconv>
#include <cstdio>
#include <string>

#include "sds.h"

namespace traceinput {

namespace {

// "F1,F2" as two finite numbers.
bool parse_band(const std::string& text, double& f1, double& f2) {
  const std::size_t comma = text.find(',');
  if (comma == std::string::npos) return false;
  const auto a = cmdline::finite_double(std::string_view(text).substr(0, comma));
  const auto b = cmdline::finite_double(std::string_view(text).substr(comma + 1));
  if (!a || !b) return false;
  f1 = *a;
  f2 = *b;
  return true;
}

bool parse_corners(const std::string& text, int& corners) {
  const char* end = text.data() + text.size();
  const auto [stop, ec] = std::from_chars(text.data(), end, corners);
  return ec == std::errc() && stop == end && corners >= processing::kMinCorners &&
         corners <= processing::kMaxCorners;
}

// A filter option: one filter at a time, corners above 0 (in order).
cmdline::Take take_filter(const cmdline::Arg& arg, processing::Band band, processing::Steps& s, const char* program) {
  if (s.band != processing::Band::none) {
    std::fprintf(stderr, "%s: %s after %s: one filter at a time (--bandpass F1,F2 for a band)\n", program,
                 arg.name.c_str(), processing::band_option(s.band));
    return cmdline::Take::bad;
  }
  bool ok = false;
  if (band == processing::Band::bandpass) {
    ok = parse_band(arg.value, s.f1, s.f2) && s.f1 > 0 && s.f1 < s.f2;
  } else if (const auto f = cmdline::finite_double(arg.value)) {
    s.f1 = *f;
    ok = s.f1 > 0;
  }
  if (!ok) {
    std::fprintf(stderr, "%s: bad %s value '%s' (%s)\n", program, arg.name.c_str(), arg.value.c_str(),
                 band == processing::Band::bandpass ? "F1,F2 in Hz, 0 < F1 < F2" : "a frequency above 0 Hz");
    return cmdline::Take::bad;
  }
  s.band = band;
  return cmdline::Take::taken;
}

}  // namespace

std::vector<std::string_view> value_options() {
  return {"--select", "--sds", "--start", "--end", "--taper", "--lowpass", "--highpass", "--bandpass", "--corners"};
}

namespace {

constexpr const char* kProcessingHelp =
    "Processing of each contiguous trace, in this order (never across a gap):\n"
    "  --demean           remove the mean\n"
    "  --detrend          remove the least-squares line\n"
    "  --taper FRACTION   cosine taper of FRACTION of the trace at each end\n"
    "                     (0 < FRACTION <= 0.5)\n"
    "  --lowpass F, --highpass F, --bandpass F1,F2\n"
    "                     Butterworth filter, corners in Hz below the Nyquist\n"
    "                     frequency; the trace must last one period of the\n"
    "                     lowest corner\n"
    "  --corners N        poles of the filter, 1 to 10 (default 4; a band-pass\n"
    "                     has twice as many)\n"
    "  --zerophase        run the filter forward and backward: zero phase, -6 dB\n"
    "                     at a corner (default: causal, one pass, -3 dB)\n";

}  // namespace

const char* options_help() {
  static const std::string text =
      std::string("  --select PATTERN   keep the traces whose NET.STA.LOC.CHA matches the glob\n"
                  "                     PATTERN (repeatable; e.g. 'IU.*.00.LH?')\n"
                  "  --sds ROOT         read from the SDS archive ROOT instead of files:\n"
                  "                     ROOT/YEAR/NET/STA/CHA.D/NET.STA.LOC.CHA.D.YEAR.DOY\n"
                  "  --start TIME       with --sds: the window's start, ISO 8601 UTC\n"
                  "                     (2024-03-01T06:00:00, 2024-061T06:00:00.5, 2024-03-01)\n"
                  "  --end TIME         with --sds: the window's end (samples before it are kept)\n") +
      kProcessingHelp;
  return text.c_str();
}

const char* processing_help() { return kProcessingHelp; }

cmdline::Take take_option(const cmdline::Arg& arg, Options& o, const char* program) {
  if (!arg.option) return cmdline::Take::not_mine;
  processing::Steps& s = o.processing;
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
  } else if (arg.name == "--demean") {
    s.demean = true;
  } else if (arg.name == "--detrend") {
    s.detrend = true;
  } else if (arg.name == "--zerophase") {
    s.zerophase = true;
  } else if (arg.name == "--taper") {
    const auto f = cmdline::finite_double(arg.value);
    if (!f || !(*f > 0 && *f <= processing::kMaxTaper)) {
      std::fprintf(stderr, "%s: bad --taper value '%s' (a fraction above 0, at most 0.5)\n", program,
                   arg.value.c_str());
      return cmdline::Take::bad;
    }
    s.taper = *f;
  } else if (arg.name == "--corners") {
    if (!parse_corners(arg.value, s.corners)) {
      std::fprintf(stderr, "%s: bad --corners value '%s' (a whole number, 1 to 10)\n", program,
                   arg.value.c_str());
      return cmdline::Take::bad;
    }
    o.corners_given = true;
  } else if (arg.name == "--lowpass") {
    return take_filter(arg, processing::Band::lowpass, s, program);
  } else if (arg.name == "--highpass") {
    return take_filter(arg, processing::Band::highpass, s, program);
  } else if (arg.name == "--bandpass") {
    return take_filter(arg, processing::Band::bandpass, s, program);
  } else {
    return cmdline::Take::not_mine;
  }
  return cmdline::Take::taken;
}

bool check_options(const Options& o, const char* program) {
  const char* alone = nullptr;
  if (o.processing.band == processing::Band::none) {
    if (o.corners_given) alone = "--corners";
    if (o.processing.zerophase) alone = "--zerophase";
  }
  if (alone != nullptr) {
    std::fprintf(stderr, "%s: %s needs a filter: --lowpass, --highpass or --bandpass\n", program, alone);
    return false;
  }
  return true;
}

bool check_source(const Options& o, bool files_given, const char* program) {
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
  std::vector<seisdata::Trace> read;
  if (!seisdata::read_sds({o.sds_root, o.patterns, o.start_us, o.end_us}, read, notes, error) ||
      !process(o, read, error))
    return false;
  traces.insert(traces.end(), std::make_move_iterator(read.begin()), std::make_move_iterator(read.end()));
  return true;
}

bool process(const Options& o, std::vector<seisdata::Trace>& traces, std::string& error) {
  if (!o.processing.any()) return true;
  const std::string applied = processing::describe(o.processing);
  for (seisdata::Trace& t : traces) {
    std::string why;
    if (!processing::apply(o.processing, t.rate, t.samples, why)) {
      error = t.source + ": " + t.id() + " from " + seisdata::iso_time(t.start_us) + ": " + why;
      return false;
    }
    t.processing = applied;
  }
  return true;
}

bool read_file(const std::string& path, const Options& o, std::vector<seisdata::Trace>& traces,
               std::vector<std::string>& notes, std::string& error) {
  std::vector<std::uint8_t> bytes;
  return seisdata::read_bytes(path, bytes, error) && read_data(path, bytes, o, traces, notes, error);
}

bool read_data(const std::string& path, const std::vector<std::uint8_t>& bytes, const Options& o,
               std::vector<seisdata::Trace>& traces, std::vector<std::string>& notes, std::string& error) {
  std::vector<seisdata::Trace> read;
  if (!seisdata::read_data(path, bytes, read, notes, error)) return false;
  std::vector<seisdata::Trace> selected = seisdata::select_traces(std::move(read), o.patterns);
  if (!process(o, selected, error)) return false;
  for (seisdata::Trace& t : selected) traces.push_back(std::move(t));
  return true;
}

}  // namespace traceinput
