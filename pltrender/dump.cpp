#include "dump.h"

#include <cstdio>

namespace pltrender {

std::string quote_text(const std::string& text) {
  std::string out = "\"";
  for (unsigned char ch : text) {
    if (ch == '\\' || ch == '"') {
      out += '\\';
      out += static_cast<char>(ch);
    } else if (ch >= 0x20 && ch < 0x7f) {
      out += static_cast<char>(ch);
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", ch);
      out += buf;
    }
  }
  out += '"';
  return out;
}

std::string format_command(const Command& c) {
  char buf[128];
  switch (c.op) {
    case 'e': return "e";
    case 'f': std::snprintf(buf, sizeof buf, "f %d", c.thickness); return buf;
    case 'm':
    case 'd': std::snprintf(buf, sizeof buf, "%c %d %d", c.op, c.x, c.y); return buf;
    case 'c':
      std::snprintf(buf, sizeof buf, "c pattern=0x%04x %d %d %d", c.pattern, c.x, c.y, c.radius);
      return buf;
    case 't': {
      std::snprintf(buf, sizeof buf, "t size=%d font=%d orient=%d ", c.size, c.font, c.orient);
      std::string s = buf;
      // Bits that the writer always leaves zero are shown only when set.
      const uint32_t reserved = c.attribute & 0xFFFF0080u;
      if (reserved != 0) {
        std::snprintf(buf, sizeof buf, "reserved=0x%08x ", reserved);
        s += buf;
      }
      return s + quote_text(c.text);
    }
    case 'a': {
      std::snprintf(buf, sizeof buf, "a pattern=0x%04x n=%zu", c.pattern,
                    c.points.empty() ? std::size_t{0} : c.points.size() - 1);
      std::string s = buf;
      for (const Point& p : c.points) {
        std::snprintf(buf, sizeof buf, " %d %d", p.x, p.y);
        s += buf;
      }
      return s;
    }
    default: return "?";
  }
}

namespace {
constexpr char kOps[] = {'e', 'f', 'm', 'd', 't', 'a', 'c'};
}

void Summary::add(const Command& c) {
  for (std::size_t i = 0; i < sizeof kOps; ++i)
    if (kOps[i] == c.op) ++counts_[i];
  ++commands_;
  pages_.add(c.op, commands_);
  switch (c.op) {
    case 'm':
    case 'd': box_.add(c.x, c.y); break;
    case 'c':
      box_.add(c.x - static_cast<double>(c.radius), c.y - static_cast<double>(c.radius));
      box_.add(c.x + static_cast<double>(c.radius), c.y + static_cast<double>(c.radius));
      break;
    case 'a':
      for (const Point& p : c.points) box_.add(p.x, p.y);
      break;
    default: break;
  }
}

std::string Summary::text(std::size_t end) {
  pages_.finish(end);
  std::string out;
  char buf[160];
  for (std::size_t i = 0; i < sizeof kOps; ++i) {
    std::snprintf(buf, sizeof buf, "%c %zu\n", kOps[i], counts_[i]);
    out += buf;
  }
  std::snprintf(buf, sizeof buf, "commands %zu\npages %zu\n", commands_, pages_.count());
  out += buf;
  if (box_.empty) {
    out += "bbox none\n";
  } else {
    std::snprintf(buf, sizeof buf, "bbox xmin=%.0f ymin=%.0f xmax=%.0f ymax=%.0f\n", box_.x0, box_.y0,
                  box_.x1, box_.y1);
    out += buf;
  }
  return out;
}

std::string summary(const std::vector<Command>& commands) {
  Summary s;
  for (const Command& c : commands) s.add(c);
  return s.text(commands.size());
}

}  // namespace pltrender
