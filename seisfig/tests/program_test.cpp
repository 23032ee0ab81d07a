// seisfig run as a user runs it: the plot file byte for byte against
// tracel's, the default title, pages, and bad input.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "support.h"
#include "test_support.h"

namespace {

using seisdata::testing::list_dir;
using seisdata::testing::read_text;
using seisdata::testing::run;
using seisdata::testing::write_file;

const std::string kSeisfig = SEISFIG;

seisdata::testing::SacSpec wave(std::size_t n, const std::string& station) {
  seisdata::testing::SacSpec s;
  s.station = station;
  for (std::size_t i = 0; i < n; ++i)
    s.samples.push_back(std::round(800.0f * std::sin(0.02f * static_cast<float>(i)) * std::exp(-0.001f * i)));
  return s;
}

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(Seisfig, PlotFileIsTracelsForRecordSacAndMiniseed) {
  zarvo::testing::ScratchDir dir;
  write_file(dir.file("w.sac"), seisdata::testing::sac_bytes(wave(5000, "TEST")));
  ASSERT_EQ(run(dir.path(), std::string(SAC2MSEED) + " -s 1 -e 11 -o w.mseed w.sac").status, 0);
  ASSERT_EQ(run(dir.path(), std::string(SEIS2REC) + " w.sac -o w.rec").status, 0);
  auto o = run(dir.path(), std::string("echo w.rec | ") + TRACEL);
  ASSERT_EQ(o.status, 0) << o.err;
  const std::string tracel_plot = read_text(dir.file("pltfil"));
  for (const char* input : {"w.rec", "w.sac", "w.mseed"}) {
    o = run(dir.path(), kSeisfig + " --title ' ' --plotfile p.plt " + input + " -o w.svg");
    ASSERT_EQ(o.status, 0) << input << ": " << o.err;
    EXPECT_EQ(o.err, "");
    EXPECT_TRUE(read_text(dir.file("p.plt")) == tracel_plot) << input;
    EXPECT_EQ(count(read_text(dir.file("w.svg")), "<svg"), 1u);
  }
}

// A PNG alone is drawn from the curve reduced to its pixel columns; with
// --plotfile every sample goes into the plot file.  The pictures are the
// same, pixel for pixel, at any resolution.
TEST(Seisfig, ReducedCurveDrawsTheSamePixels) {
  zarvo::testing::ScratchDir dir;
  seisdata::testing::SacSpec s = wave(200000, "LONG");
  std::uint32_t noise = 1;  // a few counts of noise: many repeated plot positions
  for (float& v : s.samples) {
    noise = noise * 1664525u + 1013904223u;
    v = std::round(v / 100) + static_cast<float>(noise >> 29);
  }
  write_file(dir.file("l.sac"), seisdata::testing::sac_bytes(s));
  for (const char* dpi : {"40", "150", "600"}) {
    auto o = run(dir.path(), kSeisfig + " l.sac --dpi " + dpi + " -o reduced.png");
    ASSERT_EQ(o.status, 0) << o.err;
    o = run(dir.path(), kSeisfig + " l.sac --dpi " + dpi + " --plotfile whole.plt -o whole.png");
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_TRUE(read_text(dir.file("reduced.png")) == read_text(dir.file("whole.png"))) << dpi;
  }
}

TEST(Seisfig, DefaultTitlesPagesAndNoTemporaryFiles) {
  zarvo::testing::ScratchDir dir;
  write_file(dir.file("a.sac"), seisdata::testing::sac_bytes(wave(300, "A")));
  write_file(dir.file("b.sac"), seisdata::testing::sac_bytes(wave(400, "B")));
  auto o = run(dir.path(), kSeisfig + " a.sac b.sac -o f.png --dpi 50");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "");
  EXPECT_EQ(list_dir(dir.path()), (std::vector<std::string>{"a.sac", "b.sac", "f-1.png", "f-2.png"}));
  EXPECT_EQ(read_text(dir.file("f-1.png")).substr(1, 3), "PNG");

  o = run(dir.path(), kSeisfig + " a.sac b.sac --plotfile two.plt -o f.pdf");
  ASSERT_EQ(o.status, 0) << o.err;
  const std::string plot = read_text(dir.file("two.plt"));
  EXPECT_EQ(count(plot, "XX.A.00.BHZ 2024-02-29T12:30:15.250000Z"), 1u);
  EXPECT_EQ(count(plot, "XX.B.00.BHZ 2024-02-29T12:30:15.250000Z"), 1u);
  EXPECT_EQ(count(read_text(dir.file("f.pdf")), "/Type /Page %"), 2u);

  ASSERT_EQ(run(dir.path(), std::string(SEIS2REC) + " a.sac -o a.rec").status, 0);
  o = run(dir.path(), kSeisfig + " a.rec --plotfile r.plt --title 'my title' -o r.svg");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(count(read_text(dir.file("r.plt")), "my title"), 1u);
}

TEST(Seisfig, BadInputAndUsage) {
  zarvo::testing::ScratchDir dir;
  write_file(dir.file("text.txt"), std::string("not a seismogram\n"));
  std::string mseed = read_text(TEST_MSEED);
  write_file(dir.file("cut.mseed"), mseed.substr(0, 5000));
  auto o = run(dir.path(), kSeisfig + " text.txt -o x.png");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "seisfig: text.txt: neither SAC, miniSEED nor a record: text.txt:2: file ends before "
                   "header line 2\n");
  o = run(dir.path(), kSeisfig + " cut.mseed -o x.png");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "seisfig: cut.mseed: miniSEED: file ends inside a record (record at byte offset 4608)\n");
  EXPECT_EQ(run(dir.path(), kSeisfig + " cut.mseed -o x.gif").status, 2);
  EXPECT_EQ(run(dir.path(), kSeisfig + " cut.mseed --plotfile " + std::string(81, 'p') + " -o x.png").status, 2);
  EXPECT_EQ(list_dir(dir.path()), (std::vector<std::string>{"cut.mseed", "text.txt"}));
}

TEST(Seisfig, PipesFifosAndEndlessInputNeitherHangNorAbort) {
  zarvo::testing::ScratchDir dir;
  write_file(dir.file("w.sac"), seisdata::testing::sac_bytes(wave(300, "A")));
  ASSERT_EQ(run(dir.path(), std::string(SEIS2REC) + " w.sac -o w.rec").status, 0);
  ASSERT_EQ(run(dir.path(), "mkfifo fifo").status, 0);
  const std::string seis2rec = SEIS2REC;
  const struct {
    std::string command;
    int status;
    const char* err;
  } cases[] = {
      {"cat w.sac | " + kSeisfig + " /dev/stdin -o p.png", 0, ""},
      {"cat w.rec | " + kSeisfig + " /dev/stdin -o q.png", 0, ""},
      {"(cat w.sac > fifo &) && timeout 20 " + kSeisfig + " fifo -o r.png", 0, ""},
      {"(cat w.rec > fifo &) && timeout 20 " + kSeisfig + " fifo -o s.png", 0, ""},
      {"(cat w.sac > fifo &) && timeout 20 " + seis2rec + " fifo -o f.rec", 0, ""},
      {"ulimit -v 400000 && timeout 20 " + kSeisfig + " /dev/zero -o z.png", 1, "seisfig: out of memory\n"},
      {"ulimit -v 400000 && timeout 20 " + seis2rec + " /dev/zero", 1, "seis2rec: out of memory\n"},
  };
  for (const auto& c : cases) {
    // AddressSanitizer reserves more address space than a tight ulimit -v allows.
    if (zarvo::testing::kAddressSanitizer && c.command.find("ulimit") != std::string::npos) continue;
    const auto o = run(dir.path(), c.command);
    EXPECT_EQ(o.status, c.status) << c.command;
    EXPECT_EQ(o.err, c.err) << c.command;
  }
  const std::string from_fifo = read_text(dir.file("f.rec")), from_file = read_text(dir.file("w.rec"));
  EXPECT_EQ(from_fifo.substr(from_fifo.find("fifo, SAC")), "fifo" + from_file.substr(from_file.find(", SAC")));
  // A file above the 2 GiB limit is refused by its size, before it is read.
  ASSERT_EQ(run(dir.path(), "truncate -s 2147483649 big.sac").status, 0);
  const auto o = run(dir.path(), kSeisfig + " big.sac -o b.png");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "seisfig: big.sac: larger than 2 GiB (2147483648 bytes), the most a file may hold\n");
}

TEST(Seisfig, MessagesNameTheFileAndTheOptionsItHas) {
  zarvo::testing::ScratchDir dir;
  seisdata::testing::SacSpec huge = wave(10, "A");
  huge.samples[3] = 3.4e38f;
  huge.samples[4] = -3.4e38f;
  write_file(dir.file("huge.sac"), seisdata::testing::sac_bytes(huge));
  std::vector<std::uint8_t> empty_records = seisdata::testing::mseed_int_bytes({1, 2, 3}, 11, 0);
  empty_records[30] = empty_records[31] = 0;  // header sample count 0
  write_file(dir.file("none.mseed"), empty_records);
  write_file(dir.file("w.sac"), seisdata::testing::sac_bytes(wave(300, "A")));
  std::string many;
  for (int i = 0; i <= 1000; ++i) many += " w.sac";
  const struct {
    std::string args;
    const char* err_end;  // the last line of the standard error stream
  } cases[] = {
      {"huge.sac -o h.png", "seisfig: huge.sac: XX.A.00.BHZ: cannot be drawn\n"},
      {"none.mseed -o n.png", "seisfig: the files hold no samples to draw\n"},
      {"w.sac --dpi 2400 -o d.png",
       "seisfig: page 1 would be 23688 x 13008 pixels at 2400 dpi: too large (at most 32767 pixels a side and "
       "64000000 in all; use a lower --dpi)\n"},
      {many + " -o m.pdf",
       "seisfig: more than 1000 traces; one figure holds at most 1000 pages: use --select\n"},
  };
  for (const auto& c : cases) {
    const auto o = run(dir.path(), kSeisfig + " " + c.args);
    EXPECT_EQ(o.status, 1) << c.args;
    const std::size_t last = o.err.rfind('\n', o.err.size() - 2);
    EXPECT_EQ(o.err.substr(last == std::string::npos ? 0 : last + 1), c.err_end) << c.args.substr(0, 40);
  }
  EXPECT_EQ(list_dir(dir.path()), (std::vector<std::string>{"huge.sac", "none.mseed", "w.sac"}));
}

TEST(Seisfig, ParallelRunsInOneDirectoryEachDrawTheirOwnTraces) {
  // Eight traces of different lengths, each drawn alone first, then all at once.
  constexpr int kRuns = 8;
  zarvo::testing::ScratchDir dir;
  std::string all;
  for (int k = 0; k < kRuns; ++k) {
    const std::string n = std::to_string(k);
    write_file(dir.file(n + ".sac"), seisdata::testing::sac_bytes(wave(200 + 50 * static_cast<std::size_t>(k), "S" + n)));
    ASSERT_EQ(run(dir.path(), kSeisfig + " " + n + ".sac -o alone" + n + ".png").status, 0);
    all += kSeisfig + " " + n + ".sac -o together" + n + ".png & ";
  }
  ASSERT_EQ(run(dir.path(), "{ " + all + "wait; }").status, 0);
  for (int k = 0; k < kRuns; ++k) {
    const std::string alone = read_text(dir.file("alone" + std::to_string(k) + ".png"));
    EXPECT_TRUE(read_text(dir.file("together" + std::to_string(k) + ".png")) == alone) << k;
    if (k > 0) {
      EXPECT_FALSE(alone == read_text(dir.file("alone0.png"))) << k;
    }
  }
  EXPECT_EQ(list_dir(dir.path()).size(), 3u * kRuns);  // no plot file or temporary left
}

// The processing options draw the same samples from SAC, from a record
// and from seis2rec's processed record, and the default title says what
// was applied.
TEST(Seisfig, ProcessedTracesAndRecordsAndTheirTitles) {
  zarvo::testing::ScratchDir dir;
  write_file(dir.file("a.sac"), seisdata::testing::sac_bytes(wave(2000, "A")));
  const std::string filter = " --highpass 0.5 --zerophase --taper 0.1";
  ASSERT_EQ(run(dir.path(), std::string(SEIS2REC) + " a.sac -o a.rec").status, 0);
  ASSERT_EQ(run(dir.path(), std::string(SEIS2REC) + " a.sac -o hp.rec" + filter).status, 0);
  std::string first;
  for (const std::string& input : {"a.sac" + filter, "a.rec" + filter, std::string("hp.rec")}) {
    const auto o = run(dir.path(), kSeisfig + " --title ' ' --plotfile p.plt -o p.svg " + input);
    ASSERT_EQ(o.status, 0) << input << ": " << o.err;
    if (first.empty()) first = read_text(dir.file("p.plt"));
    EXPECT_TRUE(read_text(dir.file("p.plt")) == first) << input;
  }

  const std::string applied = "; taper 0.1, highpass 0.5 Hz 4 corners zero-phase";
  const std::pair<std::string, std::string> titles[] = {
      {"a.sac" + filter, "XX.A.00.BHZ 2024-02-29T12:30:15.250000Z" + applied},
      {"a.rec" + filter, "XX.A.00.BHZ 2024-02-29T12:30:15.250000Z" + applied},
      {"a.rec --demean", "XX.A.00.BHZ 2024-02-29T12:30:15.250000Z; demean"},
  };
  for (const auto& [input, title] : titles) {
    const auto o = run(dir.path(), kSeisfig + " --plotfile t.plt -o t.svg " + input);
    ASSERT_EQ(o.status, 0) << input << ": " << o.err;
    EXPECT_EQ(count(read_text(dir.file("t.plt")), title), 1u) << input;
  }
  auto o = run(dir.path(), kSeisfig + " a.rec --lowpass 10 -o x.png");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "seisfig: a.rec: --lowpass 10 Hz: at or above the Nyquist frequency, 10 Hz at a sampling "
                   "rate of 20 Hz\n");
  o = run(dir.path(), kSeisfig + " a.sac --zerophase -o x.png");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err, "seisfig: --zerophase needs a filter: --lowpass, --highpass or --bandpass\n");
  EXPECT_FALSE(std::filesystem::exists(dir.file("x.png")));
}

}  // namespace
