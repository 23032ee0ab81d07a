// zarvo for companion tools in C++: the plot file's state after drawing, the
// library's text measurement and the stroke outline of a marked-up text,
// built from the same fonts and markup the library measures text with.
// Programs that only plot need <zarvo/zarvo.h> alone.
#ifndef ZARVO_HPP
#define ZARVO_HPP

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <zarvo/zarvo.h>

namespace zarvo {

// Flushes the plot file; true when everything written so far reached the
// file (or no plot file is open).  The file itself stays open.
bool plotfile_flush_ok();

// The plot file name in use ("pltfil" until a naming call or the
// environment variable pltfil says otherwise).
const char* plotfile_name();

// Width of the marked-up `text` starting in font `font`, in glyph units at
// the font's nominal height, as the library centres and shrinks text with
// it (texts beyond 255 characters are cut, with a warning).  Times a text
// size it gives plot units.
int32_t text_width(const char* text, int32_t font);

// Reads the font file `path` as font `number` (1..10 are the markup's
// names) into the library's font cache, unless that font is cached
// already.  True when font `number` is in the cache afterwards; false,
// after the library's one-line message, when the file cannot be read.
bool load_font_file(int32_t number, const std::string& path);

// Completes the parameter block `para` of a new graph of the n points
// (x, y) as zarvo_ does before it draws (defaults, axis ranges, ticks),
// without touching the plot file or the library's state.  False when
// zarvo_ would refuse to scale the data.  A zarvo_ call with the completed
// block draws the same graph as with the block it was given.
bool complete_graph(int32_t n, const float* x, const float* y, float* para);

// The plot position, in plot units, that zarvo_ gives the data point
// (x, y) in the graph of the completed block `para`.
struct PlotPosition {
  int16_t x = 0;
  int16_t y = 0;
};
PlotPosition plot_position(float x, float y, const float* para);

// plot_position of the n points (x[i], y[i]) into out[0..n).
void plot_positions(std::size_t n, const float* x, const float* y, const float* para, PlotPosition* out);

struct OutlinePoint {
  double u = 0;  // along the baseline from the text's reference point
  double v = 0;  // upward from the baseline
};

struct OutlineStroke {
  std::vector<OutlinePoint> points;  // a polyline of at least two points
  double scale = 0;  // text size times the markup's size factor here
};

// Strokes of a text in plot units, unturned: the reference point is the
// left end of the baseline.
struct TextOutline {
  std::vector<OutlineStroke> strokes;
  double advance = 0;      // length along the baseline
  double line_height = 0;  // the starting font's height times the size
};

// Maps a font number the text selects to the number of a font in the
// library's cache to draw it with (0 for a font that is not there).
using FontChoice = std::function<int32_t(int32_t)>;

// The strokes and advance of the marked-up `text` starting in font `font`
// at text size `size`.  Glyphs follow each other by their advances exactly
// as text_width sums them, so the advance is size times the measured width
// (before its rounding).  Fonts are found through `choose`; without it the
// library reads them as it does for measurement.
TextOutline text_outline(std::string_view text, int32_t font, double size,
                         const FontChoice& choose = {});

}  // namespace zarvo

#endif
