// pltrender: draws a plot file to PNG, SVG or PDF with cairo.
#include <cmath>
#include <cstdio>
#include <new>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <parallel/parallel.h>

#include "cmdline.h"
#include "plotfile.h"
#include "render.h"
#include "textlayout.h"

namespace {

void usage(std::FILE* out) {
  std::fputs(
      "usage: pltrender [options] PLOTFILE OUTPUT.{png,svg,pdf}\n"
      "Draws a plot file; the output format follows the file name's extension.\n"
      "  --dpi N          PNG resolution in dots per inch (default 150)\n"
      "  --page SIZE      fixed page: letter, a4 or WxH in inches (e.g. 11x8.5);\n"
      "                   plot point (0,0) is the page's lower-left corner\n"
      "  --landscape      turn a letter or a4 page sideways\n"
      "  --pens           pen thickness t draws in colour t mod 4 (black, red, blue,\n"
      "                   green) at the line width of thickness t / 4 (seisday's\n"
      "                   plot files); without it everything is black\n"
      "  --margin IN      margin around the drawing when the page is fitted to it\n"
      "                   (the default), in inches (default 0.25)\n"
      "  --max-pages N    draw plots of up to N pages (default 1000); a plot with\n"
      "                   more is refused\n"
      "  --fonts DIR      directory of the font files 001, 002, ... (default: the\n"
      "                   PLTRENDER_FONTS environment variable, else the installed\n"
      "                   fonts (../share/seistools/fonts from the program's\n"
      "                   directory) when present, else the working directory);\n"
      "                   a missing font is drawn in font 0\n"
      "  --help, --version\n"
      "Several pages (erase commands) go to one PDF, or to numbered PNG/SVG files\n"
      "NAME-1.png, NAME-2.png, ...  Pages larger than 500 inches a side (SVG, PDF)\n"
      "or 32767 pixels a side or 64 million pixels (PNG) are refused.\n",
      out);
}

// A finite decimal number and nothing else ("nan" and "inf" are refused).
bool parse_number(const char* s, double& v) {
  char* end = nullptr;
  v = std::strtod(s, &end);
  return end != s && *end == '\0' && std::isfinite(v);
}

bool parse_page(const std::string& s, double& w, double& h) {
  if (s == "letter") {
    w = 8.5;
    h = 11;
    return true;
  }
  if (s == "a4") {
    w = 210 / 25.4;
    h = 297 / 25.4;
    return true;
  }
  const std::size_t x = s.find('x');
  if (x == std::string::npos) return false;
  return parse_number(s.substr(0, x).c_str(), w) && parse_number(s.substr(x + 1).c_str(), h) &&
         w > 0 && h > 0 && w <= 200 && h <= 200;
}

int render(const std::string& input, const std::string& output, const pltrender::RenderOptions& options,
           const std::string& font_dir) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!pltrender::read_file(input, bytes, error)) {
    std::fprintf(stderr, "pltrender: %s\n", error.c_str());
    return 1;
  }
  // The commands are read from the bytes page by page, never stored.
  const pltrender::PlotScan scan = pltrender::scan(bytes.data(), bytes.size(), options.max_pages);
  if (!scan.ok) {
    std::fprintf(stderr, "pltrender: %s: %s\n", input.c_str(), scan.error.c_str());
    return 1;
  }
  if (scan.too_many_pages()) {
    std::fprintf(stderr,
                 "pltrender: %s: more than %zu pages (page %zu begins at byte offset %zu); "
                 "--max-pages raises the limit\n",
                 input.c_str(), options.max_pages, options.max_pages + 1, scan.first_unkept);
    return 1;
  }
  pltrender::FontSet fonts(font_dir);
  if (!pltrender::render_scanned(bytes.data(), scan, output, options, fonts, error)) {
    std::fprintf(stderr, "pltrender: %s\n", error.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  pltrender::RenderOptions options;
  std::string font_dir;
  bool have_font_dir = false;
  bool landscape = false;
  std::vector<std::string> files;
  const auto args =
      cmdline::read_args(argc, argv, {"--dpi", "--page", "--margin", "--fonts", "--max-pages"}, "pltrender");
  if (!args) return 2;
  for (const auto& [a, value, option] : *args) {
    double v = 0;
    if (a == "--help" || a == "-h") {
      usage(stdout);
      return 0;
    } else if (a == "--version") {
      std::printf("pltrender %s\n", PLTRENDER_VERSION);
      return 0;
    } else if (a == "--dpi") {
      if (!parse_number(value.c_str(), v) || v <= 0 || v > 10000) {
        std::fprintf(stderr, "pltrender: bad --dpi value '%s'\n", value.c_str());
        return 2;
      }
      options.dpi = v;
    } else if (a == "--page") {
      if (!parse_page(value, options.page_width, options.page_height)) {
        std::fprintf(stderr, "pltrender: bad --page value '%s' (letter, a4 or WxH inches)\n", value.c_str());
        return 2;
      }
      options.fit = false;
    } else if (a == "--margin") {
      if (!parse_number(value.c_str(), v) || v < 0 || v > 100) {
        std::fprintf(stderr, "pltrender: bad --margin value '%s'\n", value.c_str());
        return 2;
      }
      options.margin = v;
    } else if (a == "--max-pages") {
      if (!parse_number(value.c_str(), v) || v < 1 || v > 1e9 || v != std::floor(v)) {
        std::fprintf(stderr, "pltrender: bad --max-pages value '%s' (a whole number from 1)\n", value.c_str());
        return 2;
      }
      options.max_pages = static_cast<std::size_t>(v);
    } else if (a == "--fonts") {
      font_dir = value;
      have_font_dir = true;
    } else if (a == "--landscape") {
      landscape = true;
    } else if (a == "--pens") {
      options.pen_colours = true;
    } else if (option) {
      std::fprintf(stderr, "pltrender: unknown option %s\n", a.c_str());
      usage(stderr);
      return 2;
    } else {
      files.push_back(a);
    }
  }
  if (files.size() != 2) {
    usage(stderr);
    return 2;
  }
  if (landscape && options.page_width < options.page_height) std::swap(options.page_width, options.page_height);
  if (!have_font_dir) font_dir = pltrender::default_font_dir();
  options.inputs = {files[0]};
  options.threads = parallel::hardware_threads();

  try {
    return render(files[0], files[1], options, font_dir);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "pltrender: out of memory drawing %s\n", files[0].c_str());
    return 1;
  }
}
