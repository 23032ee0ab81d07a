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

// A page: the commands [begin, end).  Every e command begins a page; the
// commands before the first e form a page of their own only when one of
// them is more than a thickness setting (otherwise they lead into the first
// page).  Erase commands inside a range are page breaks and draw nothing.
struct Page {
  std::size_t begin = 0;
  std::size_t end = 0;
};
std::vector<Page> split_pages(const std::vector<Command>& commands);

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
