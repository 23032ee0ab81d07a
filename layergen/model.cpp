#include "model.h"

#include "decimal.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cmath>
#include <string>

namespace layergen {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }


}  // namespace

std::optional<float> readField(std::string_view field, int decimals) {
    if (field.find_first_not_of(' ') == std::string_view::npos) return 0.0f;

    // The field's rules are applied here; the number they leave is the
    // significant digits times a power of ten.
    decimal::SignificantDigits digits(field.size());

    std::size_t i = 0;
    auto more = [&] {
        while (i < field.size() && field[i] == ' ') ++i;
        return i < field.size();
    };
    bool negative = false;
    if (more() && (field[i] == '+' || field[i] == '-')) negative = field[i++] == '-';

    int mantissaDigits = 0;
    long long fractionDigits = 0;
    bool point = false;
    for (; more(); ++i) {
        const char c = field[i];
        if (isDigit(c)) {
            ++mantissaDigits;
            digits.push(c);
            fractionDigits += point;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (mantissaDigits == 0) return std::nullopt;
    // Without a decimal point the last `decimals` digits are the fraction.
    long long power = -(point ? fractionDigits : decimals);

    if (more()) {
        const char letter = field[i++];
        if (letter != 'E' && letter != 'e' && letter != 'D' && letter != 'd') return std::nullopt;
        bool negativeExponent = false;
        if (more() && (field[i] == '+' || field[i] == '-')) negativeExponent = field[i++] == '-';
        long long exponent = 0;
        int exponentDigits = 0;
        for (; more(); ++i) {
            if (!isDigit(field[i])) return std::nullopt;
            if (exponent < decimal::kExponentCap) exponent = exponent * 10 + (field[i] - '0');
            ++exponentDigits;
        }
        if (exponentDigits == 0) return std::nullopt;
        power += negativeExponent ? -exponent : exponent;
    }
    if (digits.count() == 0) return negative ? -0.0f : 0.0f;

    const std::optional<float> value = digits.times_power_of_ten(power);
    if (!value) return std::nullopt;
    return negative ? -*value : *value;
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
