// Whole model files: reading with bounded lines, the row checks, and the
// value texts.
#include "modelfile.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace {

using layergen::ModelRow;

const std::string kTitles = "title one\ntitle two\n";

std::string row(float z, float rho, float vp, float vs) {
    return layergen::formatRow(ModelRow{z, rho, vp, vs, 100.0f, 50.0f}) + "\n";
}

bool read(const std::string& text, modelfile::Model& m, std::string& error) {
    std::istringstream in(text);
    return modelfile::readModel(in, "m.mod", m, error);
}

TEST(ReadModel, TitlesRowsCarriageReturnsAndTrailingBlankLines) {
    modelfile::Model m;
    std::string error;
    ASSERT_TRUE(read("first\r\nsecond\r\n" + row(0, 2.6f, 5.8f, 3.2f) + "   24.4   3.38075\r\n\n  \n", m, error))
        << error;
    EXPECT_EQ(m.title1, "first" + std::string(67, ' '));
    EXPECT_EQ(m.title2, "second" + std::string(66, ' '));
    ASSERT_EQ(m.rows.size(), 2u);
    EXPECT_EQ(m.rows[0].vp, 5.8f);
    EXPECT_EQ(m.rows[1].z, 24.4f);
    EXPECT_EQ(m.rows[1].rho, 3.38075f);
    EXPECT_EQ(m.rows[1].vp, 0.0f);  // a short line reads as filled with blanks
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
        {row(-1, 2, 5, 3), "m.mod: line 3: negative depth -1.00 km"},
        {row(0, 2, 5, 3) + row(20, 2, 5, 3) + row(10, 2, 5, 3),
         "m.mod: line 5: depth 10.00 km is above the depth 20.00 km of the row before; rows must go down from the "
         "surface"},
        {row(0, 2, 5, 3) + row(10, 2, 5, 3) + row(10, 2, 5, 3) + row(10, 2, 5, 3),
         "m.mod: line 6: third row at depth 10.00 km; a discontinuity is two rows"},
        {row(0, 2, 0, 3), "m.mod: line 3: P velocity 0.00000 km/s is not positive"},
        {row(0, 2, -5, 3), "m.mod: line 3: P velocity -5.00000 km/s is not positive"},
        {row(0, 2, 5, -0.5f), "m.mod: line 3: negative S velocity -0.50000 km/s"},
        {row(0, -2, 5, 3), "m.mod: line 3: density -2.00000 g/cm^3 is not positive"},
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
