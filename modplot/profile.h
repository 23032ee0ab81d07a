// Model profiles for drawing: one property of a model against depth inside
// a depth window, and axis ends and ticks at simple values.
#pragma once

#include <cstddef>
#include <vector>

#include "model.h"

namespace modplot {

enum class Property { vp, vs, rho };
inline constexpr std::size_t kPropertyCount = 3;
inline constexpr Property kProperties[kPropertyCount] = {Property::vp, Property::vs, Property::rho};

// A depth window, top < bottom, in km.
struct Window {
    float top = 0.0f;
    float bottom = 0.0f;
};

// A polyline of (value, depth) points, from the top down.
struct Curve {
    std::vector<float> value;
    std::vector<float> depth;
    std::size_t size() const { return depth.size(); }
};

float propertyOf(const layergen::ModelRow& row, Property p);

// The part of the profile inside the window: the rows strictly inside it,
// both rows of a discontinuity strictly inside it, and where the model runs
// across an edge a point on the edge, linearly interpolated between the
// rows on either side.  A discontinuity on an edge keeps only its side
// inside the window.  Rows go down from the surface.  Empty when no part
// of the model lies inside.
Curve profile(const std::vector<layergen::ModelRow>& rows, Property p, Window w);

// An axis from `lo` to `hi` with ticks from `first` every `step`.
struct Axis {
    float lo = 0.0f;
    float hi = 0.0f;
    float first = 0.0f;
    float step = 0.0f;
};

// The largest of 1, 2 and 5 times a power of ten that divides `range` into
// at least kMinIntervals intervals (1 for a range that is not positive and
// finite).
inline constexpr double kMinIntervals = 5.0;
double tickStep(double range);

// Axis for values from `min` to `max`: ends at the multiples of the tick
// step just outside them (one unit either side of flat data).
Axis valueAxis(float min, float max);

// Axis for the depth window: the window's own ends, ticks at multiples of
// the tick step.
Axis depthAxis(Window w);

}  // namespace modplot
