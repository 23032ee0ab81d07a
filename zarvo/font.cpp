// The font cache and the font file reader.
//
// A font file is untrusted input.  The reader takes what the format allows
// and refuses the whole font, with a message and font 0 in its place, when
// the file is not sound:
//   - a header that cannot be read as "%d %d %f", an integer beyond 32 bits,
//     a height outside 1..1000 or a width scale that is not a finite number;
//   - a pair count below 1 or above 176;
//   - a stream that ends inside an entry (after its glyph number field and
//     before its last pair);
//   - no glyph 511, which every empty slot is filled from.
// Entries with a glyph number of 512 or more are read and skipped: the
// slots end at 511.  A partly read font is owned by unique_ptrs and freed
// on every way out.
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include <zarvo/zarvo.hpp>

#include "font.h"
#include "state.h"

namespace zarvo {

const char* const file_prefix = FONTFILE_PREFIX;

namespace {

constexpr const char kCantOpen[] = " Can't open font file, default font used.";
constexpr const char kCantAllocFont[] = " Can't allocate font storage, default font used.";
constexpr const char kCantAllocGlyph[] = "Unable to allocate font storage, default font used.";
constexpr const char kBadHeader[] = "Bad font file header, default font used.";
constexpr const char kBadPairCount[] = "Bad pair count in font file, default font used.";
constexpr const char kTruncated[] = "Font file ends inside a glyph entry, default font used.";
constexpr const char kNoUndefined[] = "Font file has no glyph 511, default font used.";

constexpr int kLastSlot = kGlyphSlots - 1;  // 511, the undefined glyph
// Glyph coordinates span at most 255 units (one character each), so a
// nominal height far above that describes no real font.
constexpr int32_t kMaxHeight = 1000;
constexpr int kCoordinateBase = 'R';

// Pairs before which an entry's line break stands: 32 pairs fill the first
// 72-column line after its 8-character prefix, 36 each further line.
bool line_break_before(int pair) {
  return pair == 32 || pair == 68 || pair == 104 || pair == 140;
}

// The reading of one font file; every failure is a message for cleanup.
class Reader {
 public:
  explicit Reader(std::FILE* in) : in_(in) {}

  // Reads the whole file into `font`; returns nullptr or a refusal message.
  const char* read(Font& font) {
    if (!header_integer(font.height) || !header_integer(font.extra) ||
        std::fscanf(in_, "%f", &font.width_scale) != 1) {
      return kBadHeader;
    }
    if (font.height < 1 || font.height > kMaxHeight || !std::isfinite(font.width_scale)) {
      return kBadHeader;
    }

    std::array<std::unique_ptr<Glyph>, kGlyphSlots> slots;
    for (int number = scanint(5, in_); number > 0; number = scanint(5, in_)) {
      const int count = scanint(3, in_);
      if (count == -1 && std::feof(in_)) return kTruncated;
      if (count < 1 || count > kMaxPairs) return kBadPairCount;
      std::unique_ptr<Glyph> glyph;
      try {
        glyph = std::make_unique<Glyph>();
        glyph->pairs.resize(static_cast<size_t>(count - 1));
      } catch (const std::bad_alloc&) {
        return kCantAllocGlyph;
      }
      int16_t left = 0;
      int16_t right = 0;
      if (!coordinate(left) || !coordinate(right)) return kTruncated;
      glyph->left = left;
      glyph->right = right;
      for (int pair = 1; pair < count; ++pair) {
        if (line_break_before(pair) && std::getc(in_) == EOF) return kTruncated;
        StrokePair& p = glyph->pairs[static_cast<size_t>(pair - 1)];
        if (!coordinate(p.x) || !coordinate(p.y)) return kTruncated;
      }
      std::getc(in_);  // the end of the entry's last line; may be missing at the end
      if (number <= kLastSlot) slots[static_cast<size_t>(number)] = std::move(glyph);
    }

    if (!slots[kLastSlot]) return kNoUndefined;
    try {
      font.owned.reserve(kGlyphSlots);
    } catch (const std::bad_alloc&) {
      return kCantAllocGlyph;
    }
    for (int i = 0; i < kGlyphSlots; ++i) {
      if (slots[i]) {
        font.glyphs[i] = slots[i].get();
        font.owned.push_back(std::move(slots[i]));
      }
    }
    for (int i = 0; i < kLastSlot; ++i) {
      if (font.glyphs[i] == nullptr) font.glyphs[i] = font.glyphs[kLastSlot];
    }
    return nullptr;
  }

 private:
  // One header integer as "%d" reads it (blanks, a sign, digits up to the
  // first other character, which stays unread); false without digits or
  // for a value beyond 32 bits.
  bool header_integer(int32_t& value) {
    int c = std::getc(in_);
    while (c != EOF && std::isspace(c)) c = std::getc(in_);
    const bool negative = c == '-';
    if (c == '-' || c == '+') c = std::getc(in_);
    if (c == EOF || !std::isdigit(c)) return false;
    constexpr int64_t kBeyond = int64_t{INT32_MAX} + 2;  // above every 32-bit magnitude
    int64_t magnitude = 0;
    for (; c != EOF && std::isdigit(c); c = std::getc(in_)) {
      if (magnitude < kBeyond) magnitude = magnitude * 10 + (c - '0');
    }
    if (c != EOF) std::ungetc(c, in_);
    const int64_t v = negative ? -magnitude : magnitude;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    value = static_cast<int32_t>(v);
    return true;
  }

  // One coordinate character, its code minus that of "R"; false at the end.
  bool coordinate(int16_t& value) {
    const int c = std::getc(in_);
    if (c == EOF) return false;
    value = static_cast<int16_t>(c - kCoordinateBase);
    return true;
  }

  std::FILE* in_;
};

// Reads font `number` from the file `name`; nullptr (after the message) on
// failure.
std::unique_ptr<Font> load_font(int32_t number, const std::string& name) {
  lib.fontfile = nullptr;
  lib.fontfile = std::fopen(name.c_str(), "r");
  if (lib.fontfile == nullptr) {
    cleanup(kCantOpen);
    return nullptr;
  }
  std::unique_ptr<Font> font(new (std::nothrow) Font);
  if (!font) {
    cleanup(kCantAllocFont);
    return nullptr;
  }
  Reader reader(lib.fontfile);
  if (const char* refusal = reader.read(*font)) {
    cleanup(refusal);
    return nullptr;
  }
  font->number = number;
  cleanup(nullptr);
  return font;
}

// Puts a loaded font into the cache, where it stays for the life of the
// process; font_store frees it only at exit.
const Font& keep(std::unique_ptr<Font> font) {
  const Font* kept = font.get();
  lib.font_list.reserve(lib.font_list.size() + 1);
  lib.font_store.push_back(std::move(font));
  lib.font_list.push_back(kept);
  return *kept;
}

}  // namespace

int scanint(int width, std::FILE* stream) {
  char field[8];
  if (width > 7) width = 7;
  int n = 0;
  while (n < width) {
    const int c = std::getc(stream);
    if (c == EOF) return -1;
    if (c == '\n') continue;
    field[n++] = static_cast<char>(c);
  }
  field[n] = '\0';
  // At most 7 characters: the value always fits.
  return static_cast<int>(std::strtol(field, nullptr, 10));
}

void cleanup(const char* message) {
  if (lib.fontfile != nullptr) {
    std::fclose(lib.fontfile);
    lib.fontfile = nullptr;
  }
  if (message != nullptr) std::fprintf(stderr, "%s:  %s\n", progname, message);
}

const Font& getfont(int32_t number) {
  for (const Font* f : lib.font_list) {
    if (f->number == number) return *f;
  }
  if (number == 0) {
    build_font_zero();
    lib.font_list.push_back(&font_zero);
    return font_zero;
  }
  char digits[16];  // "%03d" of any 32-bit number fits
  std::snprintf(digits, sizeof digits, "%03d", number);
  std::unique_ptr<Font> font = load_font(number, std::string(file_prefix) + digits);
  if (!font) return getfont(0);
  return keep(std::move(font));
}

bool load_font_file(int32_t number, const std::string& path) {
  for (const Font* f : lib.font_list) {
    if (f->number == number) return true;
  }
  if (number == 0) {
    getfont(0);  // built in
    return true;
  }
  std::unique_ptr<Font> font = load_font(number, path);
  if (!font) return false;
  keep(std::move(font));
  return true;
}

}  // namespace zarvo
