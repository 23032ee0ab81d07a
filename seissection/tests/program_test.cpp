// seissection run as a user runs it: where the traces, labels and phase
// curves land in the plot file, the kept plot file against the picture,
// and the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>

#include <sys/stat.h>

#include "plotfile.h"
#include "support.h"
#include "test_support.h"
#include "traveltime.h"

namespace {

using seisdata::testing::list_dir;
using seisdata::testing::read_text;
using seisdata::testing::run;
using seisdata::testing::SacSpec;
using seisdata::testing::write_file;

const std::string kSeissection = std::string(SEISSECTION) + " --fonts " + FONTS;

// Frame geometry: 7 by 9 inches from (400, 320).
constexpr float kWidth = 7 * 300.0f, kHeight = 9 * 300.0f;
constexpr int kLeft = 400, kBottom = 320;

// Plot positions as the library converts points: truncated, or for dashed
// lines first rounded to single precision.
int position(float v, float v0, float v1, float length, int offset, bool dashed) {
  const double p = static_cast<double>(v - v0) / static_cast<double>((v1 - v0) / length) + offset;
  return static_cast<int>(dashed ? static_cast<double>(static_cast<float>(p)) : p);
}
int plot_x(float t, float t0, float t1, bool dashed = false) { return position(t, t0, t1, kWidth, kLeft, dashed); }
int plot_y(float d, float d0, float d1, bool dashed = false) { return position(d, d0, d1, kHeight, kBottom, dashed); }

// A trace of the event at 2024-02-29T12:30:15.25 (the reference time, o = 0)
// at `distance` degrees, 20 samples per second from the origin on.
SacSpec at_distance(const std::string& station, float distance, std::vector<float> samples) {
  SacSpec s;
  s.station = station;
  s.words = {{7, 0.0f}, {53, distance}, {35, 10.0f}, {36, 20.0f}, {38, 100.0f}};
  s.samples = std::move(samples);
  return s;
}

std::vector<float> pulse(std::size_t n, std::size_t at, float height) {
  std::vector<float> v(n, 0.0f);
  v[at] = height;
  return v;
}

std::vector<pltrender::Command> commands(const std::string& path) {
  const std::string bytes = read_text(path);
  pltrender::ParseResult r = pltrender::parse(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  EXPECT_TRUE(r.ok) << r.error;
  return r.commands;
}

// The first command after the frame and its annotation, which end with the
// title after the distance axis title.
std::size_t after_frame(const std::vector<pltrender::Command>& c) {
  std::size_t i = 0;
  while (i < c.size() && !(c[i].op == 't' && c[i].text.starts_with("Distance"))) ++i;
  for (++i; i < c.size() && c[i].op != 't'; ++i) {
  }
  return i + 1;
}

// The highest pen position of every curve that starts with a move to the
// frame's left edge (the traces), by the move's y.
std::map<int, int> trace_tops(const std::vector<pltrender::Command>& c) {
  std::map<int, int> tops;
  for (std::size_t i = after_frame(c); i + 1 < c.size(); ++i) {
    if (c[i].op != 'm' || c[i].x != kLeft || c[i + 1].op != 'd') continue;
    int top = c[i].y;
    for (std::size_t k = i + 1; k < c.size() && c[k].op == 'd'; ++k) top = std::max<int>(top, c[k].y);
    tops[c[i].y] = top;
  }
  return tops;
}

std::vector<std::string> texts(const std::vector<pltrender::Command>& c) {
  std::vector<std::string> out;
  for (const pltrender::Command& k : c)
    if (k.op == 't') out.push_back(k.text);
  return out;
}

TEST(Seissection, TracesAtTheirDistancesWithNormalisationAndLabels) {
  zarvo::testing::ScratchDir dir;
  write_file(dir.file("a.sac"), seisdata::testing::sac_bytes(at_distance("AAA", 30, pulse(200, 100, 1))));
  write_file(dir.file("b.sac"), seisdata::testing::sac_bytes(at_distance("BBB", 45.5f, pulse(200, 100, 4))));
  write_file(dir.file("c.sac"), seisdata::testing::sac_bytes(at_distance("CCC", 50, pulse(200, 100, -2))));
  const std::string common = " a.sac b.sac c.sac --window 0,9.95 --distance 20,60 --scale 2 --plotfile p.plt -o p.png";
  struct Case {
    const char* options;
    std::map<float, float> tops;  // distance: highest point in distance units
    std::vector<std::string> labels;
  };
  const Case cases[] = {
      {"", {{30, 32}, {45.5f, 47.5f}, {50, 50}}, {"AAA", "BBB", "CCC"}},
      {"--norm global --labels id", {{30, 30.5f}, {45.5f, 47.5f}, {50, 50}},
       {"XX.AAA.00.BHZ", "XX.BBB.00.BHZ", "XX.CCC.00.BHZ"}},
      {"--labels none", {{30, 32}, {45.5f, 47.5f}, {50, 50}}, {}},
  };
  for (const Case& c : cases) {
    const auto o = run(dir.path(), kSeissection + common + " " + c.options);
    ASSERT_EQ(o.status, 0) << c.options << o.err;
    EXPECT_EQ(o.err, "");
    const std::vector<pltrender::Command> plot = commands(dir.file("p.plt"));
    std::map<int, int> expected;
    for (const auto& [d, top] : c.tops) expected[plot_y(d, 20, 60)] = plot_y(top, 20, 60);
    EXPECT_EQ(trace_tops(plot), expected) << c.options;
    const std::vector<std::string> t = texts(plot);
    for (const char* name : {"AAA", "BBB", "CCC", "XX.AAA.00.BHZ"}) {
      const bool wanted = std::find(c.labels.begin(), c.labels.end(), name) != c.labels.end();
      EXPECT_EQ(std::count(t.begin(), t.end(), name), wanted ? 1 : 0) << c.options << " " << name;
    }
  }
  // The title: the event from the headers.
  const auto t = texts(commands(dir.file("p.plt")));
  EXPECT_NE(std::find(t.begin(), t.end(), "2024-02-29T12:30:15.25  10.00, 20.00  depth 100 km"), t.end());
}

TEST(Seissection, ReductionShiftsAPulseByDistanceOverVelocity) {
  zarvo::testing::ScratchDir dir;
  // At 40 degrees and 0.1 deg/s the reduction is 400 s; the pulse at 500 s.
  write_file(dir.file("a.sac"), seisdata::testing::sac_bytes(at_distance("AAA", 40, pulse(12000, 10000, 1))));
  for (const char* reduce : {"", " --reduce 0.1"}) {
    const auto o = run(dir.path(), kSeissection + " a.sac --window 0,600 --distance 30,50 --plotfile p.plt -o p.svg" +
                                       reduce);
    ASSERT_EQ(o.status, 0) << o.err;
    // Sample 10000 at 10000 intervals of 1 / (1 / 0.05f) s, less 40 / 0.1.
    const double at = 10000 / (1 / static_cast<double>(0.05f));
    const float t = static_cast<float>(*reduce ? at - 40 / 0.1 : at);
    const int x = plot_x(t, 0, 600);
    const std::vector<pltrender::Command> plot = commands(dir.file("p.plt"));
    int peak_y = 0, peak_x = 0;
    for (std::size_t i = after_frame(plot); i < plot.size(); ++i) {
      const pltrender::Command& c = plot[i];
      if (c.op == 'd' && c.y > peak_y) {
        peak_y = c.y;
        peak_x = c.x;
      }
    }
    EXPECT_EQ(peak_x, x) << reduce;
  }
}

TEST(Seissection, PhaseCurvesAtTheLibrarysTimesAndTheKeptPlotFile) {
  zarvo::testing::ScratchDir dir;
  write_file(dir.file("a.sac"), seisdata::testing::sac_bytes(at_distance("AAA", 40, pulse(200, 10, 1))));
  auto o = run(dir.path(), kSeissection + " a.sac --window 0,1200 --distance 30,90 --phases P,ScS --model " + PREM +
                               " --plotfile p.plt -o p.png");
  ASSERT_EQ(o.status, 0) << o.err;
  const std::vector<pltrender::Command> plot = commands(dir.file("p.plt"));
  // The distances are sampled from 30 to 90 in 400 steps: 60 is step 200.
  traveltime::Model model;
  std::string error;
  ASSERT_TRUE(traveltime::load_model(PREM, model, error));
  for (const char* phase : {"P", "ScS"}) {
    std::vector<traveltime::Arrival> a;
    ASSERT_TRUE(traveltime::arrivals(model, phase, 100, 60.0, a, error));
    ASSERT_EQ(a.size(), 1u);
    const int x = plot_x(static_cast<float>(a[0].time_s), 0, 1200, true), y = plot_y(60, 30, 90, true);
    EXPECT_TRUE(std::any_of(plot.begin(), plot.end(), [&](const pltrender::Command& c) {
      return (c.op == 'm' || c.op == 'd') && c.x == x && c.y == y;
    })) << phase;
    const auto t = texts(plot);
    EXPECT_EQ(std::count(t.begin(), t.end(), phase), 1) << phase;
  }
  // The kept plot file renders to the same picture.
  o = run(dir.path(), std::string(PLTRENDER) + " --fonts " + FONTS + " p.plt again.png");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(read_text(dir.file("p.png")) == read_text(dir.file("again.png")));
}

TEST(Seissection, RefusalsWriteNothing) {
  zarvo::testing::ScratchDir dir;
  write_file(dir.file("a.sac"), seisdata::testing::sac_bytes(at_distance("AAA", 40, pulse(200, 10, 1))));
  SacSpec other = at_distance("BBB", 50, pulse(200, 10, 1));
  other.words[0].second = 10.0f;  // o: ten seconds later
  write_file(dir.file("other.sac"), seisdata::testing::sac_bytes(other));
  SacSpec nowhere = at_distance("CCC", 50, pulse(200, 10, 1));
  nowhere.words = {{7, 0.0f}};
  write_file(dir.file("nowhere.sac"), seisdata::testing::sac_bytes(nowhere));
  SacSpec late = at_distance("DDD", 45, pulse(200, 10, 1));
  late.b = 100;
  write_file(dir.file("late.sac"), seisdata::testing::sac_bytes(late));
  struct Case {
    std::string args;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {"a.sac other.sac", 1,
       "seissection: XX.BBB.00.BHZ (other.sac) and XX.AAA.00.BHZ (a.sac) are of different events (origins "
       "2024-02-29T12:30:25.250000Z and 2024-02-29T12:30:15.250000Z)\n"},
      {"a.sac nowhere.sac", 1,
       "seissection: XX.CCC.00.BHZ (nowhere.sac): no distance: the SAC header has neither gcarc nor evla, evlo, "
       "stla and stlo (give --event and --stations)\n"},
      {"a.sac --window 20,30", 1, "seissection: a.sac: its data (0 to 9.95 s) miss the window 20 to 30 s; left out\n"
                                  "seissection: no trace has data in the window 20 to 30 s\n"},
      {"a.sac --distance 50,60", 1, "seissection: no trace lies in the distance range 50..60\n"},
      {"a.sac --phases P", 2, "seissection: --phases needs --model FILE\n"},
      {"a.sac --phases Q --model " + std::string(PREM), 1, ""},
      {"a.sac --norm median", 2, "seissection: bad --norm value 'median' (trace or global)\n"},
      {"a.sac --window 5,5", 2, "seissection: bad --window value '5,5' (T0,T1 with T0 < T1)\n"},
      {"a.sac --event 0,0,10,today", 2, "seissection: --event time must be YYYY-MM-DDTHH:MM:SS[.ffffff] (UTC)\n"},
  };
  for (const Case& c : cases) {
    const auto o = run(dir.path(), kSeissection + " " + c.args + " --plotfile p.plt -o p.png");
    EXPECT_EQ(o.status, c.status) << c.args;
    if (!c.err.empty()) {
      EXPECT_EQ(o.err, c.err) << c.args;
    }
    EXPECT_EQ(list_dir(dir.path()), (std::vector<std::string>{"a.sac", "late.sac", "nowhere.sac", "other.sac"}))
        << c.args;
  }
  // A pipe would give its data to the first of the section's passes only.
  ASSERT_EQ(mkfifo(dir.file("pipe").c_str(), 0600), 0);
  const auto piped = run(dir.path(), "timeout 20 " + kSeissection + " a.sac pipe -o p.png");
  EXPECT_EQ(piped.status, 1);
  EXPECT_EQ(piped.err, "seissection: pipe: not a regular file (each file is read more than once, to keep memory "
                       "bounded: save it to a file first)\n");
  EXPECT_FALSE(std::filesystem::exists(dir.file("p.png")));
  std::filesystem::remove(dir.file("pipe"));

  // A trace beside the window is left out with a note; the others drawn.
  const auto o = run(dir.path(), kSeissection + " a.sac late.sac --window 0,20 -o p.png");
  EXPECT_EQ(o.status, 0);
  EXPECT_EQ(o.err, "seissection: late.sac: its data (100 to 109.95 s) miss the window 0 to 20 s; left out\n");
}

TEST(Seissection, EventAndStationFileForMiniseedAndRecords) {
  zarvo::testing::ScratchDir dir;
  std::vector<std::int32_t> samples(400, 0);
  samples[200] = 1000;
  // XX.INT.00.BHZ from 2024-01-01T00:01:40, 100 s after the origin.
  write_file(dir.file("a.mseed"), seisdata::testing::mseed_int_bytes(samples, 11, 1704067300000000));
  write_file(dir.file("st.txt"), std::string("XX|INT|0|25|0|x|2020-01-01T00:00:00|\n"));
  ASSERT_EQ(run(dir.path(), std::string(SEIS2REC) + " a.mseed -o a.rec").status, 0);
  for (const char* input : {"a.mseed", "a.rec"}) {
    const auto o = run(dir.path(), kSeissection + " " + input +
                                       " --event 0,0,10,2024-01-01T00:00:00 --stations st.txt --distance 20,30 "
                                       "--plotfile p.plt -o p.png");
    ASSERT_EQ(o.status, 0) << input << o.err;
    const std::vector<pltrender::Command> plot = commands(dir.file("p.plt"));
    // The station at 25 degrees on the equator; the data from 100 to 119.95 s.
    std::map<int, int> tops = trace_tops(plot);
    ASSERT_EQ(tops.size(), 1u) << input;
    EXPECT_EQ(tops.begin()->first, plot_y(25, 20, 30)) << input;
  }
  const auto o = run(dir.path(), kSeissection + " a.mseed -o p.png");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "seissection: XX.INT.00.BHZ (a.mseed): no origin time: give --event (only SAC headers "
                   "carry one)\n");
}

}  // namespace
