#include "model.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <string>

namespace layergen {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

namespace {

constexpr int kMaxExactDigits = 15;    // a digit string below 10^15 < 2^53 is an exact double
constexpr int kMaxExactPower = 22;     // 10^22 is the largest power of ten exact in a double
constexpr double kExactPow10[kMaxExactPower + 1] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                    1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                    1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr long kExponentCap = 100000;  // exponents beyond this are out of float range anyway

// A field's number taken apart: value = (-1)^negative * digits * 10^power,
// the significant digits held as a number while they are few enough and
// as text beyond that.
struct Decimal {
    bool negative = false;
    uint64_t value = 0;   // the significant digits, while at most 15
    int significant = 0;  // count of significant digits (leading zeros dropped)
    std::string text;     // all significant digits, once there are more than 15
    long power = 0;

    void addDigit(char c) {
        if (c == '0' && significant == 0) return;
        ++significant;
        if (significant <= kMaxExactDigits) {
            value = value * 10 + static_cast<uint64_t>(c - '0');
            return;
        }
        if (text.empty()) text = std::to_string(value);
        text += c;
    }
};

// Parses the field without its blanks into a Decimal, or nothing when it is
// not a number.
std::optional<Decimal> parseDecimal(std::string_view field, int decimals) {
    Decimal d;
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < field.size() && field[i] == ' ') ++i;
    };
    auto more = [&] {
        skipBlanks();
        return i < field.size();
    };
    if (more() && (field[i] == '+' || field[i] == '-')) d.negative = field[i++] == '-';

    int mantissaDigits = 0;
    int fractionDigits = 0;
    bool point = false;
    while (more()) {
        const char c = field[i];
        if (isDigit(c)) {
            ++mantissaDigits;
            if (point) ++fractionDigits;
            d.addDigit(c);
            ++i;
        } else if (c == '.' && !point) {
            point = true;
            ++i;
        } else {
            break;
        }
    }
    if (mantissaDigits == 0) return std::nullopt;
    // Without a decimal point the last `decimals` digits are the fraction.
    d.power = -(point ? fractionDigits : decimals);

    if (more()) {
        const char letter = field[i++];
        if (letter != 'E' && letter != 'e' && letter != 'D' && letter != 'd') return std::nullopt;
        bool negativeExponent = false;
        if (more() && (field[i] == '+' || field[i] == '-')) negativeExponent = field[i++] == '-';
        long exponent = 0;
        int exponentDigits = 0;
        while (more()) {
            if (!isDigit(field[i])) return std::nullopt;
            if (exponent < kExponentCap) exponent = exponent * 10 + (field[i] - '0');
            ++exponentDigits;
            ++i;
        }
        if (exponentDigits == 0) return std::nullopt;
        d.power += negativeExponent ? -exponent : exponent;
    }
    return d;
}

// The decimal rounded to the nearest float.  A double quotient or product
// of exact operands is correctly rounded, and rounding it again to float
// gives the float nearest the decimal unless the double lies exactly halfway
// between two floats; that case, and numbers beyond exact double arithmetic,
// go to strtof.
float nearestFloat(const Decimal& d) {
    if (d.significant == 0) return d.negative ? -0.0f : 0.0f;
    if (d.significant <= kMaxExactDigits && d.power >= -kMaxExactPower && d.power <= kMaxExactPower) {
        const auto exact = static_cast<double>(d.value);
        const double scaled = d.power < 0 ? exact / kExactPow10[-d.power] : exact * kExactPow10[d.power];
        const auto f = static_cast<float>(scaled);
        const float other = std::nextafter(f, static_cast<float>(scaled < f ? -INFINITY : INFINITY));
        const double midpoint = 0.5 * (static_cast<double>(f) + static_cast<double>(other));
        if (scaled != midpoint) return d.negative ? -f : f;
    }
    const std::string digits = d.text.empty() ? std::to_string(d.value) : d.text;
    const std::string text = digits + "e" + std::to_string(d.power);
    const float f = std::strtof(text.c_str(), nullptr);
    return d.negative ? -f : f;
}

}  // namespace

std::optional<float> readField(std::string_view field, int decimals) {
    bool blank = true;
    for (char c : field) blank = blank && c == ' ';
    if (blank) return 0.0f;
    const std::optional<Decimal> d = parseDecimal(field, decimals);
    if (!d) return std::nullopt;
    const float value = nearestFloat(*d);
    if (std::isinf(value)) return std::nullopt;
    return value;
}

namespace {

constexpr int kFastDecimals = 9;
constexpr float kFastLimit = 1.0e10f;  // |value| * 10^9 stays below 2^64
constexpr uint64_t kPow10[kFastDecimals + 1] = {1,         10,         100,         1000,        10000,
                                                100000,    1000000,    10000000,    100000000,   1000000000};
constexpr int kFloatMantissaBits = 24;

// |value| * 10^decimals rounded to a whole number, ties to even, computed
// exactly from the float's binary form (|value| = m * 2^e).  False for
// magnitudes or decimals too large for 64-bit arithmetic.
bool scaledMagnitude(float value, int decimals, uint64_t& q) {
    const float magnitude = std::fabs(value);
    if (decimals < 0 || decimals > kFastDecimals || !(magnitude < kFastLimit)) return false;
    int e = 0;
    const float fraction = std::frexp(magnitude, &e);
    const auto m = static_cast<uint64_t>(std::ldexp(fraction, kFloatMantissaBits));
    e -= kFloatMantissaBits;
    const uint64_t n = m * kPow10[decimals];
    if (e >= 0) {
        q = n << e;
        return true;
    }
    const int shift = -e;
    if (shift >= 64) {  // n < 2^58, so the value is below one half
        q = 0;
        return true;
    }
    q = n >> shift;
    const uint64_t rest = n & ((uint64_t{1} << shift) - 1);
    const uint64_t half = uint64_t{1} << (shift - 1);
    if (rest > half || (rest == half && (q & 1) != 0)) ++q;
    return true;
}

// "[-]integer.fraction" of q / 10^decimals; the sign only for a nonzero q.
std::string fixedText(uint64_t q, bool negative, int decimals) {
    char buf[32];
    char* p = buf + sizeof buf;
    for (int i = 0; i < decimals; ++i) {
        *--p = static_cast<char>('0' + q % 10);
        q /= 10;
    }
    *--p = '.';
    do {
        *--p = static_cast<char>('0' + q % 10);
        q /= 10;
    } while (q != 0);
    if (negative) *--p = '-';
    return std::string(p, buf + sizeof buf);
}

}  // namespace

std::string formatField(float value, int width, int decimals) {
    const std::string stars(static_cast<std::size_t>(width), '*');
    if (!std::isfinite(value)) return stars;

    std::string s;
    uint64_t q = 0;
    if (scaledMagnitude(value, decimals, q)) {
        s = fixedText(q, value < 0.0f && q != 0, decimals);
    } else {
        // The float widened to double is exact; to_chars writes it as printf's
        // "%.*f" does: its exact decimal expansion rounded to nearest, ties to even.
        char buf[128];
        const auto [end, ec] =
            std::to_chars(buf, buf + sizeof buf, static_cast<double>(value), std::chars_format::fixed, decimals);
        if (ec != std::errc()) return stars;
        s.assign(buf, end);
        if (decimals == 0) s += '.';
        if (s[0] == '-' && s.find_first_not_of("0.", 1) == std::string::npos) s.erase(0, 1);
    }

    if (static_cast<int>(s.size()) > width) {
        const std::size_t digits = s[0] == '-' ? 1 : 0;
        if (s.compare(digits, 2, "0.") == 0) s.erase(digits, 1);
    }
    if (static_cast<int>(s.size()) > width) return stars;
    return std::string(static_cast<std::size_t>(width) - s.size(), ' ') + s;
}

std::string titleLine(std::string_view line) {
    std::string title(line.substr(0, kTitleWidth));
    title.resize(kTitleWidth, ' ');
    return title;
}

RowParse parseRow(std::string_view line) {
    char padded[kRowWidth];
    const std::size_t used = std::min(line.size(), static_cast<std::size_t>(kRowWidth));
    std::fill(std::copy_n(line.begin(), used, padded), padded + kRowWidth, ' ');

    float values[kFieldCount];
    for (int k = 0; k < kFieldCount; ++k) {
        const std::string_view field(padded + k * kFieldWidth, kFieldWidth);
        const std::optional<float> v = readField(field, kFieldDecimals[k]);
        if (!v) return RowParse{std::nullopt, k};
        values[k] = *v;
    }
    return RowParse{ModelRow{values[0], values[1], values[2], values[3], values[4], values[5]}, -1};
}

std::string formatRow(const ModelRow& row) {
    const float values[kFieldCount] = {row.z, row.rho, row.vp, row.vs, row.qp, row.qs};
    std::string line;
    line.reserve(kRowWidth);
    for (int k = 0; k < kFieldCount; ++k) {
        line += formatField(values[k], kFieldWidth, kFieldDecimals[k]);
    }
    return line;
}

}  // namespace layergen
