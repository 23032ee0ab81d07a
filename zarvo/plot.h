// One call of zarvo_: naming, set-up, opening the plot file and drawing.
#ifndef ZARVO_PLOT_H
#define ZARVO_PLOT_H

#include <cstdint>

namespace zarvo {

int32_t plot(int32_t n, const float* x, const float* y, const char* xlabel, const char* ylabel,
             const char* title, float* para);

}  // namespace zarvo

#endif
