// The plot file reader: every command, and every kind of bad input.
#include <algorithm>
#include <gtest/gtest.h>

#include "plot_builder.h"
#include "plotfile.h"

namespace pltrender {
namespace {

using testing::Bytes;
using testing::PlotBuilder;

ParseResult parse_bytes(std::initializer_list<int> bytes) {
  Bytes b;
  for (int v : bytes) b.push_back(static_cast<uint8_t>(v));
  return parse(b);
}

TEST(Reader, WorkedExample) {
  const ParseResult r = parse_bytes({0x65, 0x6D, 0x90, 0x01, 0x40, 0x01, 0x64, 0xF0, 0x0A, 0x40, 0x01,
                                     0x6D, 0x64, 0x00, 0xC8, 0x00, 0x74, 0x08, 0x00, 0x00, 0x00, 0x41,
                                     0x6D, 0x70, 0x00});
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.commands.size(), 5u);
  EXPECT_EQ(r.commands[0].op, 'e');
  EXPECT_EQ(r.commands[1].op, 'm');
  EXPECT_EQ(r.commands[1].x, 400);
  EXPECT_EQ(r.commands[1].y, 320);
  EXPECT_EQ(r.commands[1].offset, 1u);
  EXPECT_EQ(r.commands[2].op, 'd');
  EXPECT_EQ(r.commands[2].x, 2800);
  EXPECT_EQ(r.commands[2].y, 320);
  EXPECT_EQ(r.commands[3].x, 100);
  EXPECT_EQ(r.commands[3].y, 200);
  const Command& t = r.commands[4];
  EXPECT_EQ(t.op, 't');
  EXPECT_EQ(t.offset, 16u);
  EXPECT_EQ(t.size, 8);
  EXPECT_EQ(t.font, 0);
  EXPECT_EQ(t.orient, 0);
  EXPECT_EQ(t.text, "Amp");
}

TEST(Reader, TriangleMarkerAndNegativeCoordinates) {
  const ParseResult r = parse_bytes({0x61, 0x01, 0x01, 0x03, 0x00, 0xDE, 0x03, 0xEE, 0x01, 0xF2, 0x03,
                                     0xEE, 0x01, 0xE8, 0x03, 0xFF, 0x01, 0xDE, 0x03, 0xEE, 0x01, 0x66,
                                     0x02, 0x00, 0x6D, 0xFB, 0xFF, 0xFF, 0xFF});
  ASSERT_TRUE(r.ok) << r.error;
  ASSERT_EQ(r.commands.size(), 3u);
  const Command& a = r.commands[0];
  EXPECT_EQ(a.pattern, 0x0101);
  ASSERT_EQ(a.points.size(), 4u);
  EXPECT_EQ(a.points[0].x, 990);
  EXPECT_EQ(a.points[0].y, 494);
  EXPECT_EQ(a.points[1].x, 1010);
  EXPECT_EQ(a.points[2].x, 1000);
  EXPECT_EQ(a.points[2].y, 511);
  EXPECT_EQ(a.points[3].x, 990);
  EXPECT_EQ(r.commands[1].thickness, 2);
  EXPECT_EQ(r.commands[2].x, -5);
  EXPECT_EQ(r.commands[2].y, -1);
}

TEST(Reader, AttributeFieldsAndCircle) {
  const ParseResult r = parse_bytes({0x74, 0x7F, 0xFF, 0x00, 0x00, 0x00, 0x63, 0x00, 0x00, 0xE8, 0x03,
                                     0xF4, 0x01, 0x0A, 0x00});
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.commands[0].size, 31);
  EXPECT_EQ(r.commands[0].orient, 3);
  EXPECT_EQ(r.commands[0].font, 255);
  EXPECT_EQ(r.commands[0].text, "");
  EXPECT_EQ(r.commands[1].op, 'c');
  EXPECT_EQ(r.commands[1].pattern, 0);
  EXPECT_EQ(r.commands[1].x, 1000);
  EXPECT_EQ(r.commands[1].y, 500);
  EXPECT_EQ(r.commands[1].radius, 10);
}

TEST(Reader, EmptyFile) {
  const ParseResult r = parse(Bytes{});
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error, "byte offset 0: empty file, no commands");
}

TEST(Reader, UnknownCommandByte) {
  ParseResult r = parse_bytes({0x65, 0x7A, 0x00});
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error_offset, 1u);
  EXPECT_EQ(r.error, "byte offset 1: unknown command byte 0x7a ('z')");
  ASSERT_EQ(r.commands.size(), 1u);  // what came before is kept
  r = parse_bytes({0x65, 0x66, 0x01, 0x00, 0x00});
  EXPECT_EQ(r.error, "byte offset 4: unknown command byte 0x00");
  r = parse_bytes({0xFF});
  EXPECT_EQ(r.error, "byte offset 0: unknown command byte 0xff");
  r = parse_bytes({0x45});  // upper case is not a command
  EXPECT_EQ(r.error, "byte offset 0: unknown command byte 0x45 ('E')");
}

TEST(Reader, TruncatedOperands) {
  EXPECT_EQ(parse_bytes({0x65, 0x6D, 0x90, 0x01, 0x40}).error,
            "byte offset 1: truncated 'm' command: needs 5 bytes, 4 left");
  EXPECT_EQ(parse_bytes({0x64}).error, "byte offset 0: truncated 'd' command: needs 5 bytes, 1 left");
  EXPECT_EQ(parse_bytes({0x66, 0x02}).error, "byte offset 0: truncated 'f' command: needs 3 bytes, 2 left");
  EXPECT_EQ(parse_bytes({0x63, 0x01, 0x01, 0xE8, 0x03, 0xF4, 0x01, 0x0A}).error,
            "byte offset 0: truncated 'c' command: needs 9 bytes, 8 left");
  EXPECT_EQ(parse_bytes({0x74, 0x08, 0x00, 0x00, 0x00}).error,
            "byte offset 0: truncated 't' command: needs 6 bytes, 5 left");
  EXPECT_EQ(parse_bytes({0x61, 0x01, 0x01, 0x03}).error,
            "byte offset 0: truncated 'a' command: needs 5 bytes, 4 left");
}

TEST(Reader, TextWithoutTerminatingZero) {
  const ParseResult r = parse_bytes({0x65, 0x74, 0x08, 0x00, 0x00, 0x00, 0x41, 0x6D, 0x70});
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.error_offset, 1u);
  EXPECT_EQ(r.error,
            "byte offset 1: text of 't' command has no terminating zero byte (3 text bytes to the end "
            "of the file)");
}

TEST(Reader, TextLengthLimit) {
  // e, then a text command of n bytes at offset 1, zero-terminated or not.
  auto text_of = [](std::size_t n, bool terminated) {
    const std::vector<uint8_t> head = {0x65, 0x74, 0x08, 0x00, 0x00, 0x00};
    std::vector<uint8_t> b(head.size() + n + (terminated ? 1 : 0), 'x');
    std::copy(head.begin(), head.end(), b.begin());
    if (terminated) b.back() = 0;
    return b;
  };
  const std::string too_long = "byte offset 1: text of 't' command longer than 1024 bytes; the library writes at most 255";
  const struct {
    std::vector<uint8_t> bytes;
    std::string error;  // empty: read
  } cases[] = {
      {text_of(kMaxTextBytes, true), ""},
      {text_of(kMaxTextBytes + 1, true), too_long},
      {text_of(kMaxTextBytes + 1, false), too_long},
      {text_of(4 << 20, true), too_long},
  };
  for (const auto& c : cases) {
    const ParseResult r = parse(c.bytes);
    EXPECT_EQ(r.error, c.error) << c.bytes.size();
    if (c.error.empty()) {
      ASSERT_EQ(r.commands.size(), 2u);
      EXPECT_EQ(r.commands[1].text.size(), kMaxTextBytes);
    }
  }
}

TEST(Reader, AbsurdVertexCounts) {
  EXPECT_EQ(parse_bytes({0x61, 0x01, 0x01, 0x00, 0x00, 0, 0, 0, 0}).error,
            "byte offset 0: 'a' command with vertex count 0 (at least 1 needed)");
  EXPECT_EQ(parse_bytes({0x65, 0x61, 0x01, 0x01, 0xFF, 0xFF, 0, 0, 0, 0}).error,
            "byte offset 1: 'a' command with vertex count -1 (at least 1 needed)");
  EXPECT_EQ(parse_bytes({0x61, 0x01, 0x01, 0xFF, 0x7F, 0, 0, 0, 0}).error,
            "byte offset 0: 'a' command with vertex count 32767 needs 131077 bytes, 9 left");
  // Three vertices but the repeated first one missing.
  EXPECT_EQ(parse_bytes({0x61, 0, 0, 3, 0, 1, 0, 1, 0, 2, 0, 2, 0, 3, 0, 3, 0}).error,
            "byte offset 0: 'a' command with vertex count 3 needs 21 bytes, 17 left");
}

TEST(Reader, HugeInputParsesInLinearTime) {
  PlotBuilder b;
  b.e();
  for (int i = 0; i < 200000; ++i) b.d(i % 3000, i % 1000);
  const ParseResult r = parse(b.bytes());
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.commands.size(), 200001u);
  EXPECT_EQ(r.commands.back().offset, 1u + 5u * 199999u);
}

TEST(Pages, SplitAtErase) {
  auto pages_of = [](const Bytes& b) { return split_pages(parse(b).commands); };
  // f before the first e leads into the first page.
  auto p = pages_of(PlotBuilder().f(2).e().m(1, 1).d(2, 2).e().d(3, 3).bytes());
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].begin, 0u);
  EXPECT_EQ(p[0].end, 4u);
  EXPECT_EQ(p[1].begin, 4u);
  EXPECT_EQ(p[1].end, 6u);
  // Drawing before the first e is a page of its own.
  p = pages_of(PlotBuilder().m(1, 1).d(2, 2).e().d(3, 3).bytes());
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0].end, 2u);
  // No erase at all: one page.
  EXPECT_EQ(pages_of(PlotBuilder().m(1, 1).d(2, 2).bytes()).size(), 1u);
  // Two erases in a row: an empty page between them.
  EXPECT_EQ(pages_of(PlotBuilder().e().e().d(1, 1).bytes()).size(), 2u);
}

}  // namespace
}  // namespace pltrender
