// Reduction of a polyline for raster output.  Consecutive points whose
// device x falls in one pixel column are replaced by the first, the
// lowest, the highest and the last of them, in their order: the stroke
// covers the same rows of that column, and the segments between columns
// are kept exactly.  A point equal to the one passed on before it is left
// out: it would only add a segment of no length.  A curve of 100,000 points across 1,200 columns keeps
// at most 4,800.  The renderer reduces long curves on PNG pages with it,
// and the figure layer reduces curves before they reach the plot file.
#ifndef PLTRENDER_COLUMN_REDUCER_H
#define PLTRENDER_COLUMN_REDUCER_H

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace pltrender {

class ColumnReducer {
 public:
  // A point passed on; `id` is the caller's tag of the point.
  struct Out {
    double x, y;
    bool move;
    std::size_t id;
  };

  // Device column of x: floor((x - x0) * k).
  ColumnReducer(double x0, double k) : x0_(x0), k_(k) {}

  // Starts a group with a point already emitted (a move or a line end).
  template <typename Emit>
  void start(double x, double y, Emit&& emit, bool move, std::size_t id = 0) {
    flush(emit);
    pass(emit, Out{x, y, move, id});
    column_ = column(x);
    n_ = 0;
    low_ = high_ = last_ = Entry{x, y, 0, id};
    active_ = true;
  }

  template <typename Emit>
  void line_to(double x, double y, Emit&& emit, std::size_t id = 0) {
    if (!active_ || column(x) != column_) {
      start(x, y, emit, false, id);
      return;
    }
    const Entry e{x, y, ++n_, id};
    if (y < low_.y) low_ = e;
    if (y > high_.y) high_ = e;
    last_ = e;
  }

  // Emits what the current group still holds back.
  template <typename Emit>
  void flush(Emit&& emit) {
    if (!active_) return;
    active_ = false;
    Entry keep[3] = {low_, high_, last_};
    std::sort(keep, keep + 3, [](const Entry& a, const Entry& b) { return a.index < b.index; });
    long emitted = 0;  // the group's first point, emitted when it began
    for (const Entry& e : keep) {
      if (e.index == emitted) continue;
      pass(emit, Out{e.x, e.y, false, e.id});
      emitted = e.index;
    }
  }

 private:
  template <typename Emit>
  void pass(Emit& emit, const Out& p) {
    if (!p.move && passed_ && p.x == last_x_ && p.y == last_y_) return;
    emit(p);
    passed_ = true;
    last_x_ = p.x;
    last_y_ = p.y;
  }

  struct Entry {
    double x = 0, y = 0;
    long index = 0;
    std::size_t id = 0;
  };
  // Points of a long curve share their x many at a time: the column of the
  // last x asked for is kept.
  double column(double x) {
    if (!(x == cached_x_)) {
      cached_x_ = x;
      cached_column_ = std::floor((x - x0_) * k_);
    }
    return cached_column_;
  }

  double x0_, k_;
  double cached_x_ = std::nan(""), cached_column_ = 0;
  bool active_ = false;
  double column_ = 0;
  long n_ = 0;
  Entry low_, high_, last_;
  bool passed_ = false;  // a point has been passed on, the last at (last_x_, last_y_)
  double last_x_ = 0, last_y_ = 0;
};

}  // namespace pltrender

#endif
