// The quality-control library: metrics against numbers worked out by
// hand, the metrics file, shards, Slurm tasks, the runner, safe writes and
// the page's levels.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <map>
#include <thread>

#include <qc/qc.h>

#include "test_support.h"

namespace {

using zarvo::testing::ScratchDir;

constexpr std::int64_t kDay = 1'709'164'800'000'000;  // 2024-02-29 00:00 UTC, 19782 days after 1970

// `n` samples of +a, -a, +a, ... from `offset_us` after the day's start.
seisdata::Trace trace(std::int64_t offset_us, double rate, std::size_t n, float a = 3) {
  seisdata::Trace t;
  t.start_us = kDay + offset_us;
  t.rate = rate;
  t.dt = static_cast<float>(1 / rate);
  for (std::size_t i = 0; i < n; ++i) t.samples.push_back(i % 2 == 0 ? a : -a);
  return t;
}

std::string data_line(const std::vector<seisdata::Trace>& traces) {
  const std::string text = qc::format_metrics(qc::compute_metrics("XX.T.00.BHZ", kDay, traces));
  return text.substr(text.find('\n') + 1);
}

TEST(Metrics, GapsOverlapsAndPartialDays) {
  constexpr std::int64_t s = 1'000'000;  // one second in microseconds
  const struct {
    const char* name;
    std::vector<seisdata::Trace> traces;
    const char* line;
  } cases[] = {
      {"whole day at 1 Hz", {trace(0, 1, 86400)}, "86400\t100.0\t0\t0\t0\t-3\t3\t0\t3"},
      // 64,800 s of 86,400 s: 75 %.
      {"from 06:00", {trace(6 * 3600 * s, 1, 64800, 5)}, "64800\t75.0\t0\t0\t0\t-5\t5\t0\t5"},
      // 4 Hz: the next sample is due at 2.5 s; half an interval later is
      // no gap yet, a microsecond more is one.
      {"jump of half an interval", {trace(0, 4, 10), trace(2'625'000, 4, 2)}, "12\t0.0\t0\t0\t0\t-3\t3\t0\t3"},
      {"jump beyond half an interval", {trace(0, 4, 10), trace(2'625'001, 4, 2)},
       "12\t0.0\t1\t0\t0.125001\t-3\t3\t0\t3"},
      {"overlap of half an interval", {trace(0, 4, 10), trace(2'375'000, 4, 2)}, "12\t0.0\t0\t0\t0\t-3\t3\t0\t3"},
      // 0..999 s and 990..1989 s: 2,000 samples covering 1,990 s, 2.303 %.
      {"overlap of ten seconds", {trace(990 * s, 1, 1000), trace(0, 1, 1000)}, "2000\t2.3\t0\t1\t0\t-3\t3\t0\t3"},
      // 100 s before midnight and 50 s after the next one are not the day's;
      // from 99 s the next sample is due at 100 s and comes at 86,350 s.
      {"across both midnights", {trace(-100 * s, 1, 200, 2), trace(86350 * s, 1, 100, 2)},
       "150\t0.2\t1\t0\t86250\t-2\t2\t0\t2"},
      // Gaps of 5 s, 2 s and 7.5 s after 10-s stretches at 2 Hz: the longest counts.
      {"three gaps",
       {trace(0, 2, 20), trace(15 * s, 2, 20), trace(27 * s, 2, 20), trace(44'500'000, 2, 20)},
       "80\t0.0\t3\t0\t7.5\t-3\t3\t0\t3"},
      {"no samples", {}, "0\t0.0\t0\t0\t0\t-\t-\t-\t-"},
      {"only the day before", {trace(-10 * s, 1, 10)}, "0\t0.0\t0\t0\t0\t-\t-\t-\t-"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(data_line(c.traces), std::string("XX.T.00.BHZ\t2024-02-29\t") + c.line + "\n") << c.name;
}

TEST(Metrics, MeanAndRmsOfUnevenValues) {
  // 1, 2, 3, 4 and 10: mean 4, mean square 130 / 5 = 26.
  seisdata::Trace t = trace(0, 1, 5);
  t.samples = {1, 2, 3, 4, 10};
  const qc::Metrics m = qc::compute_metrics("XX.T.00.BHZ", kDay, {t});
  EXPECT_EQ(m.min, 1.0f);
  EXPECT_EQ(m.max, 10.0f);
  EXPECT_EQ(m.mean, 4.0);
  EXPECT_EQ(m.rms, std::sqrt(26.0));
}

TEST(MetricsFile, ReadsBackWhatIsWrittenAndRefusesTheRest) {
  qc::Metrics m = qc::compute_metrics("XX.T.00.BHZ", kDay, {trace(0, 1, 86000, 7)});
  qc::Metrics back;
  std::string error;
  ASSERT_TRUE(qc::parse_metrics(qc::format_metrics(m), back, error)) << error;
  EXPECT_EQ(back.id, "XX.T.00.BHZ");
  EXPECT_EQ(back.day, "2024-02-29");
  EXPECT_EQ(back.samples, 86000);
  EXPECT_EQ(back.availability_pct, 99.5);  // 99.537 % as written
  EXPECT_EQ(back.max, 7.0f);
  EXPECT_EQ(back.rms, 7.0);

  const std::string header = std::string(qc::kMetricsHeader) + "\n";
  const std::string good = "A.B.C.D\t2024-02-29\t10\t1.0\t0\t0\t0\t1\t2\t1.5\t1.6\n";
  for (const std::string& text : {good.substr(1), header, header + good + good, header + good.substr(0, good.size() - 1),
                                  header + "A.B.C.D\t2024-02-29\t10\t1.0\t0\t0\t0\t1\t2\t1.5\n",
                                  header + "A.B.C.D\t2024-02-29\tten\t1.0\t0\t0\t0\t1\t2\t1.5\t1.6\n",
                                  header + "A.B.C.D\t2024-02-29\t0\t0.0\t0\t0\t0\t1\t2\t1.5\t1.6\n"}) {
    EXPECT_FALSE(qc::parse_metrics(text, back, error)) << text;
  }
  EXPECT_TRUE(qc::parse_metrics(header + good, back, error)) << error;
}

TEST(Levels, ThresholdsAtTheirBoundaries) {
  const struct {
    std::int64_t samples;
    double availability;
    std::int64_t gaps;
    float min, max;
    qc::Level level;
  } cases[] = {
      {100, 99.5, 20, 0, 1, qc::Level::ok},
      {100, 99.4, 20, 0, 1, qc::Level::warning},
      {100, 99.5, 21, 0, 1, qc::Level::warning},
      {100, 100.0, 0, 4, 4, qc::Level::error},  // flat: a dead channel
      {0, 0.0, 0, 0, 0, qc::Level::error},
  };
  for (const auto& c : cases) {
    qc::Metrics m;
    m.samples = c.samples;
    m.availability_pct = c.availability;
    m.gaps = c.gaps;
    m.min = c.min;
    m.max = c.max;
    EXPECT_EQ(qc::level_of(m), c.level) << c.availability << " " << c.gaps;
  }
}

TEST(Shards, EveryChannelInExactlyOnePartInOrder) {
  for (std::size_t size : {0u, 1u, 5u, 10u, 23u, 1000u}) {
    std::vector<std::string> ids;
    for (std::size_t i = 0; i < size; ++i) ids.push_back("XX.S" + std::to_string(1000 + i) + "..BHZ");
    for (int n : {1, 2, 3, 7, 10, 100}) {
      std::vector<std::string> joined;
      std::size_t smallest = SIZE_MAX, largest = 0;
      for (int i = 1; i <= n; ++i) {
        const std::vector<std::string> part = qc::shard_part(ids, {i, n});
        joined.insert(joined.end(), part.begin(), part.end());
        smallest = std::min(smallest, part.size());
        largest = std::max(largest, part.size());
      }
      EXPECT_EQ(joined, ids) << size << " channels, " << n << " shards";
      EXPECT_LE(largest - smallest, 1u);
    }
  }
}

TEST(Shards, ParsedFromTheCommandLine) {
  const std::map<std::string, std::optional<std::pair<int, int>>> cases = {
      {"1/1", std::pair{1, 1}}, {"3/3", std::pair{3, 3}}, {"2/100", std::pair{2, 100}},
      {"0/3", std::nullopt},    {"4/3", std::nullopt},    {"1/0", std::nullopt},
      {"-1/3", std::nullopt},   {"+1/3", std::nullopt},   {"1/", std::nullopt},
      {"/3", std::nullopt},     {"1 /3", std::nullopt},   {"3", std::nullopt},
  };
  for (const auto& [text, expected] : cases) {
    const std::optional<qc::Shard> s = qc::parse_shard(text);
    ASSERT_EQ(s.has_value(), expected.has_value()) << text;
    if (s) {
      EXPECT_EQ(std::pair(s->index, s->count), *expected) << text;
    }
  }
}

TEST(Shards, FromSlurmArrayTasks) {
  const struct {
    const char *id, *count, *min, *step;
    int index;  // 0: refused
    int of;
  } cases[] = {
      {"1", "4", "1", nullptr, 1, 4},  {"4", "4", "1", nullptr, 4, 4}, {"0", "4", "0", nullptr, 1, 4},
      {"3", "4", "0", nullptr, 4, 4},  {"4", "4", "0", nullptr, 0, 0}, {"5", "3", "1", "2", 3, 3},
      {"4", "3", "1", "2", 0, 0},      {nullptr, "4", "1", nullptr, 0, 0}, {"1", "4", nullptr, nullptr, 0, 0},
      {"x", "4", "1", nullptr, 0, 0},  {"2", "0", "1", nullptr, 0, 0},
  };
  for (const auto& c : cases) {
    const std::map<std::string, const char*> env = {{"SLURM_ARRAY_TASK_ID", c.id},
                                                    {"SLURM_ARRAY_TASK_COUNT", c.count},
                                                    {"SLURM_ARRAY_TASK_MIN", c.min},
                                                    {"SLURM_ARRAY_TASK_STEP", c.step}};
    qc::Shard s;
    std::string error;
    const bool ok = qc::shard_from_slurm([&](const char* name) { return env.at(name); }, s, error);
    ASSERT_EQ(ok, c.index > 0) << (c.id ? c.id : "-") << " " << error;
    if (ok) {
      EXPECT_EQ(std::pair(s.index, s.count), std::pair(c.index, c.of));
    }
  }
}

TEST(Runner, EachJobOnceReportsOneAtATimeThreadsTogether) {
  for (int threads : {1, 2, 5}) {
    std::vector<int> reported(20, 0);
    std::atomic<int> inside{0};
    bool overlapping_reports = false;
    qc::run_jobs(
        reported.size(), threads,
        [](std::size_t i) { return qc::JobResult{i % 3 == 0 ? qc::Status::failed : qc::Status::ok, ""}; },
        [&](std::size_t i, const qc::JobResult& r, double seconds) {
          if (inside++ != 0) overlapping_reports = true;
          reported[i] += 1;
          EXPECT_EQ(r.status, i % 3 == 0 ? qc::Status::failed : qc::Status::ok);
          EXPECT_GE(seconds, 0);
          --inside;
        });
    EXPECT_EQ(reported, std::vector<int>(20, 1)) << threads;
    EXPECT_FALSE(overlapping_reports);
  }
  // Two threads: the first job waits until the second has started.
  std::atomic<bool> second_started{false};
  bool waited = false;
  qc::run_jobs(
      2, 2,
      [&](std::size_t i) {
        if (i == 1) second_started = true;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (i == 0 && !second_started && std::chrono::steady_clock::now() < until) std::this_thread::yield();
        if (i == 0) waited = second_started;
        return qc::JobResult{};
      },
      [](std::size_t, const qc::JobResult&, double) {});
  EXPECT_TRUE(waited);
}

TEST(Outputs, TemporaryNamesKeepTheExtension) {
  ScratchDir dir;
  std::string temporary, error;
  ASSERT_TRUE(qc::make_temporary(dir.file("p.png"), temporary, error)) << error;
  EXPECT_EQ(temporary.substr(0, dir.path().size() + 8), dir.path() + "/.p.png.");
  EXPECT_EQ(temporary.substr(temporary.size() - 4), ".png");
  EXPECT_TRUE(std::filesystem::is_regular_file(temporary));
  std::filesystem::remove(temporary);
  qc::forget_temporary(temporary);
  EXPECT_FALSE(qc::make_temporary(dir.file("none/p.png"), temporary, error));
  EXPECT_NE(error.find("none/p.png"), std::string::npos) << error;
}

TEST(DayList, ReadsBackAndRefusesOtherText) {
  const qc::DayList list{"/data/sds", "2024-02-29", {"XX.A..BHZ", "XX.B.00.HHZ"}};
  qc::DayList back;
  std::string error;
  ASSERT_TRUE(qc::parse_day_list(qc::format_day_list(list), back, error)) << error;
  EXPECT_EQ(back.root, list.root);
  EXPECT_EQ(back.day, list.day);
  EXPECT_EQ(back.ids, list.ids);
  for (const char* text : {"", "day\t2024-02-29\nroot\t/x\n", "root\t/x\nday\t2024-02-29\nchannel\t\n",
                           "root\t/x\nday\t2024-02-29\nchannel\tA", "root\t/x\nday\t2024-02-29\nstation\tA\n"})
    EXPECT_FALSE(qc::parse_day_list(text, back, error)) << text;
}

}  // namespace
