// Byte writers: exact bytes, byte order, missing stream, write failures and
// the plot file reaching the disk at normal process end.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "labels.h"
#include "pen.h"
#include "state.h"
#include "test_support.h"
#include "writers.h"

namespace zarvo {
namespace {

using testing::Bytes;
using testing::PlotCapture;

Bytes written(void (*write)(std::FILE*)) {
  PlotCapture capture;
  write(lib.plotfile);
  return capture.bytes();
}

TEST(Writers, SixteenBitValuesAreLittleEndianLowBits) {
  EXPECT_EQ(written([](std::FILE* f) { vputh(-1, f); }), (Bytes{0xFF, 0xFF}));
  EXPECT_EQ(written([](std::FILE* f) { vputh(255, f); }), (Bytes{0xFF, 0x00}));
  EXPECT_EQ(written([](std::FILE* f) { vputh(256, f); }), (Bytes{0x00, 0x01}));
  EXPECT_EQ(written([](std::FILE* f) { vputh(-5, f); }), (Bytes{0xFB, 0xFF}));
  // 40000 does not fit: its low 16 bits are -25536.
  EXPECT_EQ(written([](std::FILE* f) { vputh(40000, f); }), (Bytes{0x40, 0x9C}));
}

TEST(Writers, ThirtyTwoBitAttributeWord) {
  // size 31, orientation 3, font 255
  EXPECT_EQ(written([](std::FILE* f) { vputw(31 | (3 * 32) | (255 * 256), f); }), (Bytes{0x7F, 0xFF, 0x00, 0x00}));
  EXPECT_EQ(written([](std::FILE* f) { vputw(0x01020304, f); }), (Bytes{0x04, 0x03, 0x02, 0x01}));
}

TEST(Writers, BigEndianWritersPutHighByteFirst) {
  EXPECT_EQ(written([](std::FILE* f) { sputh(0x1234, f); }), (Bytes{0x12, 0x34}));
  EXPECT_EQ(written([](std::FILE* f) { sputh(0x71234, f); }), (Bytes{0x12, 0x34}));
  EXPECT_EQ(written([](std::FILE* f) { sputw(0x01020304, f); }), (Bytes{0x01, 0x02, 0x03, 0x04}));
}

TEST(Writers, MissingStreamIsNeverWrittenThrough) {
  EXPECT_NE(putbyte('e', nullptr), 0);
  EXPECT_NE(vputh(1, nullptr), 0);
  EXPECT_NE(vputw(1, nullptr), 0);
  EXPECT_NE(sputh(1, nullptr), 0);
  EXPECT_NE(sputw(1, nullptr), 0);
}

TEST(Writers, WorkedExampleOfTwentyFiveBytes) {
  PlotCapture capture;
  putbyte('e', lib.plotfile);
  draw('m', 400, 320);
  draw('d', 2800, 320);
  TextInfo amp;
  amp.size = 8;
  pltext(100, 200, amp, "Amp", 3);
  const Bytes expected{0x65, 0x6D, 0x90, 0x01, 0x40, 0x01, 0x64, 0xF0, 0x0A, 0x40, 0x01, 0x6D, 0x64,
                       0x00, 0xC8, 0x00, 0x74, 0x08, 0x00, 0x00, 0x00, 0x41, 0x6D, 0x70, 0x00};
  EXPECT_EQ(capture.bytes(), expected);
}

TEST(Writers, FullDiskIsReportedByTheFlushCheck) {
  testing::reset_plot_state();
  lib.plotfile = std::fopen("/dev/full", "w");
  ASSERT_NE(lib.plotfile, nullptr);
  for (int i = 0; i < 10000; ++i) vputh(i, lib.plotfile);
  EXPECT_FALSE(plotfile_flush_ok());
  testing::reset_plot_state();
  EXPECT_TRUE(plotfile_flush_ok());  // no plot file open: nothing lost
}

TEST(Writers, PlotFileReachesDiskAtNormalExitWithoutClose) {
  testing::ScratchDir dir;
  const std::string path = dir.file("pltfil");
  EXPECT_EXIT(
      {
        lib.plotfile = std::fopen(path.c_str(), "w");
        putbyte('e', lib.plotfile);
        for (int i = 0; i < 5000; ++i) draw('d', i, -i);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  const Bytes b = testing::read_file(path);
  ASSERT_EQ(b.size(), 1u + 5000u * 5u);
  EXPECT_EQ(b.front(), 'e');
  EXPECT_EQ(Bytes(b.end() - 5, b.end()), testing::cmd_draw(4999, -4999));
}

}  // namespace
}  // namespace zarvo
