// The listing of pltdump: exact lines, the summary, and the program itself.
#include <gtest/gtest.h>

#include "dump.h"
#include "plot_builder.h"
#include "plotfile.h"

namespace pltrender {
namespace {

using testing::PlotBuilder;
using testing::ScratchDir;

const testing::Bytes& small_plot() {
  static const testing::Bytes bytes = PlotBuilder()
                                          .e()
                                          .f(2)
                                          .m(400, 320)
                                          .d(2800, 320)
                                          .text(100, 200, 8, 0, 0, "Amp")
                                          .a(0x0101, {{990, 494}, {1010, 494}, {1000, 511}})
                                          .c(0x0101, 1000, 500, 10)
                                          .text(50, 60, 12, 3, 1, "\\fBx\"\x1b" "gp\xe9")
                                          .bytes();
  return bytes;
}

const char kListing[] =
    "e\n"
    "f 2\n"
    "m 400 320\n"
    "d 2800 320\n"
    "m 100 200\n"
    "t size=8 font=0 orient=0 \"Amp\"\n"
    "a pattern=0x0101 n=3 990 494 1010 494 1000 511 990 494\n"
    "c pattern=0x0101 1000 500 10\n"
    "m 50 60\n"
    "t size=12 font=3 orient=1 \"\\\\fBx\\\"\\x1bgp\\xe9\"\n";

TEST(Dump, ListingLines) {
  const ParseResult r = parse(small_plot());
  ASSERT_TRUE(r.ok) << r.error;
  std::string listing;
  for (const Command& c : r.commands) listing += format_command(c) + "\n";
  EXPECT_EQ(listing, kListing);
}

TEST(Dump, ReservedAttributeBitsShown) {
  const ParseResult r = parse(PlotBuilder().raw({'t', 0x88, 0x01, 0x00, 0x02, 'x', 0}).bytes());
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(format_command(r.commands[0]), "t size=8 font=1 orient=0 reserved=0x02000080 \"x\"");
}

TEST(Dump, Summary) {
  const ParseResult r = parse(small_plot());
  EXPECT_EQ(summary(r.commands),
            "e 1\nf 1\nm 3\nd 1\nt 2\na 1\nc 1\ncommands 10\npages 1\n"
            "bbox xmin=50 ymin=60 xmax=2800 ymax=511\n");
  EXPECT_EQ(summary({}), "e 0\nf 0\nm 0\nd 0\nt 0\na 0\nc 0\ncommands 0\npages 0\nbbox none\n");
}

TEST(Dump, ProgramListsAndSummarises) {
  ScratchDir dir;
  const std::string file = dir.file("pltfil");
  testing::write_bytes(file, small_plot());
  testing::Run r = testing::run(std::string(PLTDUMP) + " " + file);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, kListing);
  EXPECT_EQ(r.err, "");
  r = testing::run(std::string(PLTDUMP) + " --summary " + file);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("pages 1\n"), std::string::npos);
  r = testing::run(std::string(PLTDUMP) + " --offsets " + file);
  EXPECT_EQ(r.out.substr(0, 16), "0: e\n1: f 2\n4: m");
}

TEST(Dump, ProgramReportsBadInput) {
  ScratchDir dir;
  const std::string file = dir.file("bad");
  testing::write_bytes(file, PlotBuilder().e().m(1, 2).raw({'d', 1, 0}).bytes());
  testing::Run r = testing::run(std::string(PLTDUMP) + " " + file);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "e\nm 1 2\n");
  EXPECT_EQ(r.err, "pltdump: " + file + ": byte offset 6: truncated 'd' command: needs 5 bytes, 3 left\n");
  testing::write_bytes(file, {});
  r = testing::run(std::string(PLTDUMP) + " " + file);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "pltdump: " + file + ": byte offset 0: empty file, no commands\n");
  r = testing::run(std::string(PLTDUMP) + " " + dir.file("missing"));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "pltdump: " + dir.file("missing") + ": cannot open for reading\n");
  r = testing::run(std::string(PLTDUMP) + " --bogus " + file);
  EXPECT_EQ(r.status, 2);
  r = testing::run(std::string(PLTDUMP) + " --version");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("pltdump ", 0), 0u);
}

}  // namespace
}  // namespace pltrender
