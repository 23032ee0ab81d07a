// The section's layout and its drawing through the library's entry points.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include <figure/figure.h>
#include <section/section.h>
#include <zarvo/zarvo.hpp>

namespace section {

namespace {

constexpr int kPlotUnitsPerInch = 300;
constexpr float kTextSize = 8;         // ticks and titles
constexpr int kTraceLabelSize = 5;     // station labels
constexpr int kPhaseLabelSize = 6;     // phase names
constexpr int kFontHeight = 10;        // font 0's height in its own units
constexpr double kCapHeight = 0.6;     // capitals, in font heights
constexpr double kLabelGapInch = 0.06; // between a trace's end and its label
constexpr double kPhaseLabelLiftInch = 0.15;  // phase names at least this far above the frame's bottom
constexpr float kPhaseThickness = 1;   // phase curves, pen thickness
constexpr float kPhaseDash = 0.6f;     // dash and gap, in 20 plot units
constexpr float kPhaseGap = 0.4f;

// para(k), counting from 1 as the library's documentation does.
float& at(float* para, int k) { return para[k - 1]; }

// Data units per plot unit along x and y, as the library computes them.
float x_scale(const Layout& l) {
  return static_cast<float>(static_cast<float>(l.t1) - static_cast<float>(l.t0)) /
         (kFrameWidth * kPlotUnitsPerInch);
}
float y_scale(const Layout& l) {
  return static_cast<float>(static_cast<float>(l.d1) - static_cast<float>(l.d0)) /
         (kFrameHeight * kPlotUnitsPerInch);
}

// The plot-unit column of the frame that time `t` falls in, as the library
// converts an x value (without the frame's offset).
long column(float t, float t0, float sx) {
  return static_cast<long>(static_cast<double>(t - t0) / static_cast<double>(sx));
}

}  // namespace

double axis_distance(const Layout& layout, double distance_deg) {
  return layout.km ? distance_deg * kKmPerDegree : distance_deg;
}

double reduction_s(const Layout& layout, double d) { return layout.reduce ? d / *layout.reduce : 0.0; }

Layout lay_out(const LayoutChoice& choice, const std::vector<Span>& spans, std::vector<std::size_t>& outside) {
  constexpr double kMargin = 1.5;  // scales of distance beyond the nearest and farthest trace
  Layout l;
  l.km = choice.km;
  l.reduce = choice.reduce;
  l.fill_positive = choice.fill_positive;
  l.labels = choice.labels;
  const auto [near, far] = std::minmax_element(spans.begin(), spans.end(),
                                               [](const Span& a, const Span& b) { return a.distance < b.distance; });
  const double range = far->distance - near->distance;
  l.scale = choice.scale ? *choice.scale
                         : range > 0 ? range / static_cast<double>(spans.size()) : (l.km ? kKmPerDegree : 1.0);
  l.d0 = choice.distance ? choice.distance->first : near->distance - kMargin * l.scale;
  l.d1 = choice.distance ? choice.distance->second : far->distance + kMargin * l.scale;
  std::vector<std::pair<double, double>> plotted;
  for (const Span& s : spans) {
    double a = 0, b = 0;
    plotted_span(l, s.start_s, s.count, s.dt, s.distance, a, b);
    plotted.emplace_back(a, b);
  }
  if (choice.window) {
    l.t0 = choice.window->first;
    l.t1 = choice.window->second;
  } else {
    l.t0 = std::min_element(plotted.begin(), plotted.end())->first;
    l.t1 = std::max_element(plotted.begin(), plotted.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; })->second;
    if (!(l.t1 > l.t0)) l.t1 = l.t0 + 1;  // one sample: a second's window
  }
  outside.clear();
  for (std::size_t i = 0; i < plotted.size(); ++i)
    if (plotted[i].second < l.t0 || plotted[i].first > l.t1) outside.push_back(i);
  return l;
}

std::string default_title(const Placement& event) {
  const std::string origin = seisdata::iso_time(event.origin_us).substr(0, 22);
  if (!event.event) return "Origin " + origin;
  char text[160];
  std::snprintf(text, sizeof text, "%s  %.2f, %.2f  depth %g km", origin.c_str(), event.event->lat, event.event->lon,
                event.event->depth_km);
  return text;
}

void plotted_span(const Layout& layout, double start_s, std::size_t count, double dt, double d, double& first,
                  double& last) {
  first = start_s - reduction_s(layout, d);
  last = first + static_cast<double>(count - 1) * dt;
}

bool cut_to_window(const Layout& layout, const seisdata::Trace& trace, double start_s, double distance,
                   Window& window) {
  const double shift = start_s - reduction_s(layout, distance);  // plotted time of sample 0
  const double dt = 1.0 / trace.rate;
  const double n = static_cast<double>(trace.samples.size());
  const double first = std::max(0.0, std::ceil((layout.t0 - shift) / dt));
  const double last = std::min(n - 1, std::floor((layout.t1 - shift) / dt));
  window.time.clear();
  window.amplitude.clear();
  window.peak = 0;
  if (!(first <= last)) return false;

  const std::vector<float>& v = trace.samples;
  auto emit = [&](std::size_t i) {
    window.time.push_back(static_cast<float>(shift + static_cast<double>(i) * dt));
    window.amplitude.push_back(v[i]);
  };
  // Column by column: the samples [i, next) whose times fall in column c
  // (its left edge at t0 + c * sx), their first, lowest, highest and last,
  // each once, in order.  A sample on an edge that rounding puts on the
  // other side is the first or last of its group, and kept.
  const double t0 = layout.t0, sx = x_scale(layout);
  const std::size_t end = static_cast<std::size_t>(last) + 1;
  for (std::size_t i = static_cast<std::size_t>(first); i < end;) {
    const double c = std::floor((shift + static_cast<double>(i) * dt - t0) / sx);
    const double edge = std::ceil((t0 + (c + 1) * sx - shift) / dt);
    const std::size_t next = std::min(end, std::max(i + 1, static_cast<std::size_t>(std::max(0.0, edge))));
    std::size_t low = i, high = i;
    for (std::size_t k = i + 1; k < next; ++k) {
      if (v[k] < v[low]) low = k;
      if (v[k] > v[high]) high = k;
    }
    window.peak = std::max({window.peak, std::fabs(v[low]), std::fabs(v[high])});
    const std::size_t a = std::min(low, high), b = std::max(low, high), tail = next - 1;
    emit(i);
    if (a != i) emit(a);
    if (b != a && b != i) emit(b);
    if (tail != b && tail != i) emit(tail);
    i = next;
  }
  return true;
}

std::string trace_label(const seisdata::Trace& trace, Labels labels) {
  switch (labels) {
    case Labels::station:
      return trace.station;
    case Labels::id:
      return trace.id();
    case Labels::none:
      break;
  }
  return "";
}

Drawing::Drawing(const Layout& layout, double column_dpi) : layout_(layout), column_dpi_(column_dpi) {}

bool Drawing::frame() {
  float* p = para_;
  at(p, 1) = kFrameWidth;
  at(p, 2) = kFrameHeight;
  at(p, 3) = static_cast<float>(layout_.t0);
  at(p, 5) = static_cast<float>(layout_.t1);
  at(p, 4) = static_cast<float>(layout_.d0);
  at(p, 6) = static_cast<float>(layout_.d1);
  at(p, 11) = kTextSize;
  std::string xlabel = "Time after origin (s)";
  if (layout_.reduce) {
    char text[96];
    std::snprintf(text, sizeof text, "Reduced time t - \\(*D/%g (s)", *layout_.reduce);
    xlabel = text;
  }
  const char* ylabel = layout_.km ? "Distance (km)" : "Distance (deg)";
  const std::int32_t one = 1;
  const float x = at(p, 3), y = at(p, 4);
  return zarvo_(&one, &x, &y, xlabel.c_str(), ylabel, layout_.title.c_str(), p) == 0;
}

bool Drawing::add_curve(const std::vector<float>& x, const std::vector<float>& y, float thickness, bool dashed) {
  at(para_, 12) = 1;
  at(para_, 15) = thickness;
  at(para_, 14) = dashed ? -1.0f : 0.0f;
  at(para_, 21) = kPhaseDash;
  at(para_, 22) = kPhaseGap;
  const std::int32_t n = static_cast<std::int32_t>(x.size());
  return zarvo_(&n, x.data(), y.data(), "", "", "", para_) == 0;
}

bool Drawing::label(float x, float y, const std::string& text, int size) {
  float p[22];
  std::copy(std::begin(para_), std::end(para_), p);
  at(p, 11) = static_cast<float>(size);
  at(p, 15) = 0;
  at(p, 19) = 0;
  return plabel_(&x, &y, text.c_str(), p) == 0;
}

bool Drawing::trace(const Window& window, double distance, float norm) {
  const float base = static_cast<float>(distance);
  const float k = static_cast<float>(layout_.scale) / norm;
  std::vector<float>& y = scaled_;
  y.resize(window.amplitude.size());
  for (std::size_t i = 0; i < y.size(); ++i) y[i] = base + window.amplitude[i] * k;
  const figure::Curve reduced = figure::reduce_columns(y.size(), window.time.data(), y.data(), para_, column_dpi_);
  if (!add_curve(reduced.x, reduced.y, 0, false)) return false;
  return !layout_.fill_positive || fill(reduced.x, reduced.y, base);
}

bool Drawing::labels(const std::vector<std::pair<double, std::string>>& labels) {
  if (layout_.labels == Labels::none) return true;
  const float sy = y_scale(layout_);
  const double cap = kCapHeight * kFontHeight * kTraceLabelSize;  // plot units
  const float lx = static_cast<float>(layout_.t1 + kLabelGapInch * kPlotUnitsPerInch * x_scale(layout_));
  double top = 0;  // of the last label drawn, plot units above the frame's bottom
  bool any = false;
  for (const auto& [distance, text] : labels) {
    const double bottom = (static_cast<float>(distance) - static_cast<float>(layout_.d0)) / sy - cap / 2;
    if (text.empty() || (any && bottom < top + cap * 0.4)) continue;
    if (!label(lx, static_cast<float>(layout_.d0 + bottom * sy), text, kTraceLabelSize)) return false;
    top = bottom + cap;
    any = true;
  }
  return true;
}

bool Drawing::fill(const std::vector<float>& x, const std::vector<float>& y, float base) {
  // The highest point of each plot-unit column above the baseline, then a
  // vertical stroke per column from the baseline up to it, the strokes of
  // neighbouring columns joined along the top and the baseline in turn.
  const float t0 = static_cast<float>(layout_.t0), sx = x_scale(layout_);
  std::vector<float> fx, fy;
  long run_column = -2;
  auto close_run = [&] {
    const bool ok = fx.empty() || add_curve(fx, fy, 0, false);
    fx.clear();
    fy.clear();
    return ok;
  };
  for (std::size_t i = 0; i < x.size();) {
    const long c = column(x[i], t0, sx);
    float top = base;
    for (; i < x.size() && column(x[i], t0, sx) == c; ++i) top = std::max(top, y[i]);
    if (!(top > base)) continue;
    if (c != run_column + 1 && !close_run()) return false;
    const float xc = static_cast<float>(static_cast<double>(t0) + (static_cast<double>(c) + 0.5) * sx);
    const bool rising = fx.size() % 4 == 0;
    fx.insert(fx.end(), {xc, xc});
    fy.insert(fy.end(), {rising ? base : top, rising ? top : base});
    run_column = c;
  }
  return close_run();
}

bool Drawing::phase(const std::string& name,
                    const std::vector<std::optional<std::pair<double, double>>>& points) {
  // Pieces inside the window, cut at its edges.
  std::vector<float> x, y;
  std::vector<std::pair<double, double>> drawn;  // (distance, time) of every point drawn
  auto flush = [&] {
    const bool ok = x.size() < 2 || add_curve(x, y, kPhaseThickness, true);
    if (x.size() >= 2)
      for (std::size_t i = 0; i < x.size(); ++i) drawn.emplace_back(y[i], x[i]);
    x.clear();
    y.clear();
    return ok;
  };
  auto inside = [&](double t) { return t >= layout_.t0 && t <= layout_.t1; };
  auto add = [&](double d, double t) {
    x.push_back(static_cast<float>(t));
    y.push_back(static_cast<float>(d));
  };
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (!points[i]) {
      if (!flush()) return false;
      continue;
    }
    const auto [d, t] = *points[i];
    const std::optional<std::pair<double, double>> prev = i > 0 ? points[i - 1] : std::nullopt;
    if (prev && inside(t) != inside(prev->second)) {
      const double edge = (t > layout_.t1 || prev->second > layout_.t1) ? layout_.t1 : layout_.t0;
      const double f = (edge - prev->second) / (t - prev->second);
      add(prev->first + f * (d - prev->first), edge);
      if (!inside(t) && !flush()) return false;
    }
    if (inside(t)) add(d, t);
  }
  if (!flush()) return false;
  if (drawn.empty()) return true;
  // The name just right of the curve, as low as it goes without touching
  // another phase's name or leaving the frame: the phases of a section lie
  // farthest apart at its near end.
  std::sort(drawn.begin(), drawn.end());
  const double sx = x_scale(layout_), sy = y_scale(layout_);
  const double gap = kLabelGapInch * kPlotUnitsPerInch / 2;  // plot units
  const double width = zarvo::text_width(name.c_str(), 0) * kPhaseLabelSize;
  const double height = kCapHeight * kFontHeight * kPhaseLabelSize;
  const double right = kFrameWidth * kPlotUnitsPerInch, top = kFrameHeight * kPlotUnitsPerInch;
  Box chosen{};
  bool found = false;
  for (std::size_t i = 0; i < drawn.size() && !found; ++i) {
    const double px = (drawn[i].second - layout_.t0) / sx + gap, py = (drawn[i].first - layout_.d0) / sy + gap;
    chosen = Box{px, py, px + width, py + height};
    found = py >= kPhaseLabelLiftInch * kPlotUnitsPerInch && px + width <= right && py + height <= top &&
            std::none_of(phase_labels_.begin(), phase_labels_.end(), [&](const Box& b) {
              return chosen.x0 < b.x1 + gap && b.x0 < chosen.x1 + gap && chosen.y0 < b.y1 + gap &&
                     b.y0 < chosen.y1 + gap;
            });
  }
  if (!found) {
    const double px = (drawn.front().second - layout_.t0) / sx + gap, py = (drawn.front().first - layout_.d0) / sy + gap;
    chosen = Box{px, py, px + width, py + height};
  }
  phase_labels_.push_back(chosen);
  return label(static_cast<float>(layout_.t0 + chosen.x0 * sx), static_cast<float>(layout_.d0 + chosen.y0 * sy), name,
               kPhaseLabelSize);
}

}  // namespace section
