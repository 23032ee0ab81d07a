// PNG loading and small image checks for the drawing tests.
#ifndef PLTRENDER_TESTS_IMAGE_H
#define PLTRENDER_TESTS_IMAGE_H

#include <string>
#include <vector>

namespace pltrender::testing {

// A grey-level image, 0 black .. 255 white.
struct Image {
  int width = 0;
  int height = 0;
  std::vector<int> gray;
  int at(int x, int y) const { return gray[static_cast<std::size_t>(y) * width + x]; }
  bool dark(int x, int y, int threshold = 128) const { return at(x, y) < threshold; }
};

// Loads a PNG; width 0 when it cannot be read.
Image load_png(const std::string& path);

// True when `xml` is well-formed XML: one root element, properly nested
// and closed tags, quoted attributes, known entities only.  `why` tells
// what is wrong otherwise.
bool well_formed_xml(const std::string& xml, std::string& why);

}  // namespace pltrender::testing

#endif
