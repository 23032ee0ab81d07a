// The stroke outline of a marked-up text, and the rest of the C++ interface
// for companion tools.
//
// Geometry, in the text's own frame (u along the baseline, v upward), in
// glyph units times the text size s times the markup's size factor times
// the font's width_scale (1 for font 0; it scales a font file's glyphs in
// both directions, as it scales their advances in the measurement):
// - glyphs follow each other by their advance (right - left, times the
//   font's width_scale), exactly as the library measures them;
// - font 0: stroke grid point (gx, gy) stands at u = pen + gx + 1 (the
//   0..4 wide body centred in the advance of 6), v = gy; descender glyphs
//   are drawn two units lower (v = gy - 2);
// - font-file glyphs: pair (x, y) stands at u = pen + (x - left),
//   v = baseline - y (Hershey y grows downward); the baseline is the font
//   header's second value (hershey2font stores the bottom of "H" there,
//   9 for the Hershey fonts); the pair (-50, 0) lifts the pen;
// - \u (ESC U) raises and \d (ESC D) lowers what follows by 0.4 of the
//   current line height (the font's height times s times the size factor);
//   the size is not reduced, since the measurement gives raised and lowered
//   text its full width (use \s-2 for smaller superscripts).
// Size steps are summed in 64 bits and font header values widened before
// any arithmetic: absurd values give absurd but defined coordinates.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include <zarvo/zarvo.hpp>

#include "font.h"
#include "markup.h"
#include "measure.h"
#include "state.h"

namespace zarvo {

namespace {

// Raise of \u and drop of \d, as a fraction of the current line height.
constexpr double kRiseFraction = 0.4;
// Longest stroke run a built-in glyph may have; guards the table walk.
constexpr int kMaxStrokeBytes = 64;
// The pen-lift pair of a font-file glyph.
constexpr int16_t kPenLiftX = -50;

// Collects polylines; single points (a move without a draw) are dropped.
class Polylines {
 public:
  Polylines(std::vector<OutlineStroke>& out) : out_(out) {}

  void move(double u, double v) {
    finish();
    current_.push_back({u, v});
  }
  void draw(double u, double v) {
    if (current_.empty()) current_.push_back({u, v});
    current_.push_back({u, v});
  }
  void finish() {
    if (current_.size() >= 2) out_.push_back({std::move(current_), scale_});
    current_.clear();
  }
  void set_scale(double scale) { scale_ = scale; }

 private:
  std::vector<OutlineStroke>& out_;
  std::vector<OutlinePoint> current_;
  double scale_ = 0;
};

// A built-in (font 0) glyph: 8x8 grid stroke bytes from (0,0).
void draw_builtin(Polylines& pen, const Glyph& g, double u0, double v0, double k) {
  const double dv = g.descends ? -2.0 : 0.0;
  double gx = 0, gy = 0;
  bool have_pen = false;  // the pen stands at (0,0) at the glyph's start
  for (int i = 0; i < kMaxStrokeBytes; ++i) {
    const uint8_t b = g.strokes[i];
    const double nx = (b >> 4) & 7;
    const double ny = b & 7;
    if (b & 0x80) {
      pen.move(u0 + (nx + 1) * k, v0 + (ny + dv) * k);
      have_pen = true;
    } else {
      if (!have_pen) {
        pen.move(u0 + (gx + 1) * k, v0 + (gy + dv) * k);
        have_pen = true;
      }
      pen.draw(u0 + (nx + 1) * k, v0 + (ny + dv) * k);
    }
    gx = nx;
    gy = ny;
    if (b & 0x08) break;
  }
  pen.finish();
}

// A font-file glyph: Hershey pairs relative to the glyph centre, y growing
// downward with the baseline at y = `baseline`.
void draw_pairs(Polylines& pen, const Glyph& g, int32_t baseline, double u0, double v0, double k) {
  bool down = false;
  for (const StrokePair& p : g.pairs) {
    if (p.x == kPenLiftX && p.y == 0) {
      down = false;
      continue;
    }
    const double u = u0 + (p.x - g.left) * k;
    const double v = v0 + (static_cast<double>(baseline) - p.y) * k;
    if (down) {
      pen.draw(u, v);
    } else {
      pen.move(u, v);
      down = true;
    }
  }
  pen.finish();
}

const Font& chosen_font(int32_t number, const FontChoice& choose) {
  return getfont(choose ? choose(number) : number);
}

}  // namespace

const char* plotfile_name() { return lib.plotfile_name; }

int32_t text_width(const char* text, int32_t font) { return txtsize(text, font); }

TextOutline text_outline(std::string_view text, int32_t font, double size, const FontChoice& choose) {
  TextOutline out;
  // A text ends at its first zero byte; the list needs one element per
  // byte plus the terminating 0.
  const std::string copy(text.substr(0, text.find('\0')));
  std::vector<int32_t> list(copy.size() + 1, 0);
  translate(copy.c_str(), list.data());

  const Font* cur = &chosen_font(font, choose);
  const Font* prev = cur;
  out.line_height = static_cast<double>(cur->height) * size;
  float factor = 1.0f;    // the markup's size factor, as the measurement keeps it
  int64_t step_sum = 0;   // 32-bit steps: no sum of a text's steps overflows
  double pen_u = 0;
  std::vector<double> shifts;  // open \u (+) and \d (-) baseline shifts
  double rise = 0;
  Polylines pen(out.strokes);

  for (std::size_t i = 0; i < list.size() && list[i] != 0; ++i) {
    const int32_t code = list[i];
    const bool has_arg = code == FC_FONT || code == FC_SIZE || code == FC_SIZESTEP || code == FC_FSTEP;
    const int32_t arg = (has_arg && i + 1 < list.size()) ? list[i + 1] : 0;
    if (has_arg) ++i;
    if (code == FC_FONT) {
      if (arg <= 10) {
        prev = cur;
        cur = &chosen_font(arg, choose);
      } else {
        std::swap(cur, prev);
      }
    } else if (code == FC_UP || code == FC_DOWN) {
      const double sign = code == FC_UP ? 1.0 : -1.0;
      if (!shifts.empty() && shifts.back() * sign < 0) {
        // The opposite of the last open shift: back to where it started.
        rise -= shifts.back();
        shifts.pop_back();
      } else {
        const double amount = sign * kRiseFraction * static_cast<double>(cur->height) * size * factor;
        rise += amount;
        shifts.push_back(amount);
      }
    } else if (code == FC_SIZE || code == FC_SIZESTEP) {
      if (code == FC_SIZE) {
        step_sum = 0;
        if (cur->height != 0) factor = static_cast<float>(arg) / static_cast<float>(cur->height);
      } else {
        step_sum += arg;
        if (cur->height != 0)
          factor = static_cast<float>(step_sum + cur->height) / static_cast<float>(cur->height);
      }
    } else if (code >= 1 && code <= FC_UNDEFINED) {
      const Glyph* g = cur->glyphs[static_cast<std::size_t>(code)];
      if (g == nullptr) continue;
      // A font's width_scale scales its glyphs in both directions (font 0: 1).
      const double k = size * factor * cur->width_scale;
      pen.set_scale(size * factor);
      if (g->strokes != nullptr)
        draw_builtin(pen, *g, pen_u, rise, k);
      else
        draw_pairs(pen, *g, cur->extra, pen_u, rise, k);
      pen_u += static_cast<double>(cur->width_scale * factor) * (g->right - g->left) * size;
    }
    // FC_FSTEP and anything else do not change the drawing.
  }
  pen.finish();
  out.advance = pen_u;
  return out;
}

}  // namespace zarvo
