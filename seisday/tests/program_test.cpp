// seisday run as a user runs it: a day from an archive, the PNG drawn from
// curves reduced to pixel columns against the one drawn from every sample,
// and refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "sds.h"
#include "support.h"
#include "test_support.h"

namespace {

using seisdata::testing::read_text;
using seisdata::testing::run;

const std::string kSeisday = SEISDAY;

// Two channels at 2 Hz over day 366 of 2024, from 23:00 the day before to
// 01:00 the day after, with an hour missing at noon.
void make_archive(const std::string& root) {
  for (const char* channel : {"BHZ", "BHN"}) {
    seisdata::testing::SdsChannel c;
    c.location = "";
    c.channel = channel;
    c.rate = 2;
    std::string error;
    for (const auto& [from, to] : {std::pair{"2024-365T23:00:00", "2024-366T12:00:00"},
                                   std::pair{"2024-366T13:00:00", "2025-001T01:00:00"}}) {
      std::int64_t end = 0;
      ASSERT_TRUE(seisdata::parse_time(from, c.start_us, error));
      ASSERT_TRUE(seisdata::parse_time(to, end, error));
      c.samples.clear();
      for (std::int64_t i = 0; i < (end - c.start_us) / 500000; ++i)
        c.samples.push_back(static_cast<std::int32_t>(std::lround(1000 * std::sin(0.05 * static_cast<double>(i)) +
                                                                  (i % 7919 == 0 ? 40000 : 0))));
      seisdata::testing::write_sds(root, c);
    }
  }
}

TEST(Seisday, DayFromAnArchiveAndTheReducedPictureIsTheWholeOnes) {
  zarvo::testing::ScratchDir dir;
  make_archive(dir.file("sds"));
  auto o = run(dir.path(), kSeisday + " --sds sds --select XX.SDS..BHZ --day 2024-366 --plotfile p.plt -o whole.png");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "seisday: sds: XX.SDS..BHZ: gap of 3600.000000 s before 2024-12-31T13:00:00.000000Z: "
                   "a separate trace\n");
  EXPECT_NE(read_text(dir.file("p.plt")).find("XX.SDS..BHZ  2024-12-31 (2024-366)"), std::string::npos);
  o = run(dir.path(), kSeisday + " --sds sds --select XX.SDS..BHZ --day 2024-12-31 -o reduced.png");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_TRUE(read_text(dir.file("reduced.png")) == read_text(dir.file("whole.png")));
  const std::string png = read_text(dir.file("reduced.png"));
  EXPECT_EQ(png.substr(1, 3), "PNG");
  EXPECT_EQ(png[25], 2) << "an RGB picture: the pens are coloured";

  o = run(dir.path(), kSeisday + " --sds sds --select '*.*.*.BHN' --start 2024-366T06:00 --interval 60 "
                      "--scale 500 --plotfile q.plt -o shifted.svg");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_NE(read_text(dir.file("q.plt")).find("XX.SDS..BHN  2024-12-31 (2024-366) from 06:00:00"), std::string::npos);

  // Processing applies to the window's traces, as to the traces of files.
  o = run(dir.path(), kSeisday + " --sds sds --select XX.SDS..BHZ --day 2024-366 --bandpass 0.05,0.5 --zerophase "
                      "--plotfile f.plt -o filtered.svg");
  ASSERT_EQ(o.status, 0) << o.err;
  const std::string filtered = read_text(dir.file("f.plt"));
  EXPECT_NE(filtered.find("XX.SDS..BHZ  2024-12-31 (2024-366); "), std::string::npos);
  EXPECT_NE(filtered.find("bandpass"), std::string::npos);
}

TEST(Seisday, Refusals) {
  zarvo::testing::ScratchDir dir;
  make_archive(dir.file("sds"));
  const std::string day = " --sds sds --select XX.SDS..BHZ --day 2024-366 -o d.png";
  const struct {
    std::string args;
    int status;
    std::string err;
  } cases[] = {
      {"--sds sds --select XX.SDS..BHZ -o d.png", 2, "seisday: --sds needs --day (or --start)\n"},
      {day + " --end 2025-001", 2, "seisday: a day plot shows 24 hours: give --day or --start, not --end\n"},
      {day + " --interval 4", 2, "seisday: bad --interval '4' (whole minutes, 5 to 120)\n"},
      {day + " --interval 121", 2, "seisday: bad --interval '121'"},
      {day + " --interval 7.5", 2, "seisday: bad --interval '7.5'"},
      {day + " --clip 0", 2, "seisday: bad --clip '0'"},
      {day + " --scale -1", 2, "seisday: bad --scale '-1'"},
      {"--sds sds --select XX.SDS..BHZ --day 2024-367 -o d.png", 2,
       "seisday: --day: bad day '2024-367' (YYYY-DDD or YYYY-MM-DD)\n"},
      {"--sds sds --select 'XX.SDS..BH?' --day 2024-366 -o d.png", 1,
       "seisday: a day plot shows one channel, the input holds XX.SDS..BHN and XX.SDS..BHZ"},
      {"--sds sds --select XX.SDS..BHZ --day 2024-200 -o d.png", 1, "seisday: sds: no data for XX.SDS..BHZ"},
      {"--sds sds --select XX.SDS.BHZ --day 2024-366 -o d.png", 1, "seisday: bad channel pattern 'XX.SDS.BHZ'"},
      {day + " --events none.txt", 1, "seisday: none.txt: cannot open the events file\n"},
  };
  for (const auto& c : cases) {
    const auto o = run(dir.path(), kSeisday + " " + c.args);
    EXPECT_EQ(o.status, c.status) << c.args;
    EXPECT_NE(o.err.find(c.err), std::string::npos) << c.args << ": " << o.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("d.png"))) << c.args;
  }
}

}  // namespace
