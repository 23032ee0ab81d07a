// Rays through a layered sphere: the layers a branch of a phase crosses,
// and its distance and time for one ray parameter.
//
// In a layer where the velocity follows v = A r^B, eta = r / v is a power
// of r, and with dr / r = d(eta) / ((1 - B) eta) the integrals of
// distance and time, p dr / (r sqrt(eta^2 - p^2)) and
// eta^2 dr / (r sqrt(eta^2 - p^2)), are
//   distance = arccos(p / eta) / (1 - B),  time = sqrt(eta^2 - p^2) / (1 - B)
// taken between the layer's ends (or from the turning point, eta = p).
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "traveltime.h"

namespace traveltime::rays {

enum class Wave { P, S };

// One layer of a ray path, between radii r_bot < r_top (km).
struct Segment {
    double eta_top = 0.0;  // r / v at the top, s/rad
    double eta_bot = 0.0;  // r / v at the bottom (0 at the centre)
    double one_minus_b = 1.0;  // 1 - B of v = A r^B
    double log_ratio = 0.0;    // ln(r_top / r_bot), for layers where B is 1
    int legs = 1;              // times the ray crosses it: 1 above the source, 2 below
};

// The layers one branch of a phase crosses, from the surface down, and
// where its ray may turn.
struct Path {
    std::vector<Segment> segments;
    // The ray must turn in segments[turn_from...]; none: it must not turn
    // at all (it ends at the last segment's bottom: a reflection, or the
    // source for a ray leaving upward).
    std::optional<std::size_t> turn_from;
    // Whether turning at the top of segments[*turn_from] counts (it does
    // where the region starts at the source; elsewhere that is a
    // reflection from the region's top, another phase).
    bool turn_at_region_top = false;
    // Ray parameters above this cannot leave the source or reach the surface.
    double p_max = 0.0;
};

// Appends the layers between depths z_top < z_bot for `wave` (an S wave
// travels as P where the model has no shear velocity), crossed `legs` times.
// The velocity between two rows follows v = A r^B through both; the layer
// reaching the centre keeps its upper row's velocity.
void add_layers(const Model& model, double z_top, double z_bot, Wave wave, int legs, std::vector<Segment>& out);

struct Ray {
    double distance_rad = 0.0;
    double time_s = 0.0;
};

// The ray of parameter p (s/rad) along `path`; none when it does not
// follow the path (turns too early, too late or not at all).
std::optional<Ray> trace(const Path& path, double p);

}  // namespace traveltime::rays
