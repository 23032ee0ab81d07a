// hershey2font: converts a Hershey font in the .jhf layout into a zarvo
// font file.
//
//   hershey2font INPUT.jhf OUTPUT [HEIGHT]
//
// INPUT is read as entries of a 5-character glyph number, a 3-character pair
// count (the extents pair included) and that many pairs of characters; an
// entry may continue on following lines (line breaks inside it are skipped).
// The n-th entry of the file (n from 0) becomes the glyph of character code
// 32 + n, since .jhf fonts list their glyphs in character order from the
// blank; entries beyond code 255 are dropped with a warning.
//
// OUTPUT is written as a font file for zarvo's getfont:
//   - the header line "HEIGHT BASELINE 1.0": HEIGHT is the nominal character
//     height (default: the cap height, the vertical span of the strokes of
//     "H"; without an "H", the span of all strokes); BASELINE, the value
//     kept in the font's `extra` field, is the y coordinate of the bottom of
//     "H" (0 without one); the width scale is 1.0;
//   - the glyphs in ascending order, each as "%5d%3d" and its pairs, with a
//     line break before pairs 32, 68, 104 and 140 (72-column lines) and at
//     its end;
//   - glyph 511, the undefined glyph: a copy of "?", or a box if the font
//     has no "?".
// Coordinates are copied unchanged (character codes, "R" standing for 0).
// A glyph of more than 176 pairs does not fit the format: it is dropped
// with a warning, and its code falls back to glyph 511 when loaded.
//
// Exit status: 0 on success, 1 on an unreadable or malformed input or an
// unwritable output, 2 on a usage error.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int kFirstCode = 32;
constexpr int kLastCode = 255;
constexpr int kUndefinedGlyph = 511;
constexpr int kMaxPairs = 176;
constexpr int kBase = 'R';

struct Entry {
  int hershey_number = 0;
  std::string pairs;  // 2 characters per pair, extents pair first
};

// Reads `width` characters, skipping line breaks; false at the end of input.
bool read_field(std::FILE* in, int width, std::string& field) {
  field.clear();
  while (static_cast<int>(field.size()) < width) {
    const int c = std::getc(in);
    if (c == EOF) return false;
    if (c == '\n' || c == '\r') continue;
    field.push_back(static_cast<char>(c));
  }
  return true;
}

std::optional<int> parse_number(const std::string& field) {
  size_t i = 0;
  while (i < field.size() && field[i] == ' ') ++i;
  if (i == field.size()) return std::nullopt;
  int value = 0;
  for (; i < field.size(); ++i) {
    if (field[i] < '0' || field[i] > '9') return std::nullopt;
    value = value * 10 + (field[i] - '0');
  }
  return value;
}

// Reads all entries; an error message on malformed input.
std::optional<std::string> read_jhf(std::FILE* in, std::vector<Entry>& entries) {
  std::string field;
  for (;;) {
    // Skip the line breaks between entries; the end of input here is the end.
    int c;
    do {
      c = std::getc(in);
    } while (c == '\n' || c == '\r');
    if (c == EOF) return std::nullopt;
    std::ungetc(c, in);

    Entry e;
    if (!read_field(in, 5, field)) return "input ends inside a glyph number";
    const auto number = parse_number(field);
    if (!number) return "bad glyph number field \"" + field + "\"";
    if (!read_field(in, 3, field)) return "input ends inside a pair count";
    const auto count = parse_number(field);
    if (!count || *count < 1) return "bad pair count field \"" + field + "\"";
    if (!read_field(in, 2 * *count, e.pairs)) return "input ends inside a glyph";
    e.hershey_number = *number;
    entries.push_back(std::move(e));
  }
}

// The vertical span (min y, max y) of a glyph's strokes, pen lifts left out.
std::optional<std::pair<int, int>> vertical_span(const std::string& pairs) {
  std::optional<std::pair<int, int>> span;
  for (size_t i = 2; i + 1 < pairs.size(); i += 2) {
    if (pairs[i] == ' ' && pairs[i + 1] == 'R') continue;  // pen lift
    const int y = pairs[i + 1] - kBase;
    if (!span) {
      span = std::make_pair(y, y);
    } else {
      span->first = std::min(span->first, y);
      span->second = std::max(span->second, y);
    }
  }
  return span;
}

std::string box_glyph() {
  // Extents -8 and 8; a box from (-5,-12) to (5,9).
  return "JZMFWFW[M[MF";
}

void write_entry(std::FILE* out, int code, const std::string& pairs) {
  const int count = static_cast<int>(pairs.size() / 2);
  std::fprintf(out, "%5d%3d", code, count);
  for (int pair = 0; pair < count; ++pair) {
    if (pair == 32 || pair == 68 || pair == 104 || pair == 140) std::fputc('\n', out);
    std::fputc(pairs[2 * static_cast<size_t>(pair)], out);
    std::fputc(pairs[2 * static_cast<size_t>(pair) + 1], out);
  }
  std::fputc('\n', out);
}

int usage() {
  std::fprintf(stderr,
               "usage: hershey2font INPUT.jhf OUTPUT [HEIGHT]\n"
               "  Converts a Hershey .jhf font into a zarvo font file.  Name OUTPUT by\n"
               "  the font number in three digits (e.g. 001) for getfont to find it.\n"
               "  HEIGHT: the nominal character height in glyph units (default: the\n"
               "  cap height, the vertical span of \"H\").\n");
  return 2;
}

// The largest nominal height the plotting library accepts in a font file.
constexpr int kMaxHeight = 1000;

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 4) return usage();
  std::optional<int> height;
  if (argc == 4) {
    char* end = nullptr;
    const long h = std::strtol(argv[3], &end, 10);
    if (end == argv[3] || *end != '\0' || h < 1 || h > kMaxHeight) {
      std::fprintf(stderr, "hershey2font: HEIGHT must be an integer from 1 to %d, not \"%s\"\n",
                   kMaxHeight, argv[3]);
      return 2;
    }
    height = static_cast<int>(h);
  }

  std::FILE* in = std::fopen(argv[1], "r");
  if (in == nullptr) {
    std::fprintf(stderr, "hershey2font: can't open %s\n", argv[1]);
    return 1;
  }
  std::vector<Entry> entries;
  const auto error = read_jhf(in, entries);
  // A read that fails (a directory, say) is not the end of the input.
  const int read_errno = std::ferror(in) ? errno : 0;
  std::fclose(in);
  if (read_errno != 0) {
    std::fprintf(stderr, "hershey2font: %s: read error: %s\n", argv[1], std::strerror(read_errno));
    return 1;
  }
  if (error) {
    std::fprintf(stderr, "hershey2font: %s: %s (after %zu entries)\n", argv[1], error->c_str(),
                 entries.size());
    return 1;
  }
  if (entries.empty()) {
    std::fprintf(stderr, "hershey2font: %s: no glyphs\n", argv[1]);
    return 1;
  }

  std::map<int, std::string> glyphs;  // by character code
  for (size_t n = 0; n < entries.size(); ++n) {
    const int code = kFirstCode + static_cast<int>(n);
    if (code > kLastCode) {
      std::fprintf(stderr, "hershey2font: %zu entries beyond code %d dropped\n",
                   entries.size() - n, kLastCode);
      break;
    }
    const std::string& pairs = entries[n].pairs;
    if (static_cast<int>(pairs.size() / 2) > kMaxPairs) {
      std::fprintf(stderr,
                   "hershey2font: glyph %d (code %d) has %zu pairs, more than %d: dropped\n",
                   entries[n].hershey_number, code, pairs.size() / 2, kMaxPairs);
      continue;
    }
    glyphs[code] = pairs;
  }

  // Nominal height and baseline from "H", else from every glyph.
  int baseline = 0;
  std::optional<std::pair<int, int>> span;
  if (auto h = glyphs.find('H'); h != glyphs.end()) span = vertical_span(h->second);
  if (span) {
    baseline = span->second;
  } else {
    for (const auto& [code, pairs] : glyphs) {
      if (auto s = vertical_span(pairs)) {
        if (!span) {
          span = s;
        } else {
          span->first = std::min(span->first, s->first);
          span->second = std::max(span->second, s->second);
        }
      }
    }
  }
  if (!height) height = (span && span->second > span->first) ? span->second - span->first : 21;

  const auto question = glyphs.find('?');
  const std::string undefined = question != glyphs.end() ? question->second : box_glyph();

  std::FILE* out = std::fopen(argv[2], "w");
  if (out == nullptr) {
    std::fprintf(stderr, "hershey2font: can't create %s\n", argv[2]);
    return 1;
  }
  std::fprintf(out, "%d %d 1.0\n", *height, baseline);
  for (const auto& [code, pairs] : glyphs) write_entry(out, code, pairs);
  write_entry(out, kUndefinedGlyph, undefined);
  if (std::fclose(out) != 0) {
    std::fprintf(stderr, "hershey2font: error writing %s\n", argv[2]);
    return 1;
  }
  return 0;
}
