#include "model.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

namespace layergen {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<float> readField(std::string_view field, int decimals) {
    std::string s;  // the field without its blanks
    s.reserve(field.size());
    for (char c : field) {
        if (c != ' ') s += c;
    }
    if (s.empty()) return 0.0f;

    // Rebuild the number as "[-]digits.digits[e[sign]digits]", with the
    // decimal point made explicit, for strtof.
    std::string text;
    text.reserve(s.size() + static_cast<std::size_t>(decimals) + 4);
    std::size_t i = 0;
    if (s[i] == '+' || s[i] == '-') {
        if (s[i] == '-') text += '-';
        ++i;
    }
    const std::size_t mantissa = text.size();
    std::size_t digits = 0;
    bool point = false;
    for (; i < s.size(); ++i) {
        if (isDigit(s[i])) {
            text += s[i];
            ++digits;
        } else if (s[i] == '.' && !point) {
            text += '.';
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0) return std::nullopt;

    // Without a decimal point the last `decimals` digits are the fraction.
    if (!point) {
        const std::size_t d = static_cast<std::size_t>(decimals);
        if (digits < d) text.insert(mantissa, d - digits, '0');
        text.insert(text.size() - d, 1, '.');
    }

    if (i < s.size()) {
        const char letter = s[i++];
        if (letter != 'E' && letter != 'e' && letter != 'D' && letter != 'd') return std::nullopt;
        text += 'e';
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) text += s[i++];
        if (i == s.size()) return std::nullopt;
        for (; i < s.size(); ++i) {
            if (!isDigit(s[i])) return std::nullopt;
            text += s[i];
        }
    }

    // strtof rounds the decimal text correctly to the nearest float.
    char* end = nullptr;
    const float value = std::strtof(text.c_str(), &end);
    if (end != text.c_str() + text.size() || std::isinf(value)) return std::nullopt;
    return value;
}

std::string formatField(float value, int width, int decimals) {
    const std::string stars(static_cast<std::size_t>(width), '*');
    if (!std::isfinite(value)) return stars;

    // The float widened to double is exact; to_chars writes it as printf's
    // "%.*f" does: its exact decimal expansion rounded to nearest, ties to even.
    char buf[128];
    const auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, static_cast<double>(value), std::chars_format::fixed, decimals);
    if (ec != std::errc()) return stars;
    std::string s(buf, end);
    if (decimals == 0) s += '.';

    if (s[0] == '-' && s.find_first_not_of("0.", 1) == std::string::npos) s.erase(0, 1);
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
    std::string padded(line.substr(0, kRowWidth));
    padded.resize(kRowWidth, ' ');

    float values[kFieldCount];
    for (int k = 0; k < kFieldCount; ++k) {
        const std::string_view field =
            std::string_view(padded).substr(static_cast<std::size_t>(k * kFieldWidth), kFieldWidth);
        const std::optional<float> v = readField(field, kFieldDecimals[k]);
        if (!v) return RowParse{std::nullopt, k};
        values[k] = *v;
    }
    return RowParse{ModelRow{values[0], values[1], values[2], values[3], values[4], values[5]}, -1};
}

std::string formatRow(const ModelRow& row) {
    const float values[kFieldCount] = {row.z, row.rho, row.vp, row.vs, row.qp, row.qs};
    std::string line;
    for (int k = 0; k < kFieldCount; ++k) {
        line += formatField(values[k], kFieldWidth, kFieldDecimals[k]);
    }
    return line;
}

}  // namespace layergen
