// SAC reading: both byte orders, the header fields used, and every refusal.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <optional>

#include "seisdata.h"
#include "support.h"

namespace {

using seisdata::testing::SacSpec;
using seisdata::testing::sac_bytes;

bool read(const SacSpec& desc, seisdata::Trace& t, std::string& error) {
  const std::vector<std::uint8_t> b = sac_bytes(desc);
  EXPECT_EQ(seisdata::detect_kind(b.data(), b.size()), seisdata::FileKind::sac);
  return seisdata::read_sac("in.sac", b.data(), b.size(), t, error);
}

TEST(Sac, BothByteOrdersGiveTheSameTrace) {
  for (const bool big : {false, true}) {
    SacSpec s;
    s.big_endian = big;
    s.b = 1.5f;
    s.location = "";
    s.samples = {1.0f, -2.5f, std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::max()};
    seisdata::Trace t;
    std::string error;
    ASSERT_TRUE(read(s, t, error)) << error;
    EXPECT_EQ(t.id(), "XX.TEST..BHZ");
    EXPECT_EQ(seisdata::iso_time(t.start_us), "2024-02-29T12:30:16.750000Z");  // day 60 of a leap year, + b
    EXPECT_EQ(t.dt, 0.05f);
    EXPECT_EQ(t.samples, s.samples);
    EXPECT_EQ(t.format, big ? "SAC big-endian" : "SAC little-endian");
    EXPECT_EQ(t.note, "");
  }
}

TEST(Sac, EventAndStationWords) {
  struct Case {
    std::vector<std::pair<std::size_t, float>> words;
    bool reference_set;
    const char* origin;  // empty: no origin time
  };
  const Case cases[] = {
      {{{7, -12.5f}, {31, 45.5f}, {32, -120.25f}, {35, -10.0f}, {36, 170.0f}, {38, 600.0f}, {53, 80.5f}},
       true, "2024-02-29T12:30:02.750000Z"},
      {{{7, 0.0f}}, true, "2024-02-29T12:30:15.250000Z"},
      {{{7, 30.0f}}, false, ""},   // no reference time, no origin time
      {{}, true, ""},              // o unset
  };
  for (const Case& c : cases) {
    SacSpec s;
    s.words = c.words;
    s.b = 3.0f;
    if (!c.reference_set) s.year = -12345;
    s.samples = {1.0f};
    seisdata::Trace t;
    std::string error;
    ASSERT_TRUE(read(s, t, error)) << error;
    auto word = [&](std::size_t w) -> std::optional<float> {
      for (const auto& [k, v] : c.words)
        if (k == w) return v;
      return std::nullopt;
    };
    const seisdata::EventStation& p = t.place;
    EXPECT_EQ(p.stla, word(31));
    EXPECT_EQ(p.stlo, word(32));
    EXPECT_EQ(p.evla, word(35));
    EXPECT_EQ(p.evlo, word(36));
    EXPECT_EQ(p.evdp, word(38));
    EXPECT_EQ(p.gcarc, word(53));
    EXPECT_EQ(p.origin_us ? seisdata::iso_time(*p.origin_us) : "", c.origin);
    EXPECT_EQ(seisdata::slice(t, 0, 1).place.origin_us, p.origin_us);
  }
}

TEST(Sac, UnsetReferenceTimeCountsFrom1970AndCodesAreCleaned) {
  SacSpec s;
  s.year = -12345;
  s.b = 2.0f;
  s.station = "../a b";
  s.samples = {1.0f};
  seisdata::Trace t;
  std::string error;
  ASSERT_TRUE(read(s, t, error)) << error;
  EXPECT_EQ(seisdata::iso_time(t.start_us), "1970-01-01T00:00:02.000000Z");
  EXPECT_EQ(t.note, "no reference time in the SAC header: start counted from 1970-01-01");
  EXPECT_EQ(t.station, "../a_b");
  EXPECT_EQ(seisdata::record_name(t, 0), "XX.___a_b.00.BHZ.rec");
}

TEST(Sac, RefusalsNameTheFileAndTheReason) {
  struct Case {
    const char* what;
    void (*spoil)(SacSpec&);
    const char* message;
  };
  const Case cases[] = {
      {"version 7", [](SacSpec& s) { s.version = 7; }, "header version 7, only version 6 is read"},
      {"spectral", [](SacSpec& s) { s.iftype = 2; }, "not a time series (file type 2"},
      {"x-y", [](SacSpec& s) { s.iftype = 4; }, "not a time series (file type 4"},
      {"uneven", [](SacSpec& s) { s.leven = 0; }, "unevenly sampled"},
      {"count too large", [](SacSpec& s) { s.npts = 5; }, "sample count 5 needs 652 bytes, the file has 648"},
      {"count too small", [](SacSpec& s) { s.npts = 3; }, "sample count 3 needs 644 bytes, the file has 648"},
      {"no samples", [](SacSpec& s) { s.samples.clear(); }, "sample count 0: no samples"},
      {"zero interval", [](SacSpec& s) { s.delta = 0; }, "sampling interval 0 s is not a positive normal number"},
      {"negative interval", [](SacSpec& s) { s.delta = -0.01f; }, "sampling interval -0.01 s"},
      {"NaN sample", [](SacSpec& s) { s.samples[2] = std::numeric_limits<float>::quiet_NaN(); },
       "NaN sample at index 2"},
      {"infinite sample", [](SacSpec& s) { s.samples[3] = -std::numeric_limits<float>::infinity(); },
       "infinite sample at index 3"},
      {"bad day", [](SacSpec& s) { s.jday = 367; }, "bad reference time in the header: year 2024, day 367"},
  };
  for (const Case& c : cases) {
    SacSpec s;
    s.samples = {1, 2, 3, 4};
    c.spoil(s);
    seisdata::Trace t;
    std::string error;
    EXPECT_FALSE(read(s, t, error)) << c.what;
    EXPECT_EQ(error.rfind("in.sac: SAC: ", 0), 0u) << c.what << ": " << error;
    EXPECT_NE(error.find(c.message), std::string::npos) << c.what << ": " << error;
  }
}

TEST(Sac, DatesOutsideTheCalendarOrTheYear9999AreRefused) {
  struct Case {
    void (*set)(SacSpec&);
    const char* result;  // the start time, or the error after "in.sac: SAC: "
  };
  const Case cases[] = {
      {[](SacSpec& s) { s.jday = 366; }, "2024-12-31T12:30:15.250000Z"},
      {[](SacSpec& s) { s.year = 2023, s.jday = 366; },
       "bad reference time in the header: year 2023, day 366 (of 365), 12:30:15.250"},
      {[](SacSpec& s) { s.jday = 0; }, "bad reference time in the header: year 2024, day 0 (of 366), 12:30:15.250"},
      {[](SacSpec& s) {
         s = SacSpec{}, s.year = 9999, s.jday = 365, s.hour = 23, s.min = 59, s.sec = 59, s.msec = 999;
         s.samples = {1};
       }, "9999-12-31T23:59:59.999000Z"},
      {[](SacSpec& s) {
         s = SacSpec{}, s.year = 9999, s.jday = 365, s.hour = 23, s.min = 59, s.sec = 59, s.msec = 999;
         s.samples = {1, 2}, s.delta = 0.001f;
       }, "the trace ends after the year 9999 (2 samples 0.001 s apart from 9999-12-31T23:59:59.999000Z)"},
      {[](SacSpec& s) { s.delta = 1e8f, s.samples.assign(2500, 1); }, "2024-02-29T12:30:15.250000Z"},
      {[](SacSpec& s) { s.delta = 1e8f, s.samples.assign(2600, 1); },
       "the trace ends after the year 9999 (2600 samples 1e+08 s apart from 2024-02-29T12:30:15.250000Z)"},
      {[](SacSpec& s) { s.year = 1, s.jday = 1, s.hour = s.min = s.sec = s.msec = 0, s.b = -1; },
       "the trace starts before the year 1"},
  };
  for (const Case& c : cases) {
    SacSpec s;
    s.samples = {1, 2, 3, 4};
    c.set(s);
    seisdata::Trace t;
    std::string error;
    const bool ok = read(s, t, error);
    EXPECT_EQ(ok ? seisdata::iso_time(t.start_us) : error, ok ? c.result : "in.sac: SAC: " + std::string(c.result));
  }
}

TEST(Sac, TruncatedHeaderAndOtherFiles) {
  SacSpec s;
  s.samples = {1, 2};
  std::vector<std::uint8_t> b = sac_bytes(s);
  b.resize(400);
  seisdata::Trace t;
  std::string error;
  EXPECT_FALSE(seisdata::read_sac("x", b.data(), b.size(), t, error));
  EXPECT_EQ(error, "x: SAC: file ends inside the header (400 of 632 bytes)");

  const std::string text(700, ' ');
  const auto* p = reinterpret_cast<const std::uint8_t*>(text.data());
  EXPECT_EQ(seisdata::detect_kind(p, text.size()), seisdata::FileKind::other);
  EXPECT_EQ(seisdata::detect_kind(p, 10), seisdata::FileKind::other);
}

}  // namespace
