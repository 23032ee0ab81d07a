// Predicted arrival curves from the travel-time library.
#include <algorithm>
#include <cmath>

#include <section/section.h>

namespace section {

namespace {

constexpr double kStepDeg = 0.25;        // distance sampling of a curve, at most
constexpr int kMinSteps = 400;           // samples over the distance axis, at least
constexpr double kJoinTolerance_s = 3.0; // a branch goes on through the arrival its slope predicts

struct Branch {
  double d = 0, t = 0, p = 0;  // last distance (deg), time (s), ray parameter (s/deg)
  std::vector<std::pair<double, double>> points;  // (axis distance, plotted time)
};

}  // namespace

bool phase_points(const traveltime::Model& model, const std::string& phase, double depth_km, const Layout& layout,
                  std::vector<std::optional<std::pair<double, double>>>& points, std::string& error) {
  traveltime::PhaseTable table;
  if (!traveltime::PhaseTable::make(model, phase, depth_km, table, error)) return false;
  const double unit = layout.km ? kKmPerDegree : 1.0;
  const double from = std::clamp(layout.d0 / unit, 0.0, 180.0), to = std::clamp(layout.d1 / unit, 0.0, 180.0);
  const int steps = std::max(kMinSteps, static_cast<int>(std::ceil((to - from) / kStepDeg)));
  std::vector<Branch> open, done;
  std::vector<traveltime::Arrival> arrivals;
  for (int k = 0; k <= steps; ++k) {
    const double d = from + (to - from) * k / steps;
    arrivals.clear();
    if (!table.arrivals(d, arrivals, error)) return false;
    std::vector<Branch> next;
    for (const traveltime::Arrival& a : arrivals) {
      // The open branch whose slope leads closest to this arrival.
      auto best = open.end();
      double cost = kJoinTolerance_s;
      for (auto b = open.begin(); b != open.end(); ++b) {
        const double c = std::fabs(b->t + b->p * (d - b->d) - a.time_s);
        if (c < cost) {
          cost = c;
          best = b;
        }
      }
      Branch b;
      if (best != open.end()) {
        b = std::move(*best);
        open.erase(best);
      }
      b.d = d;
      b.t = a.time_s;
      b.p = a.ray_param_s_per_deg;
      const double axis = d * unit;
      b.points.emplace_back(axis, a.time_s - reduction_s(layout, axis));
      next.push_back(std::move(b));
    }
    for (Branch& b : open) done.push_back(std::move(b));
    open = std::move(next);
  }
  for (Branch& b : open) done.push_back(std::move(b));
  points.clear();
  for (const Branch& b : done) {
    if (b.points.size() < 2) continue;
    if (!points.empty()) points.push_back(std::nullopt);
    for (const auto& p : b.points) points.push_back(p);
  }
  return true;
}

}  // namespace section
