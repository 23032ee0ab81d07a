// The Fortran caller: its plot file must be byte for byte the one that the
// same calls make from C++, and the bytes that can be predicted must be
// there.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <string>
#include <vector>

#include "state.h"
#include "test_support.h"
#include <zarvo/zarvo.h>

namespace zarvo {
namespace {

using testing::Bytes;
using testing::Command;
using testing::InScratchDir;
using testing::line;
using testing::move;
using testing::parse_plot;
using testing::read_file;
using testing::text;

struct FortranRun {
  std::string out;
  Bytes plot;
};

// Runs a Fortran program in dir; its standard output and the plot file.
FortranRun run_fortran(const testing::ScratchDir& dir, const std::string& program = FORTRAN_CALLER,
                       const std::string& plot = "pltfil") {
  const std::string command = "cd '" + dir.path() + "' && '" + program + "' 2>/dev/null";
  std::FILE* pipe = popen(command.c_str(), "r");
  EXPECT_NE(pipe, nullptr);
  std::string out;
  char buf[256];
  while (std::fgets(buf, sizeof buf, pipe) != nullptr) out += buf;
  EXPECT_EQ(pclose(pipe), 0) << command;
  return {out, read_file(dir.file(plot))};
}

// The calls of the Fortran caller, made from C++.
std::array<int32_t, 14> cxx_caller() {
  std::array<int32_t, 14> st{};
  float para[22] = {};
  para[0] = 8.0f;
  para[1] = 4.0f;
  para[2] = 0.0f;
  para[4] = 2400.0f;
  para[3] = -600.0f;
  para[5] = 600.0f;
  para[6] = 0.0f;
  para[8] = 600.0f;
  para[7] = -600.0f;
  para[9] = 300.0f;
  para[14] = 1.0f;
  float x[5] = {0.0f, 600.0f, 1200.0f, 1800.0f, 2400.0f};
  float y[5] = {0.0f, 300.0f, 600.0f, -300.0f, 0.0f};
  const int32_t np = 5;
  st[0] = zarvo_(&np, x, y, "Time (s)", "Amp", "Fortran caller", para);
  float xs = 0.0f;
  float ys = 0.0f;
  const float xe = 2400.0f;
  const float ye = 0.0f;
  st[1] = zmove_(&xs, &ys, para);
  st[2] = zline_(&xe, &ye, para);
  xs = 1.0f;
  ys = 4.25f;
  st[3] = zlabel_(&xs, &ys, "Graph \\fBone\\fP: \\(*a\\u2\\d", para);
  para[18] = 90.0f;
  xs = 1200.0f;
  ys = 600.0f;
  st[4] = plabel_(&xs, &ys, "peak", para);
  para[18] = 0.0f;

  para[11] = 0.0f;
  std::fill(para + 2, para + 10, 0.0f);
  para[14] = 2.0f;
  for (int i = 0; i < 5; ++i) {
    x[i] = static_cast<float>(i) * 0.25f;
    y[i] = static_cast<float>((i - 2) * (i - 2)) * 0.1f;
  }
  st[5] = zarvo_(&np, x, y, "Distance (\\(*D)", "Misfit", " ", para);
  para[11] = 1.0f;
  para[13] = -1.0f;
  para[20] = 0.5f;
  para[21] = 0.25f;
  for (float& v : y) v = v + 0.05f;
  st[6] = zarvo_(&np, x, y, "", "", "", para);
  para[12] = -5.0f;
  para[13] = 1.5f;
  st[7] = zarvo_(&np, x, y, "", "", "", para);
  para[12] = 43.0f;
  para[13] = 3.0f;
  para[11] = -1.0f;
  for (float& v : y) v = v - 0.1f;
  st[8] = zarvo_(&np, x, y, "Distance (\\(*D)", "Misfit", "Second", para);
  para[12] = 0.0f;
  para[13] = 0.0f;
  xs = 0.5f;
  ys = 0.2f;
  st[9] = zmove_(&xs, &ys, para);
  xs = 0.75f;
  st[10] = zline_(&xs, &ys, para);

  xs = -5.0f;
  ys = 1.0f;
  st[11] = zlabel_(&xs, &ys, "off", para);
  para[19] = 0.0f;
  st[12] = zline_(&xs, &ys, para);
  st[13] = plabel_(&xs, &ys, "none", para);
  return st;
}

TEST(FortranCaller, StatusesAndFontNumbers) {
  InScratchDir here;
  const FortranRun fortran = run_fortran(here.dir());
  EXPECT_EQ(fortran.out,
            "  0  0  0  0  0  0  0  0  0  0  0 -1 -1 -1\n"
            "   3   4  20  -1  -1   3\n");
}

TEST(FortranCaller, SameBytesAsTheCxxPath) {
  InScratchDir here;
  const FortranRun fortran = run_fortran(here.dir());
  ::testing::internal::CaptureStderr();
  const auto st = cxx_caller();
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(st, (std::array<int32_t, 14>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1, -1, -1}));
  std::fflush(lib.plotfile);
  const Bytes cxx = read_file(here.dir().file("pltfil"));
  ASSERT_FALSE(fortran.plot.empty());
  EXPECT_EQ(fortran.plot, cxx);
}

TEST(FortranCaller, PredictableCommandsOfTheFirstGraph) {
  InScratchDir here;
  const auto cmds = parse_plot(run_fortran(here.dir()).plot);
  const std::vector<Command> head{Command{'e', {}, ""}, Command{'f', {1}, ""}, move(400, 920),
                                  line(1000, 1220),     line(1600, 1520),      line(2200, 620),
                                  line(2800, 920),      move(400, 320),        line(400, 1520),
                                  line(2800, 1520),     line(2800, 320),       line(400, 320)};
  ASSERT_GT(cmds.size(), head.size());
  EXPECT_EQ(std::vector<Command>(cmds.begin(), cmds.begin() + static_cast<long>(head.size())), head);

  const std::vector<Command> pen_and_labels{move(400, 920), line(2800, 920), move(700, 1595),
                                            text(8, 0, 0, "Graph \\fBone\\fP: \\(*a\\u2\\d"), move(1600, 1520),
                                            text(8, 0, 1, "peak")};
  const auto at = std::search(cmds.begin(), cmds.end(), pen_and_labels.begin(), pen_and_labels.end());
  ASSERT_NE(at, cmds.end());
  // The second graph begins right after, with its erase and new thickness.
  const auto next = at + static_cast<long>(pen_and_labels.size());
  ASSERT_NE(next, cmds.end());
  EXPECT_EQ(next->op, 'e');
  EXPECT_EQ(*(next + 1), (Command{'f', {2}, ""}));
}

// The calls of forms.f90 from C++, every text ended by a zero byte: the
// texts as the Fortran program means them.
Bytes cxx_forms() {
  float para[20] = {};
  float x[5] = {};
  float y[5] = {};
  const int32_t np = 5;
  para[19] = -1.0f;
  zarvo_(&np, x, y, "", "", "forms.plt", para);
  para[0] = 6.0f;
  para[1] = 3.0f;
  for (int i = 0; i < 5; ++i) {
    x[i] = static_cast<float>(i);
    y[i] = static_cast<float>(5 - i) * 0.5f * (i % 2 == 0 ? -1.0f : 1.0f);
  }
  zarvo_(&np, x, y, "Time (s)", "Amp", "Damped wave", para);
  const float zero = 0.0f;
  const float four = 4.0f;
  zmove_(&zero, &zero, para);
  zline_(&four, &zero, para);
  const float a = 0.5f, b = 2.5f, one = 1.0f, two = 2.0f, off = -9.0f;
  zlabel_(&a, &b, "  lead", para);
  plabel_(&two, &one, " ", para);
  zlabel_(&one, &one, "", para);
  para[11] = 0.0f;
  std::fill(para + 2, para + 10, 0.0f);
  zarvo_(&np, x, y, "Time (s)", " ", " ", para);
  plabel_(&one, &one, "Damped wave", para);
  zlabel_(&off, &zero, "Amp", para);
  std::fflush(lib.plotfile);
  return read_file("forms.plt");
}

// The texts of the plot's text commands that are not tick numbers.
std::vector<std::string> titles(const Bytes& plot) {
  std::vector<std::string> out;
  for (const Command& c : parse_plot(plot)) {
    if (c.op == 't' && (c.text.empty() || std::string("-.0123456789").find(c.text[0]) == std::string::npos)) {
      out.push_back(c.text);
    }
  }
  return out;
}

// Plain literals, blank-padded variables and texts ended by char(0) draw the
// same texts: trailing blanks dropped, leading ones kept, a text of blanks
// one blank, an empty one nothing; the plot file named "forms.plt".
TEST(FortranModule, EveryFormOfTextDrawsTheTextsWritten) {
  InScratchDir here;
  ::testing::internal::CaptureStderr();
  const Bytes cxx = cxx_forms();
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(titles(cxx), (std::vector<std::string>{"Time (s)", "Amp", "Damped wave", "  lead", " ", "Time (s)",
                                                    " ", " ", "Damped wave"}));
  for (const char* form : {"literal", "padded", "zero"}) {
    SCOPED_TRACE(form);
    const testing::ScratchDir dir;
    const FortranRun run = run_fortran(dir, std::string(FORTRAN_FORMS "' '") + form, "forms.plt");
    EXPECT_EQ(run.out, "0 0 0 0 0 0 0 0 0 -1\n3 4 -1 -1\n");
    EXPECT_EQ(run.plot, cxx);
  }
}

}  // namespace
}  // namespace zarvo
