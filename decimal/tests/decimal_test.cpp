// Significant digits scaled and rounded: leading zeros, long fields, the
// ends of the float range.
#include "decimal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

namespace {

std::optional<float> scaled(const std::string& digits, long long power) {
  decimal::SignificantDigits d(digits.size());
  for (const char c : digits) d.push(c);
  return d.times_power_of_ten(power);
}

TEST(SignificantDigits, ScaledAndRounded) {
  EXPECT_EQ(scaled("00125", -2), 1.25f);                              // leading zeros dropped
  EXPECT_EQ(scaled("16777217", 0), 16777216.0f);                      // tie, even wins
  EXPECT_EQ(scaled("1" + std::string(199, '0'), -199), 1.0f);         // longer than the stack room
  EXPECT_EQ(scaled("1", -99), 0.0f);                                  // underflow reads as zero
  EXPECT_EQ(scaled("34028235", 31), 3.4028235e38f);
  EXPECT_EQ(scaled("1", 39), std::nullopt);                           // too large
  EXPECT_EQ(scaled("1", decimal::kExponentCap), std::nullopt);
}

TEST(SignificantDigits, LeadingZerosAreNotCounted) {
  decimal::SignificantDigits d(8);
  for (const char c : std::string("000")) d.push(c);
  EXPECT_EQ(d.count(), 0u);
  d.push('7');
  d.push('0');
  EXPECT_EQ(d.count(), 2u);
}

}  // namespace
