// The profile figure drawn through the plotting library's entry points:
// P velocity, S velocity and density against depth (depth growing
// downward) for one or more models, the first model solid and the others
// dashed, each property named beside the first model's curve and each
// model named in a legend right of the frame.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "profile.h"

namespace modplot {

inline constexpr float kFrameWidth = 7.0f;   // inches
inline constexpr float kFrameHeight = 7.5f;  // inches

struct ModelProfiles {
    std::string name;  // the legend text
    std::array<Curve, kPropertyCount> curves;  // vp, vs, rho; none empty
};

// Line style of the k-th model (from 0): solid for the first; dashed for
// the others, dash and gap in units of 20 plot units, cycling through the
// patterns.
struct LineStyle {
    bool dashed = false;
    float dash = 0.0f;
    float gap = 0.0f;
};
LineStyle styleOf(std::size_t k);

// A text that the library writes as it reads: backslashes doubled so that
// they are not taken as markup, control characters as '?'.
std::string plainLabel(const std::string& text);

// Draws the figure of `models` (at least one) in window `w` as one new
// graph of the plot file that the library opens (named as the library is
// told: "pltfil" or the environment variable pltfil).  False with a message
// in `error` when the values are too large for an axis of single-precision
// numbers, or when the library refuses a call (it has said why on the
// standard error stream).
bool drawFigure(const std::vector<ModelProfiles>& models, Window w, std::string& error);

}  // namespace modplot
