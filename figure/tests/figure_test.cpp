// The figure layer: the common options at their limits, outputs that would
// overwrite an input, and the plot file held in memory.
#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <fstream>
#include <unistd.h>

#include <figure/figure.h>
#include <zarvo/zarvo.h>
#include <zarvo/zarvo.hpp>

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

TEST(FigurePlotFile, PagesTakenOneByOneDrawAsTheWholeFileDoes) {
  zarvo::testing::ScratchDir dir;
  zarvo::testing::reset_plot_state();
  figure::PlotFile plot;
  std::string error;
  ASSERT_TRUE(plot.open("", error)) << error;
  float x[3] = {0, 1, 2}, y[3] = {0, 1, 0}, para[20] = {};
  int32_t np = 3;
  std::vector<figure::Page> pages(3);
  for (int i = 0; i < 2; ++i) {
    std::fill(std::begin(para), std::end(para), 0.0f);
    para[14] = 4;  // pen thickness: written once, before the first graph
    para[19] = i;  // the plot file is open after the first graph
    ASSERT_EQ(zarvo_(&np, x, y, "x", "y", i == 0 ? "first" : "second", para), 0);
    ASSERT_TRUE(plot.take_page(pages[i], error)) << error;
  }
  ASSERT_TRUE(plot.take_page(pages[2], error)) << error;
  EXPECT_TRUE(pages[2].bytes.empty());
  EXPECT_EQ(pages[2].start_thickness, 4);
  ASSERT_FALSE(pages[1].bytes.empty());
  EXPECT_EQ(pages[0].start_thickness, 0);
  EXPECT_EQ(pages[1].start_thickness, 4);
  for (const zarvo::testing::Command& c : zarvo::testing::parse_plot(pages[1].bytes)) EXPECT_NE(c.op, 'f');

  // The second page alone against the second of the two pages drawn whole.
  figure::Options whole;
  whole.out = dir.file("whole.png");
  whole.dpi = 40;
  std::vector<std::uint8_t> both = pages[0].bytes;
  both.insert(both.end(), pages[1].bytes.begin(), pages[1].bytes.end());
  ASSERT_TRUE(figure::render(both, whole, error)) << error;
  figure::Options alone = whole;
  alone.out = dir.file("alone.png");
  ASSERT_TRUE(figure::render_page(pages[1], alone, error)) << error;
  EXPECT_EQ(zarvo::testing::read_file(dir.file("alone.png")), zarvo::testing::read_file(dir.file("whole-2.png")));
  pages[1].start_thickness = 0;
  alone.out = dir.file("thin.png");
  ASSERT_TRUE(figure::render_page(pages[1], alone, error)) << error;
  EXPECT_NE(zarvo::testing::read_file(dir.file("thin.png")), zarvo::testing::read_file(dir.file("whole-2.png")));
  zarvo::testing::reset_plot_state();  // the pen thickness back to none for the tests after
}

// A graph of one data unit per plot unit on both axes, corner at (400, 320).
void unit_graph(float (&para)[20]) {
  for (float& p : para) p = 0;
  para[0] = 8, para[1] = 4, para[4] = 2400, para[5] = 1200, para[10] = 8;
}

// At 300 dpi a column is one plot unit (one data unit here), at 150 dpi two.
TEST(FigureReduceColumns, KeepsFirstLowestHighestLastOfEachPixelColumn) {
  const struct {
    const char* what;
    double dpi;
    std::vector<float> x, y;
    std::vector<std::size_t> kept;  // indices of the points kept
  } cases[] = {
      {"one point", 300, {0.5f}, {3}, {0}},
      {"one column", 300, {0.1f, 0.2f, 0.3f, 0.4f, 0.5f}, {5, 1, 9, 3, 7}, {0, 1, 2, 4}},
      {"highest before lowest", 300, {0.1f, 0.2f, 0.3f, 0.4f}, {5, 9, 1, 7}, {0, 1, 2, 3}},
      {"ties: the first of them", 300, {0.1f, 0.2f, 0.3f, 0.4f, 0.5f, 0.6f}, {5, 1, 1, 9, 9, 3}, {0, 1, 3, 5}},
      {"columns apart", 300, {0.1f, 0.5f, 1.2f, 1.7f, 2.0f}, {0, 3, 8, 1, 4}, {0, 1, 2, 3, 4}},
      {"plot y, not data y", 300, {0.1f, 0.2f, 0.3f}, {2.0f, 2.7f, 2.3f}, {0}},
      {"last at the first's position", 300, {0.1f, 0.2f, 0.3f}, {2, 9, 2}, {0, 1, 2}},
      {"back to an earlier column", 300, {5.5f, 6.5f, 5.2f, 5.9f}, {0, 1, 2, 3}, {0, 1, 2, 3}},
      // Plot x 400 + data x; at 150 dpi plot x 400 and 401 are column 200, 402 begins column 201.
      {"two plot units a column", 150, {0.0f, 0.5f, 1.0f, 1.2f, 1.5f, 2.0f, 2.5f}, {5, 1, 9, 3, 4, 6, 2},
       {0, 1, 2, 4, 5, 6}},
  };
  float para[20];
  unit_graph(para);
  for (const auto& c : cases) {
    const figure::Curve r = figure::reduce_columns(c.x.size(), c.x.data(), c.y.data(), para, c.dpi);
    std::vector<float> x, y;
    for (std::size_t i : c.kept) x.push_back(c.x[i]), y.push_back(c.y[i]);
    EXPECT_EQ(r.x, x) << c.what;
    EXPECT_EQ(r.y, y) << c.what;
  }
}

// complete_graph gives the block zarvo_ completes, and plot_position the
// positions zarvo_ writes.
TEST(FigureReduceColumns, CompletedBlockAndPositionsAreTheLibrarys) {
  figure::PlotFile plot;
  std::string error;
  ASSERT_TRUE(plot.open("", error)) << error;
  std::vector<std::uint8_t> before;
  ASSERT_TRUE(plot.bytes(before, error));
  float x[3] = {0.0f, 1.7f, 3.1f}, y[3] = {-2.5f, 7.25f, 1.0f};
  float completed[20] = {8, 4}, drawn[20] = {8, 4};
  ASSERT_TRUE(zarvo::complete_graph(3, x, y, completed));
  int32_t n = 3;
  ASSERT_EQ(zarvo_(&n, x, y, "x", "y", " ", drawn), 0);
  for (int k = 0; k < 11; ++k) EXPECT_EQ(completed[k], drawn[k]) << "para(" << k + 1 << ")";
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(plot.bytes(bytes, error));
  for (int i = 0; i < 3; ++i) {  // e, then m and d commands of 5 bytes
    const std::size_t at = before.size() + 1 + 5 * static_cast<std::size_t>(i);
    const zarvo::PlotPosition p = zarvo::plot_position(x[i], y[i], completed);
    EXPECT_EQ(bytes[at + 1] | bytes[at + 2] << 8, static_cast<uint16_t>(p.x)) << i;
    EXPECT_EQ(bytes[at + 3] | bytes[at + 4] << 8, static_cast<uint16_t>(p.y)) << i;
  }
}

TEST(FigureReduceColumns, OnlyPngPagesWithoutAPlotFile) {
  const struct {
    std::string out, plotfile;
    bool raster_only;
  } cases[] = {{"a.png", "", true}, {"a.PNG", "", true}, {"a.png", "p.plt", false}, {"a.svg", "", false},
               {"a.pdf", "", false}};
  for (const auto& c : cases) {
    figure::Options o;
    o.out = c.out;
    o.plotfile = c.plotfile;
    EXPECT_EQ(figure::raster_only(o), c.raster_only) << c.out << " " << c.plotfile;
  }
}

}  // namespace
