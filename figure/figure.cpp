#include <figure/figure.h>

#include <algorithm>
#include <tuple>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <zarvo/zarvo.hpp>

#include "column_reducer.h"
#include "safeout.h"

#include "render.h"
#include "textlayout.h"

namespace figure {

using cmdline::Take;

std::vector<std::string_view> value_options() { return {"-o", "--plotfile", "--dpi", "--fonts"}; }

const char* options_help() {
  return "  -o OUT             the picture; the format follows the extension (.png, .svg, .pdf)\n"
         "  --plotfile F       also keep the plot file as F (1 to 80 characters); without it\n"
         "                     the plot file is held in memory only\n"
         "  --dpi N            PNG resolution in dots per inch (default 150, at most 2400)\n"
         "  --fonts DIR        font files 001, 002, ... for markup in texts (default: the\n"
         "                     PLTRENDER_FONTS environment variable, else the installed\n"
         "                     fonts, else the working directory)\n";
}

namespace {

constexpr int kMaxFontNumber = 255;  // the font field of a text command

bool parse_dpi(const std::string& text, double& dpi) {
  const std::optional<float> value = cmdline::finite_float(text);
  if (!value || !(*value > 0.0f) || *value > kMaxDpi) return false;
  dpi = *value;
  return true;
}

}  // namespace

Take take_option(const cmdline::Arg& arg, Options& o, const char* program) {
  if (!arg.option) return Take::not_mine;
  if (arg.name == "-o") {
    o.out = arg.value;
  } else if (arg.name == "--plotfile") {
    o.plotfile = arg.value;
    if (o.plotfile.empty() || o.plotfile.size() > kPlotNameMax) {
      std::fprintf(stderr, "%s: the --plotfile name must have 1 to %zu characters\n", program, kPlotNameMax);
      return Take::bad;
    }
  } else if (arg.name == "--dpi") {
    if (!parse_dpi(arg.value, o.dpi)) {
      std::fprintf(stderr, "%s: bad --dpi value '%s' (more than 0, at most %g)\n", program, arg.value.c_str(),
                   kMaxDpi);
      return Take::bad;
    }
  } else if (arg.name == "--fonts") {
    o.font_dir = arg.value;
    o.fonts_given = true;
  } else {
    return Take::not_mine;
  }
  return Take::taken;
}

bool check_options(Options& o, const std::vector<std::string>& inputs, const char* program) {
  if (pltrender::format_from_path(o.out) == pltrender::Format::unknown) {
    std::fprintf(stderr, "%s: %s: the output name must end in .png, .svg or .pdf\n", program, o.out.c_str());
    return false;
  }
  if (!o.plotfile.empty() && (o.plotfile == o.out || safeout::same_file(o.plotfile, o.out))) {
    std::fprintf(stderr, "%s: the plot file and the picture are both %s\n", program, o.out.c_str());
    return false;
  }
  for (const std::string* written : {&o.out, &o.plotfile}) {
    if (std::string error; !written->empty() && !safeout::not_an_input(*written, inputs, error)) {
      std::fprintf(stderr, "%s: %s\n", program, error.c_str());
      return false;
    }
  }
  if (!o.fonts_given) o.font_dir = pltrender::default_font_dir();
  o.inputs = inputs;
  return true;
}

PlotFile::~PlotFile() {
  if (memory_fd_ >= 0) close(memory_fd_);
}

bool PlotFile::open(const std::string& plotfile, std::string& error) {
  if (plotfile.empty()) {
    memory_fd_ = memfd_create("plotfile", MFD_CLOEXEC);
    if (memory_fd_ < 0) {
      error = "cannot make the plot file in memory";
      return false;
    }
    name_ = "/proc/self/fd/" + std::to_string(memory_fd_);
  } else {
    name_ = plotfile;
  }
  if (setenv("pltfil", name_.c_str(), 1) != 0) {
    error = "cannot name the plot file";
    return false;
  }
  return true;
}

bool PlotFile::bytes(std::vector<std::uint8_t>& out, std::string& error) const {
  if (!zarvo::plotfile_flush_ok()) {
    error = "error writing the plot file " + (memory_fd_ < 0 ? name_ : std::string("in memory"));
    return false;
  }
  if (memory_fd_ < 0) return pltrender::read_file(name_, out, error);
  return read_range(0, out, error);
}

// The bytes of the plot file in memory from `from` to its end.
bool PlotFile::read_range(std::size_t from, std::vector<std::uint8_t>& out, std::string& error) const {
  struct stat st {};
  if (fstat(memory_fd_, &st) != 0 || static_cast<std::size_t>(st.st_size) < from) {
    error = "cannot read back the plot file in memory";
    return false;
  }
  out.resize(static_cast<std::size_t>(st.st_size) - from);
  std::size_t done = 0;
  while (done < out.size()) {
    const ssize_t got = pread(memory_fd_, out.data() + done, out.size() - done, static_cast<off_t>(from + done));
    if (got <= 0) {
      error = "cannot read back the plot file in memory";
      return false;
    }
    done += static_cast<std::size_t>(got);
  }
  return true;
}

bool PlotFile::take_page(Page& page, std::string& error) {
  if (memory_fd_ < 0) {
    std::vector<std::uint8_t> all;
    if (!bytes(all, error)) return false;
    if (all.size() < taken_) {
      error = name_ + ": the plot file shrank";
      return false;
    }
    page.bytes.assign(all.begin() + static_cast<std::ptrdiff_t>(taken_), all.end());
  } else {
    if (!zarvo::plotfile_flush_ok()) {
      error = "error writing the plot file in memory";
      return false;
    }
    if (!read_range(taken_, page.bytes, error)) return false;
    // The pages taken are not needed again: their memory is released.
    fallocate(memory_fd_, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, static_cast<off_t>(taken_),
              static_cast<off_t>(page.bytes.size()));
  }
  page.start_thickness = thickness_;
  pltrender::CommandReader reader(page.bytes.data(), 0, page.bytes.size());
  pltrender::Command c;
  while (reader.next(c))
    if (c.op == 'f') thickness_ = c.thickness;
  if (!reader.ok()) {
    error = "the page from plot file byte " + std::to_string(taken_) + ": " + reader.error();
    return false;
  }
  taken_ += page.bytes.size();
  return true;
}

bool raster_only(const Options& o) {
  return o.plotfile.empty() && pltrender::format_from_path(o.out) == pltrender::Format::png;
}

namespace {

constexpr std::size_t kBlock = 4096;  // plot positions worked out a block at a time

// The reduction of an n-point curve read from `source`: block(begin, count)
// gives pointers to the x and y of points begin..begin+count-1 (valid until
// the next call), point(i) gives point i alone.
template <typename Source>
Curve reduce(std::size_t n, Source& source, const float* para, double dpi) {
  Curve out;
  std::size_t begin = 0;
  const float* bx = nullptr;
  const float* by = nullptr;
  // A point held back from an earlier block (or, at the end, from the last
  // one) is asked for again.
  const auto keep = [&](const pltrender::ColumnReducer::Out& p) {
    if (p.id >= begin) {
      out.x.push_back(bx[p.id - begin]);
      out.y.push_back(by[p.id - begin]);
      return;
    }
    const auto [x, y] = source.point(p.id);
    out.x.push_back(x);
    out.y.push_back(y);
  };
  pltrender::ColumnReducer reducer(0, dpi / kPlotUnitsPerInch);
  const auto add = [&](const zarvo::PlotPosition& p, std::size_t id) {
    if (id == 0)
      reducer.start(p.x, p.y, keep, true, 0);
    else
      reducer.line_to(p.x, p.y, keep, id);
  };
  zarvo::PlotPosition at[kBlock];
  for (; begin < n; begin += kBlock) {
    const std::size_t count = std::min(kBlock, n - begin);
    std::tie(bx, by) = source.block(begin, count);
    zarvo::plot_positions(count, bx, by, para, at);
    // Points at one plot x lie in one column: of a run of them only the
    // first, the lowest, the highest and the last can be kept, so only
    // those go to the reducer.
    for (std::size_t first = 0; first < count;) {
      std::size_t last = first, low = first, high = first;
      while (last + 1 < count && at[last + 1].x == at[first].x) {
        ++last;
        if (at[last].y < at[low].y) low = last;
        if (at[last].y > at[high].y) high = last;
      }
      add(at[first], begin + first);
      std::size_t kept[3] = {std::min(low, high), std::max(low, high), last};
      std::size_t passed = first;
      for (std::size_t k : kept)
        if (k > passed) add(at[k], begin + (passed = k));
      first = last + 1;
    }
  }
  reducer.flush(keep);
  return out;
}

struct ArraySource {
  const float* x;
  const float* y;
  std::pair<const float*, const float*> block(std::size_t begin, std::size_t) const { return {x + begin, y + begin}; }
  std::pair<float, float> point(std::size_t i) const { return {x[i], y[i]}; }
};

struct MadeSource {
  const PointMaker& make;
  float x[kBlock], y[kBlock];
  std::pair<const float*, const float*> block(std::size_t begin, std::size_t count) {
    make(begin, count, x, y);
    return {x, y};
  }
  std::pair<float, float> point(std::size_t i) const {
    float px = 0, py = 0;
    make(i, 1, &px, &py);
    return {px, py};
  }
};

}  // namespace

Curve reduce_columns(std::size_t n, const float* x, const float* y, const float* para, double dpi) {
  ArraySource source{x, y};
  return reduce(n, source, para, dpi);
}

Curve reduce_columns(std::size_t n, const PointMaker& make, const float* para, double dpi) {
  MadeSource source{make, {}, {}};
  return reduce(n, source, para, dpi);
}

namespace {

// The renderer's options that follow from the program's.
pltrender::RenderOptions render_options(const Options& o) {
  pltrender::RenderOptions options;
  options.dpi = o.dpi;
  options.inputs = o.inputs;
  options.pen_colours = o.pen_colours;
  options.threads = o.threads;
  return options;
}

}  // namespace

bool render(const std::vector<std::uint8_t>& bytes, const Options& o, std::string& error) {
  pltrender::RenderOptions options = render_options(o);
  options.max_pages = kMaxPages;
  options.size_advice = "use a lower --dpi";
  const pltrender::PlotScan scan = pltrender::scan(bytes.data(), bytes.size(), kMaxPages);
  if (scan.ok && scan.too_many_pages()) {
    error = "more than " + std::to_string(kMaxPages) + " pages; one figure holds at most " +
            std::to_string(kMaxPages);
    return false;
  }
  pltrender::FontSet fonts(o.font_dir);
  return pltrender::render_scanned(bytes.data(), scan, o.out, options, fonts, error);
}

bool render_page(const Page& page, const Options& o, std::string& error) {
  pltrender::RenderOptions options = render_options(o);
  options.start_thickness = page.start_thickness;
  pltrender::FontSet fonts(o.font_dir);
  return pltrender::render_bytes(page.bytes.data(), page.bytes.size(), o.out, options, fonts, error);
}

void load_fonts(const std::string& font_dir) {
  zarvo::load_font_file(0, "");
  for (int number = 1; number <= kMaxFontNumber; ++number) {
    char name[8];
    std::snprintf(name, sizeof name, "%03d", number);
    struct stat st {};
    const std::string path = font_dir.empty() ? name : font_dir + "/" + name;
    if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) zarvo::load_font_file(number, path);
  }
}

}  // namespace figure
