#include "image.h"

#include <cairo.h>

#include <cctype>
#include <cstdint>

namespace pltrender::testing {

Image load_png(const std::string& path) {
  Image img;
  cairo_surface_t* s = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(s);
    return img;
  }
  cairo_surface_flush(s);
  img.width = cairo_image_surface_get_width(s);
  img.height = cairo_image_surface_get_height(s);
  const int stride = cairo_image_surface_get_stride(s);
  const unsigned char* data = cairo_image_surface_get_data(s);
  img.gray.resize(static_cast<std::size_t>(img.width) * img.height);
  for (int y = 0; y < img.height; ++y) {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(data + static_cast<std::size_t>(y) * stride);
    for (int x = 0; x < img.width; ++x) {
      const uint32_t p = row[x];
      const int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
      img.gray[static_cast<std::size_t>(y) * img.width + x] = (r + g + b) / 3;
    }
  }
  cairo_surface_destroy(s);
  return img;
}

namespace {

bool name_char(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.' || c == ':';
}

bool check_entities(const std::string& text, std::string& why) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '<') {
      why = "'<' in text or attribute";
      return false;
    }
    if (text[i] != '&') continue;
    const std::size_t semi = text.find(';', i);
    if (semi == std::string::npos) {
      why = "unterminated entity";
      return false;
    }
    const std::string e = text.substr(i + 1, semi - i - 1);
    const bool ok = e == "amp" || e == "lt" || e == "gt" || e == "quot" || e == "apos" ||
                    (e.size() > 1 && e[0] == '#');
    if (!ok) {
      why = "unknown entity &" + e + ";";
      return false;
    }
    i = semi;
  }
  return true;
}

}  // namespace

bool well_formed_xml(const std::string& xml, std::string& why) {
  std::vector<std::string> open;
  bool root_seen = false;
  std::size_t i = 0;
  while (i < xml.size()) {
    if (xml[i] != '<') {
      const std::size_t next = xml.find('<', i);
      const std::string text = xml.substr(i, next == std::string::npos ? std::string::npos : next - i);
      if (open.empty()) {
        for (char c : text)
          if (!std::isspace(static_cast<unsigned char>(c))) {
            why = "text outside the root element";
            return false;
          }
      } else if (!check_entities(text, why)) {
        return false;
      }
      if (next == std::string::npos) break;
      i = next;
      continue;
    }
    if (xml.compare(i, 4, "<!--") == 0) {
      const std::size_t end = xml.find("-->", i + 4);
      if (end == std::string::npos) return why = "unterminated comment", false;
      i = end + 3;
      continue;
    }
    if (xml.compare(i, 2, "<?") == 0) {
      const std::size_t end = xml.find("?>", i + 2);
      if (end == std::string::npos) return why = "unterminated declaration", false;
      i = end + 2;
      continue;
    }
    if (xml.compare(i, 9, "<![CDATA[") == 0) {
      const std::size_t end = xml.find("]]>", i);
      if (end == std::string::npos) return why = "unterminated CDATA", false;
      i = end + 3;
      continue;
    }
    if (xml.compare(i, 2, "<!") == 0) {
      const std::size_t end = xml.find('>', i);
      if (end == std::string::npos) return why = "unterminated doctype", false;
      i = end + 1;
      continue;
    }
    const bool closing = xml.compare(i, 2, "</") == 0;
    std::size_t p = i + (closing ? 2 : 1);
    const std::size_t name_start = p;
    while (p < xml.size() && name_char(xml[p])) ++p;
    const std::string name = xml.substr(name_start, p - name_start);
    if (name.empty()) return why = "tag without a name at " + std::to_string(i), false;
    if (closing) {
      while (p < xml.size() && std::isspace(static_cast<unsigned char>(xml[p]))) ++p;
      if (p >= xml.size() || xml[p] != '>') return why = "bad closing tag " + name, false;
      if (open.empty() || open.back() != name) return why = "mismatched closing tag " + name, false;
      open.pop_back();
      i = p + 1;
      continue;
    }
    // Attributes: name="value" or name='value'.
    bool self_closing = false;
    for (;;) {
      while (p < xml.size() && std::isspace(static_cast<unsigned char>(xml[p]))) ++p;
      if (p >= xml.size()) return why = "unterminated tag " + name, false;
      if (xml[p] == '>') break;
      if (xml.compare(p, 2, "/>") == 0) {
        self_closing = true;
        ++p;
        break;
      }
      const std::size_t an = p;
      while (p < xml.size() && name_char(xml[p])) ++p;
      if (p == an) return why = "bad attribute in tag " + name, false;
      while (p < xml.size() && std::isspace(static_cast<unsigned char>(xml[p]))) ++p;
      if (p >= xml.size() || xml[p] != '=') return why = "attribute without value in " + name, false;
      ++p;
      while (p < xml.size() && std::isspace(static_cast<unsigned char>(xml[p]))) ++p;
      if (p >= xml.size() || (xml[p] != '"' && xml[p] != '\'')) return why = "unquoted attribute in " + name, false;
      const char q = xml[p];
      const std::size_t end = xml.find(q, p + 1);
      if (end == std::string::npos) return why = "unterminated attribute in " + name, false;
      if (!check_entities(xml.substr(p + 1, end - p - 1), why)) return false;
      p = end + 1;
    }
    if (open.empty()) {
      if (root_seen) return why = "second root element " + name, false;
      root_seen = true;
    }
    if (!self_closing) open.push_back(name);
    i = p + 1;
  }
  if (!root_seen) return why = "no root element", false;
  if (!open.empty()) return why = "unclosed element " + open.back(), false;
  return true;
}

}  // namespace pltrender::testing
