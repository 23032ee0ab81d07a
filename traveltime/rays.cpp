#include "rays.h"

#include <algorithm>
#include <cmath>

namespace traveltime::rays {

namespace {

// Below this |1 - B| a layer's eta is taken as constant (its geometric
// mean): the closed forms divide by 1 - B.
constexpr double kConstantEta = 1e-9;

double velocity(const Model& m, std::size_t row, Wave wave) {
    return wave == Wave::S && m.vs_km_s[row] > 0.0 ? m.vs_km_s[row] : m.vp_km_s[row];
}

}  // namespace

void add_layers(const Model& m, double z_top, double z_bot, Wave wave, int legs, std::vector<Segment>& out) {
    for (std::size_t i = 0; i + 1 < m.depth_km.size(); ++i) {
        const double za = m.depth_km[i];
        const double zb = m.depth_km[i + 1];
        const double top = std::max(za, z_top);
        const double bot = std::min(zb, z_bot);
        if (!(za < zb) || !(top < bot)) continue;
        const double ra = kEarthRadiusKm - za;
        const double rb = kEarthRadiusKm - zb;
        const double eta_a = ra / velocity(m, i, wave);
        Segment s;
        s.legs = legs;
        const double r_top = kEarthRadiusKm - top;
        const double r_bot = kEarthRadiusKm - bot;
        if (rb == 0.0) {  // the centre: constant velocity, eta proportional to r
            s.one_minus_b = 1.0;
            s.eta_top = eta_a * (r_top / ra);
            s.eta_bot = eta_a * (r_bot / ra);
            s.log_ratio = HUGE_VAL;
        } else {
            const double eta_b = rb / velocity(m, i + 1, wave);
            s.one_minus_b = std::log(eta_a / eta_b) / std::log(ra / rb);
            s.eta_top = eta_a * std::pow(r_top / ra, s.one_minus_b);
            s.eta_bot = eta_a * std::pow(r_bot / ra, s.one_minus_b);
            s.log_ratio = std::log(r_top / r_bot);
        }
        out.push_back(s);
    }
}

std::optional<Ray> trace(const Path& path, double p) {
    Ray ray;
    std::optional<std::size_t> turned;
    bool at_top = false;
    for (std::size_t i = 0; i < path.segments.size(); ++i) {
        const Segment& s = path.segments[i];
        if (p >= s.eta_top) {
            turned = i;
            at_top = true;
            break;
        }
        const double x_top = std::acos(p / s.eta_top);
        const double t_top = std::sqrt((s.eta_top - p) * (s.eta_top + p));
        if (p >= s.eta_bot) {  // turns inside: eta falls to p (so 1 - B > 0)
            ray.distance_rad += s.legs * x_top / s.one_minus_b;
            ray.time_s += s.legs * t_top / s.one_minus_b;
            turned = i;
            break;
        }
        if (std::fabs(s.one_minus_b) < kConstantEta) {
            const double eta = std::sqrt(s.eta_top * s.eta_bot);
            const double root = std::sqrt((eta - p) * (eta + p));
            ray.distance_rad += s.legs * p * s.log_ratio / root;
            ray.time_s += s.legs * eta * eta * s.log_ratio / root;
        } else {
            const double x_bot = std::acos(p / s.eta_bot);
            const double t_bot = std::sqrt((s.eta_bot - p) * (s.eta_bot + p));
            ray.distance_rad += s.legs * (x_top - x_bot) / s.one_minus_b;
            ray.time_s += s.legs * (t_top - t_bot) / s.one_minus_b;
        }
    }
    if (!std::isfinite(ray.distance_rad) || !std::isfinite(ray.time_s)) return std::nullopt;
    if (!path.turn_from) {
        if (turned) return std::nullopt;
    } else {
        if (!turned || *turned < *path.turn_from) return std::nullopt;
        if (at_top && *turned == *path.turn_from && !path.turn_at_region_top) return std::nullopt;
    }
    return ray;
}

}  // namespace traveltime::rays
