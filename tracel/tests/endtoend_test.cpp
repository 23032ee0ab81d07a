// tracel end to end on the bundled record II.TLY.BHZ.rec: the plot file is
// parsed into commands and its structure checked against the one graph that
// tracel asks for (frame 8 by 4 inches, default text size 8, font 0).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Command {
  char op = 0;
  int x = 0, y = 0;       // m, d: the point
  int size = 0, orient = 0, font = 0;  // t: the attribute word
  std::string text;       // t: the text bytes
};

int16_t get16(const std::string& b, std::size_t at) {
  return static_cast<int16_t>(static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8));
}

// Splits a plot file into commands; fails the test on a malformed byte.
std::vector<Command> parse(const std::string& b) {
  std::vector<Command> out;
  std::size_t i = 0;
  while (i < b.size()) {
    Command c;
    c.op = b[i];
    auto need = [&](std::size_t n) {
      if (i + n > b.size()) {
        ADD_FAILURE() << "command '" << c.op << "' at byte " << i << " runs past the end";
        return false;
      }
      return true;
    };
    switch (c.op) {
      case 'e':
        i += 1;
        break;
      case 'f':
        if (!need(3)) return out;
        c.x = get16(b, i + 1);
        i += 3;
        break;
      case 'm':
      case 'd':
        if (!need(5)) return out;
        c.x = get16(b, i + 1);
        c.y = get16(b, i + 3);
        i += 5;
        break;
      case 't': {
        if (!need(6)) return out;
        const uint8_t a0 = static_cast<uint8_t>(b[i + 1]);
        c.size = a0 & 31;
        c.orient = (a0 >> 5) & 3;
        c.font = static_cast<uint8_t>(b[i + 2]);
        const std::size_t end = b.find('\0', i + 5);
        if (end == std::string::npos) {
          ADD_FAILURE() << "text at byte " << i << " has no terminating zero";
          return out;
        }
        c.text = b.substr(i + 5, end - (i + 5));
        i = end + 1;
        break;
      }
      case 'a': {
        if (!need(5)) return out;
        const int n = get16(b, i + 3);
        if (!need(static_cast<std::size_t>(9 + 4 * n))) return out;
        i += static_cast<std::size_t>(9 + 4 * n);
        break;
      }
      case 'c':
        if (!need(9)) return out;
        i += 9;
        break;
      default:
        ADD_FAILURE() << "unknown command byte " << int(static_cast<uint8_t>(c.op)) << " at " << i;
        return out;
    }
    out.push_back(c);
  }
  return out;
}

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) / ("tracel_e2e_" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    fs::copy_file(EXAMPLES_DIR "/II.TLY.BHZ.rec", dir_ / "II.TLY.BHZ.rec");
    const std::string cmd = "cd '" + dir_.string() + "' && echo II.TLY.BHZ.rec | env -u pltfil -u zarvo_debug '" TRACEL_BIN
                            "' > stdout.txt 2> stderr.txt";
    const int rc = std::system(cmd.c_str());
    status_ = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    std::ifstream in(dir_ / "pltfil", std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    bytes_ = s.str();
    cmds_ = parse(bytes_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Expects a move then a draw: one tick stroke from (x0, y0) to (x1, y1).
  void expect_stroke(std::size_t& k, int x0, int y0, int x1, int y1) {
    ASSERT_LT(k + 1, cmds_.size());
    EXPECT_EQ(cmds_[k].op, 'm') << "command " << k;
    EXPECT_EQ(cmds_[k].x, x0) << "command " << k;
    EXPECT_EQ(cmds_[k].y, y0) << "command " << k;
    EXPECT_EQ(cmds_[k + 1].op, 'd') << "command " << k + 1;
    EXPECT_EQ(cmds_[k + 1].x, x1) << "command " << k + 1;
    EXPECT_EQ(cmds_[k + 1].y, y1) << "command " << k + 1;
    k += 2;
  }

  // Expects a move then a text command; returns the text command.
  Command expect_text(std::size_t& k, const std::string& text) {
    EXPECT_LT(k + 1, cmds_.size());
    if (k + 1 >= cmds_.size()) return {};
    EXPECT_EQ(cmds_[k].op, 'm') << "command " << k;
    const Command& t = cmds_[k + 1];
    EXPECT_EQ(t.op, 't') << "command " << k + 1;
    EXPECT_EQ(t.text, text) << "command " << k + 1;
    EXPECT_EQ(t.font, 0);
    Command placed = t;
    placed.x = cmds_[k].x;
    placed.y = cmds_[k].y;
    k += 2;
    return placed;
  }

  fs::path dir_;
  int status_ = -1;
  std::string bytes_;
  std::vector<Command> cmds_;
};

}  // namespace

TEST_F(EndToEnd, PlotsTheBundledRecord) {
  ASSERT_EQ(status_, 0);
  ASSERT_FALSE(bytes_.empty());
  ASSERT_EQ(cmds_.front().op, 'e');
  EXPECT_EQ(bytes_[0], 0x65);

  // The record: 12684 samples at dt = 0.05 s, from -804669 to 1045237
  // counts, the first -1591 and the last -381657.  Ranges found from the
  // data: x 0 to 700 (ticks every 200 from 0), y -1000000 to 1100000 (ticks
  // every 500000 from -1000000).  Scales: sx = 700 / 2400, sy = 2100000 /
  // 1200 = 1750 per plot unit.
  //   first point: (0, -1591)         -> (400, 320 + 998409 / 1750) = (400, 890)
  //   last point:  (12683 * 0.05, -381657) -> (400 + 634.15 / sx, 320 + 618343 / 1750) = (2574, 673)
  std::size_t k = 1;
  ASSERT_EQ(cmds_[k].op, 'm');
  EXPECT_EQ(cmds_[k].x, 400);
  EXPECT_EQ(cmds_[k].y, 890);
  ++k;
  int px = cmds_[1].x, py = cmds_[1].y;
  while (k < cmds_.size() && cmds_[k].op == 'd') {
    const Command& c = cmds_[k];
    EXPECT_FALSE(c.x == px && c.y == py) << "repeated position at command " << k;
    EXPECT_GE(c.x, px) << "time runs backwards at command " << k;
    EXPECT_TRUE(c.x >= 400 && c.x <= 2800 && c.y >= 320 && c.y <= 1520)
        << "curve outside the frame at command " << k;
    px = c.x;
    py = c.y;
    ++k;
  }
  EXPECT_GT(k, 1000u) << "the curve has a draw for most positions";
  EXPECT_EQ(px, 2574);
  EXPECT_EQ(py, 673);

  // The frame: a move and four draws, from (400, 320) to (2800, 1520).
  ASSERT_LT(k + 4, cmds_.size());
  EXPECT_EQ(cmds_[k].op, 'm');
  EXPECT_EQ(cmds_[k].x, 400);
  EXPECT_EQ(cmds_[k].y, 320);
  const int corners[4][2] = {{400, 1520}, {2800, 1520}, {2800, 320}, {400, 320}};
  for (int j = 0; j < 4; ++j) {
    EXPECT_EQ(cmds_[k + 1 + j].op, 'd');
    EXPECT_EQ(cmds_[k + 1 + j].x, corners[j][0]);
    EXPECT_EQ(cmds_[k + 1 + j].y, corners[j][1]);
  }
  k += 5;

  // X ticks at 0, 200, 400, 600: strokes 40 long up from the bottom edge and
  // down from the top, each number centred below on one baseline.
  const char* xnums[] = {"0", "200", "400", "600"};
  int baseline = 0;
  for (int j = 0; j < 4; ++j) {
    const float sx = 700.0f / (300.0f * 8.0f);
    const int x = static_cast<int>(double(200.0f * static_cast<float>(j)) / double(sx) + 400.0);
    SCOPED_TRACE("x tick " + std::string(xnums[j]));
    expect_stroke(k, x, 320, x, 360);
    expect_stroke(k, x, 1520, x, 1480);
    const Command t = expect_text(k, xnums[j]);
    EXPECT_EQ(t.orient, 0);
    EXPECT_EQ(t.size, 8);
    EXPECT_LT(t.x, x);
    EXPECT_LT(t.y, 320);
    if (j == 0) baseline = t.y;
    EXPECT_EQ(t.y, baseline);
  }

  // Y ticks at -1000000 to 1000000 step 500000: strokes 40 long in from the
  // left and right edges; numbers of more than five characters shrink to
  // 8 * 5 / k.
  const struct {
    const char* text;
    int size;
  } ynums[] = {{"-1e+06", 6}, {"-500000", 5}, {"0", 8}, {"500000", 6}, {"1e+06", 8}};
  for (int j = 0; j < 5; ++j) {
    const float sy = 2100000.0f / (300.0f * 4.0f);
    const int y = static_cast<int>(double(500000.0f * static_cast<float>(j)) / double(sy) + 320.0);
    SCOPED_TRACE("y tick " + std::string(ynums[j].text));
    expect_stroke(k, 400, y, 440, y);
    expect_stroke(k, 2800, y, 2760, y);
    const Command t = expect_text(k, ynums[j].text);
    EXPECT_EQ(t.orient, 0);
    EXPECT_EQ(t.size, ynums[j].size);
    EXPECT_LT(t.x, 400);
    EXPECT_GE(t.y, 320);
  }

  // The axis titles and the one-blank title, and nothing after them.
  const Command xt = expect_text(k, "Time (s)");
  EXPECT_EQ(xt.size, 8);
  EXPECT_EQ(xt.orient, 0);
  EXPECT_LT(xt.y, baseline);
  const Command yt = expect_text(k, "Amp");
  EXPECT_EQ(yt.size, 8);
  EXPECT_EQ(yt.orient, 1);
  EXPECT_LT(yt.x, 400);
  const Command title = expect_text(k, " ");
  EXPECT_EQ(title.size, 8);
  EXPECT_EQ(title.orient, 0);
  EXPECT_GT(title.y, 1520);
  EXPECT_EQ(k, cmds_.size()) << "commands after the title";
}
