#include "markers.h"

#include "pen.h"
#include "state.h"
#include "writers.h"

namespace zarvo {

namespace {

constexpr int kAreaCommand = 'a';
constexpr int kCircleCommand = 'c';
constexpr int kMaxVertices = 6;
constexpr int32_t kShapeMask = 15;

struct Vertex {
  int16_t x;
  int16_t y;
};

// A vertex at the centre plus a double-precision offset, truncated to 16 bits.
Vertex at(int16_t cx, int16_t cy, double dx, double dy) {
  return {plot_unit(cx + dx), plot_unit(cy + dy)};
}

// Vertices of shape 1..7 for size d, in the order written; returns the count.
int polygon(int32_t shape, int16_t x, int16_t y, double d, Vertex* v) {
  switch (shape) {
    case 1:  // triangle, apex up
      v[0] = at(x, y, -(d * 0.5), -(d / 3.464));
      v[1] = at(x, y, d * 0.5, -(d / 3.464));
      v[2] = at(x, y, 0.0, d / 1.732);
      return 3;
    case 2:  // triangle, apex down
      v[0] = at(x, y, -(d * 0.5), d / 3.464);
      v[1] = at(x, y, d * 0.5, d / 3.464);
      v[2] = at(x, y, 0.0, -(d / 1.732));
      return 3;
    case 3:  // triangle, apex right
      v[0] = at(x, y, -(d / 3.464), d * 0.5);
      v[1] = at(x, y, -(d / 3.464), -(d * 0.5));
      v[2] = at(x, y, d / 1.732, 0.0);
      return 3;
    case 4:  // triangle, apex left
      v[0] = at(x, y, d / 3.464, d * 0.5);
      v[1] = at(x, y, d / 3.464, -(d * 0.5));
      v[2] = at(x, y, -(d / 1.732), 0.0);
      return 3;
    case 5: {  // square, diagonal d
      const double e = d / 2.828;
      v[0] = at(x, y, -e, e);
      v[1] = at(x, y, -e, -e);
      v[2] = at(x, y, e, -e);
      v[3] = at(x, y, e, e);
      return 4;
    }
    case 6:  // diamond, taller than wide
      v[0] = at(x, y, 0.0, d / 1.7);
      v[1] = at(x, y, -(d / 2.5), 0.0);
      v[2] = at(x, y, 0.0, -(d / 1.7));
      v[3] = at(x, y, d / 2.5, 0.0);
      return 4;
    case 7:  // hexagon, corner radius d/2
      v[0] = at(x, y, -(d * 0.5), 0.0);
      v[1] = at(x, y, -(d * 0.25), -(d / 2.309));
      v[2] = at(x, y, d * 0.25, -(d / 2.309));
      v[3] = at(x, y, d * 0.5, 0.0);
      v[4] = at(x, y, d * 0.25, d / 2.309);
      v[5] = at(x, y, -(d * 0.25), d / 2.309);
      return 6;
    default:
      return 0;
  }
}

}  // namespace

void plpoly(int16_t x, int16_t y, int32_t size, int32_t type, int32_t fill) {
  const int32_t low = fill & 0xFF;
  const int32_t pattern = (type & kOutlineOnly) != 0 ? 0 : (low << 8) | low;
  Vertex v[kMaxVertices];
  const int n = polygon(type & kShapeMask, x, y, static_cast<double>(size), v);
  std::FILE* out = lib.plotfile;
  if (n == 0) {
    putbyte(kCircleCommand, out);
    vputh(pattern, out);
    vputh(x, out);
    vputh(y, out);
    vputh(size / 2, out);
    return;
  }
  putbyte(kAreaCommand, out);
  vputh(pattern, out);
  vputh(n, out);
  for (int i = 0; i < n; ++i) {
    vputh(v[i].x, out);
    vputh(v[i].y, out);
  }
  vputh(v[0].x, out);
  vputh(v[0].y, out);
}

}  // namespace zarvo
