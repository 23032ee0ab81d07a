// seisqc run as operators run it: over a generated SDS archive, in shards
// by GNU parallel and as Slurm array tasks, killed and resumed, and its page
// read back from headless Chromium.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "support.h"
#include "test_support.h"

namespace {

using seisdata::testing::list_dir;
using seisdata::testing::read_text;
using seisdata::testing::run;

const std::string kSeisqc = SEISQC;
const std::string kGensds = GENSDS;

// Five channels of 2024-02-29: whole, with a gap of 12.5 s at 40,000 s,
// with an overlap of 100 s at 49,900 s, a day file without samples, and
// one not selected by 'XX.*.*.*'.  Arguments of gensds after its ROOT.
const std::vector<std::string> kArchive = {
    "XX.AAA.00.BHZ 2024-02-29 86400 2", "XX.BBB.00.BHZ 2024-02-29 86400 2 2024-02-29T11:06:40 12.5",
    "XX.CCC.10.LHZ 2024-02-29 50000 1", "XX.CCC.10.LHZ 2024-02-29T13:51:40 10100 1",
    "YY.EEE.00.BHZ 2024-02-29 86400 2"};
const char* const kEmptyDayFile = "sds/2024/XX/DDD/BHZ.D/XX.DDD.00.BHZ.D.2024.060";
const std::vector<std::string> kSelected = {"XX.AAA.00.BHZ", "XX.BBB.00.BHZ", "XX.CCC.10.LHZ", "XX.DDD.00.BHZ"};

// Writes the archive dir/sds with gensds; returns seisqc's options to read its day.
std::string archive(const zarvo::testing::ScratchDir& dir, const std::vector<std::string>& channels = kArchive) {
  for (const std::string& c : channels) {
    const auto o = run(dir.path(), kGensds + " sds " + c);
    EXPECT_EQ(o.status, 0) << o.err;
  }
  if (&channels == &kArchive) {
    std::filesystem::create_directories(std::filesystem::path(dir.file(kEmptyDayFile)).parent_path());
    std::ofstream(dir.file(kEmptyDayFile)).flush();
  }
  return " --sds sds --day 2024-02-29 ";
}

// The identifiers of the status lines with the given status.
std::vector<std::string> ids_with(const std::string& out, const std::string& status) {
  std::vector<std::string> ids;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) {
    const std::size_t tab = line.find('\t');
    if (tab != std::string::npos && line.compare(tab + 1, status.size() + 1, status + "\t") == 0)
      ids.push_back(line.substr(0, tab));
  }
  std::sort(ids.begin(), ids.end());
  return ids;
}

// A whole metrics file (two lines) or PNG file (ending in its IEND chunk).
bool complete(const std::string& path) {
  const std::string text = read_text(path);
  if (path.ends_with(".tsv")) return std::count(text.begin(), text.end(), '\n') == 2 && text.back() == '\n';
  return text.size() > 12 && text.compare(text.size() - 12, 12, std::string("\0\0\0\0IEND\xae\x42\x60\x82", 12)) == 0;
}

std::string data_line(const std::string& file) {
  const std::string text = read_text(file);
  return text.substr(text.find('\n') + 1);
}

TEST(Seisqc, MetricsOfEveryChannelAndTheChannelList) {
  zarvo::testing::ScratchDir dir;
  const std::string input = archive(dir);
  const auto o = run(dir.path(), kSeisqc + input + "--select 'XX.*.*.*' -o qc --jobs 2");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(ids_with(o.out, "ok"), kSelected);
  for (const std::string& id : kSelected) {
    const std::string thumbnail = dir.file("qc/plots/" + id + ".2024-02-29.png");
    const std::string full = dir.file("qc/plots/" + id + ".2024-02-29.full.png");
    EXPECT_TRUE(complete(thumbnail) && complete(full)) << id;
    EXPECT_LT(4 * read_text(thumbnail).size(), read_text(full).size()) << id;
  }
  EXPECT_EQ(list_dir(dir.file("qc/plots")).size(), 2 * kSelected.size());
  // 40,000 s, then 12.5 s missing after the sample due at 40,000 s; 2 Hz.
  const std::string bbb = "XX.BBB.00.BHZ\t2024-02-29\t172775\t100.0\t1\t0\t12.5\t";
  EXPECT_EQ(data_line(dir.file("qc/metrics/XX.BBB.00.BHZ.2024-02-29.tsv")).substr(0, bbb.size()), bbb);
  // 50,000 + 10,100 samples at 1 Hz covering 60,000 s: 69.4 %.
  const std::string ccc = "XX.CCC.10.LHZ\t2024-02-29\t60100\t69.4\t0\t1\t0\t";
  EXPECT_EQ(data_line(dir.file("qc/metrics/XX.CCC.10.LHZ.2024-02-29.tsv")).substr(0, ccc.size()), ccc);
  EXPECT_EQ(data_line(dir.file("qc/metrics/XX.DDD.00.BHZ.2024-02-29.tsv")),
            "XX.DDD.00.BHZ\t2024-02-29\t0\t0.0\t0\t0\t0\t-\t-\t-\t-\n");
  EXPECT_EQ(read_text(dir.file("qc/channels.2024-02-29.tsv")),
            "root\t" + dir.path() + "/sds\nday\t2024-02-29\nchannel\tXX.AAA.00.BHZ\nchannel\tXX.BBB.00.BHZ\n"
            "channel\tXX.CCC.10.LHZ\nchannel\tXX.DDD.00.BHZ\n");
  // On one thread each channel reuses the memory of the one before: the same bytes.
  const auto one = run(dir.path(), kSeisqc + input + "--select 'XX.*.*.*' -o qc1 --jobs 1");
  ASSERT_EQ(one.status, 0) << one.err;
  for (const char* sub : {"/metrics/", "/plots/"}) {
    const std::vector<std::string> names = list_dir(dir.file(std::string("qc").append(sub)));
    ASSERT_EQ(list_dir(dir.file(std::string("qc1").append(sub))), names);
    for (const std::string& name : names)
      EXPECT_TRUE(read_text(dir.file(std::string("qc1").append(sub).append(name))) ==
                  read_text(dir.file(std::string("qc").append(sub).append(name))))
          << name;
  }
}

TEST(Seisqc, ShardsByGnuParallelAndSlurmCoverEveryChannelOnce) {
  zarvo::testing::ScratchDir dir;
  const std::string input = archive(dir);
  for (int n : {2, 7}) {
    const std::string out = std::string("p").append(std::to_string(n));  // appended: GCC 12 -O3 warns wrongly on a prepended literal
    const auto o = run(dir.path(), std::string(PARALLEL) + " " + kSeisqc + input + "--select 'XX.*.*.*' -o " + out +
                                       " --jobs 1 --shard {}/" + std::to_string(n) + " ::: $(seq " +
                                       std::to_string(n) + ")");
    ASSERT_EQ(o.status, 0) << o.err;
    std::vector<std::string> all = ids_with(o.out, "ok");
    EXPECT_EQ(all, kSelected) << n << " shards";
    EXPECT_EQ(list_dir(dir.file(out + "/metrics")).size(), kSelected.size());
  }
  // A 0-based array of three tasks, then a 1-based one of two.
  for (const auto& [first, count] : {std::pair{0, 3}, std::pair{1, 2}}) {
    std::vector<std::string> all;
    for (int task = first; task < first + count; ++task) {
      const auto o = run(dir.path(), "SLURM_ARRAY_TASK_ID=" + std::to_string(task) + " SLURM_ARRAY_TASK_MIN=" +
                                         std::to_string(first) + " SLURM_ARRAY_TASK_COUNT=" +
                                         std::to_string(count) + " " + kSeisqc + input +
                                         "--select 'XX.*.*.*' -o slurm --shard auto");
      ASSERT_EQ(o.status, 0) << o.err;
      for (const std::string& id : ids_with(o.out, "ok")) all.push_back(id);
    }
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, kSelected) << "tasks from " << first;
  }
}

TEST(Seisqc, KilledRunsLeaveNoPartialFileAndResume) {
  zarvo::testing::ScratchDir dir;
  std::vector<std::string> channels;
  // The first channel quick, the others long enough for the signal to land
  // while they are drawn.
  for (int i = 0; i < 4; ++i)
    channels.push_back("XX.S" + std::to_string(i) + ".00.HHZ 2024-02-29 86400 " + (i == 0 ? "2" : "50"));
  const std::string input = archive(dir, channels);
  for (const char* signal : {"TERM", "KILL"}) {
    const std::string out = std::string("qc-") + signal;
    // Stopped once the first channel is done.
    const auto killed = run(dir.path(), "(" + kSeisqc + input + "-o " + out + " --jobs 1 > " + out +
                                            ".txt & pid=$!; until grep -qs ok " + out +
                                            ".txt; do sleep 0.02; done; kill -" + signal + " $pid; wait $pid)");
    EXPECT_NE(killed.status, 0);
    EXPECT_LT(list_dir(dir.file(out + "/metrics")).size(), 4u) << signal;
    for (const char* sub : {"/metrics/", "/plots/"}) {
      for (const std::string& name : list_dir(dir.file(out + sub))) {
        if (name[0] == '.') {
          EXPECT_EQ(std::string(signal), "KILL") << "a temporary file left after SIGTERM: " << name;
          continue;
        }
        EXPECT_TRUE(complete(dir.file(out + sub + name))) << name;
      }
    }
    const auto resumed = run(dir.path(), kSeisqc + input + "-o " + out + " --jobs 2 --skip-existing");
    ASSERT_EQ(resumed.status, 0) << resumed.err;
    EXPECT_GE(ids_with(resumed.out, "skipped").size(), 1u);
    EXPECT_EQ(ids_with(resumed.out, "skipped").size() + ids_with(resumed.out, "ok").size(), 4u);
  }
}

TEST(Seisqc, FailedChannelsAreReportedAndTheRestDone) {
  zarvo::testing::ScratchDir dir;
  const std::string input = archive(dir, {"XX.A.00.BHZ 2024-02-29 86400 2", "XX.B.00.BHZ 2024-02-29 86400 2"});
  std::filesystem::resize_file(dir.file("sds/2024/XX/A/BHZ.D/XX.A.00.BHZ.D.2024.060"), 1000);
  const auto o = run(dir.path(), kSeisqc + input + "-o qc");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(ids_with(o.out, "failed"), std::vector<std::string>{"XX.A.00.BHZ"});
  EXPECT_EQ(ids_with(o.out, "ok"), std::vector<std::string>{"XX.B.00.BHZ"});
  EXPECT_NE(o.err.find("seisqc: XX.A.00.BHZ: "), std::string::npos) << o.err;
}

TEST(Seisqc, UsageErrors) {
  zarvo::testing::ScratchDir dir;
  const struct {
    std::string args;
    const char* message;  // start of the first line on stderr
  } cases[] = {
      {"--sds . --day 2024-02-30 -o qc", "seisqc: --day: bad day '2024-02-30'"},
      {"--sds . --day 2024-02-29 --start 2024-02-29 -o qc", "seisqc: --day gives the window"},
      {"--sds . --day 2024-02-29 -o qc --shard 3/2", "seisqc: bad --shard '3/2'"},
      {"--sds . --day 2024-02-29 -o qc --shard auto", "seisqc: --shard auto: SLURM_ARRAY_TASK_ID is not set"},
      {"--sds . --day 2024-02-29 -o qc --jobs 0", "seisqc: bad --jobs value '0'"},
      {"--sds . --day 2024-02-29", "usage: seisqc"},
      {"--merge qc -o qc", "seisqc: --merge DIR takes no other options"},
      {"--sds . --day 2024-02-29 -o qc --frobnicate", "seisqc: unknown option --frobnicate"},
  };
  for (const auto& c : cases) {
    const auto o = run(dir.path(), "env -u SLURM_ARRAY_TASK_ID " + kSeisqc + " " + c.args);
    EXPECT_EQ(o.status, 2) << c.args;
    EXPECT_EQ(o.err.substr(0, std::string(c.message).size()), c.message) << c.args;
  }
  EXPECT_EQ(list_dir(dir.path()), std::vector<std::string>{});
}

// "STATUS ID" of each row of the page.
std::vector<std::string> rows_of(const std::string& html) {
  std::vector<std::string> rows;
  for (std::size_t at = html.find("<tr class=\""); at != std::string::npos; at = html.find("<tr class=\"", at + 1)) {
    const std::size_t status = at + 11, id = html.find("class=\"id\" data-v=\"", at) + 19;
    rows.push_back(html.substr(status, html.find('"', status) - status) + " " +
                   html.substr(id, html.find('"', id) - id));
  }
  return rows;
}

// The page after one of two shards, as Chromium renders it.
TEST(Seisqc, MergedPageInABrowser) {
  zarvo::testing::ScratchDir dir;
  const std::string input = archive(dir);
  ASSERT_EQ(run(dir.path(), kSeisqc + input + "-o qc --shard 2/2").status, 0);
  auto o = run(dir.path(), kSeisqc + " --merge qc");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, "qc/index.html: 5 channels, 2 without metrics\n");

  const std::string url = "file://" + dir.file("qc/index.html");
  const std::string chromium = std::string(CHROMIUM) + " --headless --no-sandbox --disable-gpu 2>/dev/null ";
  o = run(dir.path(), chromium + "--dump-dom '" + url + "#sort=-availability'");
  ASSERT_EQ(o.status, 0) << o.err;
  // The rows as rendered, in the order the page's script sorted them.
  EXPECT_EQ(rows_of(o.out), (std::vector<std::string>{"ok YY.EEE.00.BHZ", "warning XX.CCC.10.LHZ",
                                                       "error XX.DDD.00.BHZ", "missing XX.AAA.00.BHZ",
                                                       "missing XX.BBB.00.BHZ"}));
  for (const char* text : {">60100<", ">69.4<", "no data", "availability under 99.5 % or more than 20 gaps",
                           "id=\"count-missing\">2<", "th data-key=\"availability\" data-n=\"\" data-dir=\"desc\""})
    EXPECT_NE(o.out.find(text), std::string::npos) << text;

  o = run(dir.path(), chromium + "--screenshot=shot.png --window-size=1200,500 '" + url + "'");
  ASSERT_EQ(o.status, 0) << o.err;
  const std::string png = read_text(dir.file("shot.png"));
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  EXPECT_EQ(png.substr(16, 8), std::string("\0\0\x04\xb0\0\0\x01\xf4", 8));  // 1200 by 500 pixels
}

}  // namespace
