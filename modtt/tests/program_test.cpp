// The built modtt: its table and JSON text on a homogeneous mantle, the
// bundled PREM against layergen's outputs and mod2nd's .nd text, distance
// ranges, and every refusal with its status.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;

// A homogeneous mantle (P 10 km/s, S 5 km/s) over a core, as .nd text.
constexpr const char* kHomogeneous =
    "0 10 5 3\n2891 10 5 3\n2891 8 0 10\n5150 9 0 12\n5150 11 3 13\n6371 11 3 13\n";

class Modtt : public ::testing::Test {
protected:
    using Run = seisdata::testing::Outcome;
    Run run(const std::string& program, const std::string& args) const {
        return seisdata::testing::run(dir_.path(), "'" + program + "' " + args);
    }
    // The lines of a modtt table for one phase at one distance.
    static std::vector<std::string> select(const std::string& table, const std::string& distance,
                                           const std::string& phase) {
        std::vector<std::string> lines;
        std::istringstream in(table);
        for (std::string line; std::getline(in, line);)
            if (line.rfind(distance + "\t" + phase + "\t", 0) == 0) lines.push_back(line);
        return lines;
    }
    zarvo::testing::ScratchDir dir_;
};

// Chords: P at Delta takes 2R sin(Delta/2) / v (637.100 s at 60 degrees),
// PcP 2 sqrt(R^2 + rc^2 - 2 R rc cos(Delta/2)) / v (578.200 s at 0, 756.270 s
// at 60), with ray parameters R cos(Delta/2) / v and R rc sin(Delta/2) / (L v).
TEST_F(Modtt, TableAndJsonSortedByDistanceThenTime) {
    zarvo::testing::write_file(dir_.file("h.nd"), kHomogeneous);
    const std::string expected =
        "distance\tphase\ttime\tray_param\n0\tP\t0.000\t11.1195\n0\tPcP\t578.200\t0.0000\n"
        "60\tP\t637.100\t9.6298\n60\tPcP\t756.270\t5.1167\n";
    const Run r = run(MODTT_BIN, "h.nd --phases PcP,P --distances 60,0");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.err, "");

    const Run j = run(MODTT_BIN, "h.nd --phases P --distances 0:60:60 --format json");
    EXPECT_EQ(j.status, 0) << j.err;
    EXPECT_EQ(j.out, "[\n{\"distance\": 0, \"phase\": \"P\", \"time\": 0.000, \"ray_param\": 11.1195},\n"
                     "{\"distance\": 60, \"phase\": \"P\", \"time\": 637.100, \"ray_param\": 9.6298}\n]\n");
}

// A:B:STEP counts steps from A and keeps B when rounding alone misses it.
TEST_F(Modtt, DistanceRanges) {
    zarvo::testing::write_file(dir_.file("h.nd"), kHomogeneous);
    const struct {
        const char* arg;
        std::vector<std::string> distances;
    } cases[] = {
        {"0:0.3:0.1", {"0", "0.1", "0.2", "0.3"}},
        {"179:180:0.4", {"179", "179.4", "179.8"}},
        {"5:5:1", {"5"}},
        {"180,0.5,90", {"0.5", "90", "180"}},
    };
    for (const auto& c : cases) {
        const Run r = run(MODTT_BIN, std::string("h.nd --phases P,PKIKP --distances ") + c.arg);
        ASSERT_EQ(r.status, 0) << c.arg << ": " << r.err;
        std::vector<std::string> got;
        std::istringstream in(r.out);
        std::string l;
        std::getline(in, l);
        while (std::getline(in, l))
            if (got.empty() || got.back() != l.substr(0, l.find('\t'))) got.push_back(l.substr(0, l.find('\t')));
        EXPECT_EQ(got, c.distances) << c.arg;
    }
}

// layergen's models change the core reflections and leave P at 40 degrees
// alone; mod2nd's .nd text of a model gives the same table.
TEST_F(Modtt, PremAndLayergenOutputs) {
    fs::copy_file(PREM32_MOD, dir_.file("prem32.mod"));
    ASSERT_EQ(run(LAYERGEN_BIN, "").status, 0);
    const std::string args = " --phases P,ScS,SdS --distances 0:60:20 --depth 10";
    const Run prem = run(MODTT_BIN, "prem32.mod --phases P,ScS --distances 0:60:20 --depth 10");
    const Run modout = run(MODTT_BIN, "modout" + args);
    const Run modout2 = run(MODTT_BIN, "modout2" + args);
    ASSERT_EQ(prem.status, 0) << prem.err;
    ASSERT_EQ(modout.status, 0) << modout.err;
    ASSERT_EQ(modout2.status, 0) << modout2.err;
    EXPECT_EQ(select(prem.out, "40", "P"), select(modout.out, "40", "P"));
    EXPECT_EQ(select(prem.out, "40", "P"), select(modout2.out, "40", "P"));
    EXPECT_EQ(select(prem.out, "40", "P").size(), 1u);
    for (const char* d : {"0", "20", "40"}) {
        EXPECT_NE(select(prem.out, d, "ScS"), select(modout.out, d, "ScS")) << d;
        EXPECT_NE(select(modout.out, d, "ScS"), select(modout2.out, d, "ScS")) << d;
        EXPECT_NE(select(modout.out, d, "SdS"), select(modout2.out, d, "SdS")) << d;
        EXPECT_EQ(select(modout.out, d, "SdS").size(), 1u) << d;
    }
    // modout2's basal layer starts 1 km under its last row above: PcP and PKP
    // graze that row, as they graze the core in PREM, until 92.5 and 172.5 degrees.
    const Run grazing = run(MODTT_BIN, "modout2 --phases PcP,PKP --distances 92.5,172.5");
    EXPECT_EQ(select(grazing.out, "92.5", "PcP").size(), 1u);
    EXPECT_EQ(select(grazing.out, "172.5", "PKP").size(), 1u);
    // At 85.895 degrees P above and below modout's step arrive within 1 ms:
    // both are listed, with the reflection from the step.
    EXPECT_EQ(select(run(MODTT_BIN, "modout --phases P --distances 85.895").out, "85.895", "P").size(), 3u);
    ASSERT_EQ(run(MOD2ND_BIN, "modout -o modout.nd").status, 0);
    EXPECT_EQ(run(MODTT_BIN, "modout.nd" + args).out, modout.out);
}

TEST_F(Modtt, Refusals) {
    zarvo::testing::write_file(dir_.file("h.nd"), kHomogeneous);
    zarvo::testing::write_file(dir_.file("coreless.nd"), "0 10 5\n6371 10 5\n");
    zarvo::testing::write_file(dir_.file("mantleless.nd"), "0 10 5 3\n0 9 0 1\n6371 11 3 13\n");
    zarvo::testing::write_file(dir_.file("bad.nd"), "0 5.8 3.2\n10 five 3.2\n");
    const struct {
        const char* args;
        int status;
        const char* message;  // the first line of stderr
    } cases[] = {
        {"h.nd --phases PP --distances 10", 1,
         "modtt: unknown phase \"PP\" (known: P, S, PcP, ScS, PdP, SdS, PKP, SKS, PKIKP, SKIKS)"},
        {"bad.nd --phases P --distances 10", 1, "modtt: bad.nd: line 2: not \"depth vp vs [rho qp qs]\": \"10 five 3.2\""},
        {"coreless.nd --phases P --distances 10", 1,
         "modtt: coreless.nd: a model without a core (no discontinuity where the S velocity drops to zero)"},
        {"mantleless.nd --phases P --distances 10", 1,
         "modtt: mantleless.nd: a model without a mantle (the S velocity drops to zero at the surface)"},
        {"h.nd --phases P --distances 1:2", 2, "modtt: bad --distances '1:2' (A:B:STEP or a comma list of degrees)"},
        {"h.nd --phases P --distances 2:1:1", 2,
         "modtt: bad --distances range '2:1:1' (A:B:STEP with A <= B and STEP > 0)"},
        {"h.nd --phases P --distances 0:180:1e-6", 2, "modtt: --distances gives more than 100000 distances"},
        {"h.nd --phases P --distances 10 --depth ten", 2, "modtt: bad --depth value 'ten' (a depth in km)"},
        {"h.nd --phases P --distances 10 --format xml", 2, "modtt: bad --format 'xml' (tsv or json)"},
        {"h.nd --phases P", 2, "modtt: a model, --phases and --distances are needed"},
    };
    for (const auto& c : cases) {
        const Run r = run(MODTT_BIN, c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')), c.message) << c.args;
        EXPECT_EQ(r.out, "") << c.args;
    }
    const Run help = run(MODTT_BIN, "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: modtt MODEL --phases LIST --distances DEG", 0), 0u);
}

}  // namespace
