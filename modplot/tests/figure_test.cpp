// The figure's plot file: every curve's moves and draws, the texts, the
// legend.
#include "figure.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using layergen::ModelRow;
using zarvo::testing::Command;
using zarvo::testing::move;

ModelRow r(float z, float vp, float vs, float rho) { return ModelRow{z, rho, vp, vs, 0.0f, 0.0f}; }

// The axes these models give: values 2 to 14, depth 3000 (bottom) to 0.
constexpr float kXLo = 2.0f, kXHi = 14.0f, kZBottom = 3000.0f;

// Plot position of (value, depth): frame corner (400, 320), 7 by 7.5
// inches.  Dashed lines round the position to single precision first.
double xOf(float v) {
    const float sx = (kXHi - kXLo) / (300.0f * modplot::kFrameWidth);
    return static_cast<double>(v - kXLo) / sx + 400;
}
double yOf(float z) {
    const float sy = (0.0f - kZBottom) / (300.0f * modplot::kFrameHeight);
    return static_cast<double>(z - kZBottom) / sy + 320;
}
int px(float v) { return static_cast<int>(xOf(v)); }
int py(float z) { return static_cast<int>(yOf(z)); }
Command dashedAt(char op, float v, float z) {
    return Command{op, {static_cast<int>(static_cast<float>(xOf(v))), static_cast<int>(static_cast<float>(yOf(z)))}, ""};
}

std::vector<Command> solid(const modplot::Curve& c) {
    std::vector<Command> out;
    for (std::size_t i = 0; i < c.size(); ++i)
        out.push_back(Command{i == 0 ? 'm' : 'd', {px(c.value[i]), py(c.depth[i])}, ""});
    return out;
}


TEST(Figure, CurvesTextsAndLegend) {
    const zarvo::testing::InScratchDir scratch;
    const std::vector<ModelRow> a = {r(0, 6, 3, 2.5f), r(1000, 8, 4, 3.5f), r(1000, 9, 5, 4), r(3000, 13, 7, 5.5f)};
    const std::vector<ModelRow> b = {r(0, 6.5f, 3.2f, 2.6f), r(3000, 12, 6.5f, 5)};
    const modplot::Window w{0, 3000};
    std::vector<modplot::ModelProfiles> models(2);
    models[0].name = "a.mod";
    models[1].name = "b\\x";
    for (std::size_t j = 0; j < modplot::kPropertyCount; ++j) {
        models[0].curves[j] = modplot::profile(a, modplot::kProperties[j], w);
        models[1].curves[j] = modplot::profile(b, modplot::kProperties[j], w);
    }
    std::string error;
    ASSERT_TRUE(modplot::drawFigure(models, w, error)) << error;
    ASSERT_EQ(std::fflush(nullptr), 0);
    const std::vector<Command> cmds = zarvo::testing::parse_plot(zarvo::testing::read_file(scratch.file("pltfil")));

    // The texts other than tick numbers, in order.
    std::vector<Command> texts;
    std::size_t title = 0;
    for (std::size_t i = 0; i < cmds.size(); ++i) {
        if (cmds[i].op != 't' || cmds[i].text.find_first_not_of("0123456789.-") == std::string::npos) continue;
        if (texts.size() == 2) title = i;
        texts.push_back(cmds[i]);
    }
    const std::vector<Command> expectedTexts = {
        zarvo::testing::text(8, 0, 0, "Velocity (km/s)"),
        zarvo::testing::text(8, 0, 1, "Depth (km)"),
        zarvo::testing::text(8, 0, 0, "Vp, Vs and density (g/cm\\u3\\d)"),
        zarvo::testing::text(8, 0, 0, "Vp"),
        zarvo::testing::text(8, 0, 0, "Vs"),
        zarvo::testing::text(8, 0, 0, "\\(*r"),
        zarvo::testing::text(8, 0, 0, "a.mod"),
        zarvo::testing::text(8, 0, 0, "b\\\\x"),
    };
    ASSERT_EQ(texts, expectedTexts);

    // First model, solid: vp before the frame, vs and rho after the title.
    ASSERT_EQ(cmds[0].op, 'e');
    std::vector<Command> got(cmds.begin() + 1, cmds.begin() + 5);
    EXPECT_EQ(got, solid(models[0].curves[0]));
    EXPECT_EQ(cmds[5], move(400, 320));  // the frame
    got.assign(cmds.begin() + static_cast<long>(title) + 1, cmds.begin() + static_cast<long>(title) + 9);
    std::vector<Command> expected = solid(models[0].curves[1]);
    const std::vector<Command> rho = solid(models[0].curves[2]);
    expected.insert(expected.end(), rho.begin(), rho.end());
    EXPECT_EQ(got, expected);

    // Second model, dashed: each curve a run of moves and draws from its
    // first point to its last, ending where the property labels begin.
    std::size_t labels = title;
    while (!(cmds[labels + 1] == texts[3])) ++labels;  // the move of the label "Vp"
    std::size_t begin = title + 9;
    for (std::size_t j = 0; j < modplot::kPropertyCount; ++j) {
        const modplot::Curve& c = models[1].curves[j];
        ASSERT_EQ(cmds[begin], dashedAt('m', c.value.front(), c.depth.front())) << j;
        std::size_t end = labels;
        if (j + 1 < modplot::kPropertyCount) {
            const modplot::Curve& next = models[1].curves[j + 1];
            end = begin + 1;
            while (end < labels && !(cmds[end] == dashedAt('m', next.value.front(), next.depth.front()))) ++end;
        }
        EXPECT_EQ(cmds[end - 1].args, dashedAt('d', c.value.back(), c.depth.back()).args) << j;
        std::size_t moves = 0, draws = 0;
        for (std::size_t k = begin; k < end; ++k) {
            moves += cmds[k].op == 'm';
            draws += cmds[k].op == 'd';
        }
        EXPECT_EQ(moves + draws, end - begin);
        EXPECT_GT(draws, 20u) << j;  // dashes of 20 plot units along more than 2000
        begin = end;
    }

    // Legend: a solid stretch, the name, a dashed stretch, the name.
    const std::size_t legend = labels + 6;
    EXPECT_EQ(cmds[legend].op, 'm');
    EXPECT_EQ(cmds[legend + 1].op, 'd');
    EXPECT_EQ(cmds[legend + 1].args[0] - cmds[legend].args[0], 180);  // 0.6 inch
    EXPECT_EQ(cmds[legend + 1].args[1], cmds[legend].args[1]);
    EXPECT_EQ(cmds[legend + 3], texts[6]);
    EXPECT_EQ(cmds.back(), texts[7]);
}

}  // namespace
