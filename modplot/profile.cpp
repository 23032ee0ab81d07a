#include "profile.h"

#include <cmath>

namespace modplot {

using layergen::ModelRow;

float propertyOf(const ModelRow& row, Property p) {
    switch (p) {
        case Property::vp: return row.vp;
        case Property::vs: return row.vs;
        case Property::rho: return row.rho;
    }
    return 0.0f;
}

namespace {

void addPoint(Curve& c, float value, float depth) {
    if (c.size() > 0 && c.depth.back() == depth && c.value.back() == value) return;
    c.value.push_back(value);
    c.depth.push_back(depth);
}

// The value at depth z on the straight line between rows a and b (a.z < b.z).
float interpolate(const ModelRow& a, const ModelRow& b, Property p, float z) {
    const double va = propertyOf(a, p);
    const double vb = propertyOf(b, p);
    const double t = (static_cast<double>(z) - a.z) / (static_cast<double>(b.z) - a.z);
    return static_cast<float>(va + (vb - va) * t);
}

}  // namespace

Curve profile(const std::vector<ModelRow>& rows, Property p, Window w) {
    Curve c;
    for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
        const ModelRow& a = rows[i];
        const ModelRow& b = rows[i + 1];
        if (a.z == b.z) {  // a discontinuity
            if (a.z > w.top && a.z < w.bottom) {
                addPoint(c, propertyOf(a, p), a.z);
                addPoint(c, propertyOf(b, p), b.z);
            }
            continue;
        }
        if (b.z <= w.top || a.z >= w.bottom) continue;
        if (a.z < w.top) addPoint(c, interpolate(a, b, p, w.top), w.top);
        else addPoint(c, propertyOf(a, p), a.z);
        if (b.z > w.bottom) addPoint(c, interpolate(a, b, p, w.bottom), w.bottom);
        else addPoint(c, propertyOf(b, p), b.z);
    }
    return c;
}

double tickStep(double range) {
    if (!(range > 0.0) || !std::isfinite(range)) return 1.0;
    constexpr double kMultipliers[] = {5.0, 2.0, 1.0};
    for (double power = std::floor(std::log10(range));; power -= 1.0) {
        const double unit = std::pow(10.0, power);
        for (double m : kMultipliers) {
            if (range / (m * unit) >= kMinIntervals) return m * unit;
        }
    }
}

Axis valueAxis(float min, float max) {
    double lo = min;
    double hi = max;
    if (!(hi > lo)) {
        lo -= 1.0;
        hi += 1.0;
    }
    const double step = tickStep(hi - lo);
    lo = std::floor(lo / step) * step;
    hi = std::ceil(hi / step) * step;
    return Axis{static_cast<float>(lo), static_cast<float>(hi), static_cast<float>(lo), static_cast<float>(step)};
}

Axis depthAxis(Window w) {
    const double step = tickStep(static_cast<double>(w.bottom) - w.top);
    const double first = std::ceil(w.top / step) * step;
    return Axis{w.top, w.bottom, static_cast<float>(first), static_cast<float>(step)};
}

}  // namespace modplot
