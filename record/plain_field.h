// The common form of a real field read in one pass: blanks, an optional
// sign, digits with one decimal point among them, blanks.  Fields of any
// other form (exponents, implied decimals, embedded blanks, more than 15
// digits) are left to the full reader in record.cpp.
//
// The field is w / 10^f: w its digits as an integer, f the digits after
// the point.  Both are exact doubles, so the quotient is the field's value
// rounded once, to double.  Rounding to double never carries a value
// across a float midpoint (midpoints are doubles), so the quotient rounds
// to the same float as the field's value unless it is a midpoint itself;
// then the full reader decides.  Values lie between 1e-15 and 1e15, where
// floats are normal, or are zero.
#ifndef TRACEL_PLAIN_FIELD_H
#define TRACEL_PLAIN_FIELD_H

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace tracel::plain {

// Powers of ten that are exact doubles.
inline constexpr double kExactPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                               1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// At most this many digits make an integer below 2^53, exact in double.
inline constexpr std::ptrdiff_t kExactDigits = 15;

// The bits a double carries below a float's mantissa, and their pattern
// when the double lies exactly halfway between two normal floats.
inline constexpr std::uint64_t kBelowFloatMask = (std::uint64_t{1} << 29) - 1;
inline constexpr std::uint64_t kFloatHalfway = std::uint64_t{1} << 28;

// w / 10^fraction rounded to float, negated when `negative`; false when
// the double quotient is a float midpoint.
inline bool round_quotient(std::uint64_t w, std::ptrdiff_t fraction, bool negative, float& out) {
  const double value = static_cast<double>(w) / kExactPowersOfTen[fraction];
  if ((std::bit_cast<std::uint64_t>(value) & kBelowFloatMask) == kFloatHalfway) return false;
  // The sign is set on the bits, not chosen by a branch: signs of seismic
  // samples alternate unpredictably.
  const auto magnitude = std::bit_cast<std::uint32_t>(static_cast<float>(value));
  out = std::bit_cast<float>(magnitude | std::uint32_t{negative} << 31);
  return true;
}

// Any width, byte by byte.
bool read_any_width(std::string_view field, float& out);

#if defined(__SSE2__)
inline constexpr std::size_t kVectorWidth = 16;

// The 16 columns of `field` as a bit mask: bit k set where column k holds c.
inline unsigned columns_equal(__m128i field, char c) {
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(field, _mm_set1_epi8(c))));
}

// Exactly 16 columns, with 16-byte vector operations, when the last column
// is a digit (no trailing blanks): the form of every sample a 16-column
// writer leaves.  The masks check the form without a branch per column;
// the digits, closed up over the point, are summed in pairs, fours and
// eights.  False for anything else.
inline bool read_sixteen_columns(const char* field, float& out) {
  const __m128i text = _mm_loadu_si128(reinterpret_cast<const __m128i*>(field));
  const __m128i value = _mm_sub_epi8(text, _mm_set1_epi8('0'));
  // A digit is a byte whose value, less '0', is at most 9 unsigned.
  const __m128i is_digit = _mm_cmpeq_epi8(_mm_min_epu8(value, _mm_set1_epi8(9)), value);
  const unsigned digits = static_cast<unsigned>(_mm_movemask_epi8(is_digit));
  const unsigned point = columns_equal(text, '.');
  const unsigned blanks = columns_equal(text, ' ');
  const unsigned minus = columns_equal(text, '-');
  const unsigned sign = minus | columns_equal(text, '+');
  const unsigned filled = ~blanks & 0xFFFFu;
  const unsigned first = filled & (0u - filled);  // the first column not blank
  constexpr unsigned kLastColumn = 0x8000u;
  const bool plain = blanks == first - 1u                       // blanks lead, only
                     && (sign & ~first) == 0                    // a sign comes first
                     && (digits | point | sign) == filled       // nothing else
                     && point != 0 && (point & (point - 1u)) == 0  // one point
                     && (digits & kLastColumn) != 0;            // a digit ends it
  if (!plain) return false;

  // Close up the digits: those before the point move one column right,
  // onto it.  Every other column is zero.
  const int point_column = std::countr_zero(point);
  const __m128i column = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  const __m128i before_point = _mm_cmplt_epi8(column, _mm_set1_epi8(static_cast<char>(point_column)));
  const __m128i digit_values = _mm_and_si128(value, is_digit);
  const __m128i closed = _mm_or_si128(_mm_andnot_si128(before_point, digit_values),
                                      _mm_slli_si128(_mm_and_si128(before_point, digit_values), 1));

  // Column values in 16 bits, then 10a+b of each pair, 100a+b of each two
  // pairs, 10000a+b of each two fours: the first and last eight columns.
  const __m128i zero = _mm_setzero_si128();
  const __m128i pairs = _mm_packs_epi32(
      _mm_madd_epi16(_mm_unpacklo_epi8(closed, zero), _mm_setr_epi16(10, 1, 10, 1, 10, 1, 10, 1)),
      _mm_madd_epi16(_mm_unpackhi_epi8(closed, zero), _mm_setr_epi16(10, 1, 10, 1, 10, 1, 10, 1)));
  const __m128i fours = _mm_madd_epi16(pairs, _mm_setr_epi16(100, 1, 100, 1, 100, 1, 100, 1));
  const __m128i eights =
      _mm_madd_epi16(_mm_packs_epi32(fours, fours), _mm_setr_epi16(10000, 1, 10000, 1, 10000, 1, 10000, 1));
  const auto high = static_cast<std::uint32_t>(_mm_cvtsi128_si32(eights));
  const auto low = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(eights, 4)));
  const std::uint64_t w = std::uint64_t{high} * 100000000u + low;

  constexpr int kLastColumnIndex = 15;
  return round_quotient(w, kLastColumnIndex - point_column, minus != 0, out);
}
#endif

// A field of the common form read in one pass; false when the full reader
// must read it.
inline bool read(std::string_view field, float& out) {
#if defined(__SSE2__)
  if (field.size() == kVectorWidth && read_sixteen_columns(field.data(), out)) return true;
#endif
  return read_any_width(field, out);
}

}  // namespace tracel::plain

#endif
