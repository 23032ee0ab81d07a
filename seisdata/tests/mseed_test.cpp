// miniSEED reading checked against Debian's independent converters built
// on libmseed: mseed2sac for the real test file, sac2mseed for every
// encoding and byte order; several channels, gaps and damaged files.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "seisdata.h"
#include "support.h"
#include "test_support.h"

namespace {

using seisdata::testing::run;
using seisdata::testing::SacSpec;

std::vector<std::uint8_t> bytes_of(const std::string& path) {
  std::vector<std::uint8_t> b;
  std::string error;
  EXPECT_TRUE(seisdata::read_bytes(path, b, error)) << error;
  return b;
}

bool read_mseed(const std::vector<std::uint8_t>& b, std::vector<seisdata::Trace>& traces,
                std::vector<std::string>& notes, std::string& error) {
  return seisdata::read_mseed("in.mseed", b.data(), b.size(), traces, notes, error);
}

// A SAC file of integer-valued samples (what integer encodings hold
// exactly), converted by sac2mseed with encoding `encoding`, byte order
// `order` and 512-byte records.
std::string make_mseed(const zarvo::testing::ScratchDir& dir, const SacSpec& desc, const std::string& name,
                       int encoding, int order) {
  seisdata::testing::write_file(dir.file(name + ".sac"), seisdata::testing::sac_bytes(desc));
  const auto o = run(dir.path(), std::string(SAC2MSEED) + " -r 512 -s 1 -e " + std::to_string(encoding) +
                                     " -b " + std::to_string(order) + " -o " + name + ".mseed " + name + ".sac");
  EXPECT_EQ(o.status, 0) << o.err;
  return dir.file(name + ".mseed");
}

SacSpec wave(std::size_t n) {
  SacSpec s;
  s.msec = 0;
  for (std::size_t i = 0; i < n; ++i)
    s.samples.push_back(std::round(300000.0f * std::sin(0.05f * static_cast<float>(i)) +
                                   static_cast<float>((i * 7919) % 1000)));
  return s;
}

TEST(Mseed, TestFileMatchesMseed2sac) {
  zarvo::testing::ScratchDir dir;
  const auto o = run(dir.path(), std::string(MSEED2SAC) + " " + TEST_MSEED);
  ASSERT_EQ(o.status, 0) << o.err;
  const std::vector<std::string> made = seisdata::testing::list_dir(dir.path());
  ASSERT_EQ(made.size(), 1u);

  std::vector<seisdata::Trace> from_mseed, from_sac;
  std::vector<std::string> notes;
  std::string error;
  ASSERT_TRUE(seisdata::read_data_file(TEST_MSEED, from_mseed, notes, error)) << error;
  ASSERT_TRUE(seisdata::read_data_file(dir.file(made[0]), from_sac, notes, error)) << error;
  ASSERT_EQ(from_mseed.size(), 1u);
  const seisdata::Trace& m = from_mseed[0];
  EXPECT_EQ(m.id(), "IU.COLA.00.LHZ");
  EXPECT_EQ(m.samples.size(), 4200u);
  EXPECT_EQ(m.format, "miniSEED Steim-2, big-endian");
  EXPECT_EQ(seisdata::iso_time(m.start_us), "2010-02-27T06:50:00.069539Z");
  EXPECT_EQ(m.dt, 1.0f);
  EXPECT_EQ(m.samples, from_sac[0].samples);
  EXPECT_EQ(m.id(), from_sac[0].id());
  EXPECT_LE(std::llabs(m.start_us - from_sac[0].start_us), 500);  // SAC keeps milliseconds and a float b
  EXPECT_TRUE(notes.empty());
}

TEST(Mseed, EveryEncodingAndByteOrderCarriesTheSacSamples) {
  zarvo::testing::ScratchDir dir;
  const SacSpec desc = wave(3000);
  seisdata::Trace sac;
  std::string error;
  const auto sac_file = seisdata::testing::sac_bytes(desc);
  ASSERT_TRUE(seisdata::read_sac("s", sac_file.data(), sac_file.size(), sac, error)) << error;
  const struct {
    int encoding;
    const char* name;
  } encodings[] = {{3, "32-bit integers"}, {4, "32-bit floats"}, {10, "Steim-1"}, {11, "Steim-2"}};
  for (const auto& e : encodings) {
    for (const int order : {0, 1}) {
      const std::string path = make_mseed(dir, desc, "e" + std::to_string(e.encoding), e.encoding, order);
      std::vector<seisdata::Trace> traces;
      std::vector<std::string> notes;
      ASSERT_TRUE(read_mseed(bytes_of(path), traces, notes, error)) << error;
      ASSERT_EQ(traces.size(), 1u) << e.name;
      EXPECT_EQ(traces[0].samples, sac.samples) << e.name;
      EXPECT_EQ(traces[0].start_us, sac.start_us) << e.name;
      EXPECT_EQ(traces[0].dt, sac.dt) << e.name;
      EXPECT_EQ(traces[0].format, std::string("miniSEED ") + e.name + (order ? ", big-endian" : ", little-endian"));
    }
  }
}

TEST(Mseed, ChannelsAndGapsGiveOneTraceEach) {
  zarvo::testing::ScratchDir dir;
  SacSpec first = wave(1000), later = wave(500), other = wave(700);
  later.min += 1;  // 1000 samples at 0.05 s end 50 s after the start: a 10 s gap
  other.station = "OTHR";
  std::vector<std::uint8_t> all;
  for (const auto& [desc, name] : {std::pair{first, "a"}, std::pair{later, "b"}, std::pair{other, "c"}}) {
    const auto b = bytes_of(make_mseed(dir, desc, name, 11, 1));
    all.insert(all.end(), b.begin(), b.end());
  }
  std::vector<seisdata::Trace> traces;
  std::vector<std::string> notes;
  std::string error;
  ASSERT_TRUE(read_mseed(all, traces, notes, error)) << error;
  ASSERT_EQ(traces.size(), 3u);  // in order of identifier, then of time
  EXPECT_EQ(traces[0].id(), "XX.OTHR.00.BHZ");
  EXPECT_EQ(traces[0].samples, other.samples);
  EXPECT_EQ(traces[1].id(), "XX.TEST.00.BHZ");
  EXPECT_EQ(traces[1].samples, first.samples);
  EXPECT_EQ(traces[2].id(), "XX.TEST.00.BHZ");
  EXPECT_EQ(traces[2].samples, later.samples);
  EXPECT_EQ(traces[2].start_us - traces[1].start_us, 60000000);
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0], "in.mseed: XX.TEST.00.BHZ: gap of 10.000000 s before 2024-02-29T12:31:15.000000Z: "
                      "a separate trace");
}

TEST(Mseed, DamagedFilesGiveOneMessageNamingTheFile) {
  zarvo::testing::ScratchDir dir;
  const auto good = bytes_of(make_mseed(dir, wave(2000), "a", 11, 1));
  ASSERT_GT(good.size(), 1024u);
  std::vector<std::uint8_t> cut(good.begin(), good.begin() + 512 + 300);
  std::vector<std::uint8_t> garbage = good;
  garbage[512 + 6] = 'X';  // the second record's data quality indicator
  std::vector<std::uint8_t> frames = good;
  for (std::size_t i = 512 + 64; i < 1024; ++i) frames[i] = static_cast<std::uint8_t>(i * 37);
  // Found by fuzzing: libmseed decodes as many uncompressed samples as the
  // header claims, reading past the record.
  std::vector<std::uint8_t> claims = bytes_of(make_mseed(dir, wave(100), "f", 4, 1));
  claims[30] = 0xff;  // sample count, big-endian, bytes 30-31
  claims[31] = 0xd0;
  // Start times that are no date: year and day of year, big-endian, bytes 20-23.
  auto dated = [&](int year, int day) {
    std::vector<std::uint8_t> b = good;
    b[512 + 20] = static_cast<std::uint8_t>(year >> 8), b[512 + 21] = static_cast<std::uint8_t>(year);
    b[512 + 22] = static_cast<std::uint8_t>(day >> 8), b[512 + 23] = static_cast<std::uint8_t>(day);
    return b;
  };
  const struct {
    const char* what;
    std::vector<std::uint8_t> bytes;
    const char* message;
  } cases[] = {
      {"year 65535", dated(65535, 60), "in.mseed: miniSEED: bad start time in the record header: year 65535, day 60, "},
      {"day 0", dated(2024, 0), "in.mseed: miniSEED: bad start time in the record header: year 2024, day 0, "},
      {"day 367", dated(2024, 367), "in.mseed: miniSEED: bad start time in the record header: year 2024, day 367, "},
      {"day 366 of 2023", dated(2023, 366), "in.mseed: miniSEED: bad start time in the record header: year 2023, "
                                            "day 366, "},
      {"count beyond the record", claims,
       "in.mseed: miniSEED: header claims 65488 samples, the record holds at most 112 (record at byte offset 0)"},
      {"cut", cut, "in.mseed: miniSEED: file ends inside a record (record at byte offset 512)"},
      {"not a record", garbage, "in.mseed: miniSEED: No SEED data detected (record at byte offset 512)"},
      {"bad frames", frames, "in.mseed: miniSEED: samples cannot be decoded: Generic error (record at byte offset 512); "
                            "libmseed: Error: XX_TEST_00_BHZ_D: "},
  };
  for (const auto& c : cases) {
    std::vector<seisdata::Trace> traces;
    std::vector<std::string> notes;
    std::string error;
    EXPECT_FALSE(read_mseed(c.bytes, traces, notes, error)) << c.what;
    EXPECT_EQ(error.rfind(c.message, 0), 0u) << c.what << ": " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

}  // namespace

namespace {

TEST(Mseed, ManyDistinctLibraryWarningsAreCappedWithACount) {
  // 40,000 Steim-2 records, each with its own integrity warning (Xn, the
  // frame's copy of the last sample, set to the record's index).  Checking
  // each warning against all before it took about 9 s for this file; a
  // lookup in a hash set takes well under one.  AddressSanitizer's realloc
  // copies at every growth of libmseed's sample buffer, which makes reading
  // so many records take minutes there: its builds read fewer.
  constexpr std::size_t kRecords = zarvo::testing::kAddressSanitizer ? 2000 : 40000, kShown = 20;
  std::vector<std::int32_t> samples(kRecords * 103);
  for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = i % 2 == 0 ? (1 << 27) : -(1 << 27);
  std::vector<std::uint8_t> b = seisdata::testing::mseed_int_bytes(samples, 11, 0);
  ASSERT_EQ(b.size(), kRecords * 512);
  for (std::size_t r = 0; r < kRecords; ++r) {
    std::uint8_t* record = b.data() + r * 512;
    const std::size_t xn = static_cast<std::size_t>(record[44] << 8 | record[45]) + 8;  // data offset + 8
    for (int k = 0; k < 4; ++k) record[xn + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(r >> (24 - 8 * k));
  }
  std::vector<seisdata::Trace> traces;
  std::vector<std::string> notes;
  std::string error;
  ASSERT_TRUE(read_mseed(b, traces, notes, error)) << error;
  ASSERT_EQ(traces.size(), 1u);
  EXPECT_EQ(traces[0].samples.size(), samples.size());
  ASSERT_EQ(notes.size(), kShown + 1);
  EXPECT_EQ(notes[0], "in.mseed: libmseed: XX_INT_00_BHZ_D: Warning: Data integrity check for Steim2 failed, "
                      "Last sample=134217728, Xn=0");
  EXPECT_EQ(notes.back(), "in.mseed: libmseed: " + std::to_string(kRecords - kShown) + " more messages not shown");
}

TEST(Mseed, IntegersBeyond2To24AreRoundedWithANote) {
  const std::vector<std::int32_t> values{16777216, 16777217, -16777219, 5, 2147483647};
  const auto b = seisdata::testing::mseed_int_bytes(values, 3, 0);
  std::vector<seisdata::Trace> traces;
  std::vector<std::string> notes;
  std::string error;
  ASSERT_TRUE(read_mseed(b, traces, notes, error)) << error;
  ASSERT_EQ(traces.size(), 1u);
  EXPECT_EQ(traces[0].samples, (std::vector<float>{16777216.0f, 16777216.0f, -16777220.0f, 5.0f, 2147483648.0f}));
  EXPECT_EQ(traces[0].note, "3 integer samples beyond 2^24 rounded to the nearest float (largest change 1)");
}

}  // namespace

namespace {

// Found by fuzzing: a control character in a code reached a message.
TEST(Mseed, ControlCharactersInCodesAreCleaned) {
  zarvo::testing::ScratchDir dir;
  std::vector<std::uint8_t> b = bytes_of(make_mseed(dir, wave(50), "n", 4, 1));
  b[15] = '\n';  // first character of the channel code, bytes 15-17
  std::vector<seisdata::Trace> traces;
  std::vector<std::string> notes;
  std::string error;
  ASSERT_TRUE(read_mseed(b, traces, notes, error)) << error;
  ASSERT_EQ(traces.size(), 1u);
  EXPECT_EQ(traces[0].id(), "XX.TEST.00._HZ");
  EXPECT_EQ(seisdata::record_name(traces[0], 0), "XX.TEST.00._HZ.rec");
  b[64 + 4 * 7 + 3] = 0x7f;  // sample 7 (big-endian float) becomes NaN
  b[64 + 4 * 7 + 2] = 0xc0;
  b[64 + 4 * 7 + 1] = 0xff;
  b[64 + 4 * 7] = 0x7f;
  traces.clear();
  EXPECT_FALSE(read_mseed(b, traces, notes, error));
  EXPECT_TRUE(traces.empty());
  EXPECT_EQ(error, "in.mseed: miniSEED: XX.TEST.00._HZ at 2024-02-29T12:30:15.000000Z: NaN sample at index 7 "
                   "(counting from 0)");
}

}  // namespace
