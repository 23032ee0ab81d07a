#include "textlayout.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <utility>

#include "markup.h"

namespace pltrender {

namespace {

// Raise of \u and drop of \d, as a fraction of the current line height.
constexpr double kRiseFraction = 0.4;
// Stroke width of text in plot units per unit of text size (times the
// markup's size factor): 0.35 * 8 = 2.8 plot units at size 8.
constexpr double kWeight = 0.35;
// Longest stroke run a built-in glyph may have; guards the table walk.
constexpr int kMaxStrokeBytes = 64;

std::string font_file_name(int number) {
  char name[16];
  std::snprintf(name, sizeof name, "%03d", number);
  return name;
}

// Collects polylines in the text's own frame and maps them to plot units.
class Pen {
 public:
  Pen(double x, double y, int orient, TextLayout& out) : x_(x), y_(y), orient_(orient & 3), out_(out) {}

  void move(double u, double v) {
    finish();
    current_.push_back(map(u, v));
  }
  void draw(double u, double v) {
    if (current_.empty()) current_.push_back(map(u, v));
    current_.push_back(map(u, v));
  }
  void finish() {
    if (current_.size() >= 2) {
      for (const XY& p : current_) out_.ink.add(p.x, p.y);
      out_.strokes.push_back(std::move(current_));
      out_.weights.push_back(weight_);
      if (weight_ > out_.max_weight) out_.max_weight = weight_;
    }
    current_.clear();
  }
  void set_weight(double w) { weight_ = w; }

 private:
  XY map(double u, double v) const {
    switch (orient_) {
      case 1: return {x_ - v, y_ + u};
      case 2: return {x_ - u, y_ - v};
      case 3: return {x_ + v, y_ - u};
      default: return {x_ + u, y_ + v};
    }
  }
  double x_, y_;
  int orient_;
  TextLayout& out_;
  std::vector<XY> current_;
  double weight_ = 0;
};

// Draws a built-in (font 0) glyph: 8x8 grid stroke bytes from (0,0).
void draw_builtin(Pen& pen, const zarvo::Glyph& g, double u0, double v0, double kx, double ky) {
  const double dv = g.descends ? -2.0 : 0.0;
  double gx = 0, gy = 0;
  bool have_pen = false;  // the pen stands at (0,0) at the glyph's start
  for (int i = 0; i < kMaxStrokeBytes; ++i) {
    const uint8_t b = g.strokes[i];
    const double nx = (b >> 4) & 7;
    const double ny = b & 7;
    if (b & 0x80) {
      pen.move(u0 + (nx + 1) * kx, v0 + (ny + dv) * ky);
      have_pen = true;
    } else {
      if (!have_pen) {
        pen.move(u0 + (gx + 1) * kx, v0 + (gy + dv) * ky);
        have_pen = true;
      }
      pen.draw(u0 + (nx + 1) * kx, v0 + (ny + dv) * ky);
    }
    gx = nx;
    gy = ny;
    if (b & 0x08) break;
  }
  pen.finish();
}

// Draws a font-file glyph: Hershey pairs relative to the glyph centre, y
// growing downward with the baseline at y = `baseline`.
void draw_pairs(Pen& pen, const zarvo::Glyph& g, int baseline, double u0, double v0, double kx,
                double ky) {
  bool down = false;
  for (const zarvo::StrokePair& p : g.pairs) {
    if (p.x == -50 && p.y == 0) {
      down = false;
      continue;
    }
    const double u = u0 + (p.x - g.left) * kx;
    const double v = v0 + (baseline - p.y) * ky;
    if (down) {
      pen.draw(u, v);
    } else {
      pen.move(u, v);
      down = true;
    }
  }
  pen.finish();
}

}  // namespace

FontSet::FontSet(std::string dir, bool quiet) : dir_(std::move(dir)), quiet_(quiet) {}

const zarvo::Font& FontSet::get(int number) {
  auto it = fonts_.find(number);
  if (it != fonts_.end()) return *it->second;
  const zarvo::Font* font = nullptr;
  if (number == 0) {
    font = &zarvo::getfont(0);
  } else {
    const std::string name = font_file_name(number);
    const std::string path = dir_.empty() ? name : dir_ + "/" + name;
    std::error_code ec;
    std::string warning;
    if (!std::filesystem::is_regular_file(path, ec)) {
      warning = "font " + std::to_string(number) + ": no font file " + path + "; font 0 used";
      font = &zarvo::getfont(0);
    } else {
      // The library opens font files by bare name in the working directory.
      int here = -1;
      if (!dir_.empty()) {
        here = ::open(".", O_RDONLY | O_DIRECTORY);
        if (here < 0 || ::chdir(dir_.c_str()) != 0) {
          if (here >= 0) ::close(here);
          here = -2;
        }
      }
      if (here == -2) {
        warning = "font " + std::to_string(number) + ": cannot enter font directory " + dir_ +
                  "; font 0 used";
        font = &zarvo::getfont(0);
      } else {
        font = &zarvo::getfont(number);
        if (here >= 0) {
          if (::fchdir(here) != 0) std::perror("pltrender: cannot return to the working directory");
          ::close(here);
        }
        if (font->number != number)
          warning = "font " + std::to_string(number) + ": font file " + path +
                    " could not be read; font 0 used";
      }
    }
    if (!warning.empty()) {
      warnings_.push_back(warning);
      if (!quiet_) std::fprintf(stderr, "pltrender: warning: %s\n", warning.c_str());
    }
  }
  fonts_[number] = font;
  return *font;
}

TextLayout layout_text(FontSet& fonts, const Command& c, double x, double y) {
  return layout_text(fonts, c.text, c.font, c.size, c.orient, x, y);
}

TextLayout layout_text(FontSet& fonts, const std::string& text, int font, int size, int orient,
                       double x, double y) {
  TextLayout out;
  const double s = size;
  // The text bytes never hold a zero (the reader ends the text there), so
  // the list needs one element per byte plus the terminating 0.
  std::vector<int32_t> list(text.size() + 1, 0);
  zarvo::translate(text.c_str(), list.data());

  const zarvo::Font* cur = &fonts.get(font);
  const zarvo::Font* prev = cur;
  out.line_height = static_cast<double>(cur->height) * s;
  float factor = 1.0f;  // the markup's size factor, as the measurement keeps it
  int32_t step_sum = 0;
  double pen_u = 0;
  std::vector<double> shifts;  // open \u (+) and \d (-) baseline shifts
  double rise = 0;
  Pen pen(x, y, orient, out);

  for (std::size_t i = 0; i < list.size() && list[i] != 0; ++i) {
    const int32_t code = list[i];
    const bool has_arg = code == zarvo::FC_FONT || code == zarvo::FC_SIZE ||
                         code == zarvo::FC_SIZESTEP || code == zarvo::FC_FSTEP;
    const int32_t arg = (has_arg && i + 1 < list.size()) ? list[i + 1] : 0;
    if (has_arg) ++i;
    if (code == zarvo::FC_FONT) {
      if (arg <= 10) {
        prev = cur;
        cur = &fonts.get(arg);
      } else {
        std::swap(cur, prev);
      }
    } else if (code == zarvo::FC_UP || code == zarvo::FC_DOWN) {
      const double sign = code == zarvo::FC_UP ? 1.0 : -1.0;
      if (!shifts.empty() && shifts.back() * sign < 0) {
        // The opposite of the last open shift: back to where it started.
        rise -= shifts.back();
        shifts.pop_back();
      } else {
        const double amount = sign * kRiseFraction * cur->height * s * factor;
        rise += amount;
        shifts.push_back(amount);
      }
    } else if (code == zarvo::FC_SIZE || code == zarvo::FC_SIZESTEP) {
      if (code == zarvo::FC_SIZE) {
        step_sum = 0;
        if (cur->height != 0) factor = static_cast<float>(arg) / static_cast<float>(cur->height);
      } else {
        step_sum += arg;
        if (cur->height != 0)
          factor = static_cast<float>(step_sum + cur->height) / static_cast<float>(cur->height);
      }
    } else if (code >= 1 && code <= zarvo::FC_UNDEFINED) {
      const zarvo::Glyph* g = cur->glyphs[static_cast<std::size_t>(code)];
      if (g == nullptr) continue;
      // A font's width_scale scales its glyphs in both directions (font 0: 1).
      const double kx = s * factor * cur->width_scale;
      const double ky = kx;
      pen.set_weight(std::abs(kWeight * s * factor));
      if (g->strokes != nullptr)
        draw_builtin(pen, *g, pen_u, rise, kx, ky);
      else
        draw_pairs(pen, *g, cur->extra, pen_u, rise, kx, ky);
      pen_u += static_cast<double>(cur->width_scale * factor) * (g->right - g->left) * s;
    }
    // FC_FSTEP and anything else do not change the drawing.
  }
  pen.finish();
  out.advance = pen_u;
  return out;
}

}  // namespace pltrender
