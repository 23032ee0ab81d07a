// One call of zarvo_: naming, set-up, opening the plot file and drawing.
#ifndef ZARVO_PLOT_H
#define ZARVO_PLOT_H

#include <cstdint>

namespace zarvo {

int32_t plot(int32_t n, const float* x, const float* y, const char* xlabel, const char* ylabel,
             const char* title, float* para);

// The set-up of a new graph (defaults, ranges, ticks) on `para`; `origin`
// gets the text size that places the frame corner.  False when a tick
// interval could not be found.
bool set_up(int32_t n, const float* x, const float* y, float* para, int16_t& origin);

// The range of a start-and-increment axis, when unset: the span of its values.
void span_of_series(int32_t n, const float* x, const float* y, float* para);

}  // namespace zarvo

#endif
