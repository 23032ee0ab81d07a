// seis2rec run as a user runs it: records tracel reads, names, long traces,
// gaps, and bad input that leaves nothing behind.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "sds.h"
#include "support.h"
#include "test_support.h"

namespace {

using seisdata::testing::list_dir;
using seisdata::testing::read_text;
using seisdata::testing::run;
using seisdata::testing::SacSpec;
using seisdata::testing::write_file;

const std::string kSeis2rec = SEIS2REC;

SacSpec wave(std::size_t n) {
  SacSpec s;
  for (std::size_t i = 0; i < n; ++i)
    s.samples.push_back(std::round(5000.0f * std::sin(0.01f * static_cast<float>(i))));
  return s;
}

// The record without its first three header lines.
std::string from_count_line(const std::string& record) {
  std::size_t at = 0;
  for (int line = 0; line < 3; ++line) at = record.find('\n', at) + 1;
  return record.substr(at);
}

TEST(Seis2rec, SacAndItsMiniseedGiveTheSameRecordAndTracelPlotsIt) {
  zarvo::testing::ScratchDir dir;
  write_file(dir.file("w.sac"), seisdata::testing::sac_bytes(wave(1234)));
  ASSERT_EQ(run(dir.path(), std::string(SAC2MSEED) + " -s 1 -e 11 -o w.mseed w.sac").status, 0);
  auto o = run(dir.path(), kSeis2rec + " w.sac -o a.rec");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "a.rec: XX.TEST.00.BHZ, 1234 samples from 2024-02-29T12:30:15.250000Z\n");
  EXPECT_EQ(o.err, "");
  o = run(dir.path(), kSeis2rec + " w.mseed");
  ASSERT_EQ(o.status, 0) << o.err;
  const std::string a = read_text(dir.file("a.rec")), m = read_text(dir.file("XX.TEST.00.BHZ.rec"));
  EXPECT_EQ(a.substr(0, a.find('\n')), "XX.TEST.00.BHZ 2024-02-29T12:30:15.250000Z");
  EXPECT_EQ(a.substr(0, a.find('\n')), m.substr(0, m.find('\n')));
  EXPECT_EQ(from_count_line(a), from_count_line(m));
  EXPECT_EQ(from_count_line(a).substr(0, 36), "            0.0 1234           0.05\n");

  o = run(dir.path(), std::string("echo a.rec | ") + TRACEL);
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_GT(read_text(dir.file("pltfil")).size(), 1000u);
}

TEST(Seis2rec, LongTracesAreRefusedSplitOrWindowed) {
  zarvo::testing::ScratchDir dir;
  // Starts of the parts: 99999 intervals of the stored float 0.05 s are 4999.950074 s.
  SacSpec longer = wave(250000);
  longer.station = "LONGER";
  write_file(dir.file("long.sac"), seisdata::testing::sac_bytes(longer));
  auto o = run(dir.path(), kSeis2rec + " long.sac");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "seis2rec: long.sac: XX.LONGER.00.BHZ has 250000 samples from 2024-02-29T12:30:15.250000Z; "
                   "a record holds at most 99999: use --split for consecutive records or --window START,END "
                   "for a part\n");
  EXPECT_EQ(list_dir(dir.path()), std::vector<std::string>{"long.sac"});

  o = run(dir.path(), kSeis2rec + " --split long.sac");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out,
            "XX.LONGER.00.BHZ-1.rec: XX.LONGER.00.BHZ, 99999 samples from 2024-02-29T12:30:15.250000Z\n"
            "XX.LONGER.00.BHZ-2.rec: XX.LONGER.00.BHZ, 99999 samples from 2024-02-29T13:53:35.200075Z\n"
            "XX.LONGER.00.BHZ-3.rec: XX.LONGER.00.BHZ, 50002 samples from 2024-02-29T15:16:55.150149Z\n");
  EXPECT_NE(o.err.find("warning: XX.LONGER.00.BHZ-1.rec is longer than the 20 characters"), std::string::npos) << o.err;

  o = run(dir.path(), kSeis2rec + " --window=10,20 long.sac -o w.rec");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "w.rec: XX.LONGER.00.BHZ, 201 samples from 2024-02-29T12:30:25.250000Z\n");
}

TEST(Seis2rec, GapsChannelsAndNames) {
  zarvo::testing::ScratchDir dir;
  SacSpec later = wave(100), other = wave(100);
  later.min += 1;
  other.station = "B";
  write_file(dir.file("a.sac"), seisdata::testing::sac_bytes(wave(100)));
  write_file(dir.file("b.sac"), seisdata::testing::sac_bytes(later));
  write_file(dir.file("c.sac"), seisdata::testing::sac_bytes(other));
  for (const char* f : {"a", "b", "c"})
    ASSERT_EQ(run(dir.path(), std::string(SAC2MSEED) + " -s 1 " + f + ".sac").status, 0);
  write_file(dir.file("all.mseed"), read_text(dir.file("a.mseed")) + read_text(dir.file("b.mseed")) +
                                        read_text(dir.file("c.mseed")));

  auto o = run(dir.path(), kSeis2rec + " all.mseed -o one.rec");
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("-o names one record, but the input gives 3"), std::string::npos) << o.err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("one.rec")));

  o = run(dir.path(), kSeis2rec + " all.mseed");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out,
            "XX.B.00.BHZ.rec: XX.B.00.BHZ, 100 samples from 2024-02-29T12:30:15.250000Z\n"
            "XX.TEST.00.BHZ-1.rec: XX.TEST.00.BHZ, 100 samples from 2024-02-29T12:30:15.250000Z\n"
            "XX.TEST.00.BHZ-2.rec: XX.TEST.00.BHZ, 100 samples from 2024-02-29T12:31:15.250000Z\n");
  EXPECT_NE(o.err.find("seis2rec: all.mseed: XX.TEST.00.BHZ: gap of 55.000000 s before "
                       "2024-02-29T12:31:15.250000Z: a separate trace\n"), std::string::npos) << o.err;

  o = run(dir.path(), kSeis2rec + " all.mseed a.sac --select '*.B.*' -o b.rec");
  EXPECT_EQ(o.status, 0) << o.err;
  o = run(dir.path(), kSeis2rec + " a.sac --select 'II.*'");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "seis2rec: no trace matches --select\n");
}

TEST(Seis2rec, BadInputGivesOneMessageAndNoFile) {
  zarvo::testing::ScratchDir dir;
  SacSpec nan = wave(10);
  nan.samples[4] = std::nanf("");
  write_file(dir.file("nan.sac"), seisdata::testing::sac_bytes(nan));
  write_file(dir.file("good.sac"), seisdata::testing::sac_bytes(wave(10)));
  std::vector<std::uint8_t> cut = seisdata::testing::sac_bytes(wave(10));
  cut.resize(cut.size() - 1);
  write_file(dir.file("cut.sac"), cut);
  write_file(dir.file("text.txt"), std::string("hello, this is not a seismogram\n"));
  write_file(dir.file("empty"), std::string());
  std::string mseed = read_text(TEST_MSEED);
  write_file(dir.file("cut.mseed"), mseed.substr(0, 5000));
  const std::vector<std::string> before = list_dir(dir.path());
  const struct {
    const char* file;
    const char* message;
  } cases[] = {
      {"nan.sac", "seis2rec: nan.sac: SAC: NaN sample at index 4 (counting from 0)\n"},
      {"cut.sac", "seis2rec: cut.sac: SAC: sample count 10 needs 672 bytes, the file has 671\n"},
      {"text.txt", "seis2rec: text.txt: neither SAC nor miniSEED data\n"},
      {"empty", "seis2rec: empty: empty file\n"},
      {"cut.mseed", "seis2rec: cut.mseed: miniSEED: file ends inside a record (record at byte offset 4608)\n"},
      {"missing", "seis2rec: missing: cannot open: No such file or directory\n"},
  };
  for (const auto& c : cases) {
    const auto o = run(dir.path(), kSeis2rec + " good.sac " + c.file);
    EXPECT_EQ(o.status, 1) << c.file;
    EXPECT_EQ(o.err, c.message);
    EXPECT_EQ(o.out, "");
  }
  EXPECT_EQ(list_dir(dir.path()), before);
  EXPECT_EQ(run(dir.path(), kSeis2rec + " --window 5 good.sac").status, 2);
}

TEST(Seis2rec, DefaultNamesAreVisibleSafeAndNeverCollide) {
  auto coded = [](const char* net, const char* sta, const char* loc, const char* cha) {
    SacSpec s = wave(5);
    s.network = net;
    s.station = sta;
    s.location = loc;
    s.channel = cha;
    return s;
  };
  const struct {
    std::vector<SacSpec> inputs;
    std::vector<std::string> files;  // the records written
  } cases[] = {
      // Two records of HHZ are numbered; a channel really called HHZ-1 keeps its own name.
      {{coded("XX", "TEST", "00", "HHZ"), coded("XX", "TEST", "00", "HHZ"), coded("XX", "TEST", "00", "HHZ-1")},
       {"XX.TEST.00.HHZ-1.rec", "XX.TEST.00.HHZ-2.rec", "XX.TEST.00.HHZ_1.rec"}},
      {{coded("-12345", "SYN", "", "HHZ")}, {"unset.SYN..HHZ.rec"}},
      {{coded("", "", "", "")}, {"unset....rec"}},
      {{coded("-rf", "-rf", "00", "HHZ")}, {"_rf._rf.00.HHZ.rec"}},
  };
  for (const auto& c : cases) {
    zarvo::testing::ScratchDir dir;
    std::string args;
    for (std::size_t i = 0; i < c.inputs.size(); ++i) {
      write_file(dir.file("in" + std::to_string(i)), seisdata::testing::sac_bytes(c.inputs[i]));
      args += " in" + std::to_string(i);
    }
    const auto o = run(dir.path(), kSeis2rec + args);
    ASSERT_EQ(o.status, 0) << o.err;
    std::vector<std::string> written;
    for (const std::string& f : list_dir(dir.path()))
      if (f.rfind("in", 0) != 0) written.push_back(f);
    EXPECT_EQ(written, c.files);
  }
}

TEST(Seis2rec, OutputsInputsAndMessages) {
  zarvo::testing::ScratchDir dir;
  const std::string wave_bytes = [] {
    const std::vector<std::uint8_t> b = seisdata::testing::sac_bytes(wave(10));
    return std::string(b.begin(), b.end());
  }();
  write_file(dir.file("a.sac"), wave_bytes);
  write_file(dir.file("XX.TEST.00.BHZ.rec"), wave_bytes);  // a SAC file under a record's name
  write_file(dir.file("new\nline.sac"), wave_bytes);
  std::vector<std::uint8_t> empty_records = seisdata::testing::mseed_int_bytes({1, 2, 3}, 11, 0);
  empty_records[30] = empty_records[31] = 0;  // header sample count 0
  write_file(dir.file("none.mseed"), empty_records);
  const struct {
    const char* args;
    int status;
    const char* err;
  } cases[] = {
      {"a.sac -o ''", 2, "seis2rec: -o needs a file name\n"},
      {"a.sac -o a.sac", 2, "seis2rec: a.sac is an input; it would be overwritten\n"},
      {"a.sac -o ./a.sac", 2, "seis2rec: ./a.sac is an input; it would be overwritten\n"},
      {"XX.TEST.00.BHZ.rec", 1, "seis2rec: XX.TEST.00.BHZ.rec is an input; it would be overwritten; use -o\n"},
      {"none.mseed", 1, "seis2rec: the files hold no samples to write\n"},
      {"'new\nline.sac' -o n.rec", 0, ""},
  };
  for (const auto& c : cases) {
    const auto o = run(dir.path(), kSeis2rec + " " + c.args);
    EXPECT_EQ(o.status, c.status) << c.args;
    EXPECT_EQ(o.err, c.err);
  }
  EXPECT_EQ(read_text(dir.file("a.sac")), wave_bytes);
  EXPECT_EQ(read_text(dir.file("XX.TEST.00.BHZ.rec")), wave_bytes);
  // A control character in a file name does not break the record's header.
  const std::string record = read_text(dir.file("n.rec"));
  EXPECT_EQ(record.substr(record.find("new"), 32), "new?line.sac, SAC little-endian\n");
  EXPECT_EQ(run(dir.path(), "echo n.rec | " + std::string(TRACEL)).status, 0);
}

// Processing through the shared options: each contiguous trace on its own,
// what was applied on header line 3, refusals that write nothing.
TEST(Seis2rec, ProcessingOptions) {
  zarvo::testing::ScratchDir dir;
  SacSpec low, high;
  low.samples.assign(400, 100.0f);
  high.samples.assign(400, 300.0f);
  high.min += 1;  // 20 s of samples, then a gap of 40 s
  write_file(dir.file("low.sac"), seisdata::testing::sac_bytes(low));
  write_file(dir.file("high.sac"), seisdata::testing::sac_bytes(high));
  for (const char* f : {"low", "high"})
    ASSERT_EQ(run(dir.path(), std::string(SAC2MSEED) + " -s 1 " + f + ".sac").status, 0);
  write_file(dir.file("gap.mseed"), read_text(dir.file("low.mseed")) + read_text(dir.file("high.mseed")));

  // Demeaned across the gap both parts would be 100 away from 0.
  auto o = run(dir.path(), kSeis2rec + " gap.mseed --demean");
  ASSERT_EQ(o.status, 0) << o.err;
  std::string zeros;  // 80 lines of five 16-column fields 0.0
  for (int field = 0; field < 400; ++field) zeros += std::string(13, ' ') + (field % 5 == 4 ? "0.0\n" : "0.0");
  for (const char* name : {"XX.TEST.00.BHZ-1.rec", "XX.TEST.00.BHZ-2.rec"}) {
    const std::string record = read_text(dir.file(name));
    const std::size_t line3 = record.find('\n', record.find('\n') + 1) + 1;
    EXPECT_EQ(record.substr(line3, record.find('\n', line3) - line3).substr(0, 10), "gap.mseed,");
    EXPECT_NE(record.find("; demean\n"), std::string::npos) << name;
    EXPECT_EQ(from_count_line(record), "            0.0  400           0.05\n" + zeros) << name;
  }

  const struct {
    const char* args;
    int status;
    const char* message;
  } cases[] = {
      {"--lowpass 10", 1,
       "seis2rec: low.sac: XX.TEST.00.BHZ from 2024-02-29T12:30:15.250000Z: --lowpass 10 Hz: at or above the "
       "Nyquist frequency, 10 Hz at a sampling rate of 20 Hz\n"},
      {"--highpass 0.04", 1,
       "seis2rec: low.sac: XX.TEST.00.BHZ from 2024-02-29T12:30:15.250000Z: --highpass: 400 samples are too few: "
       "a filter needs at least one period of its lowest corner, 500 samples at a sampling rate of 20 Hz\n"},
      {"--taper 0.51", 2, "seis2rec: bad --taper value '0.51' (a fraction above 0, at most 0.5)\n"},
      {"--corners 0 --lowpass 1", 2, "seis2rec: bad --corners value '0' (a whole number, 1 to 10)\n"},
      {"--bandpass 2", 2, "seis2rec: bad --bandpass value '2' (F1,F2 in Hz, 0 < F1 < F2)\n"},
      {"--bandpass 2,2", 2, "seis2rec: bad --bandpass value '2,2' (F1,F2 in Hz, 0 < F1 < F2)\n"},
      {"--lowpass -1", 2, "seis2rec: bad --lowpass value '-1' (a frequency above 0 Hz)\n"},
      {"--highpass 1 --lowpass 2", 2,
       "seis2rec: --lowpass after --highpass: one filter at a time (--bandpass F1,F2 for a band)\n"},
      {"--zerophase --demean", 2, "seis2rec: --zerophase needs a filter: --lowpass, --highpass or --bandpass\n"},
      {"--corners 2", 2, "seis2rec: --corners needs a filter: --lowpass, --highpass or --bandpass\n"},
  };
  const std::vector<std::string> before = list_dir(dir.path());
  for (const auto& c : cases) {
    o = run(dir.path(), kSeis2rec + " low.sac -o x.rec " + c.args);
    EXPECT_EQ(o.status, c.status) << c.args;
    EXPECT_EQ(o.err, c.message);
  }
  EXPECT_EQ(list_dir(dir.path()), before);
}

}  // namespace

namespace {

// An SDS window across a year end gives the record that the same samples,
// cut from a SAC file with --window, give.
TEST(Seis2rec, SdsWindowIsTheFilesWindow) {
  zarvo::testing::ScratchDir dir;
  SacSpec s = wave(2400);  // 20 Hz from 2024-12-31T23:59:00 (day 366)
  s.jday = 366, s.hour = 23, s.min = 59, s.sec = 0, s.msec = 0;
  write_file(dir.file("w.sac"), seisdata::testing::sac_bytes(s));
  seisdata::testing::SdsChannel c;
  c.network = "XX", c.station = "TEST", c.location = "00", c.channel = "BHZ";
  std::string error;
  ASSERT_TRUE(seisdata::parse_time("2024-12-31T23:59:00", c.start_us, error));
  for (float v : s.samples) c.samples.push_back(static_cast<std::int32_t>(v));
  seisdata::testing::write_sds(dir.file("sds"), c);

  auto o = run(dir.path(), kSeis2rec + " --sds sds --start 2024-366T23:59:30 --end 2025-01-01T00:00:30Z -o a.rec");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "a.rec: XX.TEST.00.BHZ, 1200 samples from 2024-12-31T23:59:30.000000Z\n");
  o = run(dir.path(), kSeis2rec + " w.sac --window 30,89.95 -o b.rec");
  ASSERT_EQ(o.status, 0) << o.err;
  const std::string a = read_text(dir.file("a.rec")), b = read_text(dir.file("b.rec"));
  EXPECT_EQ(a.substr(0, a.find('\n')), b.substr(0, b.find('\n')));
  EXPECT_EQ(from_count_line(a), from_count_line(b));
}

TEST(Seis2rec, SdsOptionsRefused) {
  zarvo::testing::ScratchDir dir;
  std::filesystem::create_directory(dir.file("sds"));
  write_file(dir.file("w.sac"), seisdata::testing::sac_bytes(wave(10)));
  const struct {
    std::string args;
    int status;
    std::string err;
  } cases[] = {
      {"w.sac --start 2024-01-01", 2, "seis2rec: --start and --end go with --sds\n"},
      {"w.sac --sds sds --start 2024-01-01 --end 2024-01-02", 2, "seis2rec: give either files or --sds, not both\n"},
      {"--sds sds --start 2024-01-01", 2, "seis2rec: --sds needs --start and --end\n"},
      {"--sds sds --start 2024-01-02 --end 2024-01-02", 2, "seis2rec: --end must be after --start\n"},
      {"--sds sds --start 2024-02-30 --end 2024-03-02", 2,
       "seis2rec: --start: bad time '2024-02-30' (YYYY-MM-DD or YYYY-DDD, then THH:MM, THH:MM:SS or "
       "THH:MM:SS.ffffff, UTC)\n"},
      {"--sds sds --start 2024-01-01 --end 2024-01-02 --select XX.TEST", 1,
       "seis2rec: bad channel pattern 'XX.TEST' (NET.STA.LOC.CHA, each part a glob without dots)\n"},
      {"--sds sds --start 2024-01-01 --end 2024-01-02", 1,
       "seis2rec: sds: no data for *.*.*.* from 2024-01-01T00:00:00.000000Z to 2024-01-02T00:00:00.000000Z\n"},
  };
  for (const auto& c : cases) {
    const auto o = run(dir.path(), kSeis2rec + " " + c.args);
    EXPECT_EQ(o.status, c.status) << c.args;
    EXPECT_EQ(o.err.substr(0, c.err.size()), c.err) << c.args;
  }
  EXPECT_EQ(list_dir(dir.path()), (std::vector<std::string>{"sds", "w.sac"}));
}

}  // namespace
