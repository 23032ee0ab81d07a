#include "plotfile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace pltrender {

namespace {

// Bytes each fixed-length command takes, its letter included.
std::size_t fixed_length(char op) {
  switch (op) {
    case 'e': return 1;
    case 'f': return 3;
    case 'm':
    case 'd': return 5;
    case 'c': return 9;
    default: return 0;
  }
}

class Reader {
 public:
  Reader(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  ParseResult run() {
    ParseResult r;
    if (size_ == 0) {
      fail(r, 0, "empty file, no commands");
      return r;
    }
    // A first pass counts the commands, so that the second stores them
    // without growing the vector step by step.
    store_ = false;
    std::size_t pos = 0;
    ParseResult counting;
    while (pos < size_ && command(counting, pos)) {
    }
    r.commands.reserve(count_);
    store_ = true;
    pos = 0;
    while (pos < size_) {
      if (!command(r, pos)) return r;
    }
    return r;
  }

 private:
  int16_t h(std::size_t at) const {
    return static_cast<int16_t>(static_cast<uint16_t>(data_[at] | (data_[at + 1] << 8)));
  }
  uint16_t w16(std::size_t at) const {
    return static_cast<uint16_t>(data_[at] | (data_[at + 1] << 8));
  }
  uint32_t w32(std::size_t at) const {
    return static_cast<uint32_t>(data_[at]) | (static_cast<uint32_t>(data_[at + 1]) << 8) |
           (static_cast<uint32_t>(data_[at + 2]) << 16) | (static_cast<uint32_t>(data_[at + 3]) << 24);
  }

  static void fail(ParseResult& r, std::size_t offset, const std::string& what) {
    r.ok = false;
    r.error_offset = offset;
    r.error = "byte offset " + std::to_string(offset) + ": " + what;
  }

  bool truncated(ParseResult& r, std::size_t pos, char op, std::size_t need) {
    fail(r, pos,
         std::string("truncated '") + op + "' command: needs " + std::to_string(need) +
             " bytes, " + std::to_string(size_ - pos) + " left");
    return false;
  }

  // Parses the command at pos, appends it and advances pos.
  bool command(ParseResult& r, std::size_t& pos) {
    const uint8_t byte = data_[pos];
    const char op = static_cast<char>(byte);
    Command c;
    c.op = op;
    c.offset = pos;
    const std::size_t left = size_ - pos;
    switch (op) {
      case 'e':
      case 'f':
      case 'm':
      case 'd':
      case 'c': {
        const std::size_t need = fixed_length(op);
        if (left < need) return truncated(r, pos, op, need);
        if (op == 'f') c.thickness = h(pos + 1);
        if (op == 'm' || op == 'd') {
          c.x = h(pos + 1);
          c.y = h(pos + 3);
        }
        if (op == 'c') {
          c.pattern = w16(pos + 1);
          c.x = h(pos + 3);
          c.y = h(pos + 5);
          c.radius = h(pos + 7);
        }
        pos += need;
        break;
      }
      case 't': {
        if (left < 6) return truncated(r, pos, op, 6);
        c.attribute = w32(pos + 1);
        c.size = static_cast<int>(c.attribute & 31u);
        c.orient = static_cast<int>((c.attribute >> 5) & 3u);
        c.font = static_cast<int>((c.attribute >> 8) & 255u);
        const std::size_t start = pos + 5;
        std::size_t end = start;
        while (end < size_ && data_[end] != 0) ++end;
        if (end == size_) {
          fail(r, pos,
               "text of 't' command has no terminating zero byte (" +
                   std::to_string(size_ - start) + " text bytes to the end of the file)");
          return false;
        }
        if (store_) c.text.assign(reinterpret_cast<const char*>(data_ + start), end - start);
        pos = end + 1;
        break;
      }
      case 'a': {
        if (left < 5) return truncated(r, pos, op, 5);
        c.pattern = w16(pos + 1);
        const int n = h(pos + 3);
        if (n < 1) {
          fail(r, pos, "'a' command with vertex count " + std::to_string(n) + " (at least 1 needed)");
          return false;
        }
        // n vertices plus the repeated first one; checked against the bytes
        // left before anything is allocated.
        const std::size_t need = 5 + 4 * (static_cast<std::size_t>(n) + 1);
        if (left < need) {
          fail(r, pos,
               "'a' command with vertex count " + std::to_string(n) + " needs " +
                   std::to_string(need) + " bytes, " + std::to_string(left) + " left");
          return false;
        }
        if (store_) {
          c.points.resize(static_cast<std::size_t>(n) + 1);
          for (std::size_t i = 0; i < c.points.size(); ++i) {
            c.points[i].x = h(pos + 5 + 4 * i);
            c.points[i].y = h(pos + 7 + 4 * i);
          }
        }
        pos += need;
        break;
      }
      default: {
        char buf[64];
        if (byte >= 0x20 && byte < 0x7f)
          std::snprintf(buf, sizeof buf, "unknown command byte 0x%02x ('%c')", byte, byte);
        else
          std::snprintf(buf, sizeof buf, "unknown command byte 0x%02x", byte);
        fail(r, pos, buf);
        return false;
      }
    }
    if (store_)
      r.commands.push_back(std::move(c));
    else
      ++count_;
    return true;
  }

  const uint8_t* data_;
  std::size_t size_;
  bool store_ = true;
  std::size_t count_ = 0;
};

}  // namespace

ParseResult parse(const uint8_t* data, std::size_t size) { return Reader(data, size).run(); }

ParseResult parse(const std::vector<uint8_t>& bytes) { return parse(bytes.data(), bytes.size()); }

std::vector<Page> split_pages(const std::vector<Command>& commands) {
  std::vector<Page> pages;
  std::size_t begin = 0;
  bool prefix_draws = false;
  bool seen_erase = false;
  for (std::size_t i = 0; i < commands.size(); ++i) {
    const char op = commands[i].op;
    if (op == 'e') {
      if (seen_erase || prefix_draws) {
        pages.push_back({begin, i});
        begin = i;
      }
      seen_erase = true;
    } else if (!seen_erase && op != 'f') {
      prefix_draws = true;
    }
  }
  if (!commands.empty()) pages.push_back({begin, commands.size()});
  return pages;
}

bool read_file(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    error = path + ": is a directory";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = path + ": cannot open for reading";
    return false;
  }
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    error = path + ": read error";
    return false;
  }
  return true;
}

}  // namespace pltrender
