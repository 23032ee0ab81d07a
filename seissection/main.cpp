// seissection: the traces of one event in a record section, placed by
// epicentral distance, with predicted phase curves, drawn through the
// library into a plot file and rendered in the same process.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include <figure/figure.h>
#include <parallel/parallel.h>
#include <section/section.h>

#include "cmdline.h"
#include "seisdata.h"
#include "processing.h"
#include "traceinput.h"

namespace {

constexpr int kUsageError = 2;
const char* const kProgram = "seissection";

void usage(std::FILE* out) {
  std::fprintf(out,
      "usage: seissection [options] FILE... -o OUT.{png,svg,pdf}\n"
      "Draws the traces of one event's SAC, miniSEED and record files as a record\n"
      "section: distance upward, time after the origin to the right.\n"
      "  --event LAT,LON,DEPTH,TIME  the event (degrees, km, UTC YYYY-MM-DDTHH:MM:SS[.f]);\n"
      "                     without it, event and distance come from the SAC headers\n"
      "  --stations FILE    station positions, FDSN station text (station or channel level)\n"
      "  --km               distances in km (default degrees)\n"
      "  --reduce VEL       plot t - distance/VEL (VEL in deg/s, or km/s with --km)\n"
      "  --window T0,T1     plotted time range, s (default: all the data)\n"
      "  --distance D0,D1   distance range (default: the traces' distances and a margin)\n"
      "  --norm trace|global  each trace to its own largest amplitude (default), or all\n"
      "                     to the largest of all\n"
      "  --scale S          height of a largest amplitude, distance units (default:\n"
      "                     the distance span divided by the number of traces)\n"
      "  --fill positive    fill the positive half of each trace\n"
      "  --labels station|id|none  label at each trace's end (default station)\n"
      "  --phases P,PcP,... predicted phase curves, with --model FILE\n"
      "  --model FILE       earth model for --phases (prem32.mod layout, or .nd)\n"
      "  --depth KM         source depth for --phases (default: the event's depth)\n"
      "  --title T          title (default: the event's origin time and position)\n"
      "%s%s"
      "  --help\n"
      "Exit status 0 on success, 1 on bad input or a failed drawing, 2 on a usage error.\n",
      figure::options_help(), traceinput::options_help());
}

struct Options {
  std::vector<std::string> files;
  traceinput::Options input;
  figure::Options figure;
  std::optional<section::Event> event;
  std::string stations;
  bool km = false;
  std::optional<double> reduce, scale, depth;
  std::optional<std::pair<double, double>> window, distance;
  section::Norm norm = section::Norm::trace;
  bool fill = false;
  section::Labels labels = section::Labels::station;
  std::vector<std::string> phases;
  std::string model;
  std::optional<std::string> title;
};

std::optional<std::pair<double, double>> parse_range(const std::string& text) {
  const std::size_t comma = text.find(',');
  if (comma == std::string::npos) return std::nullopt;
  const std::optional<float> a = cmdline::finite_float(text.substr(0, comma));
  const std::optional<float> b = cmdline::finite_float(text.substr(comma + 1));
  if (!a || !b || !(*a < *b)) return std::nullopt;
  return std::make_pair(static_cast<double>(*a), static_cast<double>(*b));
}

std::vector<std::string> split_list(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = text.find(',', start);
    out.push_back(text.substr(start, comma - start));
    if (comma == std::string::npos) return out;
    start = comma + 1;
  }
}

// Reads one of our own options; false after a message.
bool take_own(const cmdline::Arg& arg, Options& o) {
  const std::string& v = arg.value;
  auto bad = [&](const char* what) {
    std::fprintf(stderr, "%s: bad %s value '%s' (%s)\n", kProgram, arg.name.c_str(), v.c_str(), what);
    return false;
  };
  auto positive = [&](std::optional<double>& out) {
    double x = 0;
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), x);
    if (ec != std::errc() || end != v.data() + v.size() || !std::isfinite(x) || !(x > 0))
      return bad("a number above 0");
    out = x;
    return true;
  };
  if (arg.name == "--event") {
    section::Event e;
    std::string error;
    if (!section::parse_event(v, e, error)) {
      std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
      return false;
    }
    o.event = e;
  } else if (arg.name == "--stations") {
    o.stations = v;
  } else if (arg.name == "--km") {
    o.km = true;
  } else if (arg.name == "--reduce") {
    return positive(o.reduce);
  } else if (arg.name == "--scale") {
    return positive(o.scale);
  } else if (arg.name == "--depth") {
    const std::optional<float> x = cmdline::finite_float(v);
    if (!x || *x < 0 || *x > section::kEarthRadiusKm) return bad("km from 0 to 6371");
    o.depth = *x;
  } else if (arg.name == "--window") {
    if (!(o.window = parse_range(v))) return bad("T0,T1 with T0 < T1");
  } else if (arg.name == "--distance") {
    if (!(o.distance = parse_range(v))) return bad("D0,D1 with D0 < D1");
  } else if (arg.name == "--norm") {
    if (v == "trace") o.norm = section::Norm::trace;
    else if (v == "global") o.norm = section::Norm::global;
    else return bad("trace or global");
  } else if (arg.name == "--fill") {
    if (v != "positive") return bad("positive");
    o.fill = true;
  } else if (arg.name == "--labels") {
    if (v == "station") o.labels = section::Labels::station;
    else if (v == "id") o.labels = section::Labels::id;
    else if (v == "none") o.labels = section::Labels::none;
    else return bad("station, id or none");
  } else if (arg.name == "--phases") {
    o.phases = split_list(v);
    for (const std::string& p : o.phases)
      if (p.empty()) return bad("phase names separated by commas");
  } else if (arg.name == "--model") {
    o.model = v;
  } else if (arg.name == "--title") {
    o.title = v;
  }
  return true;
}

const std::vector<std::string_view> kOwnWithValue = {"--event", "--stations", "--reduce", "--window",
                                                     "--distance", "--norm", "--scale", "--fill",
                                                     "--labels", "--phases", "--model", "--depth", "--title"};

// 0 to go on, -1 after --help, else the exit status.
int parse_args(int argc, char** argv, Options& o) {
  std::vector<std::string_view> with_value = figure::value_options();
  for (std::string_view v : traceinput::value_options()) with_value.push_back(v);
  with_value.insert(with_value.end(), kOwnWithValue.begin(), kOwnWithValue.end());
  const auto args = cmdline::read_args(argc, argv, with_value, kProgram);
  if (!args) return kUsageError;
  for (const cmdline::Arg& arg : *args) {
    cmdline::Take took = figure::take_option(arg, o.figure, kProgram);
    if (took == cmdline::Take::not_mine) took = traceinput::take_option(arg, o.input, kProgram);
    if (took == cmdline::Take::bad) return kUsageError;
    if (took == cmdline::Take::taken) continue;
    if (arg.name == "--help" || arg.name == "-h") {
      usage(stdout);
      return -1;
    }
    const bool own = arg.name == "--km" || std::find(kOwnWithValue.begin(), kOwnWithValue.end(),
                                                     std::string_view(arg.name)) != kOwnWithValue.end();
    if (own) {
      if (!take_own(arg, o)) return kUsageError;
    } else if (arg.option) {
      std::fprintf(stderr, "%s: unknown option %s\n", kProgram, arg.name.c_str());
      usage(stderr);
      return kUsageError;
    } else {
      o.files.push_back(arg.name);
    }
  }
  if (o.files.empty() || o.figure.out.empty()) {
    usage(stderr);
    return kUsageError;
  }
  if (!traceinput::check_options(o.input, kProgram)) return kUsageError;
  if (!o.phases.empty() && o.model.empty()) {
    std::fprintf(stderr, "%s: --phases needs --model FILE\n", kProgram);
    return kUsageError;
  }
  std::vector<std::string> inputs = o.files;
  if (!o.stations.empty()) inputs.push_back(o.stations);
  if (!o.model.empty()) inputs.push_back(o.model);
  return figure::check_options(o.figure, inputs, kProgram) ? 0 : kUsageError;
}

// A trace kept for the section, without its samples.
struct Entry {
  std::size_t file = 0;   // index into Options::files
  std::size_t index = 0;  // the trace's place among the file's selected traces
  std::string label;
  section::Span span;
};

// What a file's first bytes say it is; a file that cannot be read counts
// as SAC or miniSEED, whose reader then says why.
seisdata::FileKind file_kind(const std::string& file) {
  constexpr std::size_t kHead = 8192;  // a miniSEED record header or a SAC header, and more
  std::ifstream in(file, std::ios::binary);
  if (!in) return seisdata::FileKind::sac;
  std::vector<std::uint8_t> head(kHead);
  in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  if (head.empty()) return seisdata::FileKind::sac;
  return seisdata::detect_kind(head.data(), head.size());
}

// Reads one file's selected traces (records included), processed as the
// input options say.
bool read_traces(const traceinput::Options& input, const std::string& file, std::vector<seisdata::Trace>& traces,
                 bool quiet) {
  std::string error;
  std::vector<std::string> notes;
  bool ok = false;
  if (file_kind(file) == seisdata::FileKind::other) {
    seisdata::Trace t;
    ok = section::read_record_trace(file, t, error);
    if (ok) {
      std::vector<seisdata::Trace> one;
      one.push_back(std::move(t));
      for (seisdata::Trace& kept : seisdata::select_traces(std::move(one), input.patterns))
        traces.push_back(std::move(kept));
      ok = traceinput::process(input, traces, error);
    } else {
      error = file + ": neither SAC, miniSEED nor a record: " + error;
    }
  } else {
    ok = traceinput::read_file(file, input, traces, notes, error);
  }
  if (!quiet)
    for (const std::string& n : notes) std::fprintf(stderr, "%s: %s\n", kProgram, n.c_str());
  if (!ok) std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
  return ok;
}

// Everything known before drawing: the traces kept, the event, the layout.
struct Survey {
  std::vector<Entry> entries;
  section::Placement event;
  section::Layout layout;
};

// Reads every file once, unprocessed: places each trace and checks that
// all are of one event.
bool survey(const Options& o, const std::vector<section::Station>* stations, Survey& s) {
  bool first = true;
  std::string first_id;
  traceinput::Options unprocessed = o.input;
  unprocessed.processing = processing::Steps{};
  for (std::size_t f = 0; f < o.files.size(); ++f) {
    std::vector<seisdata::Trace> traces;
    if (!read_traces(unprocessed, o.files[f], traces, false)) return false;
    for (std::size_t i = 0; i < traces.size(); ++i) {
      const seisdata::Trace& t = traces[i];
      if (!t.note.empty()) std::fprintf(stderr, "%s: %s: %s: %s\n", kProgram, t.source.c_str(), t.id().c_str(), t.note.c_str());
      section::Placement where;
      std::string error;
      if (!section::place_trace(t, o.event, stations, where, error)) {
        std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
        return false;
      }
      if (first) {
        s.event = where;
        first_id = t.id() + " (" + t.source + ")";
        first = false;
      } else if (!section::same_event(s.event, where)) {
        std::fprintf(stderr, "%s: %s (%s) and %s are of different events (origins %s and %s)\n", kProgram,
                     t.id().c_str(), t.source.c_str(), first_id.c_str(), seisdata::iso_time(where.origin_us).c_str(),
                     seisdata::iso_time(s.event.origin_us).c_str());
        return false;
      }
      Entry e;
      e.file = f;
      e.index = i;
      e.label = section::trace_label(t, o.labels);
      e.span.distance = section::axis_distance(s.layout, where.distance_deg);
      e.span.start_s = static_cast<double>(t.start_us - where.origin_us) / 1e6;
      e.span.count = t.samples.size();
      e.span.dt = 1.0 / t.rate;
      if (o.distance && (e.span.distance < o.distance->first || e.span.distance > o.distance->second)) continue;
      s.entries.push_back(std::move(e));
    }
  }
  if (first) {
    std::fprintf(stderr, "%s: no trace matches --select\n", kProgram);
    return false;
  }
  if (s.entries.empty()) {
    std::fprintf(stderr, "%s: no trace lies in the distance range %g..%g\n", kProgram, o.distance->first,
                 o.distance->second);
    return false;
  }
  return true;
}

// The layout from the options and the traces kept; traces outside the
// window are left out with a note.
bool lay_out(const Options& o, Survey& s) {
  section::LayoutChoice choice;
  choice.km = o.km;
  choice.reduce = o.reduce;
  choice.scale = o.scale;
  choice.window = o.window;
  choice.distance = o.distance;
  choice.fill_positive = o.fill;
  choice.labels = o.labels;
  std::vector<section::Span> spans;
  for (const Entry& e : s.entries) spans.push_back(e.span);
  std::vector<std::size_t> outside;
  s.layout = section::lay_out(choice, spans, outside);
  const section::Layout& l = s.layout;
  for (std::size_t i : outside) {
    const Entry& e = s.entries[i];
    double a = 0, b = 0;
    section::plotted_span(l, e.span.start_s, e.span.count, e.span.dt, e.span.distance, a, b);
    std::fprintf(stderr, "%s: %s: its data (%g to %g s) miss the window %g to %g s; left out\n", kProgram,
                 o.files[e.file].c_str(), a, b, l.t0, l.t1);
  }
  if (outside.size() == s.entries.size()) {
    std::fprintf(stderr, "%s: no trace has data in the window %g to %g s\n", kProgram, l.t0, l.t1);
    return false;
  }
  for (auto i = outside.rbegin(); i != outside.rend(); ++i)
    s.entries.erase(s.entries.begin() + static_cast<std::ptrdiff_t>(*i));
  s.layout.title = o.title ? *o.title : section::default_title(s.event);
  return true;
}

// Reads the files again, processed, and hands each kept trace cut to the
// window to `use` (its entry and window); the samples are dropped file by
// file, so memory holds one file's traces at a time.
template <typename Use>
bool each_window(const Options& o, const Survey& s, Use use) {
  section::Window w;
  for (std::size_t k = 0; k < s.entries.size();) {
    const std::size_t file = s.entries[k].file;
    std::vector<seisdata::Trace> traces;
    if (!read_traces(o.input, o.files[file], traces, true)) return false;
    for (; k < s.entries.size() && s.entries[k].file == file; ++k) {
      const Entry& e = s.entries[k];
      if (e.index >= traces.size() ||
          !section::cut_to_window(s.layout, traces[e.index], e.span.start_s, e.span.distance, w)) {
        std::fprintf(stderr, "%s: %s changed while it was read\n", kProgram, o.files[file].c_str());
        return false;
      }
      if (!use(e, w)) return false;
    }
  }
  return true;
}

using PhasePoints = std::vector<std::optional<std::pair<double, double>>>;

// The phase curves, worked out before anything is drawn.
bool predict(const Options& o, const Survey& s, std::vector<PhasePoints>& curves) {
  if (o.phases.empty()) return true;
  const std::optional<double> depth = o.depth ? o.depth : s.event.depth_km;
  if (!depth) {
    std::fprintf(stderr, "%s: --phases needs the source depth: give --depth KM (the event has none)\n", kProgram);
    return false;
  }
  traveltime::Model model;
  std::string error;
  if (!traveltime::load_model(o.model, model, error)) {
    std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
    return false;
  }
  for (const std::string& phase : o.phases) {
    curves.emplace_back();
    if (!section::phase_points(model, phase, *depth, s.layout, curves.back(), error)) {
      std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
      return false;
    }
  }
  return true;
}

bool draw(const Options& o, const Survey& s, float global_peak, const std::vector<PhasePoints>& phases) {
  section::Drawing drawing(s.layout, figure::raster_only(o.figure) ? o.figure.dpi : figure::kPlotUnitsPerInch);
  if (!drawing.frame()) return false;
  const bool drawn = each_window(o, s, [&](const Entry& e, const section::Window& w) {
    const float peak = o.norm == section::Norm::global ? global_peak : w.peak;
    return drawing.trace(w, e.span.distance, peak > 0 ? peak : 1.0f);
  });
  if (!drawn) return false;
  std::vector<std::pair<double, std::string>> labels;
  for (const Entry& e : s.entries) labels.emplace_back(e.span.distance, e.label);
  std::stable_sort(labels.begin(), labels.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  if (!drawing.labels(labels)) return false;
  for (std::size_t k = 0; k < phases.size(); ++k)
    if (!drawing.phase(o.phases[k], phases[k])) return false;
  return true;
}

// The section reads its files more than once (a survey, the drawing):
// a pipe or a device would give its data to the first pass only.
bool regular_files(const std::vector<std::string>& files) {
  for (const std::string& file : files) {
    std::error_code ec;
    const auto status = std::filesystem::status(file, ec);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status)) {
      std::fprintf(stderr, "%s: %s: not a regular file (each file is read more than once, to keep memory "
                   "bounded: save it to a file first)\n", kProgram, file.c_str());
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  cmdline::reuse_large_blocks();
  Options o;
  if (const int status = parse_args(argc, argv, o); status != 0) return status < 0 ? EXIT_SUCCESS : status;
  if (!regular_files(o.files)) return EXIT_FAILURE;
  o.figure.threads = parallel::hardware_threads();

  std::vector<section::Station> stations;
  std::string error;
  if (!o.stations.empty() && !section::read_stations(o.stations, stations, error)) {
    std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
    return EXIT_FAILURE;
  }
  Survey s;
  s.layout.km = o.km;  // for the distances of the survey
  if (!survey(o, o.stations.empty() ? nullptr : &stations, s) || !lay_out(o, s)) return EXIT_FAILURE;
  std::vector<PhasePoints> phases;
  if (!predict(o, s, phases)) return EXIT_FAILURE;
  // The largest amplitude of all, for --norm global, from a pass of its own.
  float global_peak = 0;
  if (o.norm == section::Norm::global &&
      !each_window(o, s, [&](const Entry&, const section::Window& w) {
        global_peak = std::max(global_peak, w.peak);
        return true;
      }))
    return EXIT_FAILURE;

  // Nothing is kept when the drawing fails: no picture, no plot file.
  auto fail = [&](const std::string& why) {
    if (!why.empty()) std::fprintf(stderr, "%s: %s\n", kProgram, why.c_str());
    if (!o.figure.plotfile.empty()) unlink(o.figure.plotfile.c_str());
    return EXIT_FAILURE;
  };
  figure::PlotFile plot;
  if (!plot.open(o.figure.plotfile, error)) return fail(error);
  if (!draw(o, s, global_peak, phases)) return fail("");  // the library has said why
  std::vector<std::uint8_t> bytes;
  if (!plot.bytes(bytes, error) || !figure::render(bytes, o.figure, error)) return fail(error);
  return EXIT_SUCCESS;
}
