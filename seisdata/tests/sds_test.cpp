// SDS archives: windows across midnight, a year end and day 366, empty
// location codes, records running past midnight, missing days, every
// sample exact against the trace the archive was made from; UTC times.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>

#include "sds.h"
#include "support.h"
#include "test_support.h"

namespace {

using namespace std::chrono;
using seisdata::testing::SdsChannel;

std::int64_t micros(sys_days day, std::int64_t seconds = 0, std::int64_t us = 0) {
  return day.time_since_epoch().count() * seisdata::kMicrosPerDay + seconds * 1000000 + us;
}

TEST(SdsTime, IsoFormsAndRefusals) {
  const sys_days leap_eve = 2024y / December / 31;
  const struct {
    const char* text;
    bool ok;
    std::int64_t us;
  } cases[] = {
      {"2024-12-31", true, micros(leap_eve)},
      {"2024-366", true, micros(leap_eve)},
      {"2024-366T23:59:59.5Z", true, micros(leap_eve, 86399, 500000)},
      {"2024-02-29T12:30", true, micros(2024y / February / 29, 45000)},
      {"2024-02-29T12:30:15.000001", true, micros(2024y / February / 29, 45015, 1)},
      {"1969-12-31T23:59:59Z", true, -1000000},
      {"2023-366", false, 0},
      {"2023-02-29", false, 0},
      {"2024-13-01", false, 0},
      {"2024-000", false, 0},
      {"2024-01-01T24:00", false, 0},
      {"2024-01-01T12:00:60", false, 0},
      {"2024-01-01T12:00:00.1234567", false, 0},
      {"2024-01-01T12:00:00.", false, 0},
      {"2024-01-01T12:00.5", false, 0},
      {"2024-01-01T12", false, 0},
      {"2024-1-1", false, 0},
      {"2024-01-01Zx", false, 0},
      {"", false, 0},
  };
  for (const auto& c : cases) {
    std::int64_t us = 0;
    std::string error;
    EXPECT_EQ(seisdata::parse_time(c.text, us, error), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(us, c.us) << c.text;
    } else {
      EXPECT_NE(error.find("bad time"), std::string::npos) << c.text;
    }
  }
  std::int64_t us = 0;
  std::string error;
  EXPECT_TRUE(seisdata::parse_day("2024-366", us, error));
  EXPECT_EQ(us, micros(leap_eve));
  EXPECT_FALSE(seisdata::parse_day("2024-366T00:00", us, error));
  EXPECT_EQ(seisdata::year_day(micros(leap_eve, 86399)).day, 366);
}

std::vector<std::int32_t> ramp(std::size_t n) {
  std::vector<std::int32_t> v(n);
  for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::int32_t>((i * 7919) % 4001) - 2000;
  return v;
}

class Sds : public ::testing::Test {
 protected:
  void SetUp() override {
    year_end.station = "AAA";  // 20 Hz, 40 minutes across 2024's first midnight
    year_end.start_us = micros(2023y / December / 31, 86400 - 600);
    year_end.samples = ramp(48000);
    leap.station = "BBB";  // 10 Hz, empty location, day 366 of 2024 into 2025
    leap.location = "";
    leap.channel = "HHZ";
    leap.rate = 10;
    leap.start_us = micros(2024y / December / 31, 86400 - 1800);
    leap.samples = ramp(36000);
    gappy.station = "CCC";  // 1 Hz, three days from day 100, the middle one missing
    gappy.channel = "LHZ";
    gappy.rate = 1;
    gappy.start_us = micros(2024y / April / 9);
    gappy.samples = ramp(3 * 86400);
    root = dir.file("sds");
    year_end_files = seisdata::testing::write_sds(root, year_end);
    seisdata::testing::write_sds(root, leap);
    const std::vector<std::string> days = seisdata::testing::write_sds(root, gappy);
    ASSERT_EQ(days.size(), 3u);
    std::filesystem::remove(days[1]);
  }

  // Every trace read is the original's samples from the index its start
  // time gives, exactly.
  void expect_exact(const seisdata::Trace& t, const SdsChannel& c) {
    const double index = static_cast<double>(t.start_us - c.start_us) * c.rate / 1e6;
    ASSERT_EQ(index, std::floor(index)) << t.id();
    const auto first = static_cast<std::size_t>(index);
    ASSERT_LE(first + t.samples.size(), c.samples.size());
    for (std::size_t i = 0; i < t.samples.size(); ++i)
      ASSERT_EQ(t.samples[i], static_cast<float>(c.samples[first + i])) << t.id() << " sample " << i;
  }

  zarvo::testing::ScratchDir dir;
  std::string root;
  SdsChannel year_end, leap, gappy;
  std::vector<std::string> year_end_files;
};

TEST_F(Sds, WindowsAreTheOriginalsSamples) {
  const sys_days new_year = 2025y / January / 1, y2024 = 2024y / January / 1;
  const struct {
    const char* what;
    std::string pattern;
    std::int64_t start, end;
    std::size_t traces, samples;  // samples 0: not checked
  } cases[] = {
      {"across the year end", "XX.AAA.00.BHZ", micros(y2024, -300), micros(y2024, 300), 1, 12000},
      {"from midnight: the day before's last record", "XX.AAA.00.BHZ", micros(y2024), micros(y2024, 60), 1, 1200},
      {"starting between samples", "XX.AAA.00.BHZ", micros(y2024, 0, -25000), micros(y2024, 0, 25000), 1, 1},
      {"ending on a sample, which is left out", "XX.AAA.00.BHZ", micros(y2024, 0, -50000), micros(y2024, 0, 50000),
       1, 2},
      {"day 366, empty location", "XX.BBB..HHZ", micros(new_year, -900), micros(new_year, 900), 1, 18000},
      {"beyond the data's end", "XX.BBB..HHZ", micros(new_year, 1700), micros(new_year, 7200), 1, 1000},
      {"globs", "XX.*.*.?HZ", micros(y2024), micros(y2024, 10), 1, 200},
      {"a missing day", "XX.CCC.00.LHZ", micros(2024y / April / 9, 43200), micros(2024y / April / 11, 43200), 2, 0},
  };
  for (const auto& c : cases) {
    std::vector<seisdata::Trace> traces;
    std::vector<std::string> notes;
    std::string error;
    ASSERT_TRUE(seisdata::read_sds({root, {c.pattern}, c.start, c.end}, traces, notes, error)) << c.what << error;
    ASSERT_EQ(traces.size(), c.traces) << c.what;
    std::size_t total = 0;
    for (const seisdata::Trace& t : traces) {
      const SdsChannel& from = t.station == "AAA" ? year_end : t.station == "BBB" ? leap : gappy;
      expect_exact(t, from);
      total += t.samples.size();
    }
    if (c.samples != 0) {
      EXPECT_EQ(total, c.samples) << c.what;
    }
    EXPECT_GE(traces.front().start_us, c.start) << c.what;
    EXPECT_LT(traces.back().start_us + static_cast<std::int64_t>((traces.back().samples.size() - 1) * 1e6 /
                                                                  traces.back().rate),
              c.end)
        << c.what;
  }
}

TEST_F(Sds, RecordsRunPastMidnightAndMissingDaysAreNoted) {
  // The day before's file holds the first samples of the new year.
  std::vector<seisdata::Trace> before;
  std::vector<std::string> notes;
  std::string error;
  ASSERT_TRUE(seisdata::read_data_file(year_end_files[0], before, notes, error)) << error;
  const sys_days y2024 = 2024y / January / 1;
  ASSERT_GT(before.back().start_us + static_cast<std::int64_t>(before.back().samples.size() * 50000), micros(y2024));
  std::vector<seisdata::Trace> traces;
  ASSERT_TRUE(seisdata::read_sds({root, {"XX.AAA.00.BHZ"}, micros(y2024), micros(y2024, 1)}, traces, notes, error));
  ASSERT_EQ(traces.size(), 1u);
  EXPECT_EQ(traces[0].start_us, micros(y2024));

  notes.clear();
  traces.clear();
  ASSERT_TRUE(seisdata::read_sds({root, {"XX.CCC.*.LHZ"}, micros(2024y / April / 9), micros(2024y / April / 12)},
                                 traces, notes, error));
  ASSERT_FALSE(notes.empty());
  EXPECT_EQ(notes[0], root + "/2024/XX/CCC/LHZ.D/XX.CCC.00.LHZ.D.2024.101: no such day file (a gap)");
}

TEST_F(Sds, Refusals) {
  const sys_days y2024 = 2024y / January / 1;
  const struct {
    std::string root, pattern;
    std::int64_t start, end;
    std::string error;
  } cases[] = {
      {root, "XX.AAA.BHZ", micros(y2024), micros(y2024, 60), "bad channel pattern 'XX.AAA.BHZ'"},
      {root, "XX.AAA.00.BHZ.D", micros(y2024), micros(y2024, 60), "bad channel pattern"},
      {root, "XX.AAA.00.BHZ", micros(2024y / June / 1), micros(2024y / June / 2),
       root + ": no data for XX.AAA.00.BHZ from 2024-06-01T00:00:00.000000Z to 2024-06-02T00:00:00.000000Z"},
      {root, "XX.ZZZ.00.BHZ", micros(y2024), micros(y2024, 60), root + ": no data for XX.ZZZ.00.BHZ"},
      {root, "XX.AAA.00.BHZ", micros(y2024, 60), micros(y2024, 60), "not after its start"},
      {root + "/none", "*.*.*.*", micros(y2024), micros(y2024, 60), "no such archive directory"},
  };
  for (const auto& c : cases) {
    std::vector<seisdata::Trace> traces;
    std::vector<std::string> notes;
    std::string error;
    EXPECT_FALSE(seisdata::read_sds({c.root, {c.pattern}, c.start, c.end}, traces, notes, error)) << c.pattern;
    EXPECT_NE(error.find(c.error), std::string::npos) << error;
    EXPECT_TRUE(traces.empty());
  }
}

}  // namespace
