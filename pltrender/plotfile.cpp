#include "plotfile.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

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

}  // namespace

int16_t CommandReader::h(std::size_t at) const {
  return static_cast<int16_t>(static_cast<uint16_t>(data_[at] | (data_[at + 1] << 8)));
}
uint16_t CommandReader::w16(std::size_t at) const {
  return static_cast<uint16_t>(data_[at] | (data_[at + 1] << 8));
}
uint32_t CommandReader::w32(std::size_t at) const {
  return static_cast<uint32_t>(data_[at]) | (static_cast<uint32_t>(data_[at + 1]) << 8) |
         (static_cast<uint32_t>(data_[at + 2]) << 16) | (static_cast<uint32_t>(data_[at + 3]) << 24);
}

bool CommandReader::fail(std::size_t offset, const std::string& what) {
  error_offset_ = offset;
  error_ = "byte offset " + std::to_string(offset) + ": " + what;
  end_ = pos_;  // nothing more is read
  return false;
}

bool CommandReader::truncated(char op, std::size_t need) {
  return fail(pos_, std::string("truncated '") + op + "' command: needs " + std::to_string(need) +
                        " bytes, " + std::to_string(end_ - pos_) + " left");
}

bool CommandReader::next(Command& c) {
  if (pos_ >= end_) return false;
  const uint8_t byte = data_[pos_];
  const char op = static_cast<char>(byte);
  const std::size_t left = end_ - pos_;
  c.op = op;
  c.offset = pos_;
  c.x = c.y = c.radius = c.thickness = 0;
  c.pattern = 0;
  c.attribute = 0;
  c.size = c.orient = c.font = 0;
  c.text.clear();
  c.points.clear();
  switch (op) {
    case 'e':
    case 'f':
    case 'm':
    case 'd':
    case 'c': {
      const std::size_t need = fixed_length(op);
      if (left < need) return truncated(op, need);
      if (op == 'f') c.thickness = h(pos_ + 1);
      if (op == 'm' || op == 'd') {
        c.x = h(pos_ + 1);
        c.y = h(pos_ + 3);
      }
      if (op == 'c') {
        c.pattern = w16(pos_ + 1);
        c.x = h(pos_ + 3);
        c.y = h(pos_ + 5);
        c.radius = h(pos_ + 7);
      }
      pos_ += need;
      return true;
    }
    case 't': {
      if (left < 6) return truncated(op, 6);
      c.attribute = w32(pos_ + 1);
      c.size = static_cast<int>(c.attribute & 31u);
      c.orient = static_cast<int>((c.attribute >> 5) & 3u);
      c.font = static_cast<int>((c.attribute >> 8) & 255u);
      const std::size_t start = pos_ + 5;
      const std::size_t stop = std::min(end_, start + kMaxTextBytes + 1);
      std::size_t end = start;
      while (end < stop && data_[end] != 0) ++end;
      if (end - start > kMaxTextBytes)
        return fail(pos_, "text of 't' command longer than " + std::to_string(kMaxTextBytes) +
                              " bytes; the library writes at most 255");
      if (end == end_)
        return fail(pos_, "text of 't' command has no terminating zero byte (" +
                              std::to_string(end_ - start) + " text bytes to the end of the file)");
      c.text.assign(reinterpret_cast<const char*>(data_ + start), end - start);
      pos_ = end + 1;
      return true;
    }
    case 'a': {
      if (left < 5) return truncated(op, 5);
      c.pattern = w16(pos_ + 1);
      const int n = h(pos_ + 3);
      if (n < 1) return fail(pos_, "'a' command with vertex count " + std::to_string(n) + " (at least 1 needed)");
      // n vertices plus the repeated first one; checked against the bytes
      // left before anything is allocated.
      const std::size_t need = 5 + 4 * (static_cast<std::size_t>(n) + 1);
      if (left < need)
        return fail(pos_, "'a' command with vertex count " + std::to_string(n) + " needs " +
                              std::to_string(need) + " bytes, " + std::to_string(left) + " left");
      c.points.resize(static_cast<std::size_t>(n) + 1);
      for (std::size_t i = 0; i < c.points.size(); ++i) {
        c.points[i].x = h(pos_ + 5 + 4 * i);
        c.points[i].y = h(pos_ + 7 + 4 * i);
      }
      pos_ += need;
      return true;
    }
    default: {
      char buf[64];
      if (byte >= 0x20 && byte < 0x7f)
        std::snprintf(buf, sizeof buf, "unknown command byte 0x%02x ('%c')", byte, byte);
      else
        std::snprintf(buf, sizeof buf, "unknown command byte 0x%02x", byte);
      return fail(pos_, buf);
    }
  }
}

ParseResult parse(const uint8_t* data, std::size_t size) {
  ParseResult r;
  if (size == 0) {
    r.ok = false;
    r.error = "byte offset 0: empty file, no commands";
    return r;
  }
  // A first pass counts the commands, so that the second stores them
  // without growing the vector step by step.
  Command c;
  std::size_t count = 0;
  for (CommandReader counter(data, 0, size); counter.next(c);) ++count;
  r.commands.reserve(count);
  CommandReader reader(data, 0, size);
  while (reader.next(c)) r.commands.push_back(c);
  if (!reader.ok()) {
    r.ok = false;
    r.error_offset = reader.error_offset();
    r.error = reader.error();
  }
  return r;
}

ParseResult parse(const std::vector<uint8_t>& bytes) { return parse(bytes.data(), bytes.size()); }

void PageSplitter::close(std::size_t at) {
  ++count_;
  if (count_ <= keep_)
    pages_.push_back({begin_, at});
  else if (count_ == keep_ + 1)
    first_unkept_ = begin_;
}

void PageSplitter::add(char op, std::size_t at) {
  if (!any_) begin_ = at;
  any_ = true;
  if (op == 'e') {
    if (seen_erase_ || prefix_draws_) {
      close(at);
      begin_ = at;
    }
    seen_erase_ = true;
  } else if (!seen_erase_ && op != 'f') {
    prefix_draws_ = true;
  }
}

const std::vector<Page>& PageSplitter::finish(std::size_t end) {
  if (any_) close(end);
  any_ = false;
  return pages_;
}

std::vector<Page> split_pages(const std::vector<Command>& commands) {
  PageSplitter pages;
  for (std::size_t i = 0; i < commands.size(); ++i) pages.add(commands[i].op, i);
  return pages.finish(commands.size());
}

PlotScan scan(const uint8_t* data, std::size_t size, std::size_t max_pages) {
  PlotScan s;
  if (size == 0) {
    s.ok = false;
    s.error = "byte offset 0: empty file, no commands";
    return s;
  }
  PageSplitter pages(max_pages);
  CommandReader reader(data, 0, size);
  Command c;
  // Reading stops once a page beyond the limit begins: such a plot is
  // refused whatever follows.
  while (pages.count() <= max_pages && reader.next(c)) pages.add(c.op, c.offset);
  if (!reader.ok()) {
    s.ok = false;
    s.error = reader.error();
    return s;
  }
  s.pages = pages.finish(reader.position());
  s.page_count = pages.count();
  s.first_unkept = pages.first_unkept();
  return s;
}

bool read_file(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    error = path + ": is a directory";
    return false;
  }
  std::FILE* in = std::fopen(path.c_str(), "rb");
  if (in == nullptr) {
    error = path + ": cannot open for reading";
    return false;
  }
  // A regular file is read into a buffer of its size; anything else (a
  // pipe) in blocks.
  constexpr std::size_t kBlock = 1 << 16;
  bytes.clear();
  const auto known = std::filesystem::is_regular_file(path, ec) ? std::filesystem::file_size(path, ec) : 0;
  if (!ec && known > 0) bytes.reserve(known + kBlock);
  std::size_t used = 0;
  for (;;) {
    bytes.resize(used + kBlock);
    const std::size_t got = std::fread(bytes.data() + used, 1, kBlock, in);
    used += got;
    if (got < kBlock) break;
  }
  bytes.resize(used);
  const bool failed = std::ferror(in) != 0;
  std::fclose(in);
  if (failed) {
    error = path + ": read error";
    return false;
  }
  return true;
}

}  // namespace pltrender
