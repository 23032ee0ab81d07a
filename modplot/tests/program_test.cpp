// The built modplot: figures in each format from the bundled PREM, the plot
// file under its own name, and each refusal.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "model.h"
#include "plot_builder.h"
#include "plotfile.h"

namespace {

namespace fs = std::filesystem;
using pltrender::testing::read_text;
using pltrender::testing::run;
using Result = pltrender::testing::Run;
using pltrender::testing::ScratchDir;

class Modplot : public ::testing::Test {
protected:
    void SetUp() override { fs::copy_file(PREM32_MOD, dir_.file("prem32.mod")); }
    Result modplot(const std::string& args) const {
        return run("cd " + dir_.path() + " && pltfil=elsewhere " + MODPLOT_BIN + " " + args);
    }
    ScratchDir dir_;
};

TEST_F(Modplot, RendersEachFormatFromItsPlotFile) {
    const struct {
        const char* out;
        const char* magic;
    } formats[] = {{"prem.png", "\x89PNG"}, {"prem.svg", "<?xml"}, {"prem.pdf", "%PDF"}};
    for (const auto& f : formats) {
        const Result r = modplot("prem32.mod prem32.mod --zoom 2400,2891 --plotfile prem.plt -o " + std::string(f.out));
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(read_text(dir_.file(f.out)).rfind(f.magic, 0), 0u) << f.out;
    }
    EXPECT_FALSE(fs::exists(dir_.file("elsewhere")));
    std::vector<uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(pltrender::read_file(dir_.file("prem.plt"), bytes, error)) << error;
    const pltrender::ParseResult plot = pltrender::parse(bytes);
    ASSERT_TRUE(plot.ok) << plot.error;
    EXPECT_EQ(pltrender::split_pages(plot.commands).size(), 1u);

    const Result r = modplot("prem32.mod");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_text(dir_.file("modplot.png")).rfind("\x89PNG", 0), 0u);
    EXPECT_FALSE(fs::exists(dir_.file("pltfil")));  // held in memory
}

TEST_F(Modplot, Refusals) {
    pltrender::testing::write_bytes(dir_.file("bad.mod"), {'a', '\n', 'b', '\n', 'x', '\n'});
    const std::string huge =
        "t\nt\n      0.00   1.00000   3.3E+38   1.00000      0.00      0.00\n"
        "   6371.00   1.00000   3.3E+38   1.00000      0.00      0.00\n";
    pltrender::testing::write_bytes(dir_.file("huge.mod"), std::vector<uint8_t>(huge.begin(), huge.end()));
    std::string many;
    for (int i = 0; i < 21; ++i) many += " prem32.mod";
    const struct {
        std::string args;
        int status;
        std::string err;  // the first line of the message
    } cases[] = {
        {"", 2, "usage: modplot MODEL..."},
        {"prem32.mod --zoom 2891,2400", 2, "modplot: bad --zoom value '2891,2400' (ZTOP,ZBOT in km, 0 <= ZTOP < ZBOT)"},
        {"prem32.mod --zoom -5,100", 2, "modplot: bad --zoom value '-5,100'"},
        {"prem32.mod --zoom 100", 2, "modplot: bad --zoom value '100'"},
        {"prem32.mod -o fig.gif", 2, "modplot: fig.gif: the output name must end in .png, .svg or .pdf"},
        {"prem32.mod --plotfile " + std::string(81, 'p'), 2,
         "modplot: the --plotfile name must have 1 to 80 characters"},
        {"prem32.mod --dpi 0", 2, "modplot: bad --dpi value '0'"},
        {"prem32.mod --plotfile f.png -o f.png", 2, "modplot: the plot file and the picture are both f.png"},
        {"prem32.mod --frobnicate", 2, "modplot: unknown option --frobnicate"},
        {many, 2, "modplot: at most 20 models in one figure"},
        {"prem32.mod missing.mod", 1, "modplot: cannot open missing.mod: No such file or directory"},
        {"prem32.mod bad.mod", 1, "modplot: bad.mod: line 3: field z (columns 1-10) is not a number: \"x\""},
        {"prem32.mod huge.mod", 1, "modplot: huge.mod: line 3: P velocity 329999"},
        {"prem32.mod --dpi 2400", 1, "modplot: page 1 would be"},
        {"prem32.mod --zoom 6400,7000", 1, "modplot: prem32.mod: no part of the model lies between 6400 and 7000 km depth"},
    };
    for (const auto& c : cases) {
        const Result r = modplot(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.err.substr(0, c.err.size()), c.err) << c.args;
        EXPECT_EQ(r.err.find("--page"), std::string::npos) << r.err;  // modplot has no such option
        EXPECT_FALSE(fs::exists(dir_.file("modplot.png"))) << c.args;
        EXPECT_FALSE(fs::exists(dir_.file("pltfil"))) << c.args;
    }
}

TEST_F(Modplot, ParallelRunsInOneDirectoryEachDrawTheirOwnModel) {
    // Eight models, each PREM with its density scaled differently; each
    // drawn alone first, then all at once in the same directory.
    constexpr int kRuns = 8;
    const std::string prem = read_text(dir_.file("prem32.mod"));
    std::string all;
    for (int k = 0; k < kRuns; ++k) {
        std::string model = prem.substr(0, prem.find('\n', prem.find('\n') + 1) + 1);
        for (std::size_t at = model.size(); at < prem.size();) {
            const std::size_t end = prem.find('\n', at);
            std::string row = prem.substr(at, end - at);
            layergen::ModelRow r = *layergen::parseRow(row).row;
            r.rho *= 1.0f + 0.05f * static_cast<float>(k);
            model += layergen::formatRow(r) + "\n";
            at = end + 1;
        }
        // Strings appended, not prepended: GCC 12 at -O3 warns wrongly about
        // the copies of a literal prepended to a string.
        const std::string index = std::to_string(k);
        const std::string name = std::string("m").append(index);
        pltrender::testing::write_bytes(dir_.file(name + ".mod"), std::vector<uint8_t>(model.begin(), model.end()));
        ASSERT_EQ(modplot(name + ".mod -o alone" + index + ".png").status, 0);
        all.append(" ").append(MODPLOT_BIN).append(" ").append(name).append(".mod -o together").append(index).append(".png &");
    }
    const Result r = run("cd " + dir_.path() + " && pltfil=elsewhere; " + all + " wait");
    ASSERT_EQ(r.status, 0) << r.err;
    for (int k = 0; k < kRuns; ++k) {
        const std::string alone = read_text(dir_.file("alone" + std::to_string(k) + ".png"));
        EXPECT_TRUE(read_text(dir_.file("together" + std::to_string(k) + ".png")) == alone) << k;
        if (k > 0) {
            EXPECT_FALSE(alone == read_text(dir_.file("alone0.png"))) << k;
        }
    }
    EXPECT_FALSE(fs::exists(dir_.file("pltfil")));
}

}  // namespace
