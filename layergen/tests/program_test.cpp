// Whole-program runs of the built layergen in a temporary directory: the
// printed model files, bad input, and the bundled PREM model.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string pad72(const std::string& s) { return s + std::string(72 - s.size(), ' '); }

const std::string kTitles = "edge cases\nsecond title\n";
const std::string kTitlesOut = pad72("edge cases") + "\n" + pad72("second title") + "\n";

class Program : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "layergen_test_XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
    }
    void TearDown() override { fs::remove_all(dir); }

    void input(const std::string& text) { std::ofstream(dir / "prem32.mod", std::ios::binary) << text; }
    std::string out(const char* name) const { return slurp(dir / name); }

    // Runs a program in the directory; returns its exit status, keeps stderr.
    int run(const std::string& program, const std::string& args = "") {
        const std::string cmd = "cd '" + dir.string() + "' && '" + program + "' " + args + " 2> stderr.txt";
        const int rc = std::system(cmd.c_str());
        err = slurp(dir / "stderr.txt");
        return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    }

    fs::path dir;
    std::string err;
};

}  // namespace

TEST_F(Program, EdgeRowsAsPrinted) {
    input(kTitles +
          "      0.00   1.02000   1.45000   0.00000  57823.00      0.00\n"
          "      2891  13.08850  11.26220   3.66780    431.36     84.60\n"
          "   2640.00   5.44117  10.00000   5.00000    818.02    312.00\n"
          "   2641.00   5.44167  10.00000   5.00000    818.06    312.00\n"
          "   2740.00   5.49098  10.00000   5.00000    822.13    312.00\n"
          "   2740.00   5.49098  10.00000   5.00000    822.13    312.00\n"
          "   2740.01   5.49098  10.00000   5.00000    822.13    312.00\n"
          "   2865.00   5.55343  10.00000   5.00000    825.94    312.00\n"
          "   2866.00   5.55393  10.00000   5.00000    825.97    312.00\n"
          "   2891.00   5.56646   1.00000   1.00000    826.75    312.00\n"
          "   2891.0    9.903     8.06479   0.00000  57823.00   1.0E8\n");
    ASSERT_EQ(run(LAYERGEN_BIN), 0);
    EXPECT_EQ(err, "");
    const std::string common =
        "      0.00   1.02000   1.45000   0.00000  57823.00      0.00\n"
        "     28.91  13.08850  11.26220   3.66780    431.36     84.60\n"
        "   2640.00   5.44117   9.80125   4.90062    818.02    312.00\n"
        "   2641.00   5.44167  10.10000   5.05000    818.06    312.00\n"
        "   2740.00   5.49098  10.05421   5.02710    822.13    312.00\n"
        "   2740.00   5.49098  10.05421   5.02710    822.13    312.00\n"
        "   2740.01   5.49098  13.75336   7.30486    822.13    312.00\n"
        "   2865.00   5.55343  13.90160   7.36144    825.94    312.00\n";
    const std::string core =
        "   2891.00   9.90300   8.06479   0.00000  57823.00**********\n";
    EXPECT_EQ(out("modout"), kTitlesOut + common +
                                 "   2866.00   5.55393  13.90282   7.36191    825.97    312.00\n"
                                 "   2891.00   5.56646  13.93345   7.37376    826.75    312.00\n" +
                                 core);
    EXPECT_EQ(out("modout2"), kTitlesOut + common +
                                  "   2866.00   5.55393  12.51254   6.62572    825.97    312.00\n"
                                  "   2891.00   5.56646  12.54011   6.63638    826.75    312.00\n" +
                                  core);
}

TEST_F(Program, TitlesOnlyLongTitleShortLine) {
    input(kTitles);
    ASSERT_EQ(run(LAYERGEN_BIN), 0);
    EXPECT_EQ(out("modout"), kTitlesOut);
    EXPECT_EQ(out("modout2"), kTitlesOut);

    input(std::string(80, 't') + "\r\nx\n      2891   9.903\n");
    ASSERT_EQ(run(LAYERGEN_BIN), 0);
    EXPECT_EQ(out("modout"), std::string(72, 't') + "\n" + pad72("x") +
                                 "\n     28.91   9.90300   0.00000   0.00000      0.00      0.00\n");
}

TEST_F(Program, ReadsEveryRow) {
    std::string text = kTitles;
    for (int i = 0; i < 11999; ++i) text += "      0.00   1.02000   1.45000   0.00000  57823.00      0.00\n";
    const std::string core = "   6371.00  13.08850  11.26220   3.66780    431.36     84.60";
    input(text + core + "\n");
    ASSERT_EQ(run(LAYERGEN_BIN), 0);
    for (const char* name : {"modout", "modout2"}) {
        const std::vector<std::string> lines = linesOf(out(name));
        ASSERT_EQ(lines.size(), 12002u);
        EXPECT_EQ(lines.back(), core);
    }
}

TEST_F(Program, DepthsMustNotDecrease) {
    const std::string good = "    100.00   1.02000   1.45000   0.00000  57823.00      0.00\n";
    input(kTitles + good + good + "     99.99   1.02000   1.45000   0.00000  57823.00      0.00\n" + good);
    EXPECT_EQ(run(LAYERGEN_BIN), 1);
    EXPECT_EQ(err,
              "layergen: prem32.mod: line 5: depth 99.99 km is above the 100.00 km of the line before;"
              " depths must not decrease\n");
    EXPECT_EQ(out("modout"), kTitlesOut + good + good);
    EXPECT_EQ(out("modout2"), kTitlesOut + good + good);
}

// Lines are read up to 16,777,216 characters (the line end excluded), with
// only the columns a line needs kept.
TEST_F(Program, LineLimit) {
    const std::string row = "      2891   9.903";
    input(std::string(16777216, 't') + "\nx\n" + row + std::string(16777216 - row.size(), ' ') + "\n");
    ASSERT_EQ(run(LAYERGEN_BIN), 0) << err;
    EXPECT_EQ(out("modout"), std::string(72, 't') + "\n" + pad72("x") +
                                 "\n     28.91   9.90300   0.00000   0.00000      0.00      0.00\n");

    input(kTitles + row + std::string(16777217 - row.size(), ' ') + "\n");
    EXPECT_EQ(run(LAYERGEN_BIN), 1);
    EXPECT_EQ(err, "layergen: prem32.mod: line 3: line longer than 16777216 characters\n");

    fs::create_symlink("/dev/zero", dir / "zero.mod");
    fs::rename(dir / "zero.mod", dir / "prem32.mod");
    EXPECT_EQ(run(LAYERGEN_BIN), 1);
    EXPECT_EQ(err, "layergen: prem32.mod: line 1: line longer than 16777216 characters\n");
}

TEST_F(Program, DirectoryInput) {
    fs::create_directory(dir / "prem32.mod");
    EXPECT_EQ(run(LAYERGEN_BIN), 1);
    EXPECT_EQ(err, "layergen: prem32.mod: is a directory\n");
    EXPECT_FALSE(fs::exists(dir / "modout"));
}

TEST_F(Program, MissingInput) {
    EXPECT_EQ(run(LAYERGEN_BIN), 1);
    EXPECT_EQ(err, "layergen: cannot open prem32.mod: No such file or directory\n");
    EXPECT_FALSE(fs::exists(dir / "modout"));
    EXPECT_FALSE(fs::exists(dir / "modout2"));
}

TEST_F(Program, FewerThanTwoTitleLines) {
    input("");
    EXPECT_EQ(run(LAYERGEN_BIN), 1);
    EXPECT_EQ(err, "layergen: prem32.mod: line 1: end of input where title line 1 of 2 was expected\n");
    EXPECT_EQ(out("modout"), "");
    input("only one\n");
    EXPECT_EQ(run(LAYERGEN_BIN), 1);
    EXPECT_EQ(err, "layergen: prem32.mod: line 2: end of input where title line 2 of 2 was expected\n");
    EXPECT_EQ(out("modout"), pad72("only one") + "\n");
    EXPECT_EQ(out("modout2"), pad72("only one") + "\n");
}

TEST_F(Program, NonNumericFieldKeepsLinesWritten) {
    const std::string good = "      0.00   1.02000   1.45000   0.00000  57823.00      0.00\n";
    input(kTitles + good + good + "   2740.00   5.49098  13.6792O   7.26547    822.13    312.00\n" + good);
    EXPECT_EQ(run(LAYERGEN_BIN), 1);
    EXPECT_EQ(err, "layergen: prem32.mod: line 5: field vp (columns 21-30) is not a number: \"  13.6792O\"\n");
    EXPECT_EQ(out("modout"), kTitlesOut + good + good);
    EXPECT_EQ(out("modout2"), kTitlesOut + good + good);

    input(kTitles + "   2740.00   5.49098  13.6792" + std::string(1, '\0') + "   7.26547\n");
    EXPECT_EQ(run(LAYERGEN_BIN), 1);
    EXPECT_EQ(err, "layergen: prem32.mod: line 3: field vp (columns 21-30) is not a number: \"  13.67920x00\"\n");
}

TEST_F(Program, WarnsOfMissing2740And2891Rows) {
    input(kTitles +
          "   2800.00   5.5       10.0       5.0       800.0     312.0\n"
          "   2900.00   9.9        8.0       0.0     57823.0       0.0\n");
    ASSERT_EQ(run(LAYERGEN_BIN), 0);
    EXPECT_EQ(err,
              "layergen: prem32.mod: line 3: warning: model has no row at 2740 km above this row;"
              " the gradient starts from vp 13.6792, vs 7.26547 km/s\n"
              "layergen: prem32.mod: line 4: warning: model has no row at 2891 km above this row;"
              " rows below 2891 km are taken as core and written unchanged\n");
    const std::vector<std::string> lines = linesOf(out("modout2"));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[2], "   2800.00   5.50000  13.82269   7.33105    800.00    312.00");
    EXPECT_EQ(lines[3], "   2900.00   9.90000   8.00000   0.00000  57823.00      0.00");
}

// The bundled model: PREM's vp at 2740 km is the gradient's top value, and
// the perturbed model runs on through 2740 km without a jump.
TEST_F(Program, BundledPremJoinsTheGradient) {
    fs::copy_file(PREM32_MOD, dir / "prem32.mod");
    ASSERT_EQ(run(LAYERGEN_BIN), 0);
    EXPECT_EQ(err, "");
    auto vpAt = [](const std::string& file, const char* depth) {
        for (const std::string& line : linesOf(file)) {
            if (line.compare(0, 10, depth) == 0) return std::stof(line.substr(20, 10));
        }
        return NAN;
    };
    const std::string prem = slurp(dir / "prem32.mod"), modout = out("modout");
    EXPECT_NEAR(vpAt(prem, "   2740.00"), 13.6792f, 0.5e-4f);
    // Extrapolate the gradient rows at 2745 and 2750 km up to 2740 km.
    const float extrapolated = 2.0f * vpAt(modout, "   2745.00") - vpAt(modout, "   2750.00");
    EXPECT_NEAR(vpAt(modout, "   2740.00"), extrapolated, 2e-4f);
    EXPECT_EQ(linesOf(modout).size(), linesOf(prem).size());
}

TEST_F(Program, PremgenReproducesTheBundledModel) {
    ASSERT_EQ(run(PREMGEN_BIN, "generated.mod"), 0);
    EXPECT_EQ(out("generated.mod"), slurp(PREM32_MOD));
}
