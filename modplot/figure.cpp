#include "figure.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include <zarvo/zarvo.h>

namespace modplot {

namespace {

// Elements of the library's parameter block, para(k) at offset k - 1.
constexpr int kWidth = 0, kHeight = 1;             // para(1), para(2): frame size, inches
constexpr int kXLeft = 2, kYBottom = 3;            // para(3), para(4)
constexpr int kXRight = 4, kYTop = 5;              // para(5), para(6)
constexpr int kXFirstTick = 6, kYFirstTick = 7;    // para(7), para(8)
constexpr int kXTick = 8, kYTick = 9;              // para(9), para(10)
constexpr int kStyle = 12, kMarkerSize = 13;       // para(13), para(14): line; < 0 selects dashes
constexpr int kDash = 20, kGap = 21;               // para(21), para(22)
constexpr int kParaSize = 22;                      // dashed lines read all 22

constexpr const char* kXTitle = "Velocity (km/s)";
constexpr const char* kYTitle = "Depth (km)";
constexpr const char* kTitle = "Vp, Vs and density (g/cm\\u3\\d)";
constexpr const char* kPropertyLabels[kPropertyCount] = {"Vp", "Vs", "\\(*r"};

constexpr float kLabelDepth = 0.05f;       // property labels this far down the window
constexpr float kLabelGap = 0.012f;        // and this far right of the curve (of the value range)
constexpr float kLegendLeft = 0.25f;       // legend line from the frame's right edge + this, inches
constexpr float kLegendLine = 0.6f;        // legend line length, inches
constexpr float kLegendTextGap = 0.15f;    // gap between line and name, inches
constexpr float kLegendTop = 0.25f;        // first legend entry below the frame's top, inches
constexpr float kLegendStep = 0.3f;        // between legend entries, inches
constexpr float kLegendBaseline = 0.07f;   // name's baseline below its line: capitals centred

constexpr LineStyle kDashPatterns[] = {{true, 1.0f, 0.75f}, {true, 0.3f, 0.45f}, {true, 2.5f, 0.75f}};

void setStyle(float* para, const LineStyle& s) {
    para[kStyle] = 0.0f;
    para[kMarkerSize] = s.dashed ? -1.0f : 0.0f;
    para[kDash] = s.dash;
    para[kGap] = s.gap;
}

bool drawCurve(const std::vector<float>& x, const std::vector<float>& y, float* para) {
    const auto n = static_cast<int32_t>(x.size());
    return zarvo_(&n, x.data(), y.data(), kXTitle, kYTitle, kTitle, para) == 0;
}

// The curve's value at depth z (the first point at or below z), for placing
// a label beside it.
float valueNear(const Curve& c, float z) {
    const auto it = std::lower_bound(c.depth.begin(), c.depth.end(), z);
    if (it == c.depth.end()) return c.value.back();
    const std::size_t i = static_cast<std::size_t>(it - c.depth.begin());
    if (i == 0 || c.depth[i] == c.depth[i - 1]) return c.value[i];
    const double t = (static_cast<double>(z) - c.depth[i - 1]) / (static_cast<double>(c.depth[i]) - c.depth[i - 1]);
    return static_cast<float>(c.value[i - 1] + (static_cast<double>(c.value[i]) - c.value[i - 1]) * t);
}

}  // namespace

LineStyle styleOf(std::size_t k) {
    if (k == 0) return LineStyle{};
    return kDashPatterns[(k - 1) % std::size(kDashPatterns)];
}

std::string plainLabel(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') out += "\\\\";
        else if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) out += '?';
        else out += c;
    }
    return out;
}

bool drawFigure(const std::vector<ModelProfiles>& models, Window w, std::string& error) {
    float lo = models.front().curves[0].value.front();
    float hi = lo;
    for (const ModelProfiles& m : models) {
        for (const Curve& c : m.curves) {
            const auto [mn, mx] = std::minmax_element(c.value.begin(), c.value.end());
            lo = std::min(lo, *mn);
            hi = std::max(hi, *mx);
        }
    }
    const Axis x = valueAxis(lo, hi);
    const Axis z = depthAxis(w);
    // The library's axes are single precision: an end rounded beyond its
    // range cannot be drawn.
    if (!std::isfinite(x.lo) || !std::isfinite(x.hi) || !std::isfinite(z.first)) {
        error = "values too large to draw (largest " + std::to_string(hi) + ")";
        return false;
    }
    auto refused = [&] {
        error = "the plotting library refused the figure";
        return false;
    };

    float para[kParaSize] = {};
    para[kWidth] = kFrameWidth;
    para[kHeight] = kFrameHeight;
    para[kXLeft] = x.lo;
    para[kXRight] = x.hi;
    para[kXFirstTick] = x.first;
    para[kXTick] = x.step;
    para[kYBottom] = z.hi;  // depth grows downward
    para[kYTop] = z.lo;
    para[kYFirstTick] = z.first;
    para[kYTick] = z.step;

    // The first curve opens the plot file and draws frame and annotation;
    // every later call adds a curve.
    for (std::size_t k = 0; k < models.size(); ++k) {
        setStyle(para, styleOf(k));
        for (const Curve& c : models[k].curves) {
            if (!drawCurve(c.value, c.depth, para)) return refused();
        }
    }

    const float labelDepth = z.lo + kLabelDepth * (z.hi - z.lo);
    const float gap = kLabelGap * (x.hi - x.lo);
    for (std::size_t j = 0; j < kPropertyCount; ++j) {
        const Curve& c = models.front().curves[j];
        const float depth = std::max(labelDepth, c.depth.front());
        const float value = valueNear(c, depth) + gap;
        if (plabel_(&value, &depth, kPropertyLabels[j], para) != 0) return refused();
    }

    // Legend: a stretch of each model's line, then its name.
    auto xAt = [&](float inches) { return x.lo + inches / kFrameWidth * (x.hi - x.lo); };
    auto zAt = [&](float inches) { return z.hi + inches / kFrameHeight * (z.lo - z.hi); };
    const float lineLeft = kFrameWidth + kLegendLeft;
    const float lineRight = lineLeft + kLegendLine;
    const float textLeft = lineRight + kLegendTextGap;
    for (std::size_t k = 0; k < models.size(); ++k) {
        const float y = kFrameHeight - kLegendTop - kLegendStep * static_cast<float>(k);
        setStyle(para, styleOf(k));
        if (!drawCurve({xAt(lineLeft), xAt(lineRight)}, {zAt(y), zAt(y)}, para)) return refused();
        const float baseline = y - kLegendBaseline;
        const std::string name = plainLabel(models[k].name);
        if (zlabel_(&textLeft, &baseline, name.c_str(), para) != 0) return refused();
    }
    return true;
}

}  // namespace modplot
