#include "model.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace layergen {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<float> readField(std::string_view field, int decimals) {
    std::string s;  // the field without its blanks
    for (char c : field) {
        if (c != ' ') s += c;
    }
    if (s.empty()) return 0.0f;

    std::size_t i = 0;
    std::string sign;
    if (s[i] == '+' || s[i] == '-') {
        if (s[i] == '-') sign = "-";
        ++i;
    }
    std::string whole, fraction;
    bool point = false;
    for (; i < s.size(); ++i) {
        if (isDigit(s[i])) {
            (point ? fraction : whole) += s[i];
        } else if (s[i] == '.' && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (whole.empty() && fraction.empty()) return std::nullopt;

    std::string exponent;
    if (i < s.size()) {
        const char letter = s[i++];
        if (letter != 'E' && letter != 'e' && letter != 'D' && letter != 'd') return std::nullopt;
        exponent = "e";
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) exponent += s[i++];
        if (i == s.size()) return std::nullopt;
        for (; i < s.size(); ++i) {
            if (!isDigit(s[i])) return std::nullopt;
            exponent += s[i];
        }
    }

    // Without a decimal point the last `decimals` digits are the fraction.
    if (!point) {
        const std::size_t d = static_cast<std::size_t>(decimals);
        if (whole.size() < d) whole.insert(0, d - whole.size(), '0');
        fraction = whole.substr(whole.size() - d);
        whole.erase(whole.size() - d);
    }

    // strtof rounds the decimal text correctly to the nearest float.
    const std::string text = sign + (whole.empty() ? "0" : whole) + "." + fraction + exponent;
    char* end = nullptr;
    const float value = std::strtof(text.c_str(), &end);
    if (end != text.c_str() + text.size() || std::isinf(value)) return std::nullopt;
    return value;
}

std::string formatField(float value, int width, int decimals) {
    const std::string stars(static_cast<std::size_t>(width), '*');
    if (!std::isfinite(value)) return stars;

    // The float widened to double is exact, and glibc prints its exact
    // decimal expansion rounded to nearest, ties to even.  '#' keeps the
    // decimal point when `decimals` is 0.
    char buf[128];
    const int n = std::snprintf(buf, sizeof buf, "%#.*f", decimals, static_cast<double>(value));
    if (n < 0 || n >= static_cast<int>(sizeof buf)) return stars;
    std::string s(buf, static_cast<std::size_t>(n));

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
