// Phases as ray paths, sampled in ray parameter once; arrivals at a
// distance found between samples and refined on the exact ray.
#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "rays.h"
#include "text.h"
#include "traveltime.h"

namespace traveltime {

namespace {

using rays::Path;
using rays::Wave;

constexpr double kDegPerRad = 180.0 / std::numbers::pi;
constexpr double kTwoPi = 2.0 * std::numbers::pi;
// Samples: every eta at a layer boundary (where a ray starts or stops
// turning in a layer), just below it where eta jumps (a discontinuity,
// where rays stop passing), and this many evenly.
constexpr int kEvenSamples = 512;
constexpr double kBelow = 1.0 - 1e-9;
// An arrival's distance is refined to this (radians, about 6e-9 degrees);
// a bracket across a jump of the distance never gets there and is dropped.
constexpr double kDistanceTolerance = 1e-10;
constexpr int kMaxRefineSteps = 200;
// Arrivals of one phase closer than this in time (s) and ray parameter
// (s/deg) are one: rays near a caustic, and the folds that the rounding of
// a model's rows makes in thin layers.  Branches that cross keep both.
constexpr double kSameArrival = 1e-3;
constexpr double kSameRayParam = 0.05;

enum class Kind { turning, reflected, core_turning, inner_core_turning };

struct PhaseInfo {
    const char* name;
    Wave wave;  // in the mantle
    Kind kind;
};

constexpr PhaseInfo kPhases[] = {
    {"P", Wave::P, Kind::turning},           {"S", Wave::S, Kind::turning},
    {"PcP", Wave::P, Kind::reflected},       {"ScS", Wave::S, Kind::reflected},
    {"PdP", Wave::P, Kind::reflected},       {"SdS", Wave::S, Kind::reflected},
    {"PKP", Wave::P, Kind::core_turning},    {"SKS", Wave::S, Kind::core_turning},
    {"PKIKP", Wave::P, Kind::inner_core_turning}, {"SKIKS", Wave::S, Kind::inner_core_turning},
};

bool is_d_phase(const std::string& name) { return name == "PdP" || name == "SdS"; }

// The highest ray parameter for which a ray crosses every layer above
// those it may turn in: the lowest eta there (for a ray turning below the
// source, the eta just below it too).
double p_max_of(const Path& path) {
    const std::vector<rays::Segment>& segs = path.segments;
    const std::size_t end = path.turn_from.value_or(segs.size());
    double p = HUGE_VAL;
    for (std::size_t i = 0; i < end; ++i) p = std::min({p, segs[i].eta_top, segs[i].eta_bot});
    if (end < segs.size()) p = std::min(p, segs[end].eta_top);
    return p;
}

// The branches of a phase from a source at depth z_s; a reflection at
// z_d (the core for PcP and ScS).
std::vector<Path> paths_of(const Model& m, const PhaseInfo& info, double z_s, double z_d) {
    std::vector<Path> paths;
    Path down;
    rays::add_layers(m, 0.0, z_s, info.wave, 1, down.segments);
    const std::size_t below_source = down.segments.size();
    const double floor = info.kind == Kind::reflected ? z_d : m.cmb_depth_km;
    rays::add_layers(m, z_s, floor, info.wave, 2, down.segments);
    switch (info.kind) {
    case Kind::turning:
        down.turn_from = below_source;
        down.turn_at_region_top = true;
        if (z_s > 0.0) {  // the ray leaving upward
            Path up;
            rays::add_layers(m, 0.0, z_s, info.wave, 1, up.segments);
            up.p_max = p_max_of(up);
            paths.push_back(up);
        }
        break;
    case Kind::reflected:
        break;
    case Kind::core_turning:
        down.turn_from = down.segments.size();
        rays::add_layers(m, m.cmb_depth_km, m.icb_depth_km.value_or(kEarthRadiusKm), Wave::P, 2, down.segments);
        break;
    case Kind::inner_core_turning:
        rays::add_layers(m, m.cmb_depth_km, *m.icb_depth_km, Wave::P, 2, down.segments);
        down.turn_from = down.segments.size();
        rays::add_layers(m, *m.icb_depth_km, kEarthRadiusKm, Wave::P, 2, down.segments);
        break;
    }
    down.p_max = p_max_of(down);
    paths.push_back(down);
    return paths;
}

// The ray parameters at which a path is sampled, increasing.
std::vector<double> sample_points(const Path& path) {
    std::vector<double> ps{0.0, path.p_max};
    for (int k = 1; k < kEvenSamples; ++k) ps.push_back(path.p_max * k / kEvenSamples);
    const std::vector<rays::Segment>& segs = path.segments;
    auto add = [&](double eta, bool jump) {
        if (!(eta < path.p_max && eta > 0.0)) return;
        ps.push_back(eta);
        if (jump) ps.push_back(eta * kBelow);
    };
    for (std::size_t i = 0; i < segs.size(); ++i) {
        add(segs[i].eta_top, i == 0 || segs[i - 1].eta_bot != segs[i].eta_top);
        add(segs[i].eta_bot, i + 1 == segs.size() || segs[i + 1].eta_top != segs[i].eta_bot);
    }
    ps.push_back(path.p_max * kBelow);
    std::sort(ps.begin(), ps.end());
    ps.erase(std::unique(ps.begin(), ps.end()), ps.end());
    return ps;
}

}  // namespace

struct PhaseTable::Impl {
    struct Sample {
        double p = 0.0;
        std::optional<rays::Ray> ray;
    };
    std::string phase;
    std::vector<Path> paths;
    std::vector<std::vector<Sample>> samples;  // per path, by increasing ray parameter

    // The ray parameter between a and b (bracketing) whose distance is
    // `target`: false-position steps with the Illinois correction, which
    // keep the bracket.
    std::optional<rays::Ray> refine(const Path& path, Sample a, Sample b, double target, double& p) const {
        double fa = a.ray->distance_rad - target;
        double fb = b.ray->distance_rad - target;
        int side = 0;
        for (int step = 0; step < kMaxRefineSteps; ++step) {
            p = (a.p * fb - b.p * fa) / (fb - fa);
            if (!(p > a.p && p < b.p)) p = 0.5 * (a.p + b.p);
            const std::optional<rays::Ray> ray = rays::trace(path, p);
            if (!ray) return std::nullopt;
            const double f = ray->distance_rad - target;
            if (std::fabs(f) <= kDistanceTolerance) return ray;
            if (b.p - a.p <= 4.0 * std::numeric_limits<double>::epsilon() * b.p) return std::nullopt;
            if ((f < 0.0) == (fa < 0.0)) {
                a = {p, ray};
                fa = f;
                if (side == -1) fb *= 0.5;
                side = -1;
            } else {
                b = {p, ray};
                fb = f;
                if (side == 1) fa *= 0.5;
                side = 1;
            }
        }
        return std::nullopt;
    }
};

const std::vector<std::string>& phase_names() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> v;
        for (const PhaseInfo& info : kPhases) v.push_back(info.name);
        return v;
    }();
    return names;
}

const std::string& PhaseTable::phase() const {
    static const std::string none;
    return impl_ ? impl_->phase : none;
}

bool PhaseTable::make(const Model& model, const std::string& phase, double depth_km, PhaseTable& table,
                      std::string& error, std::optional<double> d_depth_km) {
    const PhaseInfo* info = nullptr;
    for (const PhaseInfo& candidate : kPhases)
        if (phase == candidate.name) info = &candidate;
    if (!info) {
        std::string known;
        for (const std::string& name : phase_names()) known += (known.empty() ? "" : ", ") + name;
        error = "unknown phase \"" + phase + "\" (known: " + known + ")";
        return false;
    }
    if (!(depth_km >= 0.0 && depth_km < model.cmb_depth_km)) {
        error = "source depth " + number(depth_km) + " km is outside the mantle of " + model.name +
                " (0 to the core-mantle boundary at " + number(model.cmb_depth_km) + " km)";
        return false;
    }
    if (info->kind == Kind::inner_core_turning && !model.icb_depth_km) {
        error = phase + ": " + model.name + " has no inner core";
        return false;
    }
    double z_d = model.cmb_depth_km;
    if (is_d_phase(phase)) {
        if (d_depth_km) {
            z_d = *d_depth_km;
            if (!(z_d > 0.0 && z_d < model.cmb_depth_km)) {
                error = "reflector depth " + number(z_d) + " km is outside the mantle of " + model.name +
                        " (0 to the core-mantle boundary at " + number(model.cmb_depth_km) + " km)";
                return false;
            }
        } else if (!default_reflector_depth(model, info->wave == Wave::S, z_d, error)) {
            return false;
        }
        if (!(z_d > depth_km)) {
            error = phase + ": the reflector at " + number(z_d) + " km is not below the source at " +
                    number(depth_km) + " km";
            return false;
        }
    }
    auto impl = std::make_shared<Impl>();
    impl->phase = phase;
    impl->paths = paths_of(model, *info, depth_km, z_d);
    for (const Path& path : impl->paths) {
        std::vector<Impl::Sample> samples;
        for (const double p : sample_points(path)) samples.push_back({p, rays::trace(path, p)});
        impl->samples.push_back(std::move(samples));
    }
    table.impl_ = std::move(impl);
    return true;
}

bool PhaseTable::arrivals(double distance_deg, std::vector<Arrival>& out, std::string& error) const {
    if (!(distance_deg >= 0.0 && distance_deg <= 180.0)) {
        error = "distance " + number(distance_deg) + " degrees is outside 0 to 180";
        return false;
    }
    if (!impl_) {
        error = "travel-time table used before PhaseTable::make";
        return false;
    }
    const double delta = distance_deg / kDegPerRad;
    std::vector<Arrival> found;
    auto add = [&](double p, const rays::Ray& ray) {
        found.push_back({impl_->phase, distance_deg, ray.time_s, p / kDegPerRad});
    };
    for (std::size_t k = 0; k < impl_->paths.size(); ++k) {
        const std::vector<Impl::Sample>& samples = impl_->samples[k];
        // A ray arrives at distance_deg when its distance is delta or, round
        // the far side of the earth, a full circle less delta.
        std::vector<double> targets{delta};
        if (delta != 0.0 && delta != std::numbers::pi) targets.push_back(kTwoPi - delta);
        for (const double target : targets) {
            for (std::size_t i = 0; i < samples.size(); ++i) {
                const Impl::Sample& b = samples[i];
                if (!b.ray) continue;
                const double fb = b.ray->distance_rad - target;
                if (fb == 0.0) {
                    add(b.p, *b.ray);
                    continue;
                }
                if (i == 0 || !samples[i - 1].ray) continue;
                const Impl::Sample& a = samples[i - 1];
                const double fa = a.ray->distance_rad - target;
                if (fa == 0.0 || (fa < 0.0) == (fb < 0.0)) continue;
                double p = 0.0;
                if (const std::optional<rays::Ray> ray = impl_->refine(impl_->paths[k], a, b, target, p)) add(p, *ray);
            }
        }
    }
    std::sort(found.begin(), found.end(), [](const Arrival& x, const Arrival& y) { return x.time_s < y.time_s; });
    const std::size_t first = out.size();
    for (const Arrival& a : found) {
        bool same = false;
        for (std::size_t k = first; k < out.size(); ++k)
            same = same || (a.time_s - out[k].time_s < kSameArrival &&
                            std::fabs(a.ray_param_s_per_deg - out[k].ray_param_s_per_deg) < kSameRayParam);
        if (!same) out.push_back(a);
    }
    return true;
}

bool arrivals(const Model& model, const std::string& phase, double depth_km, double distance_deg,
              std::vector<Arrival>& out, std::string& error, std::optional<double> d_depth_km) {
    PhaseTable table;
    return PhaseTable::make(model, phase, depth_km, table, error, d_depth_km) &&
           table.arrivals(distance_deg, out, error);
}

}  // namespace traveltime
