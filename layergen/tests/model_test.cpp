// Reading and writing the fixed-column fields, title lines and data rows.
#include "model.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

using layergen::formatField;
using layergen::formatRow;
using layergen::ModelRow;
using layergen::parseRow;
using layergen::readField;
using layergen::titleLine;

TEST(ReadField, ValuesAsWrittenAndImpliedDecimals) {
    EXPECT_EQ(readField("   2891.0 ", 2), 2891.0f);
    EXPECT_EQ(readField("      2891", 2), 28.91f);     // last two digits are the fraction
    EXPECT_EQ(readField("      2740", 5), 0.0274f);    // F10.5: 0.02740
    EXPECT_EQ(readField("         5", 5), 0.00005f);
    EXPECT_EQ(readField("  27  40  ", 2), 27.40f);     // blanks inside are ignored
    EXPECT_EQ(readField("          ", 2), 0.0f);       // all blank reads as zero
    EXPECT_EQ(readField("2891.00000", 2), 2891.0f);    // a number may fill the field
    EXPECT_EQ(readField("  13.67921", 5), 13.67921f);  // correctly rounded
    EXPECT_EQ(readField("    -1.25 ", 5), -1.25f);
    EXPECT_EQ(readField("       +3.", 5), 3.0f);
    EXPECT_EQ(readField("       .5 ", 5), 0.5f);
}

TEST(ReadField, Exponents) {
    EXPECT_EQ(readField("     1.0E8", 2), 1.0e8f);
    EXPECT_EQ(readField("    1.5D+2", 2), 150.0f);
    EXPECT_EQ(readField("   -125e-3", 2), -1.25e-3f);  // 125 -> 1.25, times 10^-3
    EXPECT_EQ(readField("      15d1", 2), 1.5f);
    EXPECT_EQ(readField(" 1.0 E - 2", 5), 0.01f);
}

TEST(ReadField, RejectsWhatIsNotANumber) {
    for (const char* bad : {"abc", "1.2.3", "1E", "E5", "-", ".", "1-2", "1E+", "1,5", "1E99", "\t1", "1.0E8x", "+-1.5", "-+1.5", "inf", "nan"}) {
        EXPECT_FALSE(readField(bad, 2).has_value()) << bad;
    }
}

TEST(FormatField, RightAlignedRounded) {
    EXPECT_EQ(formatField(9.903f, 10, 5), "   9.90300");
    EXPECT_EQ(formatField(28.91f, 10, 2), "     28.91");
    EXPECT_EQ(formatField(2891.0f, 10, 2), "   2891.00");
    EXPECT_EQ(formatField(-1.5f, 10, 5), "  -1.50000");
    EXPECT_EQ(formatField(0.5f, 10, 5), "   0.50000");
    EXPECT_EQ(formatField(1234567.0f, 10, 2), "1234567.00");
    EXPECT_EQ(formatField(3.0f, 5, 0), "   3.");
}

TEST(FormatField, RoundingTiesToEvenOnTheExactFloat) {
    EXPECT_EQ(formatField(0.125f, 10, 2), "      0.12");
    EXPECT_EQ(formatField(0.375f, 10, 2), "      0.38");
    EXPECT_EQ(formatField(2.675f, 10, 2), "      2.67");  // the float lies below 2.675
    EXPECT_EQ(formatField(-0.001f, 10, 2), "      0.00");  // no sign on a zero result
    EXPECT_EQ(formatField(-0.0f, 10, 2), "      0.00");
}

TEST(FormatField, TooWideIsAsterisks) {
    EXPECT_EQ(formatField(1.0e8f, 10, 2), "**********");
    EXPECT_EQ(formatField(-12345.0f, 10, 5), "**********");
    EXPECT_EQ(formatField(std::numeric_limits<float>::infinity(), 10, 2), "**********");
    EXPECT_EQ(formatField(std::nanf(""), 10, 2), "**********");
    EXPECT_EQ(formatField(-0.5f, 7, 5), "-.50000");  // the optional zero goes first
}

TEST(TitleLine, FilledOrCutTo72) {
    EXPECT_EQ(titleLine("PREM"), "PREM" + std::string(68, ' '));
    EXPECT_EQ(titleLine(std::string(72, 'a') + "bcd"), std::string(72, 'a'));
}

TEST(Row, ReadByColumnAndWrittenBack) {
    const std::string line = "   2740.00   5.49098  13.67921   7.26547    822.13    312.00";
    const auto parsed = parseRow(line + "  column 61 on is skipped");
    ASSERT_TRUE(parsed.row.has_value());
    EXPECT_EQ(parsed.row->z, 2740.0f);
    EXPECT_EQ(parsed.row->vs, 7.26547f);
    EXPECT_EQ(parsed.row->qs, 312.0f);
    EXPECT_EQ(formatRow(*parsed.row), line);
}

TEST(Row, ShortLineReadsAsFilledWithBlanks) {
    const auto parsed = parseRow("      2891   9.903");
    ASSERT_TRUE(parsed.row.has_value());
    EXPECT_EQ(formatRow(*parsed.row), "     28.91   9.90300   0.00000   0.00000      0.00      0.00");
    EXPECT_EQ(formatRow(*parseRow("").row), "      0.00   0.00000   0.00000   0.00000      0.00      0.00");
}

TEST(Row, BadFieldIsNamedByIndex) {
    const auto parsed = parseRow("   2740.00   5.49098  13.67921   7.2x547");
    EXPECT_FALSE(parsed.row.has_value());
    EXPECT_EQ(parsed.badField, 3);
    EXPECT_EQ(formatRow(ModelRow{0, 0, 0, 0, 1.0e8f, -1.0e8f}).substr(40), std::string(20, '*'));
}

// Random fields against strtof on the same number written out in full, and
// random floats against printf's exact "%.*f": the fast conversions must agree
// everywhere, halfway cases included.
TEST(ReadField, AgreesWithStrtofOnRandomFields) {
    std::mt19937 rng(20261208);
    std::uniform_int_distribution<int> digit(0, 9);
    std::uniform_int_distribution<int> length(1, 9);
    std::uniform_int_distribution<int> pointAt(-1, 9);
    std::uniform_int_distribution<int> exponent(-45, 40);
    std::uniform_int_distribution<int> coin(0, 3);
    for (int n = 0; n < 200000; ++n) {
        std::string digits;
        const int count = length(rng);
        for (int k = 0; k < count; ++k) digits += static_cast<char>('0' + digit(rng));
        const int point = pointAt(rng);
        std::string field = coin(rng) == 0 ? "-" : "";
        std::string full = field;
        if (point >= 0 && point <= count) {
            field += digits.substr(0, static_cast<std::size_t>(point)) + "." + digits.substr(static_cast<std::size_t>(point));
            full = field;
        } else {
            field += digits;
            full += digits + "e-5";  // F10.5: the last five digits are the fraction
        }
        if (coin(rng) == 1) {
            std::string e = "E";
            e += std::to_string(exponent(rng));
            field += e;
            full = (full.find('e') == std::string::npos ? full : full.substr(0, full.find('e'))) + "e" +
                   std::to_string(std::stol(e.substr(1)) - (point >= 0 && point <= count ? 0 : 5));
        }
        const float expected = std::strtof(full.c_str(), nullptr);
        const std::optional<float> got = readField(field, 5);
        if (std::isinf(expected)) {
            EXPECT_FALSE(got.has_value()) << field;
        } else {
            ASSERT_TRUE(got.has_value()) << field;
            EXPECT_EQ(std::bit_cast<uint32_t>(*got), std::bit_cast<uint32_t>(expected)) << field << " vs " << full;
        }
    }
}

TEST(ReadField, HalfwayBetweenTwoFloatsRoundsToEven) {
    // 1 + 2^-24 lies exactly between 1 and the next float: ties go to 1.
    EXPECT_EQ(readField("1.000000059604644775390625", 5), 1.0f);
    // 1 + 3 * 2^-24 lies between the first and second floats above 1.
    EXPECT_EQ(readField("1.000000178813934326171875", 5), std::nextafter(std::nextafter(1.0f, 2.0f), 2.0f));
}

TEST(FormatField, AgreesWithPrintfOnRandomFloats) {
    std::mt19937 rng(8122026);
    std::uniform_int_distribution<uint32_t> bits;
    std::uniform_int_distribution<int> places(0, 9);
    char buf[128];
    for (int n = 0; n < 200000; ++n) {
        const float v = std::bit_cast<float>(bits(rng));
        if (!std::isfinite(v)) continue;
        const int d = places(rng);
        std::snprintf(buf, sizeof buf, "%.*f", d, static_cast<double>(v));
        std::string expected = buf;
        if (d == 0) expected += '.';
        if (expected[0] == '-' && expected.find_first_not_of("0.", 1) == std::string::npos) expected.erase(0, 1);
        const int width = 60;
        if (static_cast<int>(expected.size()) > width) continue;
        expected.insert(0, static_cast<std::size_t>(width) - expected.size(), ' ');
        ASSERT_EQ(formatField(v, width, d), expected) << v << " with " << d << " places";
    }
}
