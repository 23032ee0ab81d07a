// The figure layer: the common options at their limits, outputs that would
// overwrite an input, and the plot file held in memory.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <unistd.h>

#include <figure/figure.h>
#include <zarvo/zarvo.h>

#include "test_support.h"

namespace {

using cmdline::Take;

TEST(FigureOptions, ValuesAtTheirLimits) {
  const struct {
    const char* name;
    std::string value;
    Take expect;
  } cases[] = {
      {"--dpi", "2400", Take::taken},      {"--dpi", "2400.001", Take::bad},
      {"--dpi", "0", Take::bad},           {"--dpi", "1e-3", Take::taken},
      {"--dpi", "inf", Take::bad},         {"--dpi", "72x", Take::bad},
      {"--plotfile", std::string(80, 'p'), Take::taken},
      {"--plotfile", std::string(81, 'p'), Take::bad},
      {"--plotfile", "", Take::bad},       {"-o", "x.png", Take::taken},
      {"--fonts", "dir", Take::taken},     {"--title", "t", Take::not_mine},
  };
  for (const auto& c : cases) {
    figure::Options o;
    EXPECT_EQ(figure::take_option(cmdline::Arg{c.name, c.value, true}, o, "test"), c.expect)
        << c.name << " " << c.value;
  }
  figure::Options o;
  EXPECT_EQ(figure::take_option(cmdline::Arg{"x.png", "", false}, o, "test"), Take::not_mine);
}

TEST(FigureOptions, OutputsNamingAnInputAreRefused) {
  zarvo::testing::ScratchDir dir;
  const std::string input = dir.file("in.sac");
  std::ofstream(input) << "data";
  ASSERT_EQ(symlink(input.c_str(), dir.file("link.png").c_str()), 0);
  const struct {
    std::string out, plotfile;
    bool ok;
  } cases[] = {
      {dir.file("x.png"), "", true},
      {dir.file("x.gif"), "", false},
      {dir.file("link.png"), "", false},                     // a link to the input
      {dir.file("x.pdf"), input, false},                      // the plot file is the input
      {dir.file("x.pdf"), dir.path() + "/./in.sac", false},  // spelled otherwise
      {dir.file("x.svg"), dir.file("p.plt"), true},
  };
  for (const auto& c : cases) {
    figure::Options o;
    o.out = c.out;
    o.plotfile = c.plotfile;
    EXPECT_EQ(figure::check_options(o, {input}, "test"), c.ok) << c.out << " " << c.plotfile;
  }
}

TEST(FigurePlotFile, MemoryHoldsWhatTheLibraryWrote) {
  figure::PlotFile plot;
  std::string error;
  ASSERT_TRUE(plot.open("", error)) << error;
  float x[2] = {0, 1}, y[2] = {0, 1}, para[20] = {};
  int32_t np = 2;
  ASSERT_EQ(zarvo_(&np, x, y, "x", "y", " ", para), 0);
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(plot.bytes(bytes, error)) << error;
  ASSERT_FALSE(bytes.empty());
  EXPECT_EQ(bytes[0], 'e');  // every graph starts a page
}

}  // namespace
