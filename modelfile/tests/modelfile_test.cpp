// Whole model files: reading with bounded lines, the row checks, and the
// value texts.
#include "modelfile.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using layergen::ModelRow;

const std::string kTitles = "title one\ntitle two\n";

std::string row(float z, float rho, float vp, float vs, float qp = 100.0f, float qs = 50.0f) {
    return layergen::formatRow(ModelRow{z, rho, vp, vs, qp, qs}) + "\n";
}

bool read(const std::string& text, modelfile::Model& m, std::string& error) {
    std::istringstream in(text);
    return modelfile::readModel(in, "m.mod", m, error);
}

TEST(ReadModel, TitlesRowsCarriageReturnsAndTrailingBlankLines) {
    modelfile::Model m;
    std::string error;
    ASSERT_TRUE(read("first\r\nsecond\r\n" + row(0, 2.6f, 5.8f, 3.2f) +
                         "   24.4   3.38075         0         0         1         2   \r\n\n  \n",
                     m, error))
        << error;
    EXPECT_EQ(m.title1, "first" + std::string(67, ' '));
    EXPECT_EQ(m.title2, "second" + std::string(66, ' '));
    ASSERT_EQ(m.rows.size(), 2u);
    EXPECT_EQ(m.rows[0].vp, 5.8f);
    EXPECT_EQ(m.rows[1].z, 24.4f);
    EXPECT_EQ(m.rows[1].rho, 3.38075f);
    EXPECT_EQ(m.rows[1].qs, 0.02f);  // implied decimals
}

TEST(ReadModel, LineLengthBoundary) {
    modelfile::Model m;
    std::string error;
    const std::string longest(modelfile::kMaxLineLength, 'x');
    EXPECT_TRUE(read(longest + "\nsecond\n" + row(0, 1, 1, 1), m, error)) << error;
    EXPECT_FALSE(read(kTitles + row(0, 1, 1, 1) + longest + "x\n", m, error));
    EXPECT_EQ(error, "m.mod: line 4: line longer than 4096 characters; not a model file?");
    EXPECT_FALSE(read(kTitles + std::string(1 << 20, ' '), m, error));  // no newline at all
    EXPECT_EQ(error, "m.mod: line 3: line longer than 4096 characters; not a model file?");
}

TEST(ReadModel, Refusals) {
    const struct {
        std::string text;
        std::string error;
    } cases[] = {
        {"", "m.mod: line 1: end of file where title line 1 of 2 was expected"},
        {"only one\n", "m.mod: line 2: end of file where title line 2 of 2 was expected"},
        {kTitles, "m.mod: no data rows after the two title lines"},
        {kTitles + "\n  \n", "m.mod: no data rows after the two title lines"},
        {kTitles + row(0, 1, 1, 1) + "\n" + row(1, 1, 1, 1), "m.mod: line 4: blank line between data rows"},
        {kTitles + row(0, 1, 1, 1) + "      1.00   1.00000**********",
         "m.mod: line 4: field vp (columns 21-30) is not a number: \"**********\""},
        // layergen reads a blank field as 0: here a missing value.
        {kTitles + row(0, 1, 1, 1) + "   24.4   3.38075\n", "m.mod: line 4: field vp (columns 21-30) is blank"},
        {kTitles + row(0, 1, 1, 1) + row(1, 1, 1, 1).substr(0, 50) + "          \n",
         "m.mod: line 4: field qs (columns 51-60) is blank"},
        {kTitles + row(0, 1, 1, 1).substr(0, 60) + " x\n", "m.mod: line 3: text after column 60 (the last field, qs)"},
    };
    for (const auto& c : cases) {
        modelfile::Model m;
        std::string error;
        EXPECT_FALSE(read(c.text, m, error)) << c.text;
        EXPECT_EQ(error, c.error);
    }
}

TEST(CheckRows, EachRefusalNamesItsLine) {
    const struct {
        std::string rows;
        std::string error;  // empty: accepted
    } cases[] = {
        {row(0, 2, 5, 0) + row(10, 2, 5, 3) + row(10, 3, 6, 3.5f), ""},
        {row(-1, 2, 5, 3), "m.mod: line 3: depth -1.00 km is outside [0, 6371]"},
        {row(0, 2, 5, 3) + row(6371, 2, 5, 3), ""},
        {row(0, 2, 5, 3) + row(6371.01f, 2, 5, 3), "m.mod: line 4: depth 6371.01 km is outside [0, 6371]"},
        {row(0, 2, 20, 20) + row(1, 20, 5, 0, 1e6f, 1e6f), ""},
        {row(0, 2, 20.00001f, 3), "m.mod: line 3: P velocity 20.00001 km/s is outside (0, 20]"},
        {"      0.00   2.00000    1.0E07   3.00000    100.00     50.00\n",
         "m.mod: line 3: P velocity 10000000.00000 km/s is outside (0, 20]"},
        {row(0, 2, 5, 20.00001f), "m.mod: line 3: S velocity 20.00001 km/s is outside [0, 20]"},
        {row(0, 20.00001f, 5, 3), "m.mod: line 3: density 20.00001 g/cm^3 is outside (0, 20]"},
        {row(0, 2, 5, 3, -100), "m.mod: line 3: qp -100.00 is outside (0, 1000000]"},
        {row(0, 2, 5, 3, 0), "m.mod: line 3: qp 0.00 is outside (0, 1000000]"},
        {row(0, 2, 5, 3, 100, -1), "m.mod: line 3: qs -1.00 is outside [0, 1000000]"},
        {row(0, 2, 5, 3, 100, 1000000.1f), "m.mod: line 3: qs 1000000.12 is outside [0, 1000000]"},
        {row(0, 2, 5, 3) + row(20, 2, 5, 3) + row(10, 2, 5, 3),
         "m.mod: line 5: depth 10.00 km is above the depth 20.00 km of the row before; rows must go down from the "
         "surface"},
        {row(0, 2, 5, 3) + row(10, 2, 5, 3) + row(10, 2, 5, 3) + row(10, 2, 5, 3),
         "m.mod: line 6: third row at depth 10.00 km; a discontinuity is two rows"},
        {row(0, 2, 0, 3), "m.mod: line 3: P velocity 0.00000 km/s is outside (0, 20]"},
        {row(0, 2, -5, 3), "m.mod: line 3: P velocity -5.00000 km/s is outside (0, 20]"},
        {row(0, 2, 5, -0.5f), "m.mod: line 3: S velocity -0.50000 km/s is outside [0, 20]"},
        {row(0, -2, 5, 3), "m.mod: line 3: density -2.00000 g/cm^3 is outside (0, 20]"},
    };
    for (const auto& c : cases) {
        modelfile::Model m;
        std::string error;
        ASSERT_TRUE(read(kTitles + c.rows, m, error)) << error;
        EXPECT_EQ(modelfile::checkRows(m, "m.mod", error), c.error.empty()) << c.rows;
        if (!c.error.empty()) {
            EXPECT_EQ(error, c.error);
        }
    }
}

TEST(ValueText, FieldDecimalsWhenExactElseShortest) {
    const struct {
        float value;
        int decimals;
        const char* text;
    } cases[] = {
        {24.4f, 2, "24.40"},          {13.67921f, 5, "13.67921"},    {57823.0f, 2, "57823.00"},
        {0.0f, 5, "0.00000"},         {-0.0f, 2, "0.00"},            {1.0e8f, 2, "100000000.00"},
        {13.679213f, 5, "13.679213"}, {-0.001f, 2, "-0.001"},        {2891.005f, 2, "2891.005"},
    };
    for (const auto& c : cases) EXPECT_EQ(modelfile::valueText(c.value, c.decimals), c.text) << c.value;
}

}  // namespace
