// seisfig: records, SAC or miniSEED files to a picture in one command: each
// trace drawn as tracel draws it, the plot file made by the library and
// rendered in the same process.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <zarvo/zarvo.hpp>

#include "cmdline.h"
#include "graph.h"
#include "record.h"
#include "render.h"
#include "seisdata.h"

namespace {

constexpr int kUsageError = 2;
constexpr std::size_t kPlotNameMax = 80;  // the longest plot file name the library accepts

void usage(std::FILE* out) {
  std::fputs(
      "usage: seisfig [options] FILE... -o OUT.{png,svg,pdf}\n"
      "Draws every trace of the record, SAC and miniSEED files as tracel draws a\n"
      "record: an 8 by 4 inch frame, automatic scaling, \"Time (s)\" and \"Amp\".\n"
      "One page per trace: one PDF, or numbered PNG/SVG files OUT-1.png, OUT-2.png, ...\n"
      "  -o OUT             the picture; the format follows the extension\n"
      "  --title T          title of every page (default: the trace identifier and\n"
      "                     start time; for a record, its first header line);\n"
      "                     --title ' ' gives tracel's title and tracel's plot file\n"
      "  --plotfile F       keep the plot file as F (at most 80 characters)\n"
      "  --dpi N            PNG resolution in dots per inch (default 150)\n"
      "  --select PATTERN   keep the SAC and miniSEED traces whose NET.STA.LOC.CHA\n"
      "                     matches the glob PATTERN (repeatable)\n"
      "  --fonts DIR        font files 001, 002, ... for markup in titles (default: the\n"
      "                     PLTRENDER_FONTS environment variable, else the installed\n"
      "                     fonts, else the working directory)\n"
      "  --help\n"
      "Without --plotfile the plot file is held in memory; the environment variable\n"
      "pltfil is not used.  Exit status 0 on success, 1 on bad input or a failed\n"
      "drawing, 2 on a usage error.\n",
      out);
}

struct Options {
  std::vector<std::string> files;
  std::vector<std::string> patterns;
  std::string out, plotfile, title, font_dir;
  bool titled = false;
  double dpi = 150;
};

// 0 to go on, -1 after --help, else the exit status.
int parse_args(int argc, char** argv, Options& o) {
  bool have_fonts = false;
  const auto args = cmdline::read_args(
      argc, argv, {"-o", "--title", "--plotfile", "--dpi", "--select", "--fonts"}, "seisfig");
  if (!args) return kUsageError;
  for (const auto& [a, value, option] : *args) {
    if (a == "--help" || a == "-h") {
      usage(stdout);
      return -1;
    } else if (a == "-o") {
      o.out = value;
    } else if (a == "--title") {
      o.title = value;
      o.titled = true;
    } else if (a == "--plotfile") {
      o.plotfile = value;
    } else if (a == "--dpi") {
      char* end = nullptr;
      o.dpi = std::strtod(value.c_str(), &end);
      if (value.empty() || *end != '\0' || !(o.dpi > 0 && o.dpi <= 10000)) {
        std::fprintf(stderr, "seisfig: bad --dpi value '%s'\n", value.c_str());
        return kUsageError;
      }
    } else if (a == "--select") {
      o.patterns.push_back(value);
    } else if (a == "--fonts") {
      o.font_dir = value;
      have_fonts = true;
    } else if (option) {
      std::fprintf(stderr, "seisfig: unknown option %s\n", a.c_str());
      usage(stderr);
      return kUsageError;
    } else {
      o.files.push_back(a);
    }
  }
  if (o.files.empty() || o.out.empty()) {
    usage(stderr);
    return kUsageError;
  }
  if (pltrender::format_from_path(o.out) == pltrender::Format::unknown) {
    std::fprintf(stderr, "seisfig: %s: the output name must end in .png, .svg or .pdf\n", o.out.c_str());
    return kUsageError;
  }
  if (o.plotfile.size() > kPlotNameMax) {
    std::fprintf(stderr, "seisfig: --plotfile name longer than %zu characters\n", kPlotNameMax);
    return kUsageError;
  }
  if (!have_fonts) o.font_dir = pltrender::default_font_dir();
  return 0;
}

// One trace to draw: samples, interval and default title.
struct Page {
  std::vector<float> samples;
  float dt = 0;
  std::string title;
};

// A record as tracel reads it; its title is its first header line.
bool read_record_page(const std::string& path, Page& page, std::string& error) {
  tracel::CountLine count;
  page.samples.resize(seisdata::kMaxRecordSamples);
  if (auto r = tracel::read_record(path, count, page.samples); !r) {
    error = r.message;
    return false;
  }
  if (count.np <= 0) {
    error = path + ": record holds no samples (count " + std::to_string(count.np) + ")";
    return false;
  }
  page.samples.resize(static_cast<std::size_t>(count.np));
  page.dt = count.dt;
  std::ifstream in(path);
  std::getline(in, page.title);
  page.title = page.title.substr(0, seisdata::kHeaderWidth);
  while (!page.title.empty() && (page.title.back() == ' ' || page.title.back() == '\r')) page.title.pop_back();
  if (page.title.empty()) page.title = path;
  return true;
}

bool read_pages(const Options& o, std::vector<Page>& pages) {
  for (const std::string& file : o.files) {
    std::vector<std::uint8_t> bytes;
    std::string error;
    if (!seisdata::read_bytes(file, bytes, error)) {
      std::fprintf(stderr, "seisfig: %s\n", error.c_str());
      return false;
    }
    if (seisdata::detect_kind(bytes.data(), bytes.size()) == seisdata::FileKind::other) {
      Page page;
      if (!read_record_page(file, page, error)) {
        std::fprintf(stderr, "seisfig: %s: neither SAC, miniSEED nor a record: %s\n", file.c_str(),
                     error.c_str());
        return false;
      }
      pages.push_back(std::move(page));
      continue;
    }
    std::vector<seisdata::Trace> traces;
    std::vector<std::string> notes;
    const bool ok = seisdata::read_data_file(file, traces, notes, error);
    for (const std::string& n : notes) std::fprintf(stderr, "seisfig: %s\n", n.c_str());
    if (!ok) {
      std::fprintf(stderr, "seisfig: %s\n", error.c_str());
      return false;
    }
    for (seisdata::Trace& t : seisdata::select_traces(std::move(traces), o.patterns)) {
      if (!t.note.empty()) std::fprintf(stderr, "seisfig: %s: %s: %s\n", file.c_str(), t.id().c_str(), t.note.c_str());
      if (t.samples.size() > INT32_MAX) {
        std::fprintf(stderr, "seisfig: %s: %s: too many samples to draw\n", file.c_str(), t.id().c_str());
        return false;
      }
      pages.push_back(Page{std::move(t.samples), t.dt, t.id() + " " + seisdata::iso_time(t.start_us)});
    }
  }
  if (pages.empty()) {
    std::fputs("seisfig: no trace matches --select\n", stderr);
    return false;
  }
  return true;
}

// The plot file's name for the library: --plotfile, else an anonymous file
// in memory reached through its descriptor.
bool open_plot_target(const Options& o, int& memory_fd, std::string& name) {
  if (!o.plotfile.empty()) {
    name = o.plotfile;
    return true;
  }
  memory_fd = memfd_create("seisfig-plot", MFD_CLOEXEC);
  if (memory_fd < 0) {
    std::perror("seisfig: memfd_create");
    return false;
  }
  name = "/proc/self/fd/" + std::to_string(memory_fd);
  return true;
}

bool read_plot_bytes(int memory_fd, const std::string& name, std::vector<std::uint8_t>& bytes) {
  std::string error;
  if (memory_fd < 0) {
    if (seisdata::read_bytes(name, bytes, error)) return true;
    std::fprintf(stderr, "seisfig: %s\n", error.c_str());
    return false;
  }
  struct stat st {};
  if (fstat(memory_fd, &st) != 0) {
    std::perror("seisfig: plot file");
    return false;
  }
  bytes.resize(static_cast<std::size_t>(st.st_size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t got = pread(memory_fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
    if (got <= 0) {
      std::perror("seisfig: plot file");
      return false;
    }
    done += static_cast<std::size_t>(got);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (const int status = parse_args(argc, argv, o); status != 0) return status < 0 ? EXIT_SUCCESS : status;

  std::vector<Page> pages;
  if (!read_pages(o, pages)) return EXIT_FAILURE;

  int memory_fd = -1;
  std::string plot_name;
  if (!open_plot_target(o, memory_fd, plot_name)) return EXIT_FAILURE;
  // The library opens the file named by "pltfil" at its first graph.
  setenv("pltfil", plot_name.c_str(), 1);

  float para[tracel::kParaSize] = {};
  std::vector<float> times;
  for (const Page& p : pages) {
    times.resize(p.samples.size());
    tracel::fill_times(static_cast<std::int32_t>(p.samples.size()), p.dt, times);
    const std::string& title = o.titled ? o.title : p.title;
    if (tracel::draw_trace_graph(static_cast<std::int32_t>(p.samples.size()), times.data(), p.samples.data(),
                                 title.c_str(), para) != 0)
      return EXIT_FAILURE;  // the library has said why
  }
  if (!zarvo::plotfile_flush_ok()) {
    std::fprintf(stderr, "seisfig: error writing plot file %s\n", plot_name.c_str());
    return EXIT_FAILURE;
  }

  std::vector<std::uint8_t> bytes;
  if (!read_plot_bytes(memory_fd, plot_name, bytes)) return EXIT_FAILURE;
  pltrender::RenderOptions options;
  options.dpi = o.dpi;
  pltrender::FontSet fonts(o.font_dir);
  std::string error;
  if (!pltrender::render_bytes(bytes.data(), bytes.size(), o.out, options, fonts, error)) {
    std::fprintf(stderr, "seisfig: %s\n", error.c_str());
    return EXIT_FAILURE;
  }
  return EXIT_SUCCESS;
}
