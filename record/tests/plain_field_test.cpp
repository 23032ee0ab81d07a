// The one-pass readers of the common field form, against strtof and each
// other.
#include "plain_field.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

namespace {

bool same_bits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// `s` right-aligned in 16 columns.
std::string f16(const std::string& s) { return std::string(16 - s.size(), ' ') + s; }

// A random plain number of 1 to 15 digits: an optional sign, the point
// anywhere among the digits.
std::string random_plain(std::mt19937& rng) {
  std::uniform_int_distribution<int> digit(0, 9), count(1, 15), sign(0, 3);
  const int n = count(rng);
  const int point = std::uniform_int_distribution<int>(0, n)(rng);
  std::string s = sign(rng) == 0 ? "-" : sign(rng) == 0 ? "+" : "";
  for (int k = 0; k < n; ++k) {
    if (k == point) s += '.';
    s += static_cast<char>('0' + digit(rng));
  }
  if (point == n) s += '.';
  return s.size() <= 16 ? s : s.substr(1);
}

TEST(PlainField, AnyWidthAgreesWithStrtof) {
  std::mt19937 rng(2026);
  for (int n = 0; n < 200000; ++n) {
    const std::string text = random_plain(rng) + (n % 2 ? " " : "");
    float v = 0.0f;
    if (tracel::plain::read_any_width(text, v)) {
      ASSERT_TRUE(same_bits(v, std::strtof(text.c_str(), nullptr))) << '"' << text << '"';
    }
  }
}

#if defined(__SSE2__)
// Right-aligned plain fields of 16 columns: the vector reader takes those
// ending in a digit, the byte reader all; both leave a quotient that is a
// float midpoint to the full reader.  What they read is what strtof reads.
TEST(PlainField, SixteenColumnsAgreeWithStrtofAndTheByteReader) {
  std::mt19937 rng(99);
  for (int n = 0; n < 300000; ++n) {
    const std::string text = f16(random_plain(rng));
    float vector = 0.0f, bytes = 0.0f;
    const bool by_vector = tracel::plain::read_sixteen_columns(text.data(), vector);
    const bool by_bytes = tracel::plain::read_any_width(text, bytes);
    ASSERT_EQ(by_vector, by_bytes && text.back() != '.') << '"' << text << '"';
    if (!by_vector) continue;
    ASSERT_TRUE(same_bits(vector, bytes)) << '"' << text << '"';
    ASSERT_TRUE(same_bits(vector, std::strtof(text.c_str(), nullptr))) << '"' << text << '"';
  }
}

TEST(PlainField, SixteenColumnsRefuseOtherForms) {
  for (const char* text : {"                ", "           1.25 ", "          1.2.5 ", "         1 2.345",
                           "         -+1.234", "         +-1.234", "         1-2.345", "         12345.-",
                           "          12345.", "         12345E1", "        123456.x", "        1234567 ",
                           "          - 1.25", "        -.      ", "1234567890123456", "        12\t34.56"}) {
    float v = 42.0f;
    EXPECT_FALSE(tracel::plain::read_sixteen_columns(text, v)) << '"' << text << '"';
    EXPECT_EQ(v, 42.0f);
  }
}

// The extremes of the form: 15 digits before or after the point, a sign
// in the first column, a field that is all digits but one point.
TEST(PlainField, SixteenColumnsAtTheLimits) {
  for (const char* text : {"99999999999999.9", ".999999999999999", "-.00000000000001", "+1234567890123.5",
                           "-0.00000", "00000000000000.0", "          -0.0", "7.42621111869812"}) {
    const std::string field = f16(text);
    float v = 0.0f;
    const bool read = tracel::plain::read_sixteen_columns(field.data(), v);
    const bool midpoint = std::string(text) == "7.42621111869812";  // left to the full reader
    EXPECT_EQ(read, !midpoint) << text;
    if (read) {
      EXPECT_TRUE(same_bits(v, std::strtof(text, nullptr))) << text;
    }
  }
}
#endif

}  // namespace
