// The C++ interface through libzarvo.so: the measured width of "Amp" in
// font 0 (18 glyph units) and its outline's advance at size 8.
#include <cstdio>

#include <zarvo/zarvo.hpp>

int main() {
  const zarvo::TextOutline o = zarvo::text_outline("Amp", 0, 8.0);
  std::printf("%d %g %d\n", zarvo::text_width("Amp", 0), o.advance, o.strokes.empty() ? 0 : 1);
  return 0;
}
