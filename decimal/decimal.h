// Decimal numbers gathered digit by digit from a fixed-column field and
// rounded to float, as tracel's and layergen's field readers need them.
#ifndef DECIMAL_DECIMAL_H
#define DECIMAL_DECIMAL_H

#include <cstddef>
#include <memory>
#include <optional>

namespace decimal {

// Exponents saturate here: far beyond any float's range, the result is the
// same.
constexpr long long kExponentCap = 100000;

// The significant digits of a number (leading zeros dropped), to be scaled
// by a power of ten and rounded to the nearest float by std::from_chars.
class SignificantDigits {
 public:
  // Room for the digits of a field `width` characters wide.
  explicit SignificantDigits(std::size_t width);

  // Appends the digit character `c`; a leading zero is dropped.
  void push(char c) {
    if (count_ != 0 || c != '0') digits_[count_++] = c;
  }

  // Digits kept so far.
  std::size_t count() const { return count_; }

  // The float nearest to the digits times 10^power (count() > 0): zero when
  // it underflows, nothing when it is too large for a float.
  std::optional<float> times_power_of_ten(long long power);

 private:
  // "e", a sign and up to 19 digits, appended for from_chars.
  static constexpr std::size_t kExponentRoom = 24;
  // Fields up to this width are gathered on the stack.
  static constexpr std::size_t kStackWidth = 64;

  char small_[kStackWidth + kExponentRoom];
  std::unique_ptr<char[]> large_;
  char* digits_;
  std::size_t count_ = 0;
};

}  // namespace decimal

#endif
