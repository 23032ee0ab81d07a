// Text layout: turns the marked-up string of a text command into stroke
// polylines in plot units, with the library's fonts and markup, so that a
// text the library measures as width w at size s is s*w plot units wide.
//
// Geometry, in the text's own frame (u along the baseline, v upward), in
// glyph units times the text size s times the markup's size factor times
// the font's width_scale (1 for font 0; it scales a font file's glyphs in
// both directions, as it scales their advances in the measurement):
// - the reference point of the text command is the left end of the
//   baseline; glyphs follow each other by their advance (right - left,
//   times the font's width_scale), exactly as the library measures them;
// - font 0: stroke grid point (gx, gy) stands at u = pen + gx + 1 (the
//   0..4 wide body centred in the advance of 6), v = gy; descender glyphs
//   are drawn two units lower (v = gy - 2);
// - font-file glyphs: pair (x, y) stands at u = pen + (x - left),
//   v = baseline - y (Hershey y grows downward); the baseline is the font
//   header's second value (hershey2font stores the bottom of "H" there,
//   9 for the Hershey fonts); the pair (-50, 0) lifts the pen;
// - \u (ESC U) raises and \d (ESC D) lowers what follows by 0.4 of the
//   current line height (the font's height times s times the size factor);
//   the size is not reduced, since the library's measurement gives raised
//   and lowered text its full width (use \s-2 for smaller superscripts);
// - strokes are 0.35 plot units wide per unit of size (times the size
//   factor): 2.8 plot units at size 8;
// - the orientation turns the whole text by quarter turns counter-clockwise
//   about the reference point (1: reading upward, as the y-axis title).
#ifndef PLTRENDER_TEXTLAYOUT_H
#define PLTRENDER_TEXTLAYOUT_H

#include <map>
#include <set>
#include <string>
#include <vector>

#include "font.h"
#include "plotfile.h"

namespace pltrender {

// The fonts used for drawing.  Font n other than 0 is read by the library
// from the file "%03d" of n in `dir` (the library reads font files from the
// working directory, so loading changes into `dir` and back).  A missing or
// unreadable file gives font 0 and one warning per font number.
class FontSet {
 public:
  explicit FontSet(std::string dir, bool quiet = false);
  const zarvo::Font& get(int number);
  const std::string& dir() const { return dir_; }
  // The warnings given so far, one per font number that fell back.
  const std::vector<std::string>& warnings() const { return warnings_; }

 private:
  std::string dir_;
  bool quiet_;
  std::map<int, const zarvo::Font*> fonts_;
  std::vector<std::string> warnings_;
};

struct XY {
  double x = 0;
  double y = 0;
};

struct TextLayout {
  std::vector<std::vector<XY>> strokes;  // polylines, plot units
  std::vector<double> weights;           // stroke width of each polyline
  double max_weight = 0;
  double advance = 0;       // length of the text along its baseline, plot units
  double line_height = 0;   // starting font's height times the size, plot units
  Box ink;                  // bounding box of the stroke points
};

// Lays out `c` (a t command) with its reference point at (x, y).
TextLayout layout_text(FontSet& fonts, const Command& c, double x, double y);
TextLayout layout_text(FontSet& fonts, const std::string& text, int font, int size, int orient,
                       double x, double y);

}  // namespace pltrender

#endif
