// The built mod2nd on the bundled PREM, on layergen's outputs, and on bad
// input: the .nd text against the model file's own text, the boundary
// report, each refusal with its file and line, and no file left behind.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "model.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using zarvo::testing::ScratchDir;

std::string slurp(const std::string& path) {
    const zarvo::testing::Bytes b = zarvo::testing::read_file(path);
    return std::string(b.begin(), b.end());
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string trim(const std::string& s) {
    const std::size_t a = s.find_first_not_of(' ');
    return a == std::string::npos ? "" : s.substr(a, s.find_last_not_of(' ') - a + 1);
}

// The .nd line a model-file row should give, made from the row's text: its
// fields without blanks, reordered to depth vp vs rho qp qs.
std::string ndLineOf(const std::string& row) {
    auto field = [&](int k) { return trim(row.substr(static_cast<std::size_t>(k * layergen::kFieldWidth), 10)); };
    return field(0) + " " + field(2) + " " + field(3) + " " + field(1) + " " + field(4) + " " + field(5);
}

class Mod2nd : public ::testing::Test {
protected:
    struct Run {
        int status = -1;
        std::string out;
        std::string err;
    };
    Run run(const std::string& program, const std::string& args) const {
        const std::string cmd = "cd '" + dir_.path() + "' && '" + program + "' " + args + " >stdout.txt 2>stderr.txt";
        const int rc = std::system(cmd.c_str());
        Run r{WIFEXITED(rc) ? WEXITSTATUS(rc) : -1, slurp(dir_.file("stdout.txt")), slurp(dir_.file("stderr.txt"))};
        fs::remove(dir_.file("stdout.txt"));
        fs::remove(dir_.file("stderr.txt"));
        return r;
    }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_.path())) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    ScratchDir dir_;
};

// Checks that `nd` holds the model's rows row for row, with the three names
// between the two rows at the given depths and nowhere else.
void expectRowForRow(const std::string& model, const std::string& nd, const std::string& mohoDepth) {
    const std::vector<std::string> rows = linesOf(model);
    std::vector<std::string> data;
    std::vector<std::string> names;
    const std::vector<std::string> ndLines = linesOf(nd);
    for (std::size_t i = 0; i < ndLines.size(); ++i) {
        const std::string& l = ndLines[i];
        if (l == "mantle" || l == "outer-core" || l == "inner-core") {
            ASSERT_GT(i, 0u);
            ASSERT_LT(i + 1, ndLines.size());
            const std::string above = l == "mantle" ? mohoDepth : l == "outer-core" ? "2891.00" : "5149.50";
            EXPECT_EQ(ndLines[i - 1].substr(0, above.size() + 1), above + " ") << l;
            EXPECT_EQ(ndLines[i + 1].substr(0, above.size() + 1), above + " ") << l;
            names.push_back(l);
        } else {
            data.push_back(l);
        }
    }
    EXPECT_EQ(names, (std::vector<std::string>{"mantle", "outer-core", "inner-core"}));
    ASSERT_EQ(data.size(), rows.size() - 2);
    for (std::size_t i = 0; i < data.size(); ++i) EXPECT_EQ(data[i], ndLineOf(rows[i + 2])) << "row " << i + 1;
    EXPECT_EQ(data.back().substr(0, 8), "6371.00 ");
}

TEST_F(Mod2nd, PremAndLayergenOutputsRowForRow) {
    fs::copy_file(PREM32_MOD, dir_.file("prem32.mod"));
    ASSERT_EQ(run(LAYERGEN_BIN, "").status, 0);
    for (const char* name : {"prem32.mod", "modout", "modout2"}) {
        const Run r = run(MOD2ND_BIN, name);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "mod2nd: " + std::string(name) +
                             ": crust-mantle boundary (mantle) at 24.40 km (from the model), core-mantle boundary "
                             "(outer-core) at 2891.00 km, inner-core boundary (inner-core) at 5149.50 km\n");
        const std::string nd = std::string(name) == "prem32.mod" ? "prem32.nd" : std::string(name) + ".nd";
        expectRowForRow(slurp(dir_.file(name)), slurp(dir_.file(nd)), "24.40");
    }
    // The step at 2641 km and the basal layer from 2866 km are rows like any
    // other: vp rises by about 3 % from the 2640 km row to the 2641 km row,
    // and modout2 has 10 % lower velocities than modout at 2866 km.
    auto vpAt = [&](const std::string& file, const std::string& depth) {
        const std::string nd = slurp(dir_.file(file));
        const std::size_t at = nd.find("\n" + depth + " ");
        EXPECT_NE(at, std::string::npos) << file << " " << depth;
        return std::stod(nd.substr(at + depth.size() + 2));
    };
    EXPECT_NEAR(vpAt("modout.nd", "2641.00") / vpAt("modout.nd", "2640.00"), 1.03, 0.002);
    EXPECT_NEAR(vpAt("modout2.nd", "2866.00") / vpAt("modout.nd", "2866.00"), 0.9, 1e-5);
    EXPECT_NEAR(vpAt("modout2.nd", "2865.00") / vpAt("modout.nd", "2865.00"), 1.0, 1e-9);
}

TEST_F(Mod2nd, OptionsMohoOutputAndStandardOutput) {
    fs::copy_file(PREM32_MOD, dir_.file("prem32.mod"));
    Run r = run(MOD2ND_BIN, "prem32.mod --moho 15 -o out.nd");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("crust-mantle boundary (mantle) at 15.00 km (--moho)"), std::string::npos) << r.err;
    expectRowForRow(slurp(dir_.file("prem32.mod")), slurp(dir_.file("out.nd")), "15.00");

    r = run(MOD2ND_BIN, "-o - prem32.mod");
    ASSERT_EQ(r.status, 0) << r.err;
    expectRowForRow(slurp(dir_.file("prem32.mod")), r.out, "24.40");
    EXPECT_EQ(files(), (std::vector<std::string>{"out.nd", "prem32.mod"}));

    // Outputs that must not be replaced, and messages that name the output.
    fs::create_symlink("prem32.mod", dir_.file("alias.mod"));
    const struct {
        const char* args;
        int status;
        const char* err;  // its last line
    } outputs[] = {
        {"prem32.mod -o prem32.mod", 2, "mod2nd: prem32.mod is an input; it would be overwritten\n"},
        {"prem32.mod -o alias.mod", 2, "mod2nd: alias.mod is an input; it would be overwritten\n"},
        {"prem32.mod -o ''", 2, "mod2nd: -o needs a file name\n"},
        {"prem32.mod -o missing/out.nd", 1, "mod2nd: missing/out.nd: cannot create: No such file or directory\n"},
    };
    for (const auto& c : outputs) {
        r = run(MOD2ND_BIN, c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.err.substr(r.err.rfind('\n', r.err.size() - 2) + 1), c.err) << r.err;
    }
    EXPECT_EQ(slurp(dir_.file("prem32.mod")), slurp(PREM32_MOD));
    fs::remove(dir_.file("alias.mod"));

    EXPECT_EQ(run(MOD2ND_BIN, "prem32.mod --moho 2x").status, 2);
    EXPECT_EQ(run(MOD2ND_BIN, "prem32.mod --moho").status, 2);
    EXPECT_EQ(run(MOD2ND_BIN, "").status, 2);
    EXPECT_EQ(run(MOD2ND_BIN, "a b").status, 2);
    EXPECT_EQ(run(MOD2ND_BIN, "--bogus prem32.mod").status, 2);
    EXPECT_EQ(run(MOD2ND_BIN, "--help").status, 0);
}

TEST_F(Mod2nd, RefusalsNameFileAndLineAndLeaveNoFile) {
    auto row = [](float z, float rho, float vp, float vs) {
        return layergen::formatRow(layergen::ModelRow{z, rho, vp, vs, 100.0f, 50.0f}) + "\n";
    };
    const std::string titles = "t1\nt2\n";
    const std::string crust = row(0, 2.6f, 5.8f, 3.2f) + row(20, 2.6f, 5.8f, 3.2f) + row(20, 3.4f, 8.0f, 4.5f);
    const std::string core = row(2891, 5.5f, 13.7f, 7.3f) + row(2891, 9.9f, 8.0f, 0) + row(5149.5f, 12.1f, 10.3f, 0);
    const std::string inner = row(5149.5f, 12.7f, 11.0f, 3.5f) + row(6371, 13.0f, 11.2f, 3.6f);
    const struct {
        std::string text;
        std::string err;
    } cases[] = {
        {titles + crust + core, "m.mod: line 8: the last row is at depth 5149.50 km; the model must reach the centre "
                                "of the earth (6371.00 km)"},
        {titles + crust + row(10, 3.4f, 8.0f, 4.5f) + core + inner,
         "m.mod: line 6: depth 10.00 km is above the depth 20.00 km of the row before; rows must go down from the "
         "surface"},
        {titles + crust + row(30, 3.4f, 8.0f, -4.5f) + core + inner,
         "m.mod: line 6: S velocity -4.50000 km/s is outside [0, 20]"},
        {titles + crust + row(30, 3.4f, 8.0f, 4.5f).substr(0, 40) + "\n" + core + inner,
         "m.mod: line 6: field qp (columns 41-50) is blank"},
        {titles + crust + row(6371, 3.4f, 8.0f, 4.5f),
         "m.mod: no core: no discontinuity (two rows at one depth) where the S velocity drops from a positive value "
         "to zero"},
        {titles + crust + std::string(5000, '9') + "\n", "m.mod: line 6: line longer than 4096 characters; not a "
                                                         "model file?"},
        {"", "m.mod: line 1: end of file where title line 1 of 2 was expected"},
    };
    for (const auto& c : cases) {
        zarvo::testing::write_file(dir_.file("m.mod"), c.text);
        const Run r = run(MOD2ND_BIN, "m.mod");
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "mod2nd: " + c.err + "\n");
        EXPECT_EQ(files(), std::vector<std::string>{"m.mod"});
    }
    const Run r = run(MOD2ND_BIN, "missing.mod");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "mod2nd: cannot open missing.mod: No such file or directory\n");
}

}  // namespace
