// The built modtt: its table and JSON text on a homogeneous mantle, the
// bundled PREM against layergen's outputs and mod2nd's .nd text, distance
// ranges, and every refusal with its status.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;

// A homogeneous mantle (P 10 km/s, S 5 km/s) over a core, as .nd text.
constexpr const char* kHomogeneous =
    "0 10 5 3\n2891 10 5 3\n2891 8 0 10\n5150 9 0 12\n5150 11 3 13\n6371 11 3 13\n";

class Modtt : public ::testing::Test {
protected:
    struct Run {
        int status = -1;
        std::string out;
        std::string err;
    };
    Run run(const std::string& program, const std::string& args) const {
        const std::string cmd = "cd '" + dir_.path() + "' && '" + program + "' " + args + " >stdout.txt 2>stderr.txt";
        const int rc = std::system(cmd.c_str());
        Run r{WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, slurp("stdout.txt"), slurp("stderr.txt")};
        fs::remove(dir_.file("stdout.txt"));
        fs::remove(dir_.file("stderr.txt"));
        return r;
    }
    std::string slurp(const std::string& name) const {
        const zarvo::testing::Bytes b = zarvo::testing::read_file(dir_.file(name));
        return std::string(b.begin(), b.end());
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

std::string line(const char* distance, const char* phase, double time, double p_rad) {
    char buf[128];
    std::snprintf(buf, sizeof buf, "%s\t%s\t%.3f\t%.4f\n", distance, phase, time, p_rad * M_PI / 180.0);
    return buf;
}

// Chords: P at Delta 2R sin(Delta/2) / v, PcP 2 sqrt(R^2 + rc^2 - 2 R rc cos(Delta/2)) / v.
TEST_F(Modtt, TableAndJsonSortedByDistanceThenTime) {
    zarvo::testing::write_file(dir_.file("h.nd"), kHomogeneous);
    const double R = 6371.0, rc = 3480.0, v = 10.0;
    const double half = 30.0 * M_PI / 180.0;
    const double pcp60 = std::sqrt(R * R + rc * rc - 2 * R * rc * std::cos(half));
    const std::string expected = "distance\tphase\ttime\tray_param\n" + line("0", "P", 0.0, R / v) +
                                 line("0", "PcP", 2 * (R - rc) / v, 0.0) +
                                 line("60", "P", 2 * R * std::sin(half) / v, R * std::cos(half) / v) +
                                 line("60", "PcP", 2 * pcp60 / v, R * rc * std::sin(half) / pcp60 / v);
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
        const char* spec;
        std::vector<std::string> distances;
    } cases[] = {
        {"0:0.3:0.1", {"0", "0.1", "0.2", "0.3"}},
        {"179:180:0.4", {"179", "179.4", "179.8"}},
        {"5:5:1", {"5"}},
        {"180,0.5,90", {"0.5", "90", "180"}},
    };
    for (const auto& c : cases) {
        const Run r = run(MODTT_BIN, std::string("h.nd --phases P,PKIKP --distances ") + c.spec);
        ASSERT_EQ(r.status, 0) << c.spec << ": " << r.err;
        std::vector<std::string> got;
        std::istringstream in(r.out);
        std::string l;
        std::getline(in, l);
        while (std::getline(in, l))
            if (got.empty() || got.back() != l.substr(0, l.find('\t'))) got.push_back(l.substr(0, l.find('\t')));
        EXPECT_EQ(got, c.distances) << c.spec;
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
    ASSERT_EQ(run(MOD2ND_BIN, "modout -o modout.nd").status, 0);
    EXPECT_EQ(run(MODTT_BIN, "modout.nd" + args).out, modout.out);
}

TEST_F(Modtt, Refusals) {
    zarvo::testing::write_file(dir_.file("h.nd"), kHomogeneous);
    zarvo::testing::write_file(dir_.file("coreless.nd"), "0 10 5\n6371 10 5\n");
    const struct {
        const char* args;
        int status;
        const char* message;  // the first line of stderr
    } cases[] = {
        {"h.nd --phases PP --distances 10", 1,
         "modtt: unknown phase \"PP\" (known: P, S, PcP, ScS, PdP, SdS, PKP, SKS, PKIKP, SKIKS)"},
        {"h.nd --phases P --distances 10,180.5", 1, "modtt: distance 180.5 degrees is outside 0 to 180"},
        {"h.nd --phases P --distances 10 --depth 3000", 1,
         "modtt: source depth 3000 km is outside the mantle of h.nd (0 to the core-mantle boundary at 2891 km)"},
        {"h.nd --phases PdP --distances 10", 1,
         "modtt: h.nd: no P velocity jump of 1 % or more in the 300 km above the core; give the reflector's depth"},
        {"coreless.nd --phases P --distances 10", 1,
         "modtt: coreless.nd: a model without a core (no discontinuity where the S velocity drops to zero)"},
        {"missing.nd --phases P --distances 10", 1, "modtt: cannot open missing.nd: No such file or directory"},
        {"h.nd --phases P --distances 1:2", 2, "modtt: bad --distances '1:2' (A:B:STEP or a comma list of degrees)"},
        {"h.nd --phases P --distances 2:1:1", 2,
         "modtt: bad --distances range '2:1:1' (A:B:STEP with A <= B and STEP > 0)"},
        {"h.nd --phases P --distances 0:180:1e-6", 2, "modtt: --distances gives more than 100000 distances"},
        {"h.nd --phases P --distances 10 --depth ten", 2, "modtt: bad --depth value 'ten' (a depth in km)"},
        {"h.nd --phases P --distances 10 --format xml", 2, "modtt: bad --format 'xml' (tsv or json)"},
        {"h.nd --phases P --distances 10 --fast", 2, "modtt: unknown option --fast"},
        {"h.nd --phases P", 2, "modtt: a model, --phases and --distances are needed"},
        {"h.nd --phases P --distances", 2, "modtt: --distances needs a value"},
    };
    for (const auto& c : cases) {
        const Run r = run(MODTT_BIN, c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')), c.message) << c.args;
        EXPECT_EQ(r.out, "") << c.args;
    }
    const Run help = run(MODTT_BIN, "--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: modtt MODEL --phases LIST --distances SPEC", 0), 0u);
}

}  // namespace
