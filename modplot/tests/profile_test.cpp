// Profiles cut to a depth window, and the axes.
#include "profile.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using layergen::ModelRow;
using modplot::Curve;
using modplot::Property;
using modplot::Window;

ModelRow row(float z, float vp) { return ModelRow{z, 3.0f, vp, 2.0f, 0.0f, 0.0f}; }

TEST(Profile, CutToTheWindow) {
    const std::vector<ModelRow> rows = {row(0, 1), row(10, 2), row(10, 5), row(20, 6), row(30, 8)};
    const struct {
        Window w;
        std::vector<float> value;
        std::vector<float> depth;
    } cases[] = {
        {{0, 30}, {1, 2, 5, 6, 8}, {0, 10, 10, 20, 30}},
        {{5, 25}, {1.5f, 2, 5, 6, 7}, {5, 10, 10, 20, 25}},
        {{10, 25}, {5, 6, 7}, {10, 20, 25}},  // discontinuity on the top edge: its lower side
        {{0, 10}, {1, 2}, {0, 10}},           // on the bottom edge: its upper side
        {{12, 14}, {5.2f, 5.4f}, {12, 14}},   // inside one interval
        {{30, 40}, {}, {}},
        {{40, 50}, {}, {}},
    };
    for (const auto& c : cases) {
        const Curve got = modplot::profile(rows, Property::vp, c.w);
        EXPECT_EQ(got.value, c.value) << c.w.top << "," << c.w.bottom;
        EXPECT_EQ(got.depth, c.depth) << c.w.top << "," << c.w.bottom;
    }
    // A property without a jump keeps one point at the other's discontinuity.
    EXPECT_EQ(modplot::profile(rows, Property::rho, {0, 30}).value, std::vector<float>(4, 3.0f));
    EXPECT_EQ(modplot::profile(rows, Property::vs, {0, 30}).depth, (std::vector<float>{0, 10, 20, 30}));
}

TEST(Profile, Axes) {
    const struct {
        double range;
        double step;
    } steps[] = {{13.72, 2}, {8.65, 1}, {491, 50}, {6371, 1000}, {10, 2}, {0.3, 0.05}, {0, 1}};
    for (const auto& s : steps) EXPECT_DOUBLE_EQ(modplot::tickStep(s.range), s.step) << s.range;

    auto same = [](modplot::Axis a, modplot::Axis b) {
        return a.lo == b.lo && a.hi == b.hi && a.first == b.first && a.step == b.step;
    };
    EXPECT_TRUE(same(modplot::valueAxis(2.5f, 13.0f), {2, 14, 2, 2}));
    EXPECT_TRUE(same(modplot::valueAxis(5.3f, 13.95f), {5, 14, 5, 1}));
    EXPECT_TRUE(same(modplot::valueAxis(3.0f, 3.0f), {2, 4, 2, 0.2f}));  // flat: one unit either side
    EXPECT_TRUE(same(modplot::depthAxis({2400, 2891}), {2400, 2891, 2400, 50}));
    EXPECT_TRUE(same(modplot::depthAxis({2410, 2891}), {2410, 2891, 2450, 50}));
}

}  // namespace
