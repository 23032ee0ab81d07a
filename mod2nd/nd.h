// Model rows as a "named discontinuities" (.nd) file, the model format of
// TauP-style travel-time tools: one line "depth vp vs rho qp qs" per row
// (km, km/s, km/s, g/cm^3), the two rows of a discontinuity at one depth,
// and the boundary names "mantle", "outer-core" and "inner-core" each on
// its own line between the rows above and below the boundary.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "model.h"

namespace mod2nd {

inline constexpr float kEarthRadius = 6371.0f;  // km: the centre's depth
inline constexpr float kMantleMinVp = 7.6f;     // km/s: P velocity of the mantle's top, at least

// Where each name goes: after the row of this index (from 0).
struct Boundaries {
    std::size_t moho = 0;  // crust-mantle boundary
    std::size_t cmb = 0;   // core-mantle boundary: upper row of the discontinuity
    std::size_t icb = 0;   // inner-core boundary: upper row of the discontinuity
};

// A refusal: the message and the index of the row it concerns, if any.
struct Refusal {
    std::string message;
    std::optional<std::size_t> row;
};

// Checks that the model runs from the surface to the centre of the earth.
std::optional<Refusal> checkExtent(const std::vector<layergen::ModelRow>& rows);

// Finds the boundaries of rows that passed checkExtent:
// - core-mantle: the deepest discontinuity where the S velocity drops from
//   a positive value to zero;
// - inner-core: the first discontinuity below it where the S velocity rises
//   from zero to a positive value;
// - crust-mantle: at `mohoDepth` when given (the first row at that depth,
//   so between the two rows of a discontinuity there), else the shallowest
//   discontinuity below the surface where the P velocity rises from below
//   kMantleMinVp to kMantleMinVp or more; it must lie above the core.
std::optional<Refusal> findBoundaries(const std::vector<layergen::ModelRow>& rows,
                                      std::optional<float> mohoDepth, Boundaries& found);

// The .nd text of the rows with the boundary names, each value with the
// decimals of its model-file field (modelfile::valueText).
std::string ndText(const std::vector<layergen::ModelRow>& rows, const Boundaries& b);

}  // namespace mod2nd
