#include "plain_field.h"

namespace tracel::plain {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The digits of [p, end) as far as they go: the end of the run.
const char* skip_digits(const char* p, const char* end) {
  while (p < end && is_digit(*p)) ++p;
  return p;
}

// `w` followed by the digits of [p, end).
std::uint64_t append_digits(std::uint64_t w, const char* p, const char* end) {
  for (; p < end; ++p) w = w * 10 + static_cast<std::uint64_t>(*p - '0');
  return w;
}

}  // namespace

bool read_any_width(std::string_view field, float& out) {
  const char* p = field.data();
  const char* end = p + field.size();
  while (p < end && *p == ' ') ++p;
  const bool negative = p < end && *p == '-';
  if (p < end && (*p == '+' || *p == '-')) ++p;
  const char* point = skip_digits(p, end);
  if (point == end || *point != '.') return false;
  const char* digits_end = skip_digits(point + 1, end);
  for (const char* q = digits_end; q < end; ++q)
    if (*q != ' ') return false;
  const std::ptrdiff_t whole = point - p;
  const std::ptrdiff_t fraction = digits_end - point - 1;
  if (whole + fraction == 0 || whole + fraction > kExactDigits) return false;

  const std::uint64_t w = append_digits(append_digits(0, p, point), point + 1, digits_end);
  return round_quotient(w, fraction, negative, out);
}

}  // namespace tracel::plain
