#include "axis.h"

#include <cmath>

#include "para.h"

namespace zarvo {

namespace {

constexpr int32_t kOk = 0;
constexpr int32_t kFail = -1;
constexpr int32_t kNoSimpleValue = -2;  // fint found no value: the spread is below resolution
constexpr double kRangeFraction = 9.0;  // ends move outward by at most range/9
constexpr float kTickMultipliers[] = {1.0f, 2.0f, 5.0f, 10.0f};

struct Extent {
  float mn;
  float mx;
};

// Range of flat data equal to c: 0..2c for c > 0, 0..1 for c = 0, and the
// mirror image 2c..0 for c < 0.
Extent flat_extent(float c) {
  if (c > 0.0f) return {0.0f, static_cast<float>(2.0 * static_cast<double>(c))};
  if (c < 0.0f) return {static_cast<float>(2.0 * static_cast<double>(c)), 0.0f};
  return {0.0f, static_cast<float>(2.0 * static_cast<double>(c) + 1.0)};
}

// Moves the extent's ends outward to the simplest values within a ninth of
// the range, after widening by half a marker.  Fails (kFail) when the ninth
// underflows to 0 and with kNoSimpleValue when fint finds no value.
int32_t simple_ends(Extent e, float marker, float len, float* lo, float* hi) {
  const float r = e.mx - e.mn;
  const float m = static_cast<float>(static_cast<double>(r) / kRangeFraction);
  const float p = marker >= 0.0f ? marker : 0.0f;
  const float frame_units = 300.0f * len;
  const double half_marker = static_cast<double>(p) * 0.5 * static_cast<double>(r);
  const float g = frame_units == 0.0f
                      ? 0.0f
                      : static_cast<float>(half_marker / static_cast<double>(frame_units));
  const float hi_wide = e.mx + g;
  const float lo_wide = e.mn - g;
  if (m == 0.0f) return kFail;

  float top = 0.0f;
  float neg_bottom = 0.0f;
  if (fint(hi_wide, hi_wide + m, &top) != kOk) return kNoSimpleValue;
  if (fint(-lo_wide, m - lo_wide, &neg_bottom) != kOk) return kNoSimpleValue;
  *hi = top;
  *lo = static_cast<float>(-1.0 * static_cast<double>(neg_bottom));
  return kOk;
}

}  // namespace

int32_t fmag(double x, float* e) {
  const float xs = static_cast<float>(x);
  if (!std::isfinite(xs)) return kFail;
  if (xs == 0.0f) {
    *e = 0.0f;
    return kOk;
  }
  const float a = std::fabs(xs);
  float p = 1.0f;
  while (p < a) {
    // 1e38 is the largest power of ten in single precision: the next one
    // would be infinite and never come down again.
    const auto next = static_cast<float>(static_cast<double>(p) * 10.0);
    if (!std::isfinite(next)) break;
    p = next;
  }
  while (p > a) p = static_cast<float>(static_cast<double>(p) * 0.1);
  *e = p;
  return kOk;
}

int32_t fint(double a, double b, float* out) {
  const float as = static_cast<float>(a);
  const float bs = static_cast<float>(b);
  if (!std::isfinite(as) || !std::isfinite(bs) || !(as < bs)) return kFail;

  float e = 0.0f;
  if (fmag(static_cast<float>(static_cast<double>(std::fabs(as)) + static_cast<double>(std::fabs(bs))), &e) != kOk) {
    return kFail;
  }
  float w = static_cast<float>(-10.0 * static_cast<double>(e));
  float s = static_cast<float>(10.0 * static_cast<double>(e));
  if (!std::isfinite(w) || !std::isfinite(s)) return kFail;

  for (;;) {
    while (w < as) {
      const float next = w + s;
      if (next == w) return kFail;  // stride below the resolution of w
      w = next;
    }
    if (w < bs) {
      *out = w;
      return kOk;
    }
    if (s == 0.0f) return kFail;  // no finer stride is left
    w = w - s;
    s = static_cast<float>(static_cast<double>(s) * 0.1);
  }
}

int32_t axmi(int32_t n, const float* v, float* lo, float* hi, const float* len, const float* para) {
  Extent e{v[0], v[0]};
  bool finite = std::isfinite(v[0]);
  for (int32_t i = 1; i < n; ++i) {
    const float t = v[i];
    if (t < e.mn) e.mn = t;
    if (t > e.mx) e.mx = t;
    finite = finite && std::isfinite(t);
  }
  if (!finite) return kFail;

  const float marker = para[p::kMarkerSize];
  const auto scaled_as_flat = [&](float c) {
    return simple_ends(flat_extent(c), marker, *len, lo, hi) == kOk ? kOk : kFail;
  };
  if (e.mn == e.mx) return scaled_as_flat(e.mx);
  const int32_t status = simple_ends(e, marker, *len, lo, hi);
  if (status != kNoSimpleValue) return status;
  // A spread of a few units of the values' resolution leaves no simple
  // value between the ends: scale such data as flat.
  if (e.mn >= 0.0f) return scaled_as_flat(e.mx);
  if (e.mx <= 0.0f) return scaled_as_flat(e.mn);
  return kFail;
}

int32_t grid(const float* a, const float* b, float* first, float* step) {
  const double da = *a;
  const double db = *b;
  if (da == db) return kFail;
  const double lo = da < db ? da : db;
  const double hi = da < db ? db : da;

  float f = 0.0f;
  if (fint(lo, hi, &f) != kOk) return kFail;
  const float d = static_cast<float>((hi - lo) / 3.0);
  float e = 0.0f;
  if (fmag(d, &e) != kOk) return kFail;

  float interval = e;
  for (float t : kTickMultipliers) {
    const float c = e * t;
    if (c > d) break;
    interval = c;
  }
  if (!(interval > 0.0f) || !std::isfinite(interval)) return kFail;

  // Step down below lo, then up once: the lowest tick not below lo.
  float tick = f;
  do {
    const float next = tick - interval;
    if (next == tick) return kFail;  // interval below the resolution of the ticks
    tick = next;
  } while (tick >= lo);
  tick = tick + interval;

  *first = tick;
  *step = interval;
  return kOk;
}

}  // namespace zarvo
