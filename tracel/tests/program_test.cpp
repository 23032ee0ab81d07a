// The built tracel program, run in a scratch directory with its standard
// input fed: the dialogue, the exit status, the plot file and bad input.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

const std::string kPrompt = " Enter seismogram record name\n";

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

int count_lines(const std::string& s) {
  int n = 0;
  for (char c : s) n += (c == '\n');
  return n;
}

struct Outcome {
  int status = -1;
  std::string out, err;
};

// A sample field: `s` right-aligned in 16 columns.
std::string f16(const std::string& s) { return std::string(16 - s.size(), ' ') + s; }

const std::string kSmall = "small test record\nheader 2\nheader 3\n"
                           "        1.00000    6        0.01000\n" +
                           f16("1.0") + f16("-2.0") + f16("3.0") + f16("-4.0") + f16("5.0") + "\n" +
                           f16("0.5") + "\n";

class Program : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) /
           ("tracel_program_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  void write(const std::string& name, const std::string& content) {
    std::ofstream(dir_ / name, std::ios::binary) << content;
  }

  // Runs tracel in the scratch directory with `input` on its standard input;
  // `env` is put in front of the command (e.g. "pltfil=/dev/full").
  Outcome run(const std::string& input, const std::string& env = "") {
    write("stdin.txt", input);
    const std::string cmd = "cd '" + dir_.string() + "' && env -u pltfil -u zarvo_debug " + env +
                            " '" TRACEL_BIN "' < stdin.txt > stdout.txt 2> stderr.txt";
    const int rc = std::system(cmd.c_str());
    Outcome r;
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = slurp(dir_ / "stdout.txt");
    r.err = slurp(dir_ / "stderr.txt");
    return r;
  }

  bool plotted() const { return fs::exists(dir_ / "pltfil"); }

  // Bad input: failure status, the prompt, one diagnostic naming the file
  // and line, and no plot file.
  void expect_refused(const Outcome& r, const std::string& diagnostic) {
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.out, kPrompt);
    EXPECT_EQ(count_lines(r.err), 1) << r.err;
    EXPECT_EQ(r.err, "tracel: " + diagnostic + "\n");
    EXPECT_FALSE(plotted());
  }

  fs::path dir_;
};

}  // namespace

TEST_F(Program, PromptAndPlotFile) {
  write("small.rec", kSmall);
  Outcome r = run("small.rec\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, kPrompt);
  EXPECT_EQ(r.err, "");
  ASSERT_TRUE(plotted());
  const std::string plot = slurp(dir_ / "pltfil");
  ASSERT_FALSE(plot.empty());
  EXPECT_EQ(plot[0], 'e');
}

TEST_F(Program, NameWithTrailingBlanksAndNoNewline) {
  write("small.rec", kSmall);
  Outcome r = run("small.rec      ");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(plotted());
}

TEST_F(Program, LongNameIsCutWithAWarning) {
  write("abcdefghijklmnopqrst", kSmall);
  Outcome r = run("abcdefghijklmnopqrstuvwxyz\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, kPrompt);
  EXPECT_EQ(r.err,
            "tracel: warning: record name longer than 20 characters, cut to \"abcdefghijklmnopqrst\"\n");
  EXPECT_TRUE(plotted());
}

TEST_F(Program, LongNameOfAMissingFile) {
  Outcome r = run("a_rather_long_record_name.rec\n");
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(r.err,
            "tracel: warning: record name longer than 20 characters, cut to \"a_rather_long_record\"\n"
            "tracel: a_rather_long_record:1: cannot open record file: No such file or directory\n");
  EXPECT_FALSE(plotted());
}

TEST_F(Program, MissingRecord) {
  expect_refused(run("nosuch.rec\n"), "nosuch.rec:1: cannot open record file: No such file or directory");
  EXPECT_FALSE(fs::exists(dir_ / "nosuch.rec")) << "no empty file is left behind";
}

TEST_F(Program, NoNameAtAll) {
  Outcome r = run("");
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(r.out, kPrompt);
  EXPECT_EQ(r.err, "tracel: no record name read from standard input\n");
  EXPECT_FALSE(plotted());
}

TEST_F(Program, EndsInTheHeader) {
  write("r", "only one header line\n");
  expect_refused(run("r\n"), "r:2: file ends before header line 2");
}

TEST_F(Program, CountLineMissing) {
  write("r", "h1\nh2\nh3\n");
  expect_refused(run("r\n"), "r:4: file ends before the count line");
}

TEST_F(Program, SampleLineMissing) {
  write("r", kSmall.substr(0, kSmall.size() - 17));  // drop the last line
  expect_refused(run("r\n"), "r:6: file ends before sample 6 of 6");
}

TEST_F(Program, NonNumericCharacter) {
  std::string bad = kSmall;
  bad.replace(bad.find("-4.0"), 4, "-4.O");
  write("r", bad);
  expect_refused(run("r\n"), "r:5: sample 4 (columns 49-64): unexpected character 'O' in column 64");
}

TEST_F(Program, NameWithANulByte) {
  expect_refused(run(std::string("small\0.rec\n", 11)),
                 "small0x00.rec:1: cannot open record file: a NUL byte in its name");
}

TEST_F(Program, EndlessLine) {
  expect_refused(run("/dev/zero\n"), "/dev/zero:1: line longer than 16777216 characters");
  expect_refused(run(std::string(16777217, ' ') + "\n"), "record name line longer than 16777216 characters");
}

TEST_F(Program, PlotFileThatCannotBeWritten) {
  write("small.rec", kSmall);
  Outcome r = run("small.rec\n", "pltfil=/dev/full");
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(r.out, kPrompt);
  EXPECT_NE(r.err.find("tracel: error writing plot file \"/dev/full\""), std::string::npos) << r.err;
}

TEST_F(Program, PlotFileThatCannotBeOpened) {
  write("small.rec", kSmall);
  Outcome r = run("small.rec\n", "pltfil=no/such/dir/pltfil");
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(r.err,
            "Zarvo: can't open no/such/dir/pltfil\n"
            "tracel: record \"small.rec\" not plotted: the plot library refused it\n");
}

TEST_F(Program, NegativeCountIsRefusedByThePlotLibrary) {
  write("r", "h1\nh2\nh3\n        1.00000   -1        0.01000\n\n");
  Outcome r = run("r\n");
  EXPECT_NE(r.status, 0);
  EXPECT_EQ(r.err,
            "ZARVO: error, non-positive point count\n"
            "tracel: record \"r\" not plotted: the plot library refused it\n");
  EXPECT_FALSE(plotted());
}

TEST_F(Program, ZeroCountPlotsAnEmptyGraph) {
  write("r", "h1\nh2\nh3\n        1.00000    0        0.01000\n\n");
  Outcome r = run("r\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  ASSERT_TRUE(plotted());
  const std::string plot = slurp(dir_ / "pltfil");
  ASSERT_GE(plot.size(), 6u);
  EXPECT_EQ(plot[0], 'e');
  // No curve: the frame's move to the lower-left corner (400, 320) follows.
  EXPECT_EQ(plot.substr(1, 5), std::string("m\x90\x01\x40\x01", 5));
}
