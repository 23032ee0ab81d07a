// The day plot: lines and their pieces, the amplitude scale and its
// clipping, gaps, the pens cycling over lines in the plot file, events.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>

#include <dayplot/dayplot.h>
#include <figure/figure.h>

#include "plotfile.h"
#include "test_support.h"

namespace {

constexpr std::int64_t kMinute = 60000000;
constexpr std::int64_t kDay = 1704067200000000;  // 2024-01-01T00:00:00Z

seisdata::Trace trace(std::int64_t start_us, double rate, std::vector<float> samples) {
  seisdata::Trace t;
  t.network = "XX", t.station = "DAY", t.location = "", t.channel = "HHZ";
  t.start_us = start_us;
  t.rate = rate;
  t.dt = static_cast<float>(1 / rate);
  t.samples = std::move(samples);
  return t;
}

// +-1 .. +-500 plus `offset`: mean `offset`, |amplitude| 1, 1, 2, 2, ..., 500, 500.
std::vector<float> plus_minus(float offset) {
  std::vector<float> v;
  for (int k = 1; k <= 500; ++k) v.push_back(offset + k), v.push_back(offset - k);
  return v;
}

TEST(DayplotScale, PercentileOfAmplitudeAtTheBandEdge) {
  const struct {
    std::vector<float> samples;
    double clip, scale, offset, counts;
  } cases[] = {
      {plus_minus(0), 99.5, 0, 0, 2 * 498},  // rank 995 of 1000
      {plus_minus(0), 100, 0, 0, 2 * 500},
      {plus_minus(0), 50, 0, 0, 2 * 250},    // rank 500
      {plus_minus(1000), 99.5, 0, 1000, 2 * 498},
      {plus_minus(0), 99.5, 123, 0, 123},    // --scale
      {std::vector<float>(10, 7.0f), 99.5, 0, 7, 1},  // flat
  };
  for (const auto& c : cases) {
    const dayplot::Amplitude a = dayplot::amplitude_scale({trace(kDay, 1, c.samples)}, c.clip, c.scale);
    EXPECT_EQ(a.offset, c.offset) << c.clip << " " << c.scale;
    EXPECT_EQ(a.counts_per_line, c.counts) << c.clip << " " << c.scale;
  }
  // Several traces of several blocks: the same scale on any number of
  // threads, and the percentile the sorted sizes give.
  std::vector<seisdata::Trace> long_traces;
  std::uint32_t r = 7;
  for (std::size_t length : {150000u, 65536u, 70001u}) {
    std::vector<float> v(length);
    for (float& x : v) x = static_cast<float>(static_cast<int>((r = r * 1664525u + 1013904223u) >> 20) - 2000);
    long_traces.push_back(trace(kDay, 100, v));
  }
  const dayplot::Amplitude one = dayplot::amplitude_scale(long_traces, 99.5, 0, 1);
  const dayplot::Amplitude three = dayplot::amplitude_scale(long_traces, 99.5, 0, 3);
  EXPECT_EQ(one.offset, three.offset);
  EXPECT_EQ(one.counts_per_line, three.counts_per_line);
  std::vector<double> sizes;
  for (const seisdata::Trace& t : long_traces)
    for (float v : t.samples) sizes.push_back(std::fabs(v - one.offset));
  std::sort(sizes.begin(), sizes.end());
  EXPECT_EQ(one.counts_per_line, 2 * sizes[static_cast<std::size_t>(std::ceil(sizes.size() * 0.995)) - 1]);

  EXPECT_EQ(dayplot::line_count(15), 96);
  EXPECT_EQ(dayplot::line_count(7), 206);
  EXPECT_EQ(dayplot::line_count(120), 12);
}

TEST(DayplotLines, ClippedExcursionsStayInTheirBand) {
  dayplot::Settings s;
  s.start_us = kDay;
  const std::vector<seisdata::Trace> traces{trace(kDay, 2, plus_minus(0))};  // 500 s: line 0
  const dayplot::Amplitude a = dayplot::amplitude_scale(traces, s.clip_percent, 0);
  const std::vector<dayplot::Piece> pieces = dayplot::line_pieces(traces, s, a, 0);
  ASSERT_EQ(pieces.size(), 1u);
  const float centre = 95.5f;  // line 0 of 96, at the top
  int clipped = 0;
  for (std::size_t i = 0; i < pieces[0].y.size(); ++i) {
    const float v = traces[0].samples[i];
    const float y = pieces[0].y[i] - centre;
    if (std::fabs(v) > 498) {
      EXPECT_EQ(y, v > 0 ? 0.5f : -0.5f) << v;
      ++clipped;
    } else {
      EXPECT_EQ(y, static_cast<float>(centre + v / 996.0) - centre) << v;
    }
  }
  EXPECT_EQ(clipped, 4);  // +-499, +-500: 0.4 % of the samples
}

TEST(DayplotLines, LinesSplitAtTheirStartAndGapsBreakThem) {
  dayplot::Settings s;
  s.start_us = kDay;
  // 1 Hz: 20 minutes from 00:05, then a gap, then 00:27:30 to 00:40.
  const std::vector<seisdata::Trace> traces{trace(kDay + 5 * kMinute, 1, std::vector<float>(1200, 0)),
                                            trace(kDay + 27 * kMinute + 30000000, 1, std::vector<float>(750, 0))};
  const dayplot::Amplitude a{0, 1};
  const struct {
    int line;
    std::vector<std::size_t> sizes;  // samples of each piece
    std::vector<float> first_x, last_x;
  } cases[] = {
      {0, {600}, {5}, {14 + 59 / 60.0f}},
      {1, {600, 150}, {0, 12.5f}, {9 + 59 / 60.0f, 14 + 59 / 60.0f}},  // the gap breaks line 1
      {2, {600}, {0}, {9 + 59 / 60.0f}},
      {3, {}, {}, {}},
  };
  for (const auto& c : cases) {
    const std::vector<dayplot::Piece> pieces = dayplot::line_pieces(traces, s, a, c.line);
    ASSERT_EQ(pieces.size(), c.sizes.size()) << c.line;
    for (std::size_t k = 0; k < pieces.size(); ++k) {
      EXPECT_EQ(pieces[k].x.size(), c.sizes[k]) << c.line;
      EXPECT_EQ(pieces[k].x.front(), c.first_x[k]) << c.line;
      EXPECT_EQ(pieces[k].x.back(), c.last_x[k]) << c.line;
      EXPECT_EQ(pieces[k].y.front(), static_cast<float>(96 - c.line) - 0.5f);
    }
  }
}

// The plot file of a drawn day: each line's curves in pen line mod 4,
// every piece a curve of its own (a move, then draws), events in pen 5.
TEST(DayplotDraw, PensCycleAndPiecesStartWithAMove) {
  figure::PlotFile plot;
  std::string error;
  ASSERT_TRUE(plot.open("", error));
  dayplot::Settings s;
  s.start_us = kDay;
  s.interval = 60;
  s.title = "XX.DAY..HHZ";
  s.events = {{kDay + 90 * kMinute, "M 5.1"}, {kDay + 2 * dayplot::kDayMicros, "outside"}};
  std::vector<float> wave(6 * 3600);
  for (std::size_t i = 0; i < wave.size(); ++i) wave[i] = static_cast<float>(std::sin(0.1 * static_cast<double>(i)));
  // 1 Hz from 00:00 to 06:00, but for 02:30 to 02:45.
  std::vector<float> early(wave.begin(), wave.begin() + 9000), late(wave.begin() + 9900, wave.end());
  float para[dayplot::kParaSize] = {};
  ASSERT_TRUE(dayplot::draw({trace(kDay, 1, early), trace(kDay + 9900000000, 1, late)}, s, para));
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(plot.bytes(bytes, error));
  const pltrender::ParseResult parsed = pltrender::parse(bytes);
  ASSERT_TRUE(parsed.ok) << parsed.error;
  // After the first thickness command: pens and the moves drawn with each.
  std::vector<int> pens;
  std::vector<int> moves;
  bool curves = false;
  for (std::size_t i = 0; i < parsed.commands.size(); ++i) {
    const pltrender::Command& c = parsed.commands[i];
    if (c.op == 'f') {
      curves = true;
      pens.push_back(c.thickness);
      moves.push_back(0);
    } else if (curves && c.op == 'm' && i + 1 < parsed.commands.size() && parsed.commands[i + 1].op == 'd') {
      ++moves.back();
    }
  }
  // Line 0 is drawn with pen 0, the one the frame had: no f before it.
  EXPECT_EQ(pens, (std::vector<int>{1, 2, 3, 0, 1, 5}));
  EXPECT_EQ(moves, (std::vector<int>{1, 2, 1, 1, 1, 1}));  // line 2 broken by the gap; one event
  std::size_t labels = 0;
  for (const pltrender::Command& c : parsed.commands) labels += c.op == 't' && c.text == "M 5.1";
  EXPECT_EQ(labels, 1u);
}

TEST(DayplotEvents, FileLinesAndRefusals) {
  zarvo::testing::ScratchDir dir;
  const struct {
    std::string text;
    bool ok;
    std::size_t events;
    std::string error;
  } cases[] = {
      {"# quakes\n2024-01-01T01:30:00 M 5.1 Fiji\n\n2024-001T02:00Z\n", true, 2, ""},
      {"2024-01-01T01:30:00\tlabel\r\n", true, 1, ""},
      {"2024-01-01T01:30:00\nyesterday noon\n", false, 0, ":2: bad time 'yesterday'"},
  };
  for (const auto& c : cases) {
    std::ofstream(dir.file("e.txt")) << c.text;
    std::vector<dayplot::Event> events;
    std::string error;
    EXPECT_EQ(dayplot::read_events(dir.file("e.txt"), events, error), c.ok) << c.text;
    EXPECT_EQ(events.size(), c.events) << c.text;
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
  }
  std::ofstream(dir.file("e.txt")) << "2024-01-01T01:30:00 M 5.1 Fiji\n";
  std::vector<dayplot::Event> events;
  std::string error;
  ASSERT_TRUE(dayplot::read_events(dir.file("e.txt"), events, error));
  EXPECT_EQ(events[0].time_us, kDay + 90 * kMinute);
  EXPECT_EQ(events[0].label, "M 5.1 Fiji");
  EXPECT_FALSE(dayplot::read_events(dir.file("none.txt"), events, error));
}

// The curves reduced to pixel columns apart from the library (day_curves)
// draw the same pixels as the whole curves.
TEST(DayplotCurves, ReducedApartFromTheLibraryDrawTheSamePixels) {
  zarvo::testing::ScratchDir dir;
  figure::PlotFile plot;
  std::string error;
  ASSERT_TRUE(plot.open("", error));
  std::vector<float> noise(2 * 3600 * 50);  // two hours at 50 Hz
  std::uint32_t r = 1;
  for (std::size_t i = 0; i < noise.size(); ++i) {
    r = r * 1664525u + 1013904223u;
    noise[i] = static_cast<float>(300 * std::sin(0.05 * static_cast<double>(i)) + (r >> 24));
  }
  const std::vector<seisdata::Trace> traces = {trace(kDay + 10 * kMinute, 50, noise)};
  dayplot::Settings s;
  s.start_us = kDay;
  float para[dayplot::kParaSize] = {};
  std::size_t points[2] = {0, 0};
  std::string pictures[2];
  for (int reduced = 0; reduced < 2; ++reduced) {
    s.column_dpi = reduced == 1 ? 100 : 0;
    const dayplot::Curves curves = dayplot::day_curves(traces, s);
    for (const auto& line : curves.lines)
      for (const dayplot::Piece& p : line) points[reduced] += p.x.size();
    ASSERT_TRUE(dayplot::draw(curves, s, para));
    figure::Page page;
    ASSERT_TRUE(plot.take_page(page, error)) << error;
    figure::Options o;
    o.out = dir.file(std::to_string(reduced) + ".png");
    o.dpi = 100;
    o.pen_colours = true;
    ASSERT_TRUE(figure::render_page(page, o, error)) << error;
    pictures[reduced] = o.out;
  }
  EXPECT_EQ(points[0], noise.size());
  EXPECT_LT(4 * points[1], points[0]);
  EXPECT_EQ(zarvo::testing::read_file(pictures[0]), zarvo::testing::read_file(pictures[1]));

  // Lines worked out on several threads are the same curves.
  s.threads = 3;
  const dayplot::Curves threaded = dayplot::day_curves(traces, s);
  s.threads = 1;
  const dayplot::Curves single = dayplot::day_curves(traces, s);
  ASSERT_EQ(threaded.lines.size(), single.lines.size());
  for (std::size_t k = 0; k < single.lines.size(); ++k) {
    ASSERT_EQ(threaded.lines[k].size(), single.lines[k].size()) << k;
    for (std::size_t i = 0; i < single.lines[k].size(); ++i) {
      EXPECT_EQ(threaded.lines[k][i].x, single.lines[k][i].x) << k;
      EXPECT_EQ(threaded.lines[k][i].y, single.lines[k][i].y) << k;
    }
  }
}

}  // namespace
