// Drawing: lines, areas, circles, pages, page fitting, SVG and PDF output,
// and the pltrender program's handling of bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <regex>

#include "image.h"
#include "plot_builder.h"
#include "plotfile.h"
#include "render.h"

namespace pltrender {
namespace {

using testing::Bytes;
using testing::Image;
using testing::PlotBuilder;
using testing::ScratchDir;

// Renders `bytes` to `name` in `dir` on a fixed page of w x h inches.
bool render_fixed(const ScratchDir& dir, const Bytes& bytes, const std::string& name, double w, double h,
                  double dpi = 150, std::string* error = nullptr) {
  const ParseResult r = parse(bytes);
  if (!r.ok) return false;
  RenderOptions o;
  o.fit = false;
  o.page_width = w;
  o.page_height = h;
  o.dpi = dpi;
  FontSet fonts("", true);
  std::string err;
  const bool ok = render_file(r.commands, dir.file(name), o, fonts, err);
  if (error) *error = err;
  return ok;
}

std::size_t count(const std::string& s, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) ++n;
  return n;
}

TEST(Render, FormatFromExtension) {
  EXPECT_EQ(format_from_path("a.png"), Format::png);
  EXPECT_EQ(format_from_path("dir.x/A.SVG"), Format::svg);
  EXPECT_EQ(format_from_path("plot.pdf"), Format::pdf);
  EXPECT_EQ(format_from_path("plot"), Format::unknown);
  EXPECT_EQ(format_from_path("dir.png/plot"), Format::unknown);
  EXPECT_EQ(format_from_path("plot.jpg"), Format::unknown);
  EXPECT_EQ(page_file_name("out/plot.png", 2, 3), "out/plot-2.png");
  EXPECT_EQ(page_file_name("out/plot.png", 1, 1), "out/plot.png");
}

TEST(Render, ThicknessMapping) {
  EXPECT_EQ(line_width(0), 2.0);
  EXPECT_EQ(line_width(1), 4.0);
  EXPECT_EQ(line_width(3), 8.0);
  EXPECT_EQ(line_width(-4), 2.0);
  EXPECT_EQ(line_width(30000), 202.0);
}

// With pen colours, thickness t draws in colour t mod 4 at the width of
// thickness t / 4; without them nothing changes.
TEST(Render, PenColours) {
  const struct {
    int thickness;
    double width;
    Rgb colour;
  } cases[] = {{0, 2, {0, 0, 0}},  {1, 2, {0.8, 0, 0}}, {2, 2, {0, 0, 0.8}}, {3, 2, {0, 0.5, 0}},
               {4, 4, {0, 0, 0}},  {5, 4, {0.8, 0, 0}}, {-3, 2, {0, 0, 0}},  {30000, 52, {0, 0, 0}}};
  for (const auto& c : cases) {
    EXPECT_EQ(line_width(c.thickness, true), c.width) << c.thickness;
    EXPECT_EQ(pen_colour(c.thickness), c.colour) << c.thickness;
  }
  ScratchDir dir;
  const ParseResult r = parse(PlotBuilder().e().f(1).m(100, 300).d(1100, 300).bytes());
  FontSet fonts("", true);
  std::string error;
  RenderOptions o;
  o.pen_colours = true;
  ASSERT_TRUE(render_file(r.commands, dir.file("red.svg"), o, fonts, error)) << error;
  ASSERT_TRUE(render_file(r.commands, dir.file("red.png"), o, fonts, error)) << error;
  o.pen_colours = false;
  ASSERT_TRUE(render_file(r.commands, dir.file("black.svg"), o, fonts, error)) << error;
  EXPECT_NE(testing::read_text(dir.file("red.svg")).find("rgb(80%,0%,0%)"), std::string::npos);
  EXPECT_EQ(testing::read_text(dir.file("black.svg")).find("rgb(80%,0%,0%)"), std::string::npos);
  EXPECT_EQ(testing::read_text(dir.file("red.png"))[25], 2) << "an RGB PNG";
}

TEST(Render, HorizontalLineAtExpectedRow) {
  ScratchDir dir;
  // Page 4 x 2 inches = 1200 x 600 plot units; 150 dpi = 0.5 pixel per unit.
  // Thickness 1 is 4 units (2 pixels) wide: y = 300 covers rows 149 and 150.
  ASSERT_TRUE(render_fixed(dir, PlotBuilder().e().f(1).m(100, 300).d(1100, 300).bytes(), "l.png", 4, 2));
  const Image img = testing::load_png(dir.file("l.png"));
  ASSERT_EQ(img.width, 600);
  ASSERT_EQ(img.height, 300);
  for (int x = 55; x <= 545; x += 10) {
    EXPECT_LT(img.at(x, 149), 20) << x;
    EXPECT_LT(img.at(x, 150), 20) << x;
    EXPECT_GT(img.at(x, 147), 235) << x;
    EXPECT_GT(img.at(x, 152), 235) << x;
  }
  // Round caps reach one pixel beyond the end points (x 50 and 550).
  EXPECT_GT(img.at(47, 150), 235);
  EXPECT_GT(img.at(553, 150), 235);
  EXPECT_GT(img.at(300, 20), 250);  // the page is white
}

TEST(Render, VerticalLineAndPlotOriginAtLowerLeft) {
  ScratchDir dir;
  ASSERT_TRUE(render_fixed(dir, PlotBuilder().f(1).m(200, 0).d(200, 600).bytes(), "v.png", 4, 2));
  const Image img = testing::load_png(dir.file("v.png"));
  for (int y = 10; y < 290; y += 10) {
    EXPECT_LT(img.at(99, y), 20);
    EXPECT_LT(img.at(100, y), 20);
    EXPECT_GT(img.at(97, y), 235);
    EXPECT_GT(img.at(102, y), 235);
  }
}

TEST(Render, FilledTriangleCentroidAndOutline) {
  ScratchDir dir;
  // The library's up-triangle marker of size 20 at (1000, 500), filled and
  // outlined (pattern 0), the second one 200 units to the left.
  const Bytes b = PlotBuilder()
                      .e()
                      .a(0x0101, {{990, 494}, {1010, 494}, {1000, 511}})
                      .a(0, {{790, 494}, {810, 494}, {800, 511}})
                      .bytes();
  ASSERT_TRUE(render_fixed(dir, b, "t.png", 4, 2));
  const Image img = testing::load_png(dir.file("t.png"));
  // Centroid (1000, 499.67) -> pixel (500, 50).
  EXPECT_LT(img.at(500, 50), 20);
  EXPECT_GT(img.at(400, 50), 200);  // the outline's inside stays white
  EXPECT_LT(std::min(img.at(400, 52), img.at(400, 53)), 200);  // its bottom edge at row 53
  EXPECT_GT(img.at(500, 60), 250);  // below the filled one
}

TEST(Render, CirclesFilledAndOutlined) {
  ScratchDir dir;
  const Bytes b = PlotBuilder().e().c(0x0101, 300, 300, 40).c(0, 900, 300, 40).bytes();
  ASSERT_TRUE(render_fixed(dir, b, "c.png", 4, 2));
  const Image img = testing::load_png(dir.file("c.png"));
  EXPECT_LT(img.at(150, 150), 20);
  EXPECT_LT(img.at(160, 150), 20);
  EXPECT_GT(img.at(450, 150), 250);  // hollow centre
  EXPECT_LT(std::min(img.at(469, 150), img.at(470, 150)), 200);  // ring at radius 20 pixels
  EXPECT_GT(img.at(475, 150), 235);
}

TEST(Render, FitsPageToBoundingBoxWithMargin) {
  ScratchDir dir;
  const ParseResult r = parse(PlotBuilder().e().m(100, 300).d(1100, 300).bytes());
  RenderOptions o;  // fit with a quarter-inch margin: 75 units
  FontSet fonts("", true);
  std::string err;
  ASSERT_TRUE(render_file(r.commands, dir.file("fit.png"), o, fonts, err)) << err;
  const Image img = testing::load_png(dir.file("fit.png"));
  // Ink 99..1101 x 299..301 plus the margin: 1152 x 152 units.
  EXPECT_EQ(img.width, 576);
  EXPECT_EQ(img.height, 76);
  EXPECT_LT(std::min(img.at(288, 37), img.at(288, 38)), 160);
  o.dpi = 300;
  ASSERT_TRUE(render_file(r.commands, dir.file("fit300.png"), o, fonts, err)) << err;
  EXPECT_EQ(testing::load_png(dir.file("fit300.png")).width, 1152);
}

TEST(Render, ThickLinesAreWider) {
  ScratchDir dir;
  ASSERT_TRUE(render_fixed(dir, PlotBuilder().e().f(3).m(100, 300).d(1100, 300).bytes(), "w.png", 4, 2));
  const Image img = testing::load_png(dir.file("w.png"));
  // 8 units = 4 pixels: rows 148..151.
  for (int y = 148; y <= 151; ++y) EXPECT_LT(img.at(300, y), 20) << y;
  EXPECT_GT(img.at(300, 146), 235);
  EXPECT_GT(img.at(300, 153), 235);
}

TEST(Render, SeveralPagesGoToNumberedFilesOrOnePdf) {
  ScratchDir dir;
  const Bytes b = PlotBuilder().e().m(100, 100).d(500, 100).e().m(100, 500).d(500, 500).bytes();
  const ParseResult r = parse(b);
  RenderOptions o;
  FontSet fonts("", true);
  std::string err;
  std::vector<std::string> written;
  ASSERT_TRUE(render_file(r.commands, dir.file("p.png"), o, fonts, err, &written)) << err;
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0], dir.file("p-1.png"));
  EXPECT_EQ(written[1], dir.file("p-2.png"));
  EXPECT_FALSE(std::filesystem::exists(dir.file("p.png")));
  EXPECT_GT(testing::load_png(written[1]).width, 0);
  written.clear();
  ASSERT_TRUE(render_file(r.commands, dir.file("p.svg"), o, fonts, err, &written)) << err;
  EXPECT_EQ(written.size(), 2u);
  written.clear();
  ASSERT_TRUE(render_file(r.commands, dir.file("p.pdf"), o, fonts, err, &written)) << err;
  ASSERT_EQ(written.size(), 1u);
  const std::string pdf = testing::read_text(dir.file("p.pdf"));
  EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
  const std::regex page("/Type\\s*/Page[^s]");
  EXPECT_EQ(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), page), std::sregex_iterator()), 2);
}

TEST(Render, SvgIsWellFormedWithPhysicalSize) {
  ScratchDir dir;
  const Bytes b = PlotBuilder()
                      .e()
                      .m(100, 100)
                      .d(900, 100)
                      .d(900, 500)
                      .a(0x0101, {{990, 494}, {1010, 494}, {1000, 511}})
                      .c(0, 300, 300, 20)
                      .text(200, 200, 8, 0, 0, "<&>\"'")
                      .bytes();
  ASSERT_TRUE(render_fixed(dir, b, "w.svg", 4, 2));
  const std::string svg = testing::read_text(dir.file("w.svg"));
  std::string why;
  EXPECT_TRUE(testing::well_formed_xml(svg, why)) << why;
  EXPECT_NE(svg.find("width=\"288pt\""), std::string::npos);
  EXPECT_NE(svg.find("height=\"144pt\""), std::string::npos);
  // The checker itself refuses broken documents.
  EXPECT_FALSE(testing::well_formed_xml("<svg><g></svg></g>", why));
  EXPECT_FALSE(testing::well_formed_xml("<svg a=1/>", why));
  EXPECT_FALSE(testing::well_formed_xml("<svg>&nbsp;</svg>", why));
  EXPECT_FALSE(testing::well_formed_xml("<svg/><svg/>", why));
  EXPECT_TRUE(testing::well_formed_xml("<?xml version=\"1.0\"?>\n<svg a='1'><g/>x &amp; y</svg>\n", why));
}

// A seismogram of 99,999 samples across an 8 x 4 inch frame, with the frame.
Bytes long_curve() {
  PlotBuilder b;
  b.e().m(400, 920);
  for (int i = 1; i < 99999; ++i) {
    const int x = 400 + static_cast<int>(2400.0 * i / 99998);
    const int y = 920 + static_cast<int>(500 * std::sin(i * 0.013) * std::exp(-i / 40000.0) +
                                         40 * std::sin(i * 1.7));
    b.d(x, y);
  }
  b.m(400, 320).d(400, 1520).d(2800, 1520).d(2800, 320).d(400, 320);
  return b.bytes();
}

TEST(Render, LongCurveIsFewSvgPaths) {
  ScratchDir dir;
  const Bytes b = long_curve();
  ASSERT_TRUE(render_fixed(dir, b, "long.svg", 11, 8.5));
  const std::string svg = testing::read_text(dir.file("long.svg"));
  std::string why;
  EXPECT_TRUE(testing::well_formed_xml(svg, why)) << why;
  EXPECT_LE(count(svg, "<path"), 3u);
  ASSERT_TRUE(render_fixed(dir, b, "long.png", 11, 8.5));
  const Image img = testing::load_png(dir.file("long.png"));
  EXPECT_EQ(img.width, 1650);
  // The frame's bottom edge at y = 320 -> row (2550 - 320) / 2 = 1115.
  EXPECT_LT(std::min(img.at(1000, 1114), img.at(1000, 1115)), 160);
}

TEST(Render, RefusesHugePagesAndUnknownFormats) {
  ScratchDir dir;
  const ParseResult r = parse(PlotBuilder().e().m(-32768, -32768).d(32767, 32767).bytes());
  RenderOptions o;
  o.dpi = 600;
  FontSet fonts("", true);
  std::string err;
  EXPECT_FALSE(render_file(r.commands, dir.file("huge.png"), o, fonts, err));
  EXPECT_NE(err.find("too large"), std::string::npos) << err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("huge.png")));
  // Vector output of the same drawing is fine.
  EXPECT_TRUE(render_file(r.commands, dir.file("huge.pdf"), o, fonts, err)) << err;
  EXPECT_FALSE(render_file(r.commands, dir.file("plot.gif"), o, fonts, err));
  EXPECT_EQ(err, dir.file("plot.gif") + ": unknown output format (use a .png, .svg or .pdf file name)");
}

TEST(Program, RendersAndReportsBadInput) {
  ScratchDir dir;
  const std::string in = dir.file("pltfil");
  testing::write_bytes(in, PlotBuilder().e().m(100, 300).d(1100, 300).bytes());
  const std::string prog = PLTRENDER;
  testing::Run r = testing::run(prog + " --dpi 75 --page 4x2 " + in + " " + dir.file("o.png"));
  EXPECT_EQ(r.status, 0) << r.err;
  const Image img = testing::load_png(dir.file("o.png"));
  EXPECT_EQ(img.width, 300);
  EXPECT_EQ(img.height, 150);
  r = testing::run(prog + " --page=letter --landscape " + in + " " + dir.file("o.pdf"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(testing::read_text(dir.file("o.pdf")).find("792 612"), std::string::npos);

  // Bad plot files: a message with the byte offset, status 1, no output.
  const std::vector<std::pair<Bytes, std::string>> bad = {
      {{}, "byte offset 0: empty file, no commands"},
      {{'e', 'x'}, "byte offset 1: unknown command byte 0x78 ('x')"},
      {{'e', 'm', 1, 0}, "byte offset 1: truncated 'm' command: needs 5 bytes, 3 left"},
      {{'t', 8, 0, 0, 0, 'A'}, "byte offset 0: text of 't' command has no terminating zero byte (1 text bytes to the end of the file)"},
      {{'a', 1, 1, 0x30, 0x75, 0, 0}, "byte offset 0: 'a' command with vertex count 30000 needs 120009 bytes, 7 left"},
  };
  for (const auto& [bytes, message] : bad) {
    testing::write_bytes(in, bytes);
    std::filesystem::remove(dir.file("bad.png"));
    r = testing::run(prog + " " + in + " " + dir.file("bad.png"));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "pltrender: " + in + ": " + message + "\n");
    EXPECT_FALSE(std::filesystem::exists(dir.file("bad.png")));
  }
  r = testing::run(prog + " --dpi -3 " + in + " x.png");
  EXPECT_EQ(r.status, 2);
  r = testing::run(prog + " --page 8x " + in + " x.png");
  EXPECT_EQ(r.status, 2);
  r = testing::run(prog + " --help");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("usage: pltrender"), std::string::npos);
  r = testing::run(prog + " --version");
  EXPECT_EQ(r.out.rfind("pltrender ", 0), 0u);
}

}  // namespace
}  // namespace pltrender

namespace pltrender {
namespace {

TEST(Options, RefusedWhenNotFiniteOrOutOfRange) {
  ScratchDir dir;
  const Bytes bytes = PlotBuilder().e().m(100, 300).d(1100, 300).bytes();
  const ParseResult r = parse(bytes);
  const double nan = std::nan(""), inf = HUGE_VAL;
  const std::string margin = "margin must be between 0 and 100 inches";
  const std::string page = "page sides must be between 0 and 500 inches";
  const std::vector<std::pair<std::function<void(RenderOptions&)>, std::string>> cases = {
      {[&](RenderOptions& o) { o.margin = nan; }, margin},
      {[&](RenderOptions& o) { o.margin = inf; }, margin},
      {[&](RenderOptions& o) { o.margin = -0.5; }, margin},
      {[&](RenderOptions& o) { o.dpi = nan; }, "resolution must be between 0 and 10000 dpi"},
      {[&](RenderOptions& o) { o.page_width = nan; }, page},
      {[&](RenderOptions& o) { o.page_height = 0; }, page},
      {[&](RenderOptions& o) { o.page_width = 501; }, page},
      {[&](RenderOptions& o) { o.max_pixels = nan; }, "the pixel limit must be between 1 and 32767 x 32767"},
      {[&](RenderOptions& o) { o.max_pages = 0; }, "the page limit must be at least 1"},
  };
  FontSet fonts("", true);
  for (const char* name : {"o.png", "o.svg", "o.pdf"}) {
    for (const auto& [set, message] : cases) {
      RenderOptions o;
      set(o);
      std::string err;
      EXPECT_FALSE(render_file(r.commands, dir.file(name), o, fonts, err)) << message;
      EXPECT_EQ(err, message);
      err.clear();
      EXPECT_FALSE(render_bytes(bytes.data(), bytes.size(), dir.file(name), o, fonts, err)) << message;
      EXPECT_EQ(err, message);
      EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name << ": " << message;
    }
  }
}

TEST(Render, RefusesAbsurdPagesInEveryFormat) {
  ScratchDir dir;
  // A text set at 2147483647 units' height is billions of inches wide.
  const ParseResult r = parse(PlotBuilder().e().text(100, 100, 8, 0, 0, "\\s2147483647AB").bytes());
  FontSet fonts("", true);
  for (const char* name : {"a.png", "a.svg", "a.pdf"}) {
    std::string err;
    EXPECT_FALSE(render_file(r.commands, dir.file(name), RenderOptions{}, fonts, err)) << name;
    EXPECT_EQ(err.rfind("page 1 would be ", 0), 0u) << err;
    EXPECT_NE(err.find(": too large (at most "), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(dir.file(name))) << name;
  }
  // The largest drawing plot coordinates allow, with the widest margin, fits.
  const ParseResult big = parse(PlotBuilder().e().f(100).m(-32768, -32768).d(32767, 32767).bytes());
  RenderOptions o;
  o.margin = 100;
  std::string err;
  EXPECT_TRUE(render_file(big.commands, dir.file("big.svg"), o, fonts, err)) << err;
}

TEST(Program, BadOptionValues) {
  ScratchDir dir;
  const std::string in = dir.file("pltfil");
  testing::write_bytes(in, PlotBuilder().e().m(100, 300).d(1100, 300).bytes());
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"--margin nan", "pltrender: bad --margin value 'nan'\n"},
      {"--margin=inf", "pltrender: bad --margin value 'inf'\n"},
      {"--dpi nan", "pltrender: bad --dpi value 'nan'\n"},
      {"--page nanx3", "pltrender: bad --page value 'nanx3' (letter, a4 or WxH inches)\n"},
      {"--max-pages 0", "pltrender: bad --max-pages value '0' (a whole number from 1)\n"},
      {"--max-pages 2.5", "pltrender: bad --max-pages value '2.5' (a whole number from 1)\n"},
  };
  for (const auto& [option, message] : cases) {
    const testing::Run r = testing::run(std::string(PLTRENDER) + " " + option + " " + in + " " + dir.file("o.svg"));
    EXPECT_EQ(r.status, 2) << option;
    EXPECT_EQ(r.err, message);
    EXPECT_FALSE(std::filesystem::exists(dir.file("o.svg"))) << option;
  }
}

TEST(Program, NamesAMissingOutputDirectory) {
  ScratchDir dir;
  const std::string in = dir.file("pltfil");
  testing::write_bytes(in, PlotBuilder().e().m(100, 300).d(1100, 300).bytes());
  for (const char* name : {"o.png", "o.svg", "o.pdf"}) {
    const std::string out = dir.file("missing") + "/" + name;
    testing::Run r = testing::run(std::string(PLTRENDER) + " " + in + " " + out);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "pltrender: " + out + ": directory " + dir.file("missing") + " does not exist\n");
    const std::string under_file = in + "/" + name;
    r = testing::run(std::string(PLTRENDER) + " " + in + " " + under_file);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "pltrender: " + under_file + ": directory " + in + " is not a directory\n");
  }
}

TEST(Program, OutputsNeverReplaceInputsLinksOrFifos) {
  ScratchDir dir;
  const Bytes one_page = PlotBuilder().e().m(100, 300).d(1100, 300).bytes();
  const Bytes two_pages = PlotBuilder().e().m(1, 1).d(9, 9).e().m(1, 1).d(9, 9).bytes();
  testing::write_bytes(dir.file("plot.png"), one_page);  // a plot file under a picture's name
  testing::write_bytes(dir.file("p-2.png"), two_pages);
  testing::write_bytes(dir.file("in.plt"), one_page);
  testing::write_bytes(dir.file("target.svg"), Bytes{'o', 'l', 'd'});
  std::filesystem::create_symlink("target.svg", dir.file("link.svg"));
  ASSERT_EQ(testing::run("mkfifo " + dir.file("fifo.svg")).status, 0);
  const std::string prog = std::string(PLTRENDER) + " ";
  const struct {
    std::string command;
    int status;
    std::string err;
  } cases[] = {
      {prog + "plot.png plot.png", 1, "pltrender: plot.png is an input; it would be overwritten\n"},
      {prog + "p-2.png p.png", 1, "pltrender: p-2.png is an input; it would be overwritten\n"},
      {prog + "in.plt link.svg", 0, ""},
      {"(cat fifo.svg > got.svg &) && " + prog + "in.plt fifo.svg && sleep 0.2", 0, ""},
  };
  for (const auto& c : cases) {
    const testing::Run r = testing::run("cd " + dir.path() + " && " + c.command);
    EXPECT_EQ(r.status, c.status) << c.command;
    EXPECT_EQ(r.err, c.err) << c.command;
  }
  EXPECT_EQ(testing::read_text(dir.file("plot.png")), std::string(one_page.begin(), one_page.end()));
  EXPECT_EQ(testing::read_text(dir.file("p-2.png")), std::string(two_pages.begin(), two_pages.end()));
  EXPECT_FALSE(std::filesystem::exists(dir.file("p-1.png")));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.svg")));
  EXPECT_EQ(testing::read_text(dir.file("target.svg")).rfind("<?xml", 0), 0u);
  EXPECT_TRUE(std::filesystem::is_fifo(dir.file("fifo.svg")));
  EXPECT_EQ(testing::read_text(dir.file("got.svg")).rfind("<?xml", 0), 0u);
}

TEST(Program, PageLimit) {
  ScratchDir dir;
  const std::string in = dir.file("pltfil");
  const std::string prog = PLTRENDER;
  testing::write_bytes(in, PlotBuilder().e().m(1, 1).d(9, 9).e().m(1, 1).d(9, 9).e().m(1, 1).d(9, 9).bytes());
  testing::Run r = testing::run(prog + " --max-pages 2 " + in + " " + dir.file("p.png"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "pltrender: " + in + ": more than 2 pages (page 3 begins at byte offset 22); --max-pages raises the limit\n");
  EXPECT_FALSE(std::filesystem::exists(dir.file("p-1.png")));
  r = testing::run(prog + " --max-pages 3 " + in + " " + dir.file("p.png"));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(std::filesystem::exists(dir.file("p-3.png")));
  // The default limit: 1000 pages.
  testing::write_bytes(in, Bytes(1001, 'e'));
  r = testing::run(prog + " " + in + " " + dir.file("e.png"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "pltrender: " + in + ": more than 1000 pages (page 1001 begins at byte offset 1000); --max-pages raises the limit\n");
  EXPECT_FALSE(std::filesystem::exists(dir.file("e-1.png")));
  // The same limit for callers of the library.
  std::string err;
  FontSet fonts("", true);
  const Bytes bytes(1001, 'e');
  EXPECT_FALSE(render_bytes(bytes.data(), bytes.size(), dir.file("e.png"), RenderOptions{}, fonts, err));
  EXPECT_EQ(err, "more than 1000 pages (page 1001 begins at byte offset 1000): refused; raise the page limit to draw them");
}

// A plot file of n draws, 5 bytes each: a band of zigzags.
Bytes many_draws(int n) {
  PlotBuilder b;
  b.e().m(0, 0);
  for (int i = 0; i < n; ++i) b.d(i / 700, 600 + (i * 7) % 50);
  return b.bytes();
}

TEST(Program, MemoryStaysNearTheFileSize) {
  if (testing::kAddressSanitizer) GTEST_SKIP() << "memory figures are meaningless under AddressSanitizer";
  ScratchDir dir;
  const std::string in = dir.file("pltfil");
  testing::write_bytes(in, many_draws(1600000));  // 8 MB
  const long dump = testing::peak_memory_kib({PLTDUMP, "--summary", in});
  const long png = testing::peak_memory_kib({PLTRENDER, in, dir.file("o.png")});
  EXPECT_GT(dump, 0);
  EXPECT_LT(dump, 40 * 1024);
  EXPECT_GT(png, 0);
  EXPECT_LT(png, 60 * 1024);
}

TEST(Program, OutOfMemoryIsAClearError) {
  if (testing::kAddressSanitizer) GTEST_SKIP() << "address space limits do not work under AddressSanitizer";
  ScratchDir dir;
  const std::string in = dir.file("pltfil");
  testing::write_bytes(in, {});
  std::filesystem::resize_file(in, 1ull << 30);  // a sparse gigabyte
  const std::string limit = "ulimit -v 400000; ";
  testing::Run r = testing::run(limit + PLTRENDER + " " + in + " " + dir.file("o.png"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "pltrender: out of memory drawing " + in + "\n");
  r = testing::run(limit + PLTDUMP + " " + in);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "pltdump: " + in + ": out of memory reading the plot file\n");
}

}  // namespace
}  // namespace pltrender
