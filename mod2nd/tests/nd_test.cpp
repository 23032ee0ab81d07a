// The boundaries and the .nd text, on small models and each refusal.
#include "nd.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using layergen::ModelRow;

ModelRow r(float z, float vp, float vs, float rho) { return ModelRow{z, rho, vp, vs, 100.0f, 50.0f}; }

// Crust, Moho at 20 km, mantle, core at 2891 km, inner core at 5149.5 km.
std::vector<ModelRow> earth() {
    return {r(0, 5.8f, 3.2f, 2.6f),      r(20, 5.8f, 3.2f, 2.6f),     r(20, 8.0f, 4.5f, 3.4f),
            r(2891, 13.7f, 7.3f, 5.5f),  r(2891, 8.0f, 0, 9.9f),      r(5149.5f, 10.3f, 0, 12.1f),
            r(5149.5f, 11.0f, 3.5f, 12.7f), r(6371, 11.2f, 3.6f, 13.0f)};
}

TEST(Nd, BoundaryNamesBetweenTheirRows) {
    const std::vector<ModelRow> rows = earth();
    ASSERT_FALSE(mod2nd::checkExtent(rows));
    mod2nd::Boundaries b;
    ASSERT_FALSE(mod2nd::findBoundaries(rows, std::nullopt, b));
    EXPECT_EQ(mod2nd::ndText(rows, b),
              "0.00 5.80000 3.20000 2.60000 100.00 50.00\n"
              "20.00 5.80000 3.20000 2.60000 100.00 50.00\n"
              "mantle\n"
              "20.00 8.00000 4.50000 3.40000 100.00 50.00\n"
              "2891.00 13.70000 7.30000 5.50000 100.00 50.00\n"
              "outer-core\n"
              "2891.00 8.00000 0.00000 9.90000 100.00 50.00\n"
              "5149.50 10.30000 0.00000 12.10000 100.00 50.00\n"
              "inner-core\n"
              "5149.50 11.00000 3.50000 12.70000 100.00 50.00\n"
              "6371.00 11.20000 3.60000 13.00000 100.00 50.00\n");
}

TEST(Nd, MohoGivenOrFound) {
    std::vector<ModelRow> rows = earth();
    rows.insert(rows.begin() + 1, r(10, 5.8f, 3.2f, 2.6f));  // a row that is no discontinuity
    mod2nd::Boundaries b;
    ASSERT_FALSE(mod2nd::findBoundaries(rows, 10.0f, b));
    EXPECT_EQ(b.moho, 1u);
    ASSERT_FALSE(mod2nd::findBoundaries(rows, 20.0f, b));
    EXPECT_EQ(b.moho, 2u);  // the upper side of the discontinuity
    EXPECT_EQ(b.cmb, 4u);
    EXPECT_EQ(b.icb, 6u);

    // A water layer above the crust: its jump in vp stays below the mantle's.
    rows = earth();
    rows[0] = r(0, 1.45f, 0, 1.02f);
    rows.insert(rows.begin() + 1, {r(3, 1.45f, 0, 1.02f), r(3, 5.8f, 3.2f, 2.6f)});
    ASSERT_FALSE(mod2nd::findBoundaries(rows, std::nullopt, b));
    EXPECT_EQ(b.moho, 3u);
}

TEST(Nd, Refusals) {
    auto with = [](std::size_t i, ModelRow row) {
        std::vector<ModelRow> rows = earth();
        rows[i] = row;
        return rows;
    };
    std::vector<ModelRow> shallow = earth();
    shallow.pop_back();
    const struct {
        std::vector<ModelRow> rows;
        std::optional<float> moho;
        std::string message;
        std::optional<std::size_t> row;
    } cases[] = {
        {shallow, std::nullopt,
         "the last row is at depth 5149.50 km; the model must reach the centre of the earth (6371.00 km)", 6},
        {with(7, r(6400, 11.2f, 3.6f, 13.0f)), std::nullopt,
         "the last row is at depth 6400.00 km; the model must reach the centre of the earth (6371.00 km)", 7},
        {with(0, r(5, 5.8f, 3.2f, 2.6f)), std::nullopt,
         "the first row is at depth 5.00 km; the model must start at the surface (0 km)", 0},
        {with(4, r(2891, 8.0f, 0.1f, 9.9f)), std::nullopt,
         "no core: no discontinuity (two rows at one depth) where the S velocity drops from a positive value to zero",
         std::nullopt},
        {with(6, r(5149.5f, 11.0f, 0, 12.7f)), std::nullopt,
         "no inner core: no discontinuity below the core-mantle boundary at 2891.00 km where the S velocity rises "
         "from zero",
         std::nullopt},
        {with(2, r(20, 7.5f, 4.5f, 3.4f)), std::nullopt,
         "no crust-mantle boundary found (no discontinuity above the core where the P velocity rises to 7.6 km/s or "
         "more); give its depth with --moho",
         std::nullopt},
        {earth(), 30.0f, "--moho 30.00 km: the model has no row at that depth", std::nullopt},
        {earth(), 2891.0f,
         "--moho 2891.00 km is not between the surface and the core-mantle boundary at 2891.00 km", std::nullopt},
        {earth(), 0.0f, "--moho 0.00 km is not between the surface and the core-mantle boundary at 2891.00 km",
         std::nullopt},
    };
    for (const auto& c : cases) {
        std::optional<mod2nd::Refusal> refusal = mod2nd::checkExtent(c.rows);
        mod2nd::Boundaries b;
        if (!refusal) refusal = mod2nd::findBoundaries(c.rows, c.moho, b);
        ASSERT_TRUE(refusal) << c.message;
        EXPECT_EQ(refusal->message, c.message);
        EXPECT_EQ(refusal->row, c.row) << c.message;
    }
}

}  // namespace
