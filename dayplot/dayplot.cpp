#include <dayplot/dayplot.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <fstream>

#include <figure/figure.h>
#include <parallel/parallel.h>
#include <zarvo/zarvo.h>
#include <zarvo/zarvo.hpp>

#include "sds.h"

namespace dayplot {

namespace {

constexpr double kMicrosPerMinute = 60e6;
constexpr int kMinutesPerDay = 1440;
constexpr float kInchesPerLine = 0.08f;  // frame height per line, within the limits below
constexpr float kMinFrameHeight = 3.0f;
constexpr float kMaxFrameHeight = 12.0f;
constexpr float kPlotUnitsPerInch = 300.0f;
constexpr float kTitleSize = 8;          // titles and minute numbers
constexpr float kLabelSize = 3;          // line times and event labels
constexpr float kLabelHeight = 10 * kLabelSize;  // font 0 is 10 glyph units high
constexpr float kLabelGap = 15;          // plot units between a time label and the frame
constexpr double kSlack = 1e-4;         // of a sampling interval, for times rounded to microseconds
constexpr int kBucketShift = 47;         // sizes counted by their 16 high bits (sign bit 0)

// Samples [first, end) of `t` at times in [from, to).
void sample_range(const seisdata::Trace& t, std::int64_t from, std::int64_t to, std::size_t& first,
                  std::size_t& end) {
  const double per_us = t.rate / 1e6;
  const double n = static_cast<double>(t.samples.size());
  first = static_cast<std::size_t>(std::clamp(std::ceil(static_cast<double>(from - t.start_us) * per_us - kSlack), 0.0, n));
  end = static_cast<std::size_t>(std::clamp(std::ceil(static_cast<double>(to - t.start_us) * per_us - kSlack), 0.0, n));
}

std::int64_t line_start(const Settings& s, int line) {
  return s.start_us + static_cast<std::int64_t>(line) * s.interval * static_cast<std::int64_t>(kMicrosPerMinute);
}

float line_centre(int lines, int line) { return static_cast<float>(lines - line) - 0.5f; }

// HH:MM of a time.
std::string clock_text(std::int64_t us) {
  return seisdata::iso_time(us).substr(11, 5);
}

// The day's samples in blocks of kBlockSamples (a trace's last block
// shorter): the units in which they are summed and counted.
constexpr std::size_t kBlockSamples = std::size_t{1} << 16;
struct Block {
  const float* begin;
  const float* end;
};

std::vector<Block> sample_blocks(const std::vector<seisdata::Trace>& traces) {
  std::vector<Block> blocks;
  for (const seisdata::Trace& t : traces)
    for (std::size_t i = 0; i < t.samples.size(); i += kBlockSamples)
      blocks.push_back({t.samples.data() + i, t.samples.data() + std::min(t.samples.size(), i + kBlockSamples)});
  return blocks;
}

}  // namespace

int line_count(int interval) { return (kMinutesPerDay + interval - 1) / interval; }

float frame_height(int lines) {
  return std::clamp(kInchesPerLine * static_cast<float>(lines), kMinFrameHeight, kMaxFrameHeight);
}

Amplitude amplitude_scale(const std::vector<seisdata::Trace>& traces, double clip_percent, double scale,
                          int threads) {
  Amplitude a;
  const std::vector<Block> blocks = sample_blocks(traces);
  // Each block is summed on its own and the sums added in order: the same
  // mean on any number of threads.
  std::vector<double> sums(blocks.size());
  parallel::for_each(blocks.size(), threads, [&](std::size_t k, int) {
    double sum = 0;
    for (const float* v = blocks[k].begin; v != blocks[k].end; ++v) sum += *v;
    sums[k] = sum;
  });
  double sum = 0;
  std::size_t n = 0;
  for (std::size_t k = 0; k < blocks.size(); ++k) {
    sum += sums[k];
    n += static_cast<std::size_t>(blocks[k].end - blocks[k].begin);
  }
  if (n == 0) return a;
  a.offset = sum / static_cast<double>(n);
  if (scale > 0) {
    a.counts_per_line = scale;
    return a;
  }
  // The sample of rank `rank` by |value - offset|: a count of the sizes by
  // their high bits (the bits of non-negative doubles order as the values
  // do), then the one bucket holding that rank, sorted partly.
  const auto rank = std::clamp<std::size_t>(
      static_cast<std::size_t>(std::ceil(static_cast<double>(n) * clip_percent / 100)), 1, n);
  const auto size_of = [&](float v) { return std::fabs(v - a.offset); };
  const auto bucket_of = [](double size) { return std::bit_cast<std::uint64_t>(size) >> kBucketShift; };
  constexpr std::size_t kBuckets = std::size_t{1} << (63 - kBucketShift);
  std::vector<std::vector<std::size_t>> counts(static_cast<std::size_t>(std::max(threads, 1)),
                                               std::vector<std::size_t>(kBuckets));
  parallel::for_each(blocks.size(), threads, [&](std::size_t k, int thread) {
    std::vector<std::size_t>& count = counts[static_cast<std::size_t>(thread)];
    for (const float* v = blocks[k].begin; v != blocks[k].end; ++v) ++count[bucket_of(size_of(*v))];
  });
  std::size_t bucket = 0, below = 0, in_bucket = 0;
  for (;; below += in_bucket, ++bucket) {
    in_bucket = 0;
    for (const auto& count : counts) in_bucket += count[bucket];
    if (below + in_bucket >= rank) break;
  }
  std::vector<std::vector<double>> found(blocks.size());
  parallel::for_each(blocks.size(), threads, [&](std::size_t k, int) {
    for (const float* v = blocks[k].begin; v != blocks[k].end; ++v)
      if (bucket_of(size_of(*v)) == bucket) found[k].push_back(size_of(*v));
  });
  std::vector<double> inside;
  inside.reserve(in_bucket);
  for (const auto& f : found) inside.insert(inside.end(), f.begin(), f.end());
  const auto at = inside.begin() + static_cast<std::ptrdiff_t>(rank - below - 1);
  std::nth_element(inside.begin(), at, inside.end());
  a.counts_per_line = *at > 0 ? 2 * *at : 1;
  return a;
}

namespace {

// The samples [first, end) of one trace in one line, and how they become
// points: minutes from the line's start, the band's centre plus the
// clipped excursion.
struct PieceSamples {
  const seisdata::Trace* trace;
  std::size_t first, end;
  double lead;              // minutes from the line's start to the trace's
  double minutes_per_sample;
  double centre;
  double offset;             // the amplitude scale's
  double lines_per_count;

  std::size_t size() const { return end - first; }

  // Points begin..begin+count-1 of the piece.
  void points(std::size_t begin, std::size_t count, float* x, float* y) const {
    const float* v = trace->samples.data() + first + begin;
    for (std::size_t k = 0; k < count; ++k) {
      x[k] = static_cast<float>(lead + static_cast<double>(first + begin + k) * minutes_per_sample);
      y[k] = static_cast<float>(centre + std::clamp((v[k] - offset) * lines_per_count, -0.5, 0.5));
    }
  }
};

std::vector<PieceSamples> line_samples(const std::vector<seisdata::Trace>& traces, const Settings& s,
                                       const Amplitude& a, int line) {
  const std::int64_t from = line_start(s, line);
  const std::int64_t to = std::min(line_start(s, line + 1), s.start_us + kDayMicros);
  std::vector<PieceSamples> pieces;
  for (const seisdata::Trace& t : traces) {
    std::size_t first = 0, end = 0;
    sample_range(t, from, to, first, end);
    if (first < end)
      pieces.push_back({&t, first, end, static_cast<double>(t.start_us - from) / kMicrosPerMinute,
                        1 / (t.rate * 60), line_centre(line_count(s.interval), line), a.offset,
                        1 / a.counts_per_line});
  }
  return pieces;
}

}  // namespace

std::vector<Piece> line_pieces(const std::vector<seisdata::Trace>& traces, const Settings& s, const Amplitude& a,
                               int line) {
  std::vector<Piece> pieces;
  for (const PieceSamples& samples : line_samples(traces, s, a, line)) {
    Piece p;
    p.x.resize(samples.size());
    p.y.resize(samples.size());
    samples.points(0, samples.size(), p.x.data(), p.y.data());
    pieces.push_back(std::move(p));
  }
  return pieces;
}

bool read_events(const std::string& path, std::vector<Event>& events, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = path + ": cannot open the events file";
    return false;
  }
  std::vector<Event> read;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t begin = line.find_first_not_of(" \t");
    if (begin == std::string::npos || line[begin] == '#') continue;
    const std::size_t time_end = line.find_first_of(" \t", begin);
    Event e;
    std::string why;
    if (!seisdata::parse_time(line.substr(begin, time_end - begin), e.time_us, why)) {
      error = path + ":" + std::to_string(number) + ": " + why;
      return false;
    }
    if (time_end != std::string::npos) {
      const std::size_t label = line.find_first_not_of(" \t", time_end);
      if (label != std::string::npos) e.label = line.substr(label);
    }
    read.push_back(std::move(e));
  }
  events.insert(events.end(), read.begin(), read.end());
  return true;
}

namespace {

// The parameter block of the day's graph, the plot file state aside.
void frame_block(const Settings& s, float (&para)[kParaSize]) {
  const int lines = line_count(s.interval);
  const float file_state = para[kParaSize - 1];
  for (float& p : para) p = 0.0f;
  para[0] = kFrameWidth;
  para[1] = frame_height(lines);
  para[4] = static_cast<float>(s.interval);  // x: minutes 0..interval
  para[5] = static_cast<float>(lines);       // y: line spacings 0..lines
  para[10] = kTitleSize;
  para[17] = 1;  // no y ticks: the lines carry their times
  para[kParaSize - 1] = file_state;
}

}  // namespace

Curves day_curves(const std::vector<seisdata::Trace>& traces, const Settings& s) {
  const int lines = line_count(s.interval);
  // The block as the frame's call completes it: its text size places the
  // frame's corner for the curves drawn after it.
  float para[kParaSize] = {};
  frame_block(s, para);
  float corner_x = 0, corner_y = static_cast<float>(lines);
  zarvo::complete_graph(1, &corner_x, &corner_y, para);

  const Amplitude a = amplitude_scale(traces, s.clip_percent, s.scale, s.threads);
  Curves curves;
  curves.lines.resize(static_cast<std::size_t>(lines));
  parallel::for_each(static_cast<std::size_t>(lines), s.threads, [&](std::size_t index, int) {
    const int line = static_cast<int>(index);
    auto& pieces = curves.lines[index];
    if (s.column_dpi <= 0) {
      pieces = line_pieces(traces, s, a, line);
      return;
    }
    // Reduced as the points are made: a line's points are never held whole.
    for (const PieceSamples& samples : line_samples(traces, s, a, line)) {
      const auto make = [&samples](std::size_t begin, std::size_t count, float* x, float* y) {
        samples.points(begin, count, x, y);
      };
      figure::Curve c = figure::reduce_columns(samples.size(), make, para, s.column_dpi);
      pieces.push_back(Piece{std::move(c.x), std::move(c.y)});
    }
  });
  return curves;
}

bool draw(const std::vector<seisdata::Trace>& traces, const Settings& s, float (&para)[kParaSize]) {
  return draw(day_curves(traces, s), s, para);
}

bool draw(const Curves& curves, const Settings& s, float (&para)[kParaSize]) {
  const int lines = line_count(s.interval);
  frame_block(s, para);

  // The frame, the minutes and the title, with a curve of one point.
  std::int32_t one = 1;
  float corner_x = 0, corner_y = static_cast<float>(lines);
  if (zarvo_(&one, &corner_x, &corner_y, "Minutes", "", s.title.c_str(), para) != 0) return false;

  // Each line's start time at its left, as many as fit one above the other.
  const float spacing = para[1] * kPlotUnitsPerInch / static_cast<float>(lines);  // plot units
  const float minutes_per_unit = static_cast<float>(s.interval) / (kFrameWidth * kPlotUnitsPerInch);
  const int every = std::max(1, static_cast<int>(std::ceil(1.2f * kLabelHeight / spacing)));
  para[10] = kLabelSize;
  for (int line = 0; line < lines; line += every) {
    const std::string text = clock_text(line_start(s, line));
    const float width = static_cast<float>(zarvo::text_width(text.c_str(), 0)) * kLabelSize;
    const float x = -(width + kLabelGap) * minutes_per_unit;
    const float y = line_centre(lines, line) - 0.35f * kLabelHeight / spacing;
    if (plabel_(&x, &y, text.c_str(), para) != 0) return false;
  }

  // The lines, each piece a curve of its own in the line's pen.
  for (int line = 0; line < lines && line < static_cast<int>(curves.lines.size()); ++line) {
    para[14] = static_cast<float>(line % kPens);
    for (const Piece& p : curves.lines[static_cast<std::size_t>(line)]) {
      std::int32_t n = static_cast<std::int32_t>(p.x.size());
      if (zarvo_(&n, p.x.data(), p.y.data(), "", "", "", para) != 0) return false;
    }
  }

  // Events: a stroke across the band at the event's time, and its label.
  para[14] = kEventPen;
  for (const Event& e : s.events) {
    if (e.time_us < s.start_us || e.time_us >= s.start_us + kDayMicros) continue;
    const auto since = static_cast<double>(e.time_us - s.start_us) / kMicrosPerMinute;
    const int line = static_cast<int>(since / s.interval);
    const auto x = static_cast<float>(since - static_cast<double>(line) * s.interval);
    const float centre = line_centre(lines, line);
    const float low = centre - 0.5f, high = centre + 0.5f;
    if (zmove_(&x, &low, para) != 0 || zline_(&x, &high, para) != 0) return false;
    if (e.label.empty()) continue;
    const float label_x = x + kLabelGap * minutes_per_unit;
    if (plabel_(&label_x, &low, e.label.c_str(), para) != 0) return false;
  }
  para[14] = 0;
  return true;
}

}  // namespace dayplot
