// The data curve of a graph: solid or dashed line, character or polygon
// markers.
#ifndef ZARVO_CURVE_H
#define ZARVO_CURVE_H

#include <cstdint>

#include "graph.h"

namespace zarvo {

// Draws the n points in the style chosen by para(13) and para(14).  The
// polygon style writes its default marker size back into para(14).
void draw_curve(int32_t n, const float* x, const float* y, float* para, const Frame& frame);

}  // namespace zarvo

#endif
