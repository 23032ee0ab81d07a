// The figure programs' common layer: the options every figure program takes
// (-o, --plotfile, --dpi, --fonts), the plot file the library writes into
// (held in memory unless --plotfile names a file), and its rendering.
//
// A figure program reads its own options, hands the rest to take_option,
// checks them with check_options, opens a PlotFile before its first graph,
// draws through the library's entry points, and renders the bytes.
#ifndef FIGURE_FIGURE_H
#define FIGURE_FIGURE_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "cmdline.h"

namespace figure {

constexpr double kPlotUnitsPerInch = 300;  // the plot file's unit is 1/300 inch
constexpr double kDefaultDpi = 150;
constexpr double kMaxDpi = 2400;          // beyond, every figure's PNG page is too large
constexpr std::size_t kPlotNameMax = 80;  // the longest plot file name the library accepts
constexpr std::size_t kMaxPages = 1000;   // pages in one figure

struct Options {
  std::string out;        // -o: the picture; its extension gives the format
  std::string plotfile;   // --plotfile: keep the plot file here; empty: memory only
  double dpi = kDefaultDpi;  // --dpi: PNG resolution
  std::string font_dir;   // --fonts, else the renderer's default directory
  bool fonts_given = false;
  std::vector<std::string> inputs;  // set by check_options: no output may replace them
  bool pen_colours = false;  // set by the program: pen thickness chooses the colour
  int threads = 1;           // set by the program: PNG pages drawn on this many threads
};

// The common options that take a value, for cmdline::read_args.
std::vector<std::string_view> value_options();

// The --help lines of the common options, each ending in a newline.
const char* options_help();

// Stores `arg` when it is a common option.  Take::bad after a message
// "PROGRAM: ..." on the standard error stream.
cmdline::Take take_option(const cmdline::Arg& arg, Options& o, const char* program);

// The checks after the command line is read: an output whose extension is
// .png, .svg or .pdf, a plot file name the library accepts, neither of
// them naming one of `inputs` (the same file under any name) nor each
// other.  Keeps `inputs` for render() and sets the default font directory
// when --fonts was not given.  False after a message on the standard error
// stream.
bool check_options(Options& o, const std::vector<std::string>& inputs, const char* program);

// One page the library drew, cut from the process's plot file: its bytes
// and the pen thickness in effect where they begin (the library writes a
// thickness only when it changes, so a page may rely on an earlier one's).
struct Page {
  std::vector<std::uint8_t> bytes;
  int start_thickness = 0;
};

// The plot file the library writes.  open() names it for the library
// (through the environment variable pltfil, read when the library opens
// its plot file at the first graph): the --plotfile name, or an anonymous
// file in memory.  Once the graphs are drawn, bytes() flushes the
// library's stream and returns everything written.
class PlotFile {
 public:
  PlotFile() = default;
  PlotFile(const PlotFile&) = delete;
  PlotFile& operator=(const PlotFile&) = delete;
  ~PlotFile();

  bool open(const std::string& plotfile, std::string& error);
  bool bytes(std::vector<std::uint8_t>& out, std::string& error) const;
  const std::string& name() const { return name_; }

  // A program drawing many figures renders each as soon as it is drawn:
  // everything the library wrote since the previous take_page (since open
  // at the first call) as one page.  A plot file in memory gives the
  // memory of the bytes taken back (its size stays).
  bool take_page(Page& page, std::string& error);

 private:
  bool read_range(std::size_t from, std::vector<std::uint8_t>& out, std::string& error) const;

  int memory_fd_ = -1;
  std::string name_;
  std::size_t taken_ = 0;     // bytes handed out by take_page
  int thickness_ = 0;         // the pen thickness at byte taken_
};

// True when the picture is all that is made: a PNG page and no --plotfile.
// Only then may curves be reduced with reduce_columns.
bool raster_only(const Options& o);

// A curve in data units.
struct Curve {
  std::vector<float> x, y;
};

// The points of the n-point curve (x, y) that a PNG page at `dpi` needs,
// for the graph of the completed parameter block `para`
// (zarvo::complete_graph): consecutive points in one pixel column of the
// page are reduced to the first, the lowest, the highest and the last of
// them by plot y, in their order.  The renderer reduces every pixel column
// of a PNG page the same way, and a page's pixel columns lie at the same
// plot x whatever else it holds, so the reduced curve draws the same pixels
// as the whole one; its plot file holds at most four points per pixel
// column.  At 300 dpi each plot unit is a column of its own, which any
// resolution's columns are made of: the curve then serves PNG pages at
// every resolution.  The first and the last point, and the points of
// lowest and highest y, are always kept.
Curve reduce_columns(std::size_t n, const float* x, const float* y, const float* para, double dpi);

// Makes points begin..begin+count-1 of a curve into x[0..count) and
// y[0..count); the same point each time it is asked for.
using PointMaker = std::function<void(std::size_t begin, std::size_t count, float* x, float* y)>;

// reduce_columns of the n-point curve that `make` makes, a block at a time:
// for long curves worked out as they are reduced, never held whole.
Curve reduce_columns(std::size_t n, const PointMaker& make, const float* para, double dpi);

// Renders plot file bytes to o.out (numbered files for several PNG or SVG
// pages, one PDF for all) at o.dpi with the fonts in o.font_dir; more than
// kMaxPages pages are refused.
bool render(const std::vector<std::uint8_t>& bytes, const Options& o, std::string& error);

// Renders one page to o.out as render() renders a whole plot file.  It
// draws nothing through the library, so it may run on another thread while
// the library draws the next figure; pages on several threads at once need
// every font their texts use loaded first (load_fonts), as text layout
// reads the library's font table.
bool render_page(const Page& page, const Options& o, std::string& error);

// Loads the built-in font and every font file 001, 002, ... in `font_dir`
// into the library's font table.
void load_fonts(const std::string& font_dir);

}  // namespace figure

#endif
