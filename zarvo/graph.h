// The frame geometry of one graph, in plot units.
#ifndef ZARVO_GRAPH_H
#define ZARVO_GRAPH_H

#include <cstdint>

namespace zarvo {

struct Frame {
  int16_t xo = 0;  // left edge
  int16_t yo = 0;  // bottom edge
  int16_t xr = 0;  // right edge
  int16_t yt = 0;  // top edge
  float sx = 0.0f; // x data units per plot unit
  float sy = 0.0f; // y data units per plot unit
};

}  // namespace zarvo

#endif
