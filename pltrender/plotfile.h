// Plot file reader: parses the binary command stream (e, f, m, d, t, a, c;
// little-endian operands, 300 plot units to the inch) into commands that
// keep their byte offsets.  The input is untrusted: every malformed stream
// gives an error naming the byte offset, and no allocation exceeds what the
// remaining bytes can hold.
#ifndef PLTRENDER_PLOTFILE_H
#define PLTRENDER_PLOTFILE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pltrender {

struct Point {
  int16_t x = 0;
  int16_t y = 0;
};

// The longest text of a t command that is read.  The library writes texts
// of at most 255 bytes; a longer one would only be laid out at great cost
// (memory grows with its length) to give a page too large to draw.
constexpr std::size_t kMaxTextBytes = 1024;

struct Command {
  char op = 0;             // 'e', 'f', 'm', 'd', 't', 'a' or 'c'
  std::size_t offset = 0;  // byte offset of the command letter
  // f: thickness in x.  m, d: the point.  c: centre in (x, y), radius.
  int16_t x = 0;
  int16_t y = 0;
  int16_t radius = 0;
  int16_t thickness = 0;
  // a, c: the fill pattern word (0: outline only).
  uint16_t pattern = 0;
  // t: the attribute word split into its fields, and the text bytes.
  uint32_t attribute = 0;
  int size = 0;    // bits 0-4
  int orient = 0;  // bits 5-6, quarter turns counter-clockwise
  int font = 0;    // bits 8-15
  std::string text;
  // a: the n vertices followed by the repeated first one (n + 1 points).
  std::vector<Point> points;
};

struct ParseResult {
  std::vector<Command> commands;  // everything read before any error
  bool ok = true;
  std::size_t error_offset = 0;
  std::string error;  // "byte offset N: ..." when !ok
};

// Parses a whole plot file held in memory.
ParseResult parse(const uint8_t* data, std::size_t size);
ParseResult parse(const std::vector<uint8_t>& bytes);

// Reads the commands in bytes [begin, end) of a plot file held in memory
// one at a time, without storing them: the memory used stays that of the
// bytes themselves, whatever the number of commands.
class CommandReader {
 public:
  CommandReader(const uint8_t* data, std::size_t begin, std::size_t end)
      : data_(data), pos_(begin), end_(end) {}
  // The next command into `c` (its text and points reuse c's storage);
  // false at the end, or at a malformed command (then ok() is false).
  bool next(Command& c);
  bool ok() const { return error_.empty(); }
  std::size_t error_offset() const { return error_offset_; }
  const std::string& error() const { return error_; }  // "byte offset N: ..."
  std::size_t position() const { return pos_; }

 private:
  bool fail(std::size_t offset, const std::string& what);
  bool truncated(char op, std::size_t need);
  int16_t h(std::size_t at) const;
  uint16_t w16(std::size_t at) const;
  uint32_t w32(std::size_t at) const;

  const uint8_t* data_;
  std::size_t pos_;
  std::size_t end_;
  std::size_t error_offset_ = 0;
  std::string error_;
};

// A page: the commands [begin, end).  Every e command begins a page; the
// commands before the first e form a page of their own only when one of
// them is more than a thickness setting (otherwise they lead into the first
// page).  Erase commands inside a range are page breaks and draw nothing.
struct Page {
  std::size_t begin = 0;
  std::size_t end = 0;
};
std::vector<Page> split_pages(const std::vector<Command>& commands);

// The page rule applied to commands given one by one at positions (list
// indices or byte offsets).  Only the first `keep` pages are stored; the
// count goes on.
class PageSplitter {
 public:
  explicit PageSplitter(std::size_t keep = SIZE_MAX) : keep_(keep) {}
  void add(char op, std::size_t at);
  // Closes the last page at `end`; returns the stored pages.
  const std::vector<Page>& finish(std::size_t end);
  std::size_t count() const { return count_; }
  // Position of the first command of the page beyond `keep` (count() > keep).
  std::size_t first_unkept() const { return first_unkept_; }

 private:
  void close(std::size_t at);
  std::size_t keep_;
  std::vector<Page> pages_;
  std::size_t count_ = 0;
  std::size_t begin_ = 0;
  std::size_t first_unkept_ = 0;
  bool any_ = false;
  bool prefix_draws_ = false;
  bool seen_erase_ = false;
};

// A whole plot file checked command by command, its pages as byte ranges.
struct PlotScan {
  bool ok = true;
  std::string error;       // "byte offset N: ..." when !ok
  std::vector<Page> pages;  // byte offsets; at most max_pages of them
  std::size_t page_count = 0;  // all pages, also those beyond max_pages
  std::size_t first_unkept = 0;  // byte offset of page max_pages + 1
  bool too_many_pages() const { return page_count > pages.size(); }
};
PlotScan scan(const uint8_t* data, std::size_t size, std::size_t max_pages);

// Reads a file into memory; false with a message in `error` on failure.
bool read_file(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

// Bounding box of plot coordinates.
struct Box {
  bool empty = true;
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  void add(double x, double y) {
    if (empty) {
      x0 = x1 = x;
      y0 = y1 = y;
      empty = false;
      return;
    }
    if (x < x0) x0 = x;
    if (x > x1) x1 = x;
    if (y < y0) y0 = y;
    if (y > y1) y1 = y;
  }
  void add(const Box& b) {
    if (b.empty) return;
    add(b.x0, b.y0);
    add(b.x1, b.y1);
  }
};

}  // namespace pltrender

#endif
