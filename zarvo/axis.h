// Axis range and tick selection: simple decimal axis ends and tick steps.
// Each returns 0 on success and -1 on failure, writing through pointers.
#ifndef ZARVO_AXIS_H
#define ZARVO_AXIS_H

#include <cstdint>

namespace zarvo {

// Largest power of ten not above |x| (0 for 0), in single precision; at
// most 1e38.  Fails, storing nothing, for a value that is not finite.
int32_t fmag(double x, float* e);

// The simplest decimal value in [a, b), found on the coarsest stride.
// Fails, storing nothing, when the interval is empty or not finite, or
// when the stride falls below the resolution of the values.
int32_t fint(double a, double b, float* out);

// Axis range lo..hi with simple decimal ends for the n values v, widened by
// half a marker (para(14)) on a frame of *len inches.  A spread too small
// for a simple value between its ends is scaled as flat data.  Fails,
// leaving lo and hi unchanged, for non-finite data, a range whose ninth
// underflows, or ends too large for single precision.
int32_t axmi(int32_t n, const float* v, float* lo, float* hi, const float* len, const float* para);

// Tick interval (1, 2 or 5 times a power of ten, at most a third of the
// range) and first tick for the axis between *a and *b, in either order.
// Fails, storing nothing, when the ends are equal or cannot carry ticks.
int32_t grid(const float* a, const float* b, float* first, float* step);

}  // namespace zarvo

#endif
