// Text layout: turns the marked-up string of a text command into stroke
// polylines in plot units, with the library's fonts and markup, so that a
// text the library measures as width w at size s is s*w plot units wide.
//
// The strokes and advance come from the library's outline of the text (see
// <zarvo/zarvo.hpp>); here they are placed in plot units:
// - the reference point of the text command is the left end of the
//   baseline;
// - strokes are 0.35 plot units wide per unit of size (times the markup's
//   size factor): 2.8 plot units at size 8;
// - the orientation turns the whole text by quarter turns counter-clockwise
//   about the reference point (1: reading upward, as the y-axis title).
#ifndef PLTRENDER_TEXTLAYOUT_H
#define PLTRENDER_TEXTLAYOUT_H

#include <map>
#include <set>
#include <string>
#include <vector>

#include "plotfile.h"

namespace pltrender {

// The font directory used when none is given: $PLTRENDER_FONTS when set,
// else the installed font directory (share/seistools/fonts beside the
// running program's bin/) when it exists, else "" (the working directory).
std::string default_font_dir();

// The fonts used for drawing.  Font n other than 0 is read into the
// library's font cache from the file "%03d" of n in `dir` (the working
// directory when empty).  A missing or unreadable file gives font 0 and one
// warning per font number.
class FontSet {
 public:
  explicit FontSet(std::string dir, bool quiet = false);
  // The number of the font that draws font `number`: itself, or 0.
  int get(int number);
  const std::string& dir() const { return dir_; }
  // The warnings given so far, one per font number that fell back.
  const std::vector<std::string>& warnings() const { return warnings_; }

 private:
  std::string dir_;
  bool quiet_;
  std::map<int, int> fonts_;
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
