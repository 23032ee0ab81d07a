// Travel times against straight rays in a homogeneous mantle, PREM against
// published tables, reciprocity (dT/dDelta = p), the row spacing of the
// model, branch ends, triplications and refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "traveltime.h"

namespace {

using traveltime::Arrival;
using traveltime::Model;

constexpr double kR = traveltime::kEarthRadiusKm;
constexpr double kCmb = 2891.0;
constexpr double kVp = 10.0;
constexpr double kVs = 5.5;
constexpr double kStepDepth = 2600.0;  // the homogeneous mantle's reflector
constexpr double kDegPerRad = 180.0 / std::numbers::pi;

Model checked(Model m) {
    std::string error;
    EXPECT_TRUE(traveltime::check_model(m, error)) << error;
    return m;
}

// A homogeneous mantle over a fluid outer core and a solid inner core; with
// `step`, P and S are faster below kStepDepth.
Model homogeneous(bool step) {
    Model m;
    m.name = "homogeneous";
    m.depth_km = {0, kStepDepth, kStepDepth, kCmb, kCmb, 5150, 5150, kR};
    m.vp_km_s = {kVp, kVp, step ? 12 : kVp, step ? 12 : kVp, 8, 9, 11, 11};
    m.vs_km_s = {kVs, kVs, step ? 7 : kVs, step ? 7 : kVs, 0, 0, 3.5, 3.5};
    return checked(m);
}

Model prem() {
    Model m;
    std::string error;
    EXPECT_TRUE(traveltime::load_model(PREM32_MOD, m, error)) << error;
    return m;
}

// PREM's rows, the row at depth `split` doubled with both velocities times
// `factor` from the second row down to the core; with `midpoints`, a row
// linearly interpolated in the middle of every layer.
Model reworked(double split, double factor, bool midpoints) {
    const Model m = prem();
    Model out;
    out.name = "reworked";
    auto add = [&](double z, double vp, double vs) {
        const double f = z >= split && z <= kCmb && vs > 0.0 ? factor : 1.0;
        out.depth_km.push_back(z);
        out.vp_km_s.push_back(vp * f);
        out.vs_km_s.push_back(vs * f);
    };
    for (std::size_t i = 0; i < m.depth_km.size(); ++i) {
        if (midpoints && i > 0 && m.depth_km[i] > m.depth_km[i - 1])
            add((m.depth_km[i] + m.depth_km[i - 1]) / 2, (m.vp_km_s[i] + m.vp_km_s[i - 1]) / 2,
                (m.vs_km_s[i] + m.vs_km_s[i - 1]) / 2);
        if (m.depth_km[i] == split) add(split, m.vp_km_s[i] / factor, m.vs_km_s[i] / factor);
        add(m.depth_km[i], m.vp_km_s[i], m.vs_km_s[i]);
    }
    return checked(out);
}

std::vector<Arrival> times(const Model& m, const std::string& phase, double depth, double deg,
                           std::optional<double> d_depth = std::nullopt) {
    std::vector<Arrival> out;
    std::string error;
    EXPECT_TRUE(traveltime::arrivals(m, phase, depth, deg, out, error, d_depth)) << error;
    return out;
}

// In a homogeneous mantle a direct ray is the chord from the source to the
// receiver; a reflection two chords from the surface to the reflector at
// half the distance.  A chord of length L between radii r1 and r2 across
// the angle a has the ray parameter r1 r2 sin(a) / (L v).
TEST(Homogeneous, RaysAreChords) {
    const struct {
        const char* phase;
        double depth;
        double deg;
        double reflector;  // depth, or 0 for a direct ray
        bool step;
    } cases[] = {
        {"P", 0, 1, 0, false},          {"P", 0, 60, 0, false},        {"P", 0, 110, 0, false},
        {"S", 0, 90, 0, false},         {"P", 600, 3, 0, false},       // leaving upward
        {"P", 600, 40, 0, false},       {"S", 600, 80, 0, false},      {"PcP", 0, 0, kCmb, false},
        {"PcP", 0, 50, kCmb, false},    {"ScS", 0, 70, kCmb, false},   {"PdP", 0, 20, kStepDepth, true},
        {"SdS", 0, 40, kStepDepth, true}, {"PdP", 0, 20, kStepDepth, false},  // the reflector given
    };
    const Model plain = homogeneous(false);
    const Model stepped = homogeneous(true);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.phase) + " at " + std::to_string(c.deg) + " deg from " + std::to_string(c.depth));
        const double v = c.phase[0] == 'P' ? kVp : kVs;
        const bool reflected = c.reflector > 0.0;
        const double r1 = reflected ? kR - c.reflector : kR - c.depth;
        const double angle = (reflected ? 0.5 : 1.0) * c.deg / kDegPerRad;
        const double length = std::sqrt(kR * kR + r1 * r1 - 2.0 * kR * r1 * std::cos(angle));
        const double p = length == 0.0 ? 0.0 : kR * r1 * std::sin(angle) / (length * v);
        const std::optional<double> given = std::string(c.phase) == "PdP" && !c.step ? std::optional(kStepDepth) : std::nullopt;
        const std::vector<Arrival> a = times(c.step ? stepped : plain, c.phase, c.depth, c.deg, given);
        ASSERT_EQ(a.size(), 1u);
        EXPECT_EQ(a[0].phase, c.phase);
        EXPECT_EQ(a[0].distance_deg, c.deg);
        EXPECT_NEAR(a[0].time_s, (reflected ? 2.0 : 1.0) * length / v, 1e-6);
        EXPECT_NEAR(a[0].ray_param_s_per_deg, p / kDegPerRad, 1e-6);
    }
}

// Each branch stops where its ray grazes the surface below it: P and S at
// the core's shadow, topside reflections at the reflector's grazing distance.
TEST(Homogeneous, BranchEnds) {
    const double shadow = 2.0 * std::acos((kR - kCmb) / kR) * kDegPerRad;
    const double grazing = 2.0 * std::acos((kR - kStepDepth) / kR) * kDegPerRad;
    const struct {
        const char* phase;
        double end;
        bool step;
    } cases[] = {{"P", shadow, false}, {"S", shadow, false}, {"PdP", grazing, true}, {"SdS", grazing, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.phase);
        EXPECT_EQ(times(homogeneous(c.step), c.phase, 0, c.end - 0.01).size(), 1u);
        EXPECT_EQ(times(homogeneous(c.step), c.phase, 0, c.end + 0.01).size(), 0u);
    }
}

// Published PREM travel times for a surface source (PcP at 0 degrees
// 510.8 s, ScS at 0 degrees about 935 s, P at 60 degrees about 600 s),
// within the tolerance each figure allows, with PREM's ocean made crust.
TEST(Prem, PublishedTables) {
    Model m = prem();
    for (std::size_t i = 0; m.vs_km_s[i] == 0.0; ++i) {
        m.vp_km_s[i] = 5.8;
        m.vs_km_s[i] = 3.2;
    }
    const struct {
        const char* phase;
        double deg;
        double time;
        double tolerance;
    } cases[] = {{"PcP", 0, 510.8, 1.0}, {"ScS", 0, 935.0, 1.5}, {"P", 60, 600.0, 10.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.phase);
        const std::vector<Arrival> a = times(m, c.phase, 0, c.deg);
        ASSERT_EQ(a.size(), 1u);
        EXPECT_NEAR(a[0].time_s, c.time, c.tolerance);
    }
}

// dT/dDelta, from arrivals 0.01 degrees either side, is the ray parameter;
// the velocity between rows follows a power of the radius, and with every
// layer of PREM split in two by linear interpolation no time moves by
// 0.01 s.
TEST(Prem, ReciprocityAndRowSpacing) {
    const Model m = prem();
    const Model fine = reworked(-1.0, 1.0, true);
    const struct {
        const char* phase;
        double depth;
        double deg;
    } cases[] = {{"P", 0, 50},   {"P", 100, 75}, {"S", 0, 60},     {"S", 300, 10},   {"PcP", 0, 40},
                 {"ScS", 50, 30}, {"PKP", 0, 170}, {"SKS", 0, 110}, {"PKIKP", 600, 150}, {"SKIKS", 0, 140}};
    constexpr double h = 0.01;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.phase) + " at " + std::to_string(c.deg));
        const std::vector<Arrival> at = times(m, c.phase, c.depth, c.deg);
        const std::vector<Arrival> before = times(m, c.phase, c.depth, c.deg - h);
        const std::vector<Arrival> after = times(m, c.phase, c.depth, c.deg + h);
        const std::vector<Arrival> refined = times(fine, c.phase, c.depth, c.deg);
        ASSERT_EQ(at.size(), 1u);
        ASSERT_EQ(before.size(), 1u);
        ASSERT_EQ(after.size(), 1u);
        ASSERT_EQ(refined.size(), 1u);
        EXPECT_NEAR((after[0].time_s - before[0].time_s) / (2.0 * h), at[0].ray_param_s_per_deg, 1e-3);
        EXPECT_NEAR(refined[0].time_s, at[0].time_s, 0.01);
    }
}

// A 3 % step at 2640 km gives three arrivals of P at 85 degrees (above,
// from and below the step) where PREM has one; a table gives what single
// queries give, sorted by time.
TEST(Prem, TableAndTriplication) {
    const Model m = reworked(2640.0, 1.03, false);
    EXPECT_EQ(times(prem(), "P", 0, 85).size(), 1u);
    // The rounded rows of PREM's 1 km layer at 2640 km fold P there into rays
    // less than 1 ms apart: one arrival.
    EXPECT_EQ(times(prem(), "P", 0, 89.6).size(), 1u);
    traveltime::PhaseTable table;
    std::string error;
    ASSERT_TRUE(traveltime::PhaseTable::make(m, "P", 0, table, error)) << error;
    EXPECT_EQ(table.phase(), "P");
    std::vector<Arrival> from_table;
    ASSERT_TRUE(table.arrivals(85, from_table, error));
    const std::vector<Arrival> single = times(m, "P", 0, 85);
    ASSERT_EQ(from_table.size(), 3u);
    ASSERT_EQ(single.size(), 3u);
    for (std::size_t i = 0; i < single.size(); ++i) EXPECT_EQ(from_table[i].time_s, single[i].time_s);
    EXPECT_LT(single[0].time_s, single[1].time_s);
    EXPECT_LT(single[1].time_s, single[2].time_s);
    double depth = 0.0;
    ASSERT_TRUE(traveltime::default_reflector_depth(m, false, depth, error));
    EXPECT_EQ(depth, 2640.0);
}

TEST(Errors, Refused) {
    const Model m = homogeneous(true);
    const std::string mantle = " is outside the mantle of homogeneous (0 to the core-mantle boundary at 2891 km)";
    const struct {
        const char* phase;
        double depth;
        double deg;
        std::optional<double> d_depth;
        std::string message;
    } cases[] = {
        {"P", 0, 180.5, {}, "distance 180.5 degrees is outside 0 to 180"},
        {"P", kCmb, 10, {}, "source depth 2891 km" + mantle},
        {"SdS", 0, 10, kCmb, "reflector depth 2891 km" + mantle},
        {"PdP", 2700, 10, {}, "PdP: the reflector at 2600 km is not below the source at 2700 km"},
    };
    for (const auto& c : cases) {
        std::vector<Arrival> out;
        std::string error;
        EXPECT_FALSE(traveltime::arrivals(m, c.phase, c.depth, c.deg, out, error, c.d_depth));
        EXPECT_EQ(error, c.message);
        EXPECT_TRUE(out.empty());
    }
    std::vector<Arrival> out;
    std::string error;
    EXPECT_FALSE(traveltime::PhaseTable().arrivals(10, out, error));
    EXPECT_EQ(error, "travel-time table used before PhaseTable::make");
    // The edges themselves are accepted.
    EXPECT_EQ(times(m, "PKIKP", 0, 180).size(), 1u);
    EXPECT_EQ(times(m, "PcP", 2890.5, 0).size(), 1u);
}

TEST(Models, RowLimit) {
    Model big;
    big.name = "big";
    const std::size_t mantle_rows = traveltime::kMaxRows - 2;
    for (std::size_t i = 0; i < mantle_rows; ++i) {
        big.depth_km.push_back(kCmb * static_cast<double>(i) / static_cast<double>(mantle_rows - 1));
        big.vp_km_s.push_back(kVp);
        big.vs_km_s.push_back(kVs);
    }
    big.depth_km.insert(big.depth_km.end(), {kCmb, kR});
    big.vp_km_s.insert(big.vp_km_s.end(), {8, 9});
    big.vs_km_s.insert(big.vs_km_s.end(), {0, 0});
    std::string error;
    EXPECT_TRUE(traveltime::check_model(big, error)) << error;
    big.depth_km.push_back(kR);
    big.vp_km_s.push_back(9);
    big.vs_km_s.push_back(0);
    EXPECT_FALSE(traveltime::check_model(big, error));
    EXPECT_EQ(error, "big: more than 10000 rows");
}

TEST(Models, CoreAndReflector) {
    Model m = homogeneous(true);
    EXPECT_EQ(m.cmb_depth_km, kCmb);
    EXPECT_EQ(m.icb_depth_km, 5150.0);
    double depth = 0.0;
    std::string error;
    // A jump of 1 % (0.125 on 12.5) is a reflector, just under it none.
    m.vp_km_s[0] = m.vp_km_s[1] = 12.5;
    m.vp_km_s[2] = m.vp_km_s[3] = 12.625;
    ASSERT_TRUE(traveltime::default_reflector_depth(m, false, depth, error));
    EXPECT_EQ(depth, kStepDepth);
    m.vp_km_s[2] = m.vp_km_s[3] = 12.624;
    EXPECT_FALSE(traveltime::default_reflector_depth(m, false, depth, error));
    EXPECT_EQ(error, "homogeneous: no P velocity jump of 1 % or more in the 300 km above the core; give the reflector's depth");
}

}  // namespace
