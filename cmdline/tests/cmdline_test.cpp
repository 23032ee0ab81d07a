// The argument reader: values after "=" or in the next argument, options
// kept whole, operands, and a value missing at the end.
#include "cmdline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// "name=value" for options with a value, "name" for the others, "<name>"
// for operands; "refused" when nothing is returned.
std::string read(std::vector<std::string> words) {
  std::vector<char*> argv{const_cast<char*>("prog")};
  for (std::string& w : words) argv.push_back(w.data());
  const auto args = cmdline::read_args(static_cast<int>(argv.size()), argv.data(), {"-o", "--window"}, "prog");
  if (!args) return "refused";
  std::string out;
  for (const cmdline::Arg& a : *args) {
    if (!out.empty()) out += ' ';
    out += a.option ? a.name : "<" + a.name + ">";
    if (a.option && (a.name == "-o" || a.name == "--window")) out += "=" + a.value;
  }
  return out;
}

TEST(ReadArgs, Forms) {
  const struct {
    std::vector<std::string> words;
    const char* read;
  } cases[] = {
      {{"a.sac", "-o", "x.rec"}, "<a.sac> -o=x.rec"},
      {{"--window", "1,2", "--window=3,4"}, "--window=1,2 --window=3,4"},
      {{"--window="}, "--window="},
      {{"-o", "--window"}, "-o=--window"},          // the next argument is the value, whatever it is
      {{"-o=x", "--split=yes", "--windowx=1"}, "-o=x --split=yes --windowx=1"},  // kept whole
      {{"-", "--help", "-h"}, "<-> --help -h"},
      {{}, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(read(c.words), c.read);
}

TEST(ReadArgs, ValueMissingAtTheEnd) {
  for (const char* last : {"-o", "--window"}) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(read({"a.sac", last}), "refused");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string("prog: ") + last + " needs a value\n");
  }
}

// Option values as numbers: the whole text, finite, rounded as from_chars
// rounds to float.
TEST(FiniteFloat, WholeTextOnly) {
  EXPECT_EQ(cmdline::finite_float("24.4"), 24.4f);
  EXPECT_EQ(cmdline::finite_float("-1e3"), -1000.0f);
  EXPECT_EQ(cmdline::finite_float("3.40282347e38"), 3.40282347e38f);
  for (const char* bad : {"", " 1", "1 ", "+1", "1,2", "x", "inf", "nan", "1e39"})
    EXPECT_FALSE(cmdline::finite_float(bad).has_value()) << '"' << bad << '"';
  // The same as a double: rounded to double, finite up to the double range.
  EXPECT_EQ(cmdline::finite_double("0.01"), 0.01);
  EXPECT_EQ(cmdline::finite_double("1e39"), 1e39);
  for (const char* bad : {"", "1 ", "+1", "0.01,1", "nan", "1e309"})
    EXPECT_FALSE(cmdline::finite_double(bad).has_value()) << '"' << bad << '"';
}

}  // namespace

// Preparing the heap is a hint: any size, also one malloc refuses, and the
// memory that follows is the program's as usual.
TEST(PrepareHeap, IsAHintOnly) {
  cmdline::reuse_large_blocks();
  for (std::size_t bytes : {std::size_t{0}, std::size_t{1}, std::size_t{8} << 20, SIZE_MAX / 2})
    cmdline::prepare_heap(bytes);
  std::vector<unsigned char> block(std::size_t{8} << 20, 7);
  for (std::size_t i = 0; i < block.size(); i += 4096) ASSERT_EQ(block[i], 7) << i;
}
