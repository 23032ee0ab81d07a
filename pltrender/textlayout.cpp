#include "textlayout.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include <zarvo/zarvo.hpp>

namespace pltrender {

namespace {

// Stroke width of text in plot units per unit of text size (times the
// markup's size factor): 0.35 * 8 = 2.8 plot units at size 8.
constexpr double kWeight = 0.35;

std::string font_file_name(int number) {
  char name[16];
  std::snprintf(name, sizeof name, "%03d", number);
  return name;
}

// A point of the text's own frame turned by `orient` quarter turns
// counter-clockwise about (x, y).
XY place(const zarvo::OutlinePoint& p, double x, double y, int orient) {
  switch (orient & 3) {
    case 1: return {x - p.v, y + p.u};
    case 2: return {x - p.u, y - p.v};
    case 3: return {x + p.v, y - p.u};
    default: return {x + p.u, y + p.v};
  }
}

}  // namespace

std::string default_font_dir() {
  if (const char* env = std::getenv("PLTRENDER_FONTS")) return env;
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return "";
  const std::filesystem::path installed = exe.parent_path() / INSTALLED_FONTS_FROM_BIN;
  if (!std::filesystem::is_directory(installed, ec)) return "";
  return installed.lexically_normal().string();
}

FontSet::FontSet(std::string dir, bool quiet) : dir_(std::move(dir)), quiet_(quiet) {}

int FontSet::get(int number) {
  auto it = fonts_.find(number);
  if (it != fonts_.end()) return it->second;
  int used = number;
  if (number != 0) {
    const std::string name = font_file_name(number);
    const std::string path = dir_.empty() ? name : dir_ + "/" + name;
    std::error_code ec;
    std::string warning;
    if (!std::filesystem::is_regular_file(path, ec)) {
      warning = "font " + std::to_string(number) + ": no font file " + path + "; font 0 used";
    } else if (!zarvo::load_font_file(number, path)) {
      warning = "font " + std::to_string(number) + ": font file " + path + " could not be read; font 0 used";
    }
    if (!warning.empty()) {
      used = 0;
      warnings_.push_back(warning);
      if (!quiet_) std::fprintf(stderr, "pltrender: warning: %s\n", warning.c_str());
    }
  }
  fonts_[number] = used;
  return used;
}

TextLayout layout_text(FontSet& fonts, const Command& c, double x, double y) {
  return layout_text(fonts, c.text, c.font, c.size, c.orient, x, y);
}

TextLayout layout_text(FontSet& fonts, const std::string& text, int font, int size, int orient,
                       double x, double y) {
  const zarvo::TextOutline outline =
      zarvo::text_outline(text, font, size, [&fonts](int32_t n) { return fonts.get(n); });
  TextLayout out;
  out.advance = outline.advance;
  out.line_height = outline.line_height;
  for (const zarvo::OutlineStroke& s : outline.strokes) {
    std::vector<XY> line;
    line.reserve(s.points.size());
    for (const zarvo::OutlinePoint& p : s.points) {
      line.push_back(place(p, x, y, orient));
      out.ink.add(line.back().x, line.back().y);
    }
    const double weight = std::abs(kWeight * s.scale);
    out.strokes.push_back(std::move(line));
    out.weights.push_back(weight);
    if (weight > out.max_weight) out.max_weight = weight;
  }
  return out;
}

}  // namespace pltrender
