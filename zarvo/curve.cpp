#include "curve.h"

#include <cmath>

#include "labels.h"
#include "markers.h"
#include "para.h"
#include "pen.h"

namespace zarvo {

namespace {

constexpr float kDashUnit = 20.0f;       // plot units per unit of para(21), para(22)
constexpr float kDefaultGap = 15.0f;     // 20 * 0.75
constexpr double kVerticalRatio = 1e-4;  // |dx| at or below this * |dy|: vertical
constexpr double kCharOffsetX = 2.5;     // marker character offset, per unit of size
constexpr double kCharOffsetY = 3.5;
constexpr double kPolygonUnit = 20.0;    // polygon width per unit of para(14)
constexpr int32_t kFillCode = 1;

// The values of one axis: the array itself, or x(1), x(1)+dx, ... when the
// array holds only a start value and an increment.
class Series {
 public:
  Series(const float* v, bool generated)
      : v_(v), generated_(generated), running_(generated ? v[0] - v[1] : 0.0f), step_(generated ? v[1] : 0.0f) {}
  // Value of point i; called for i = 0, 1, 2, ... in order.
  float at(int32_t i) {
    if (!generated_) return v_[i];
    running_ = running_ + step_;
    return running_;
  }

 private:
  const float* v_;
  bool generated_;
  float running_;
  float step_;
};

struct Axes {
  Series x;
  Series y;
  float x0;
  float y0;
  const Frame f;  // a copy: the pen buffer's byte stores cannot alias it

  double px(float u) const { return axis_position(u, x0, f.sx, f.xo); }
  double py(float v) const { return axis_position(v, y0, f.sy, f.yo); }
};

void solid_line(int32_t n, Axes& a) {
  PenBuffer pen;
  int16_t lx = plot_unit(a.px(a.x.at(0)));
  int16_t ly = plot_unit(a.py(a.y.at(0)));
  pen.draw('m', lx, ly);
  for (int32_t i = 1; i < n; ++i) {
    const int16_t ix = plot_unit(a.px(a.x.at(i)));
    const int16_t iy = plot_unit(a.py(a.y.at(i)));
    if (ix == lx && iy == ly) continue;
    pen.draw('d', ix, iy);
    lx = ix;
    ly = iy;
  }
}

float sign(float u) { return u >= 0.0f ? 1.0f : -1.0f; }

float length(float dx, float dy) {
  const double ddx = dx;
  const double ddy = dy;
  return static_cast<float>(std::sqrt(ddx * ddx + ddy * ddy));
}

// A dashed line whose pattern runs on continuously along the curve.
class Dasher {
  struct Cut {
    float x;
    float y;
    bool in_place(float px, float py) const { return x == px && y == py; }
  };

 public:
  Dasher(float dash, float gap, PenBuffer& pen) : pen_(pen), dash_(dash), gap_(gap), remaining_(dash) {}

  void start(float tx, float ty) {
    pen_.draw('m', plot_unit(tx), plot_unit(ty));
    px_ = tx;
    py_ = ty;
  }

  // Extends the line to the point (tx, ty), cutting dashes and gaps.  Every
  // cut is written and switches the state, also when its position rounds
  // back onto the pen's.
  void to(float tx, float ty) {
    float dx = tx - px_;
    float dy = ty - py_;
    float d = length(dx, dy);
    bool along = false;              // cutting along the segment's direction
    bool whole_cut_in_place = false;  // the last cut, a whole dash or gap, left P
    for (bool first = true; d >= remaining_; first = false) {
      Cut q = along ? cut_along(dx, dy, d) : cut(dx, dy);
      if (q.in_place(px_, py_) && (along || whole_cut_in_place)) {
        // A whole dash and a whole gap in place would bring back an earlier
        // state for ever: the slope step is below the resolution of P.  The
        // rest of the segment is cut along its direction instead.
        if (!along) {
          along = true;
          q = cut_along(dx, dy, d);
        }
        // Not even that moves P: the pattern is finer than the resolution
        // here.  It stalls; the rest of the segment keeps the current state.
        if (q.in_place(px_, py_)) {
          pen_to(tx, ty);
          return;
        }
      }
      whole_cut_in_place = q.in_place(px_, py_) && !first;
      pen_to(q.x, q.y);
      in_dash_ = !in_dash_;
      remaining_ = in_dash_ ? dash_ : gap_;
      dx = tx - px_;
      dy = ty - py_;
      d = length(dx, dy);
    }
    if (d > 0.0f) {
      pen_to(tx, ty);
      remaining_ = remaining_ - d;
    }
  }

 private:
  // The point at distance R from P towards P + (dx, dy): from the slope,
  // or along y for a segment whose |dx| is at most 1e-4 |dy|.
  Cut cut(float dx, float dy) const {
    if (std::fabs(static_cast<double>(dx)) > kVerticalRatio * std::fabs(static_cast<double>(dy))) {
      const float m = dy / dx;
      const float signed_r = sign(dx) * remaining_;
      const float m2 = m * m;
      const float step = static_cast<float>(static_cast<double>(signed_r) / std::sqrt(1.0 + static_cast<double>(m2)));
      const float qx = px_ + step;
      return {qx, py_ + (qx - px_) * m};
    }
    return {px_, py_ + sign(dy) * remaining_};
  }

  // The same point from the unit direction (dx, dy) / d, in double.
  Cut cut_along(float dx, float dy, float d) const {
    const double r = static_cast<double>(remaining_) / static_cast<double>(d);
    return {static_cast<float>(px_ + r * static_cast<double>(dx)), static_cast<float>(py_ + r * static_cast<double>(dy))};
  }

  // Writes a draw (dash) or a move (gap) to (x, y) and makes it P.
  void pen_to(float x, float y) {
    pen_.draw(in_dash_ ? 'd' : 'm', plot_unit(x), plot_unit(y));
    px_ = x;
    py_ = y;
  }

  PenBuffer& pen_;
  float dash_;
  float gap_;
  float remaining_;
  bool in_dash_ = true;
  float px_ = 0.0f;
  float py_ = 0.0f;
};

void dashed_line(int32_t n, Axes& a, const float* para) {
  const float dash = para[p::kDash] > 0.0f ? kDashUnit * para[p::kDash] : kDashUnit;
  const float gap = para[p::kGap] > 0.0f ? kDashUnit * para[p::kGap] : kDefaultGap;
  PenBuffer pen;
  Dasher dasher(dash, gap, pen);
  float tx = static_cast<float>(a.px(a.x.at(0)));
  float ty = static_cast<float>(a.py(a.y.at(0)));
  dasher.start(tx, ty);
  int16_t lx = plot_unit(tx);
  int16_t ly = plot_unit(ty);
  for (int32_t i = 1; i < n; ++i) {
    tx = static_cast<float>(a.px(a.x.at(i)));
    ty = static_cast<float>(a.py(a.y.at(i)));
    const int16_t ix = plot_unit(tx);
    const int16_t iy = plot_unit(ty);
    if (ix == lx && iy == ly) continue;
    // A point off every finite position cannot be dashed towards.
    if (!std::isfinite(tx) || !std::isfinite(ty)) continue;
    dasher.to(tx, ty);
    lx = ix;
    ly = iy;
  }
}

void character_markers(int32_t n, Axes& a, const float* para) {
  TextInfo record;
  settxtinfo(record, kInfoFont, 0);
  settxtinfo(record, kInfoOrient, 0);
  settxtinfo(record, kInfoSize, trunc32(para[p::kMarkerSize]) % p::kFontFactor);
  const char marker = static_cast<char>(trunc32(para[p::kStyle]) & 0xFF);
  // A zero code would end the text early and corrupt the file: write an
  // empty text for it instead.
  const int32_t length = marker == '\0' ? 0 : 1;
  const double size = para[p::kMarkerSize];
  for (int32_t i = 0; i < n; ++i) {
    const double ox = a.px(a.x.at(i)) - kCharOffsetX * size;
    const double oy = a.py(a.y.at(i)) - kCharOffsetY * size;
    pltext(plot_unit(ox), plot_unit(oy), record, &marker, length);
  }
}

void polygon_markers(int32_t n, Axes& a, float* para) {
  const int32_t type = trunc32(-static_cast<double>(para[p::kStyle]));
  if (para[p::kMarkerSize] <= 0.0f) para[p::kMarkerSize] = 1.0f;
  const int32_t size = trunc32(kPolygonUnit * static_cast<double>(para[p::kMarkerSize]));
  for (int32_t i = 0; i < n; ++i) {
    const int16_t ix = plot_unit(a.px(a.x.at(i)));
    const int16_t iy = plot_unit(a.py(a.y.at(i)));
    plpoly(ix, iy, size, type, kFillCode);
  }
}

}  // namespace

void draw_curve(int32_t n, const float* x, const float* y, float* para, const Frame& frame) {
  if (n <= 0) return;
  const float arrays = para[p::kArrays];
  Axes axes{Series(x, arrays == 1.0f), Series(y, arrays == -1.0f), para[p::kXLeft], para[p::kYBottom], frame};
  const float style = para[p::kStyle];
  if (style > 0.0f) {
    character_markers(n, axes, para);
  } else if (style < 0.0f) {
    polygon_markers(n, axes, para);
  } else if (para[p::kMarkerSize] < 0.0f) {
    dashed_line(n, axes, para);
  } else {
    solid_line(n, axes);
  }
}

}  // namespace zarvo
