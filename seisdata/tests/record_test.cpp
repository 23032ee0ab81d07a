// Records: the sample text read back by tracel's own reader, exact record
// bytes, times, windows and parts, and the all-or-nothing file write.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <random>

#include "record.h"
#include "seisdata.h"
#include "support.h"
#include "test_support.h"

namespace {

// The 16-column field tracel reads back, bit for bit.
void expect_round_trip(float v) {
  const std::string text = seisdata::format_float(v);
  ASSERT_LE(text.size(), 15u) << text;
  const std::string field = std::string(16 - text.size(), ' ') + text;
  float back = 0;
  tracel::FieldError err;
  ASSERT_TRUE(tracel::parse_real(field, tracel::kImpliedDecimals, back, err)) << text;
  EXPECT_EQ(std::bit_cast<std::uint32_t>(back), std::bit_cast<std::uint32_t>(v)) << text;
}

TEST(Record, SampleTexts) {
  const struct {
    float v;
    const char* text;
  } cases[] = {
      {0.0f, "0.0"},
      {1.5f, "1.5"},
      {-231946.0f, "-231946.0"},
      {0.1f, "0.1"},
      {1e-5f, "0.00001"},
      {16777217.0f, "16777216.0"},
      {123456792.0f, "123456792.0"},
      {1e10f, "1.0E+10"},
      {std::numeric_limits<float>::max(), "3.4028235E+38"},
      {-std::numeric_limits<float>::min(), "-1.1754944E-38"},
      {std::numeric_limits<float>::denorm_min(), "1.0E-45"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(seisdata::format_float(c.v), c.text);
    expect_round_trip(c.v);
  }
}

TEST(Record, EveryKindOfFloatReadsBackExactly) {
  std::mt19937 random(20240229);
  for (int i = 0; i < 200000; ++i) {
    const float v = std::bit_cast<float>(static_cast<std::uint32_t>(random()));
    if (std::isfinite(v)) expect_round_trip(v);
  }
  for (std::uint32_t bits = 1; bits < 1000; ++bits) expect_round_trip(std::bit_cast<float>(bits));  // subnormals
}

seisdata::Trace small_trace(std::size_t n) {
  seisdata::Trace t;
  t.network = "IU";
  t.station = "COLA";
  t.location = "00";
  t.channel = "LHZ";
  t.start_us = 1267253400069539;
  t.rate = 20;
  t.dt = 0.05f;
  t.source = "/data/test.mseed";
  t.format = "miniSEED Steim-2, big-endian";
  for (std::size_t i = 0; i < n; ++i) t.samples.push_back(static_cast<float>(i) - 2.5f);
  return t;
}

TEST(Record, ExactBytes) {
  seisdata::Trace t = small_trace(6);
  t.note = "1 integer samples beyond 2^24 rounded to the nearest float (largest change 1)";
  std::string text, error;
  ASSERT_TRUE(seisdata::format_record(t, text, error)) << error;
  EXPECT_EQ(text,
            "IU.COLA.00.LHZ 2010-02-27T06:50:00.069539Z\n"
            "sampling rate 20 Hz, interval 0.05 s, 6 samples\n"
            "test.mseed, miniSEED Steim-2, big-endian; " + t.note + "\n"
            "            0.0    6           0.05\n"
            "            -2.5            -1.5            -0.5             0.5             1.5\n"
            "             2.5\n");
  // What was applied to the samples goes before the note.
  t.processing = "demean, lowpass 1 Hz 4 corners";
  ASSERT_TRUE(seisdata::format_record(t, text, error)) << error;
  EXPECT_EQ(text.substr(text.find("test.mseed"), text.find("\n            0.0") - text.find("test.mseed")),
            "test.mseed, miniSEED Steim-2, big-endian; demean, lowpass 1 Hz 4 corners; " + t.note);
}

TEST(Record, TracelReadsTheSamplesAndInterval) {
  seisdata::Trace t = small_trace(99999);
  t.dt = 1.0f / 3.0f;
  t.samples[7] = std::numeric_limits<float>::denorm_min();
  t.samples[99998] = -std::numeric_limits<float>::max();
  std::string text, error;
  ASSERT_TRUE(seisdata::format_record(t, text, error)) << error;
  zarvo::testing::ScratchDir dir;
  ASSERT_TRUE(seisdata::write_record(dir.file("r.rec"), text, error)) << error;
  tracel::CountLine count;
  std::vector<float> y(99999);
  ASSERT_TRUE(tracel::read_record(dir.file("r.rec"), count, y)) << dir.file("r.rec");
  EXPECT_EQ(count.np, 99999);
  EXPECT_EQ(count.dt, t.dt);
  EXPECT_EQ(y, t.samples);
  EXPECT_EQ(seisdata::testing::list_dir(dir.path()), std::vector<std::string>{"r.rec"});
}

TEST(Record, RefusedTraces) {
  std::string text, error;
  EXPECT_FALSE(seisdata::format_record(small_trace(0), text, error));
  EXPECT_FALSE(seisdata::format_record(small_trace(100000), text, error));
  EXPECT_EQ(error, "IU.COLA.00.LHZ: 100000 samples; a record holds 1 to 99999");
  seisdata::Trace t = small_trace(3);
  t.dt = std::numeric_limits<float>::denorm_min();
  EXPECT_FALSE(seisdata::format_record(t, text, error));
  EXPECT_NE(error.find("not a positive normal number"), std::string::npos) << error;
}

TEST(Record, FailedWriteLeavesNothing) {
  zarvo::testing::ScratchDir dir;
  std::string error;
  EXPECT_FALSE(seisdata::write_record(dir.file("missing/r.rec"), "x\n", error));
  EXPECT_NE(error.find("missing/r.rec: cannot create"), std::string::npos) << error;
  EXPECT_TRUE(seisdata::testing::list_dir(dir.path()).empty());
}

TEST(Record, Times) {
  EXPECT_EQ(seisdata::iso_time(0), "1970-01-01T00:00:00.000000Z");
  EXPECT_EQ(seisdata::iso_time(-1), "1969-12-31T23:59:59.999999Z");
  EXPECT_EQ(seisdata::iso_time(951782400000001), "2000-02-29T00:00:00.000001Z");
  EXPECT_EQ(seisdata::iso_time(seisdata::kFirstTimeUs), "0001-01-01T00:00:00.000000Z");
  EXPECT_EQ(seisdata::iso_time(seisdata::kLastTimeUs), "9999-12-31T23:59:59.999999Z");
  // A slice far into a trace of long intervals: its start stays after the
  // trace's, where an offset past the int64 range would wrap to year -28110.
  seisdata::Trace t = small_trace(100000);
  t.rate = 1e-8;
  const seisdata::Trace part = seisdata::slice(t, 99999, 1);
  EXPECT_GE(part.start_us, t.start_us);
  EXPECT_EQ(part.start_us, seisdata::kLastTimeUs);
}

TEST(Record, WindowsAndParts) {
  const seisdata::Trace t = small_trace(100);  // 20 Hz
  seisdata::Trace w;
  ASSERT_TRUE(seisdata::window(t, 0.51, 1.0, w));  // samples 11 to 20
  ASSERT_EQ(w.samples.size(), 10u);
  EXPECT_EQ(w.samples.front(), t.samples[11]);
  EXPECT_EQ(w.start_us, t.start_us + 550000);
  ASSERT_TRUE(seisdata::window(t, -5, 1e9, w));
  EXPECT_EQ(w.samples, t.samples);
  EXPECT_FALSE(seisdata::window(t, 5.0, 6.0, w));
  EXPECT_FALSE(seisdata::window(t, 0.51, 0.52, w));

  const seisdata::Trace part = seisdata::slice(t, 40, 60);
  EXPECT_EQ(part.samples.size(), 60u);
  EXPECT_EQ(part.start_us, t.start_us + 2000000);
  EXPECT_EQ(seisdata::record_name(part, 2), "IU.COLA.00.LHZ-2.rec");
}

TEST(Record, Selection) {
  seisdata::Trace a = small_trace(1), b = small_trace(1);
  b.channel = "BHN";
  const std::vector<seisdata::Trace> both{a, b};
  EXPECT_EQ(seisdata::select_traces(both, {}).size(), 2u);
  const auto lh = seisdata::select_traces(both, {"IU.*.00.LH?"});
  ASSERT_EQ(lh.size(), 1u);
  EXPECT_EQ(lh[0].channel, "LHZ");
  EXPECT_EQ(seisdata::select_traces(both, {"IU.COLA.00.BHN", "*Z"}).size(), 2u);
  EXPECT_TRUE(seisdata::select_traces(both, {"II.*"}).empty());
}

}  // namespace
