// Drawing of plot files with cairo: PNG, SVG and PDF.
//
// Plot units are 1/300 inch with y upward; the page is flipped so that y
// grows downward on the output.  Black ink on a white page.
// - Lines: every run of moves and draws at one thickness is stroked as one
//   path, with round joins and caps.  On PNG pages our own line raster
//   (line_raster.h) draws them and cairo paints the run in its ink; SVG
//   and PDF pages hold them as cairo's paths.  Line width in plot units is
//   2 * (1 + t) for the thickness t of the last f command (t clamped to
//   0..100; no f command means t = 0): t = 0 is 1/150 inch (one pixel at
//   150 dpi), t = 1 is 1/75 inch, and so on.
// - Areas and circles: filled (and outlined) for a nonzero fill pattern,
//   outlined only for pattern 0; every nonzero pattern fills solid.
// - Text: see textlayout.h; strokes are at least the line width wide.
// - Pages: each e command begins a page.  PDF output holds all pages;
//   PNG and SVG output of several pages goes to numbered files (NAME-1.png,
//   NAME-2.png, ...); a single page goes to the given name.  At most
//   max_pages pages are drawn: a plot with more is refused.
// - Output files: made in memory and written with safeout::write_file
//   (complete or not at all; links followed; devices and FIFOs written in
//   place); a name that names one of RenderOptions::inputs is refused.
// - Page size: PNG pages up to 32767 pixels a side and max_pixels in all;
//   SVG and PDF pages up to kMaxPageInches a side.  Larger pages are
//   refused.
// - Pen colours (pen_colours set): pen thickness t draws in colour
//   t mod 4 of kPenColours (black, red, blue, green) at the line width of
//   thickness t / 4, so thicknesses 0 to 3 are thin lines in four colours
//   and 4 to 7 the same colours one step wider; PNG pages are then RGB.
//   Without it every thickness is black and t gives the width.
// - Pixel columns: a PNG page's left edge is a whole number of pixels from
//   plot x = 0, so that at d dpi pixel column c holds plot x from
//   (c + n) * 300 / d to (c + n + 1) * 300 / d for the page's whole number n:
//   the columns lie at the same plot x on every page at one resolution.
// - Long curves on PNG pages: consecutive draws whose end points fall in
//   one pixel column are reduced to the first, lowest, highest and last of
//   them (in their order) before stroking; SVG and PDF keep every point.
#ifndef PLTRENDER_RENDER_H
#define PLTRENDER_RENDER_H

#include <string>
#include <vector>

#include "plotfile.h"
#include "textlayout.h"

namespace pltrender {

enum class Format { png, svg, pdf, unknown };

// The output format named by the file's extension (case ignored).
Format format_from_path(const std::string& path);

// Largest SVG or PDF page side: the whole plot coordinate range (about
// 218 inches) with the thickest lines and the widest margin fits.
constexpr double kMaxPageInches = 500;

struct RenderOptions {
  double dpi = 150;          // PNG resolution, (0, 10000]
  bool fit = true;           // page fitted to the drawing's bounding box
  double margin = 0.25;      // margin around the bounding box, inches, [0, 100]
  double page_width = 8.5;   // fixed page size, inches (fit = false), up to
  double page_height = 11;   // kMaxPageInches; plot (0, 0) is its lower-left corner
  double max_pixels = 64e6;  // refuse larger PNG pages
  bool reduce_columns = true;  // reduce long curves to pixel-column extremes (PNG)
  std::size_t max_pages = 1000;  // refuse plots with more pages
  int start_thickness = 0;     // pen thickness before the first command (for a
                               // page cut from a longer plot file)
  // What a refusal of a too large PNG page advises: the caller's options.
  std::string size_advice = "use a lower --dpi or --page";
  std::vector<std::string> inputs;  // files no output may replace
  bool pen_colours = false;    // thickness chooses colour and width (above)
  int threads = 1;             // PNG pages drawn and compressed on this many threads
};

struct Rgb {
  double r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};
constexpr int kPenCount = 4;
constexpr Rgb kPenColours[kPenCount] = {{0, 0, 0}, {0.8, 0, 0}, {0, 0, 0.8}, {0, 0.5, 0}};

// The colour of pen thickness t with pen colours.
Rgb pen_colour(int thickness);

// Checks that every option is finite and in range; false with a message.
bool check_options(const RenderOptions& options, std::string& error);

// Line width in plot units for pen thickness t; with pen colours, that of
// thickness t / kPenCount.
double line_width(int thickness, bool pen_colours = false);

// Bounding box of everything drawn on a page, line widths included.
Box page_bounds(const std::vector<Command>& commands, const Page& page, FontSet& fonts,
                int start_thickness, bool pen_colours = false);

// Renders all pages to `path` (numbered files for several PNG/SVG pages).
// Returns false with a message in `error`; `written` receives the names of
// the files made.
bool render_file(const std::vector<Command>& commands, const std::string& path,
                 const RenderOptions& options, FontSet& fonts, std::string& error,
                 std::vector<std::string>* written = nullptr);

// Parses a plot file held in memory and renders it as render_file does:
// the one call for programs that make a plot and draw it in one process.
// A malformed plot file gives false with "byte offset N: ..." in `error`.
bool render_bytes(const uint8_t* data, std::size_t size, const std::string& path,
                  const RenderOptions& options, FontSet& fonts, std::string& error,
                  std::vector<std::string>* written = nullptr);

// Renders a plot file held in memory that scan() has checked.
bool render_scanned(const uint8_t* data, const PlotScan& scan, const std::string& path,
                    const RenderOptions& options, FontSet& fonts, std::string& error,
                    std::vector<std::string>* written = nullptr);

// The file name of page `index` (from 1) out of `count` pages.
std::string page_file_name(const std::string& path, std::size_t index, std::size_t count);

}  // namespace pltrender

#endif
