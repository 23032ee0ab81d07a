// Travel times against straight rays in a homogeneous mantle, PREM against
// published tables, reciprocity (dT/dDelta = p), the row spacing of the
// model, branch ends, triplications and refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "test_support.h"
#include "traveltime.h"

namespace {

using traveltime::Arrival;
using traveltime::Model;

constexpr double kR = traveltime::kEarthRadiusKm;
constexpr double kCmb = 2891.0;
constexpr double kRc = kR - kCmb;
constexpr double kVp = 10.0;
constexpr double kVs = 5.5;
constexpr double kStepDepth = 2600.0;  // the homogeneous mantle's reflector

double rad(double deg) { return deg * std::numbers::pi / 180.0; }

// A homogeneous mantle (with a velocity step at kStepDepth that only its
// topside reflections see) over a fluid outer core and a solid inner core.
Model homogeneous() {
    Model m;
    m.name = "homogeneous";
    m.depth_km = {0, kStepDepth, kStepDepth, kCmb, kCmb, 5150, 5150, kR};
    m.vp_km_s = {kVp, kVp, 12, 12, 8, 9, 11, 11};
    m.vs_km_s = {kVs, kVs, 7, 7, 0, 0, 3.5, 3.5};
    std::string error;
    EXPECT_TRUE(traveltime::check_model(m, error)) << error;
    return m;
}

// Above the step the mantle is homogeneous: rays are chords.
Model homogeneous_to_core() {
    Model m = homogeneous();
    m.vp_km_s[2] = m.vp_km_s[3] = kVp;
    m.vs_km_s[2] = m.vs_km_s[3] = kVs;
    return m;
}

std::vector<Arrival> times(const Model& m, const std::string& phase, double depth, double deg,
                           std::optional<double> d_depth = std::nullopt) {
    std::vector<Arrival> out;
    std::string error;
    EXPECT_TRUE(traveltime::arrivals(m, phase, depth, deg, out, error, d_depth)) << error;
    return out;
}

Model prem() {
    Model m;
    std::string error;
    EXPECT_TRUE(traveltime::load_model(PREM32_MOD, m, error)) << error;
    return m;
}

// PREM with its 3 km ocean made upper crust, as in published tables.
Model continental_prem() {
    Model m = prem();
    for (std::size_t i = 0; m.depth_km[i] <= 3.0 && m.vs_km_s[i] == 0.0; ++i) {
        m.vp_km_s[i] = 5.8;
        m.vs_km_s[i] = 3.2;
    }
    return m;
}

// A chord from radius r1 to radius r2 subtending `delta` radians at the
// centre: its length, and its ray parameter r1 r2 sin(delta) / length / v.
struct Chord {
    double length;
    double p_rad;
};
Chord chord(double r1, double r2, double delta, double v) {
    const double length = std::sqrt(r1 * r1 + r2 * r2 - 2.0 * r1 * r2 * std::cos(delta));
    return {length, length == 0.0 ? 0.0 : r1 * r2 * std::sin(delta) / length / v};
}

TEST(Homogeneous, RaysAreChords) {
    const Model m = homogeneous_to_core();
    const Model stepped = homogeneous();
    const double rs = kR - 600.0;
    const double rd = kR - kStepDepth;
    struct Case {
        const char* phase;
        double depth;
        double deg;
        double time;  // s
        double p;     // s/rad
        const Model* model;
    };
    // Reflections: two chords from the surface to the reflector at Delta / 2.
    auto reflected = [](double r, double deg, double v) {
        const Chord c = chord(kR, r, rad(deg) / 2.0, v);
        return std::pair{2.0 * c.length / v, c.p_rad};
    };
    const auto [pcp0, pcp0_p] = reflected(kRc, 0.0, kVp);
    const auto [pcp50, pcp50_p] = reflected(kRc, 50.0, kVp);
    const auto [scs70, scs70_p] = reflected(kRc, 70.0, kVs);
    const auto [pdp20, pdp20_p] = reflected(rd, 20.0, kVp);
    const auto [sds40, sds40_p] = reflected(rd, 40.0, kVs);
    const std::vector<Case> cases = {
        {"P", 0, 1, 2 * kR * std::sin(rad(0.5)) / kVp, kR * std::cos(rad(0.5)) / kVp, &m},
        {"P", 0, 60, 2 * kR * std::sin(rad(30)) / kVp, kR * std::cos(rad(30)) / kVp, &m},
        {"P", 0, 110, 2 * kR * std::sin(rad(55)) / kVp, kR * std::cos(rad(55)) / kVp, &m},
        {"S", 0, 90, 2 * kR * std::sin(rad(45)) / kVs, kR * std::cos(rad(45)) / kVs, &m},
        {"P", 600, 3, chord(kR, rs, rad(3), kVp).length / kVp, chord(kR, rs, rad(3), kVp).p_rad, &m},  // upward
        {"P", 600, 40, chord(kR, rs, rad(40), kVp).length / kVp, chord(kR, rs, rad(40), kVp).p_rad, &m},  // downward
        {"S", 600, 80, chord(kR, rs, rad(80), kVs).length / kVs, chord(kR, rs, rad(80), kVs).p_rad, &m},
        {"PcP", 0, 0, pcp0, pcp0_p, &m},
        {"PcP", 0, 50, pcp50, pcp50_p, &m},
        {"ScS", 0, 70, scs70, scs70_p, &m},
        {"PdP", 0, 20, pdp20, pdp20_p, &stepped},
        {"SdS", 0, 40, sds40, sds40_p, &stepped},
        {"PdP", 0, 20, pdp20, pdp20_p, &m},  // the reflector given
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.phase) + " at " + std::to_string(c.deg) + " deg from " + std::to_string(c.depth));
        const bool given = c.model == &m && std::string(c.phase) == "PdP";
        const std::vector<Arrival> a =
            times(*c.model, c.phase, c.depth, c.deg, given ? std::optional<double>(kStepDepth) : std::nullopt);
        ASSERT_EQ(a.size(), 1u);
        EXPECT_EQ(a[0].phase, c.phase);
        EXPECT_EQ(a[0].distance_deg, c.deg);
        EXPECT_NEAR(a[0].time_s, c.time, 1e-6);
        EXPECT_NEAR(a[0].ray_param_s_per_deg, c.p / (180.0 / std::numbers::pi), 1e-6);
    }
}

// Each branch stops where its ray grazes the surface below it: P and S at
// the core's shadow, topside reflections at the reflector's grazing distance.
TEST(Homogeneous, BranchEnds) {
    const Model m = homogeneous();
    const Model straight = homogeneous_to_core();
    const double shadow = 2.0 * std::acos(kRc / kR) * 180.0 / std::numbers::pi;
    const double d_grazing = 2.0 * std::acos((kR - kStepDepth) / kR) * 180.0 / std::numbers::pi;
    const struct {
        const char* phase;
        double end;
        const Model* model;
    } cases[] = {{"P", shadow, &straight}, {"S", shadow, &straight}, {"PdP", d_grazing, &m}, {"SdS", d_grazing, &m}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.phase);
        EXPECT_EQ(times(*c.model, c.phase, 0, c.end - 0.01).size(), 1u);
        EXPECT_EQ(times(*c.model, c.phase, 0, c.end + 0.01).size(), 0u);
    }
}

// Published PREM travel times (surface source) within a stated tolerance.
TEST(Prem, PublishedTables) {
    const Model m = continental_prem();
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

// dT/dDelta, from arrivals 0.01 degrees either side, is the ray parameter.
TEST(Prem, Reciprocity) {
    const Model m = prem();
    const struct {
        const char* phase;
        double depth;
        double deg;
    } cases[] = {{"P", 0, 50},   {"P", 100, 75}, {"S", 0, 60},     {"S", 300, 10},   {"PcP", 0, 40},
                 {"ScS", 50, 30}, {"PKP", 0, 170}, {"SKS", 0, 100}, {"PKIKP", 600, 150}, {"SKIKS", 0, 140}};
    constexpr double h = 0.01;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.phase) + " at " + std::to_string(c.deg));
        const std::vector<Arrival> before = times(m, c.phase, c.depth, c.deg - h);
        const std::vector<Arrival> at = times(m, c.phase, c.depth, c.deg);
        const std::vector<Arrival> after = times(m, c.phase, c.depth, c.deg + h);
        ASSERT_FALSE(at.empty());
        ASSERT_EQ(before.size(), at.size());
        ASSERT_EQ(after.size(), at.size());
        const double slope = (after[0].time_s - before[0].time_s) / (2.0 * h);
        EXPECT_NEAR(slope, at[0].ray_param_s_per_deg, 1e-3);
    }
}

// The velocity between rows follows a power of the radius; with every
// layer of PREM split in two by linear interpolation the times move by
// less than 0.01 s.
TEST(Prem, RowSpacing) {
    const Model m = prem();
    Model fine = m;
    fine.depth_km.clear();
    fine.vp_km_s.clear();
    fine.vs_km_s.clear();
    for (std::size_t i = 0; i < m.depth_km.size(); ++i) {
        if (i > 0 && m.depth_km[i] > m.depth_km[i - 1]) {
            fine.depth_km.push_back((m.depth_km[i] + m.depth_km[i - 1]) / 2);
            fine.vp_km_s.push_back((m.vp_km_s[i] + m.vp_km_s[i - 1]) / 2);
            fine.vs_km_s.push_back((m.vs_km_s[i] + m.vs_km_s[i - 1]) / 2);
        }
        fine.depth_km.push_back(m.depth_km[i]);
        fine.vp_km_s.push_back(m.vp_km_s[i]);
        fine.vs_km_s.push_back(m.vs_km_s[i]);
    }
    std::string error;
    ASSERT_TRUE(traveltime::check_model(fine, error)) << error;
    const struct {
        const char* phase;
        double deg;
    } cases[] = {{"P", 60}, {"S", 80}, {"PcP", 0}, {"ScS", 30}, {"SKS", 110}, {"PKIKP", 170}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.phase);
        const std::vector<Arrival> coarse = times(m, c.phase, 0, c.deg);
        const std::vector<Arrival> refined = times(fine, c.phase, 0, c.deg);
        ASSERT_EQ(coarse.size(), 1u);
        ASSERT_EQ(refined.size(), 1u);
        EXPECT_NEAR(coarse[0].time_s, refined[0].time_s, 0.01);
    }
}

// PREM with P and S 3 % faster from 2640 km down to the core.
Model stepped_prem() {
    const Model m = prem();
    Model out = m;
    out.depth_km.clear();
    out.vp_km_s.clear();
    out.vs_km_s.clear();
    for (std::size_t i = 0; i < m.depth_km.size(); ++i) {
        const bool step = m.depth_km[i] >= 2640.0 && m.depth_km[i] <= kCmb && m.vs_km_s[i] > 0.0;
        const double factor = step ? 1.03 : 1.0;
        if (m.depth_km[i] == 2640.0) {
            out.depth_km.push_back(m.depth_km[i]);
            out.vp_km_s.push_back(m.vp_km_s[i]);
            out.vs_km_s.push_back(m.vs_km_s[i]);
        }
        out.depth_km.push_back(m.depth_km[i]);
        out.vp_km_s.push_back(m.vp_km_s[i] * factor);
        out.vs_km_s.push_back(m.vs_km_s[i] * factor);
    }
    std::string error;
    EXPECT_TRUE(traveltime::check_model(out, error)) << error;
    return out;
}

// A step above the core gives three arrivals of P (above, from and below
// the step) where PREM has one; a table gives what single queries give,
// sorted by time.
TEST(Prem, TableAndTriplication) {
    const Model m = stepped_prem();
    EXPECT_EQ(times(prem(), "P", 0, 85).size(), 1u);
    traveltime::PhaseTable table;
    std::string error;
    ASSERT_TRUE(traveltime::PhaseTable::make(m, "P", 0, table, error)) << error;
    EXPECT_EQ(table.phase(), "P");
    std::vector<Arrival> from_table;
    ASSERT_TRUE(table.arrivals(85, from_table, error));
    const std::vector<Arrival> single = times(m, "P", 0, 85);
    ASSERT_EQ(from_table.size(), 3u);
    ASSERT_EQ(single.size(), from_table.size());
    for (std::size_t i = 0; i < single.size(); ++i) {
        EXPECT_EQ(from_table[i].time_s, single[i].time_s);
        if (i > 0) {
            EXPECT_LT(from_table[i - 1].time_s, from_table[i].time_s);
        }
    }
    double depth = 0.0;
    ASSERT_TRUE(traveltime::default_reflector_depth(m, false, depth, error));
    EXPECT_EQ(depth, 2640.0);
    EXPECT_EQ(times(m, "PdP", 0, 60).size(), 1u);
}

TEST(Errors, Refused) {
    const Model m = homogeneous();
    const struct {
        const char* phase;
        double depth;
        double deg;
        std::optional<double> d_depth;
        const char* message;
    } cases[] = {
        {"PP", 0, 10, {}, "unknown phase \"PP\" (known: P, S, PcP, ScS, PdP, SdS, PKP, SKS, PKIKP, SKIKS)"},
        {"P", 0, -0.5, {}, "distance -0.5 degrees is outside 0 to 180"},
        {"P", 0, 180.5, {}, "distance 180.5 degrees is outside 0 to 180"},
        {"P", -1, 10, {}, "source depth -1 km is outside the mantle of homogeneous (0 to the core-mantle boundary at 2891 km)"},
        {"P", 2891, 10, {}, "source depth 2891 km is outside the mantle of homogeneous (0 to the core-mantle boundary at 2891 km)"},
        {"PdP", 2700, 10, {}, "PdP: the reflector at 2600 km is not below the source at 2700 km"},
        {"SdS", 0, 10, 2891.0, "reflector depth 2891 km is outside the mantle of homogeneous (0 to the core-mantle boundary at 2891 km)"},
    };
    for (const auto& c : cases) {
        std::vector<Arrival> out;
        std::string error;
        EXPECT_FALSE(traveltime::arrivals(m, c.phase, c.depth, c.deg, out, error, c.d_depth));
        EXPECT_EQ(error, c.message);
        EXPECT_TRUE(out.empty());
    }
    // The edges themselves are accepted.
    EXPECT_EQ(times(m, "PKIKP", 0, 180).size(), 1u);
    EXPECT_EQ(times(m, "PcP", 2890.5, 0).size(), 1u);
}

TEST(Models, CoreAndReflector) {
    Model m = homogeneous();
    EXPECT_EQ(m.cmb_depth_km, kCmb);
    EXPECT_EQ(m.icb_depth_km, 5150.0);
    double depth = 0.0;
    std::string error;
    ASSERT_TRUE(traveltime::default_reflector_depth(m, true, depth, error));
    EXPECT_EQ(depth, kStepDepth);
    // A jump of 1 % (0.125 on 12.5) is a reflector, just under it none.
    m.vp_km_s[0] = m.vp_km_s[1] = 12.5;
    m.vp_km_s[2] = m.vp_km_s[3] = 12.625;
    EXPECT_TRUE(traveltime::default_reflector_depth(m, false, depth, error));
    m.vp_km_s[2] = m.vp_km_s[3] = 12.624;
    EXPECT_FALSE(traveltime::default_reflector_depth(m, false, depth, error));
    EXPECT_EQ(error, "homogeneous: no P velocity jump of 1 % or more in the 300 km above the core; give the reflector's depth");

    Model coreless = homogeneous();
    coreless.vs_km_s[4] = coreless.vs_km_s[5] = 1.0;
    EXPECT_FALSE(traveltime::check_model(coreless, error));
    EXPECT_EQ(error, "homogeneous: a model without a core (no discontinuity where the S velocity drops to zero)");
    Model no_inner = homogeneous();
    no_inner.vs_km_s[6] = no_inner.vs_km_s[7] = 0.0;
    ASSERT_TRUE(traveltime::check_model(no_inner, error));
    std::vector<Arrival> out;
    EXPECT_FALSE(traveltime::arrivals(no_inner, "PKIKP", 0, 170, out, error));
    EXPECT_EQ(error, "PKIKP: homogeneous has no inner core");
}

// The .nd reader and the fixed-column reader give the same model.
TEST(Models, NdAndFixedColumn) {
    zarvo::testing::ScratchDir dir;
    zarvo::testing::write_file(dir.file("m.nd"),
                               "# a comment\n0 5.8 3.2 2.6\n2891 13.7 7.3 5.5\nouter-core\n2891 8.0 0 9.9 57823 0\n"
                               "5150 10.3 0 12.2\ninner-core\n5150 11.0 3.5 12.7\n6371 11.3 3.7 13.1\n");
    zarvo::testing::write_file(dir.file("m.mod"),
                               "title\n     depth       rho        vp        vs        qp        qs\n"
                               "      0.00   2.60000   5.80000   3.20000      0.00      0.00\n"
                               "   2891.00   5.50000  13.70000   7.30000      0.00      0.00\n"
                               "   2891.00   9.90000   8.00000   0.00000      0.00      0.00\n"
                               "   5150.00  12.20000  10.30000   0.00000      0.00      0.00\n"
                               "   5150.00  12.70000  11.00000   3.50000      0.00      0.00\n"
                               "   6371.00  13.10000  11.30000   3.70000      0.00      0.00\n");
    Model nd, fixed;
    std::string error;
    ASSERT_TRUE(traveltime::load_model(dir.file("m.nd"), nd, error)) << error;
    ASSERT_TRUE(traveltime::load_model(dir.file("m.mod"), fixed, error)) << error;
    EXPECT_EQ(nd.depth_km, fixed.depth_km);
    EXPECT_EQ(nd.cmb_depth_km, 2891.0);
    EXPECT_EQ(nd.icb_depth_km, 5150.0);
    EXPECT_EQ(nd.vp_km_s, fixed.vp_km_s);  // both read to float
    EXPECT_EQ(nd.vs_km_s, fixed.vs_km_s);
    zarvo::testing::write_file(dir.file("bad.nd"), "0 5.8 3.2\n10 five 3.2\n");
    EXPECT_FALSE(traveltime::load_model(dir.file("bad.nd"), nd, error));
    EXPECT_EQ(error, dir.file("bad.nd") + ": line 2: not \"depth vp vs [rho qp qs]\": \"10 five 3.2\"");
}

}  // namespace
