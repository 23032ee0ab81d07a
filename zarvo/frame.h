// Frame, tick marks with their numbers, axis titles and title of a graph.
#ifndef ZARVO_FRAME_H
#define ZARVO_FRAME_H

#include "graph.h"

namespace zarvo {

struct Titles {
  const char* xlabel;
  const char* ylabel;
  const char* title;
};

// Draws the frame and annotation that para(16..18) ask for, in file order:
// frame, x ticks and numbers, y ticks and numbers, x-axis title, y-axis
// title, title.
void draw_frame_and_annotation(const float* para, const Frame& frame, const Titles& titles);

}  // namespace zarvo

#endif
