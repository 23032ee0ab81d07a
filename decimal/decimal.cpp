#include "decimal.h"

#include <charconv>

namespace decimal {

SignificantDigits::SignificantDigits(std::size_t width) : digits_(small_) {
  if (width > kStackWidth) {
    large_ = std::make_unique<char[]>(width + kExponentRoom);
    digits_ = large_.get();
  }
}

std::optional<float> SignificantDigits::times_power_of_ten(long long power) {
  char* end = digits_ + count_;
  *end++ = 'e';
  end = std::to_chars(end, digits_ + count_ + kExponentRoom, power).ptr;
  float value = 0.0f;
  if (std::from_chars(digits_, end, value).ec == std::errc::result_out_of_range) {
    // The digits times 10^power lie in [10^(count-1+power), 10^(count+power)):
    // at or above 1 the value overflowed, below 1 it underflowed to zero.
    if (static_cast<long long>(count_) + power > 0) return std::nullopt;
    value = 0.0f;
  }
  return value;
}

}  // namespace decimal
