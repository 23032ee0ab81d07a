// zarvo_: naming, environment, point count, set-up, opening, call modes and
// the failure table.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "state.h"
#include "test_support.h"
#include <zarvo/zarvo.h>

namespace zarvo {
namespace {

using testing::Command;
using testing::InScratchDir;
using testing::line;
using testing::move;
using testing::parse_plot;
using testing::read_file;
using testing::text;

using Para = std::array<float, 22>;

Para tracel_para() {
  Para para{};
  para[0] = 8.0f;
  para[1] = 4.0f;
  return para;
}

struct Call {
  int32_t status;
  std::string err;
};

Call call(int32_t n, const std::vector<float>& x, const std::vector<float>& y, Para& para,
          const char* title = " ", const char* xlabel = "Time (s)", const char* ylabel = "Amp") {
  ::testing::internal::CaptureStderr();
  const int32_t status = zarvo_(&n, x.data(), y.data(), xlabel, ylabel, title, para.data());
  return {status, ::testing::internal::GetCapturedStderr()};
}

std::vector<Command> plot_file(const std::string& name = "pltfil") {
  std::fflush(lib.plotfile);
  return parse_plot(read_file(name));
}

const std::vector<float> kX{0.0f, 1.0f, 2.0f, 3.0f};
const std::vector<float> kY{0.0f, 1.0f, 0.0f, -1.0f};

TEST(Naming, SetsTheNameAndDrawsNothing) {
  InScratchDir here;
  Para para = tracel_para();
  para[19] = -1.0f;
  const Call c = call(4, kX, kY, para, "first.plt");
  EXPECT_EQ(c.status, 0);
  EXPECT_EQ(c.err, "ZARVO: plotfile name set to first.plt\n");
  EXPECT_EQ(para[19], 0.0f);
  EXPECT_FALSE(std::filesystem::exists("first.plt"));
  EXPECT_EQ(call(4, kX, kY, para).status, 0);
  EXPECT_EQ(plot_file("first.plt").front().op, 'e');
}

TEST(Naming, NamesBeyondEightyCharactersAreRefused) {
  InScratchDir here;
  Para para = tracel_para();
  para[19] = -1.0f;
  const std::string name(80, 'n');
  EXPECT_EQ(call(4, kX, kY, para, name.c_str()).status, 0);
  EXPECT_EQ(std::string(lib.plotfile_name), name);

  const std::string longer = name + "x";
  para[19] = -1.0f;
  Call c = call(4, kX, kY, para, longer.c_str());
  EXPECT_EQ(c.status, -1);
  EXPECT_EQ(c.err, "Zarvo: plotfile name longer than 80 characters: " + longer + "\n");
  EXPECT_EQ(std::string(lib.plotfile_name), name);  // the name before stays
  EXPECT_EQ(para[19], -1.0f);

  para[19] = 0.0f;
  setenv("pltfil", longer.c_str(), 1);
  const Para before = para;
  c = call(4, kX, kY, para);
  EXPECT_EQ(c.status, -1);
  EXPECT_EQ(c.err, "Zarvo: plotfile name longer than 80 characters: " + longer + "\n");
  EXPECT_EQ(para, before);
  EXPECT_TRUE(std::filesystem::is_empty(here.dir().path()));  // nothing written
}

TEST(Environment, PltfilWinsOverANamingCall) {
  InScratchDir here;
  Para para = tracel_para();
  para[19] = -1.0f;
  call(4, kX, kY, para, "named.plt");
  setenv("pltfil", "fromenv.plt", 1);
  EXPECT_EQ(call(4, kX, kY, para).status, 0);
  EXPECT_TRUE(std::filesystem::exists("fromenv.plt"));
  EXPECT_FALSE(std::filesystem::exists("named.plt"));
}

TEST(Environment, EmptyPltfilCannotBeOpened) {
  InScratchDir here;
  setenv("pltfil", "", 1);
  Para para = tracel_para();
  const Call c = call(4, kX, kY, para);
  EXPECT_EQ(c.status, -1);
  EXPECT_EQ(c.err, "Zarvo: can't open \n");
  EXPECT_EQ(para[19], 0.0f);
  EXPECT_NE(para[8], 0.0f);  // the set-up values stay in the block
}

TEST(Environment, EmptyDebugSwitchRefusesZeroPoints) {
  InScratchDir here;
  setenv("zarvo_debug", "", 1);
  Para para = tracel_para();
  const Para before = para;
  const Call c = call(0, kX, kY, para);
  EXPECT_EQ(c.status, -1);
  EXPECT_EQ(c.err, "ZARVO: error, non-positive point count\n");
  EXPECT_EQ(para, before);
  EXPECT_FALSE(std::filesystem::exists("pltfil"));
}

TEST(Environment, ExtendedModeIsAnnouncedWithTheDebugSwitch) {
  InScratchDir here;
  setenv("zarvo_debug", "1", 1);
  Para para = tracel_para();
  para[13] = -1.0f;
  const Call c = call(4, kX, kY, para);
  EXPECT_EQ(c.status, 0);
  EXPECT_EQ(c.err, "ZARVO: extended mode\n");
}

TEST(PointCount, NegativeIsRefused) {
  InScratchDir here;
  Para para = tracel_para();
  const Call c = call(-1, kX, kY, para);
  EXPECT_EQ(c.status, -1);
  EXPECT_EQ(c.err, "ZARVO: error, non-positive point count\n");
  EXPECT_FALSE(std::filesystem::exists("pltfil"));
}

TEST(PointCount, ZeroDrawsFrameAndAnnotationWithoutCurve) {
  InScratchDir here;
  Para para = tracel_para();
  const std::vector<float> x{3.0f};
  const std::vector<float> y{3.0f};
  EXPECT_EQ(call(0, x, y, para).status, 0);
  // The first elements still set the range as a single point would.
  EXPECT_EQ(para[2], 0.0f);
  EXPECT_EQ(para[4], 6.0f);
  const auto cmds = plot_file();
  ASSERT_GE(cmds.size(), 3u);
  EXPECT_EQ(cmds[0].op, 'e');
  EXPECT_EQ(cmds[1], move(400, 320));  // the frame follows the erase at once
  EXPECT_EQ(cmds[2], line(400, 1520));
}

TEST(SetUp, TextSettingDefaultsAndFrameCorner) {
  const std::pair<float, float> cases[] = {{0.0f, 8.0f}, {2000.0f, 2008.0f}, {2012.0f, 2012.0f}};
  for (const auto& [given, kept] : cases) {
    InScratchDir here;
    Para para = tracel_para();
    para[10] = given;
    ASSERT_EQ(call(4, kX, kY, para).status, 0);
    EXPECT_EQ(para[10], kept);
  }
  InScratchDir here;
  Para para = tracel_para();
  para[10] = 2012.0f;
  call(4, kX, kY, para);
  EXPECT_EQ(lib.origin_offset, 12);
  EXPECT_EQ(lib.txtinfo.font, 2);
  EXPECT_EQ(lib.txtinfo.size, 12);
  const auto cmds = plot_file();
  const auto frame = std::find(cmds.begin(), cmds.end(), move(600, 480));
  ASSERT_NE(frame, cmds.end());
  EXPECT_EQ(*(frame + 1), line(600, 1680));
}

TEST(SetUp, DefaultsOfAnEmptyBlock) {
  InScratchDir here;
  Para para{};
  para[12] = -1.0f;  // polygon markers: default size 2
  ASSERT_EQ(call(4, kX, kY, para).status, 0);
  EXPECT_EQ(para[0], 5.5f);
  EXPECT_EQ(para[1], 5.5f);
  EXPECT_EQ(para[13], 2.0f);
  EXPECT_EQ(para[11], 1.0f);
  EXPECT_EQ(para[19], 1.0f);
}

TEST(SetUp, StartAndIncrementSpanIsNotWidened) {
  InScratchDir here;
  Para para = tracel_para();
  para[18] = 1.0f;
  const std::vector<float> x{0.5f, 0.25f};
  const std::vector<float> y{1.0f, 5.0f, 2.0f, 3.0f, 4.0f};
  ASSERT_EQ(call(5, x, y, para).status, 0);
  EXPECT_EQ(para[2], 0.5f);
  EXPECT_EQ(para[4], 1.5f);
}

TEST(SetUp, StartAndIncrementWithZeroStepReadsOnlyTheStart) {
  InScratchDir here;
  Para para = tracel_para();
  para[18] = 1.0f;
  const std::vector<float> x{4.0f, 0.0f};  // two elements for five points
  const std::vector<float> y{1.0f, 5.0f, 2.0f, 3.0f, 4.0f};
  ASSERT_EQ(call(5, x, y, para).status, 0);
  EXPECT_EQ(para[2], 0.0f);
  EXPECT_EQ(para[4], 8.0f);
}

TEST(SetUp, EqualScalesNarrowTheCoarserAxis) {
  InScratchDir here;
  Para para = tracel_para();
  para[2] = 0.0f;
  para[4] = 16.0f;  // 2 units per inch
  para[3] = 0.0f;
  para[5] = 4.0f;   // 1 unit per inch
  para[15] = 1.0f;
  ASSERT_EQ(call(4, kX, kY, para).status, 0);
  EXPECT_EQ(para[2], 4.0f);
  EXPECT_EQ(para[4], 12.0f);
  EXPECT_EQ(para[3], 0.0f);
  EXPECT_EQ(para[5], 4.0f);
}

TEST(SetUp, EqualScalesWithMinusOneSuppressFrameAndTicks) {
  InScratchDir here;
  Para para = tracel_para();
  para[15] = -1.0f;
  ASSERT_EQ(call(4, kX, kY, para, "T").status, 0);
  const auto cmds = plot_file();
  int texts = 0;
  for (const auto& c : cmds) texts += c.op == 't';
  EXPECT_EQ(texts, 3);  // the two axis titles and the title only
  EXPECT_EQ(cmds.back().text, "T");
}

TEST(SetUp, UnscalableDataIsRefusedWithoutCreatingTheFile) {
  InScratchDir here;
  Para para = tracel_para();
  const std::vector<float> y{1.0f, std::numeric_limits<float>::quiet_NaN(), 2.0f, 3.0f};
  const Call c = call(4, kX, y, para);
  EXPECT_EQ(c.status, -1);
  EXPECT_EQ(c.err, "zarvo unable to scale data \n");
  EXPECT_EQ(para[19], 0.0f);
  EXPECT_FALSE(std::filesystem::exists("pltfil"));
  EXPECT_EQ(para[10], 8.0f);  // the defaults are written back all the same
}

TEST(SetUp, RangesBeyondSinglePrecisionAreRefusedWithoutHanging) {
  const float tiny = std::numeric_limits<float>::denorm_min();
  struct Case {
    std::vector<float> x;
    std::vector<float> y;
  };
  const std::vector<Case> cases = {
      {{0.0f}, {1.0e38f}},
      {{0.0f}, {5.15e37f}},
      {{0.0f}, {-1.0e38f}},
      {{0.0f, 3.0e37f, 6.0e37f}, {1.0f, 2.0f, 3.0f}},  // dt = 3e37
      {{0.0f, 1.0f}, {3e-41f, 3e-41f + 2.0f * tiny}},   // a ninth of the range is 0
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.y.front());
    InScratchDir here;
    Para para = tracel_para();
    const Call c = call(static_cast<int32_t>(k.x.size()), k.x, k.y, para);
    EXPECT_EQ(c.status, -1);
    EXPECT_EQ(c.err, "zarvo unable to scale data \n");
    EXPECT_FALSE(std::filesystem::exists("pltfil"));
  }
  InScratchDir here;
  Para para = tracel_para();
  EXPECT_EQ(call(1, {0.0f}, {1.0e37f}, para).status, 0);
}

TEST(CallModes, SecondCallAddsTheCurveOnly) {
  InScratchDir here;
  Para para = tracel_para();
  ASSERT_EQ(call(4, kX, kY, para).status, 0);
  EXPECT_EQ(para[11], 1.0f);
  EXPECT_EQ(para[19], 1.0f);
  const size_t first = plot_file().size();
  const std::vector<float> x2{0.0f, 3.0f};
  const std::vector<float> y2{1.0f, 1.0f};
  ASSERT_EQ(call(2, x2, y2, para).status, 0);
  const auto cmds = plot_file();
  ASSERT_EQ(cmds.size(), first + 2);
  EXPECT_EQ(cmds[first].op, 'm');
  EXPECT_EQ(cmds[first + 1].op, 'd');
}

TEST(CallModes, ReannotatedCurveDrawsTheFrameAgain) {
  InScratchDir here;
  Para para = tracel_para();
  ASSERT_EQ(call(4, kX, kY, para).status, 0);
  const auto first = plot_file();
  para[11] = -1.0f;
  ASSERT_EQ(call(4, kX, kY, para).status, 0);
  EXPECT_EQ(para[11], 1.0f);
  const auto both = plot_file();
  ASSERT_EQ(both.size(), 2 * first.size() - 1);  // everything again but the erase
  EXPECT_EQ(std::vector<Command>(both.begin() + static_cast<long>(first.size()), both.end()),
            std::vector<Command>(first.begin() + 1, first.end()));
}

TEST(CallModes, NewGraphInTheSameFile) {
  InScratchDir here;
  Para para = tracel_para();
  ASSERT_EQ(call(4, kX, kY, para).status, 0);
  para[11] = 0.0f;
  ASSERT_EQ(call(4, kX, kY, para).status, 0);
  int erases = 0;
  for (const auto& c : plot_file()) erases += c.op == 'e';
  EXPECT_EQ(erases, 2);
}

TEST(CallModes, AddedCurveBeforeOpeningSetsUpWithoutErasing) {
  InScratchDir here;
  Para para = tracel_para();
  para[11] = 1.0f;
  ASSERT_EQ(call(4, kX, kY, para).status, 0);
  const auto cmds = plot_file();
  ASSERT_EQ(cmds.size(), 4u);  // the curve only: one move, three draws
  EXPECT_EQ(cmds.front().op, 'm');
  EXPECT_EQ(cmds.front().args[0], 400);
}

TEST(CallModes, OpenFlagWithoutAStreamIsRefused) {
  InScratchDir here;
  Para para = tracel_para();
  para[19] = 1.0f;
  const Call c = call(4, kX, kY, para);
  EXPECT_EQ(c.status, -1);
  EXPECT_EQ(c.err, "Zarvo: plotfile not open; set para(20) to 0 to open it\n");
  EXPECT_FALSE(std::filesystem::exists("pltfil"));
}

TEST(CallModes, CannotOpenLeavesTheFlagAtZero) {
  InScratchDir here;
  setenv("pltfil", "no/such/dir/pltfil", 1);
  Para para = tracel_para();
  const Call c = call(4, kX, kY, para);
  EXPECT_EQ(c.status, -1);
  EXPECT_EQ(c.err, "Zarvo: can't open no/such/dir/pltfil\n");
  EXPECT_EQ(para[19], 0.0f);
}

}  // namespace
}  // namespace zarvo
