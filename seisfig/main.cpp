// seisfig: records, SAC or miniSEED files to a picture in one command: each
// trace drawn as tracel draws it, the plot file made by the library and
// rendered in the same process.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <figure/figure.h>
#include <parallel/parallel.h>
#include <zarvo/zarvo.hpp>

#include "cmdline.h"
#include "graph.h"
#include "record.h"
#include "seisdata.h"
#include "traceinput.h"

namespace {

constexpr int kUsageError = 2;

void usage(std::FILE* out) {
  std::fprintf(out,
      "usage: seisfig [options] (FILE... | --sds ROOT --start TIME --end TIME) -o OUT.{png,svg,pdf}\n"
      "Draws every trace of the record, SAC and miniSEED files as tracel draws a\n"
      "record: an 8 by 4 inch frame, automatic scaling, \"Time (s)\" and \"Amp\".\n"
      "One page per trace: one PDF, or numbered PNG/SVG files OUT-1.png, OUT-2.png, ...\n"
      "  --title T          title of every page (default: the trace identifier and\n"
      "                     start time; for a record, its first header line; then\n"
      "                     what processing was applied, if any);\n"
      "                     --title ' ' gives tracel's title and tracel's plot file\n"
      "%s%s"
      "  --help\n"
      "Exit status 0 on success, 1 on bad input or a failed drawing, 2 on a usage error.\n",
      figure::options_help(), traceinput::options_help());
}

struct Options {
  std::vector<std::string> files;
  traceinput::Options input;
  figure::Options figure;
  std::string title;
  bool titled = false;
};

// 0 to go on, -1 after --help, else the exit status.
int parse_args(int argc, char** argv, Options& o) {
  std::vector<std::string_view> with_value = figure::value_options();
  for (std::string_view v : traceinput::value_options()) with_value.push_back(v);
  with_value.push_back("--title");
  const auto args = cmdline::read_args(argc, argv, with_value, "seisfig");
  if (!args) return kUsageError;
  for (const cmdline::Arg& arg : *args) {
    cmdline::Take took = figure::take_option(arg, o.figure, "seisfig");
    if (took == cmdline::Take::not_mine) took = traceinput::take_option(arg, o.input, "seisfig");
    if (took == cmdline::Take::bad) return kUsageError;
    if (took == cmdline::Take::taken) continue;
    if (arg.name == "--help" || arg.name == "-h") {
      usage(stdout);
      return -1;
    } else if (arg.name == "--title") {
      o.title = arg.value;
      o.titled = true;
    } else if (arg.option) {
      std::fprintf(stderr, "seisfig: unknown option %s\n", arg.name.c_str());
      usage(stderr);
      return kUsageError;
    } else {
      o.files.push_back(arg.name);
    }
  }
  if ((o.files.empty() && !traceinput::from_archive(o.input)) || o.figure.out.empty()) {
    usage(stderr);
    return kUsageError;
  }
  return traceinput::check_options(o.input, "seisfig") &&
                 traceinput::check_source(o.input, !o.files.empty(), "seisfig") &&
                 figure::check_options(o.figure, o.files, "seisfig")
             ? 0
             : kUsageError;
}

// One trace to draw: samples, interval, default title and where it came from.
struct Page {
  std::vector<float> samples;
  float dt = 0;
  std::string title;
  std::string source;  // FILE, or FILE: NET.STA.LOC.CHA
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// A record held in memory, read as tracel reads it; its title is its first
// header line.
bool read_record_page(const std::string& path, std::vector<std::uint8_t>& bytes, Page& page, std::string& error) {
  const std::unique_ptr<std::FILE, FileCloser> in(fmemopen(bytes.data(), bytes.size(), "r"));
  if (!in) {
    error = "cannot read it from memory";
    return false;
  }
  tracel::CountLine count;
  page.samples.resize(seisdata::kMaxRecordSamples);
  if (auto r = tracel::read_record(in.get(), path, count, page.samples); !r) {
    error = r.message;
    return false;
  }
  if (count.np <= 0) {
    error = path + ": record holds no samples (count " + std::to_string(count.np) + ")";
    return false;
  }
  page.samples.resize(static_cast<std::size_t>(count.np));
  page.dt = count.dt;
  const auto end = std::find(bytes.begin(), bytes.end(), '\n');
  page.title.assign(bytes.begin(), bytes.begin() + std::min<std::ptrdiff_t>(end - bytes.begin(), seisdata::kHeaderWidth));
  while (!page.title.empty() && (page.title.back() == ' ' || page.title.back() == '\r')) page.title.pop_back();
  if (page.title.empty()) page.title = path;
  page.source = path;
  return true;
}

// A default title with what was applied to the samples, when anything was.
std::string with_processing(const std::string& title, const std::string& applied) {
  return applied.empty() ? title : title + "; " + applied;
}

// A record's samples processed as traceinput processes a trace read from a
// file, at the rate its interval gives.
bool process_record_page(const processing::Steps& steps, Page& page, std::string& error) {
  if (!steps.any()) return true;
  if (!processing::apply(steps, 1.0 / static_cast<double>(page.dt), page.samples, error)) return false;
  page.title = with_processing(page.title, processing::describe(steps));
  return true;
}

// A trace's page; false (after a message) when it is too long to draw.
bool add_page(seisdata::Trace& t, std::vector<Page>& pages) {
  if (!t.note.empty()) std::fprintf(stderr, "seisfig: %s: %s: %s\n", t.source.c_str(), t.id().c_str(), t.note.c_str());
  if (t.samples.size() > INT32_MAX) {
    std::fprintf(stderr, "seisfig: %s: %s: too many samples to draw\n", t.source.c_str(), t.id().c_str());
    return false;
  }
  pages.push_back(Page{std::move(t.samples), t.dt,
                       with_processing(t.id() + " " + seisdata::iso_time(t.start_us), t.processing),
                       t.source + ": " + t.id()});
  return true;
}

// The outcome of a read: its notes and error said, its traces' pages added.
bool add_pages(bool ok, std::vector<seisdata::Trace>& traces, const std::vector<std::string>& notes,
               const std::string& error, std::vector<Page>& pages) {
  for (const std::string& n : notes) std::fprintf(stderr, "seisfig: %s\n", n.c_str());
  if (!ok) {
    std::fprintf(stderr, "seisfig: %s\n", error.c_str());
    return false;
  }
  for (seisdata::Trace& t : traces)
    if (!add_page(t, pages)) return false;
  return true;
}

bool read_pages(const Options& o, std::vector<Page>& pages) {
  if (traceinput::from_archive(o.input)) {
    std::vector<seisdata::Trace> traces;
    std::vector<std::string> notes;
    std::string error;
    if (!add_pages(traceinput::read_archive(o.input, traces, notes, error), traces, notes, error, pages))
      return false;
  }
  for (const std::string& file : o.files) {
    // Each file is read once: a pipe or FIFO gives its bytes only once.
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!seisdata::read_bytes(file, bytes, error)) {
      std::fprintf(stderr, "seisfig: %s\n", error.c_str());
      return false;
    }
    if (!bytes.empty() && seisdata::detect_kind(bytes.data(), bytes.size()) == seisdata::FileKind::other) {
      Page page;
      if (!read_record_page(file, bytes, page, error)) {
        std::fprintf(stderr, "seisfig: %s: neither SAC, miniSEED nor a record: %s\n", file.c_str(),
                     error.c_str());
        return false;
      }
      if (!process_record_page(o.input.processing, page, error)) {
        std::fprintf(stderr, "seisfig: %s: %s\n", file.c_str(), error.c_str());
        return false;
      }
      pages.push_back(std::move(page));
      continue;
    }
    std::vector<seisdata::Trace> traces;
    std::vector<std::string> notes;
    if (!add_pages(traceinput::read_data(file, bytes, o.input, traces, notes, error), traces, notes, error, pages))
      return false;
  }
  if (pages.size() > figure::kMaxPages) {
    std::fprintf(stderr, "seisfig: more than %zu traces; one figure holds at most %zu pages: use --select\n",
                 figure::kMaxPages, figure::kMaxPages);
    return false;
  }
  if (pages.empty()) {
    std::fputs(o.input.patterns.empty() ? "seisfig: the files hold no samples to draw\n"
                                        : "seisfig: no trace matches --select\n",
               stderr);
    return false;
  }
  return true;
}

int run(int argc, char** argv) {
  cmdline::reuse_large_blocks();
  Options o;
  if (const int status = parse_args(argc, argv, o); status != 0) return status < 0 ? EXIT_SUCCESS : status;
  o.figure.threads = parallel::hardware_threads();

  std::vector<Page> pages;
  if (!read_pages(o, pages)) return EXIT_FAILURE;

  figure::PlotFile plot;
  std::string error;
  if (!plot.open(o.figure.plotfile, error)) {
    std::fprintf(stderr, "seisfig: %s\n", error.c_str());
    return EXIT_FAILURE;
  }

  float para[tracel::kParaSize] = {};
  std::vector<float> times;
  for (const Page& p : pages) {
    const auto n = static_cast<std::int32_t>(p.samples.size());
    times.resize(p.samples.size());
    tracel::fill_times(n, p.dt, times);
    const std::string& title = o.titled ? o.title : p.title;
    std::int32_t status = 0;
    float setup[tracel::kParaSize] = {};
    tracel::reset_trace_graph(setup);
    if (figure::raster_only(o.figure) && zarvo::complete_graph(n, times.data(), p.samples.data(), setup)) {
      // A PNG alone: the points each pixel column needs draw the same picture.
      const figure::Curve c = figure::reduce_columns(p.samples.size(), times.data(), p.samples.data(), setup,
                                                       o.figure.dpi);
      status = tracel::draw_trace_graph(static_cast<std::int32_t>(c.x.size()), c.x.data(), c.y.data(),
                                        title.c_str(), para);
    } else {
      status = tracel::draw_trace_graph(n, times.data(), p.samples.data(), title.c_str(), para);
    }
    if (status != 0) {
      // The library has said why on the line before.
      std::fprintf(stderr, "seisfig: %s: cannot be drawn\n", p.source.c_str());
      return EXIT_FAILURE;
    }
  }
  std::vector<std::uint8_t> bytes;
  if (!plot.bytes(bytes, error) || !figure::render(bytes, o.figure, error)) {
    std::fprintf(stderr, "seisfig: %s\n", error.c_str());
    return EXIT_FAILURE;
  }
  return EXIT_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) { return cmdline::run_main("seisfig", run, argc, argv); }
