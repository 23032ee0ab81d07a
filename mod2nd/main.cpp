// mod2nd: converts a model file in layergen's layout into a "named
// discontinuities" (.nd) file for TauP-style travel-time tools.
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cmdline.h"
#include "modelfile.h"
#include "nd.h"
#include "safeout.h"

namespace {

constexpr int kUsageStatus = 2;

void usage(std::FILE* out) {
    std::fputs(
        "usage: mod2nd MODEL [-o OUT.nd] [--moho DEPTH]\n"
        "Converts a model file in the layout of prem32.mod, modout and modout2 into a\n"
        "TauP-style .nd file: one line \"depth vp vs rho qp qs\" per row, with the\n"
        "boundary names mantle, outer-core and inner-core on lines of their own.\n"
        "  -o OUT        output file (default: MODEL's name with its extension replaced\n"
        "                by .nd, in the working directory); - for standard output\n"
        "  --moho DEPTH  depth of the crust-mantle boundary in km (a depth of the\n"
        "                model; default: found from the model)\n"
        "  --help        this text\n"
        "The chosen boundary depths are reported on the standard error stream.\n",
        out);
}

// "dir/prem32.mod" -> "prem32.nd", "modout" -> "modout.nd".
std::string defaultOutput(const std::string& model) {
    const std::size_t slash = model.find_last_of('/');
    std::string base = slash == std::string::npos ? model : model.substr(slash + 1);
    const std::size_t dot = base.find_last_of('.');
    if (dot != std::string::npos && dot > 0) base.erase(dot);
    return base + ".nd";
}

struct Options {
    std::string model;
    std::string output;
    std::optional<float> moho;
};

// Reads the command line into `o`.  Returns the exit status when the run
// ends here (help or a usage error), nothing when it goes on.
std::optional<int> parseArguments(int argc, char** argv, Options& o) {
    const auto args = cmdline::read_args(argc, argv, {"-o", "--moho"}, "mod2nd");
    if (!args) return kUsageStatus;
    for (const auto& [a, value, option] : *args) {
        if (a == "--help" || a == "-h") {
            usage(stdout);
            return EXIT_SUCCESS;
        } else if (a == "-o") {
            if (value.empty()) {
                std::fputs("mod2nd: -o needs a file name\n", stderr);
                return kUsageStatus;
            }
            o.output = value;
        } else if (a == "--moho") {
            o.moho = cmdline::finite_float(value);
            if (!o.moho) {
                std::fprintf(stderr, "mod2nd: bad --moho value '%s' (a depth in km)\n", value.c_str());
                return kUsageStatus;
            }
        } else if (option) {
            std::fprintf(stderr, "mod2nd: unknown option %s\n", a.c_str());
            usage(stderr);
            return kUsageStatus;
        } else if (o.model.empty()) {
            o.model = a;
        } else {
            std::fprintf(stderr, "mod2nd: one model file at a time (got %s and %s)\n", o.model.c_str(), a.c_str());
            return kUsageStatus;
        }
    }
    if (o.model.empty()) {
        usage(stderr);
        return kUsageStatus;
    }
    if (o.output.empty()) o.output = defaultOutput(o.model);
    if (std::string error; o.output != "-" && !safeout::not_an_input(o.output, {o.model}, error)) {
        std::fprintf(stderr, "mod2nd: %s\n", error.c_str());
        return kUsageStatus;
    }
    return std::nullopt;
}

// Reads and checks the model and finds its boundaries; false with the
// message in `error`.
bool convert(const Options& o, std::vector<layergen::ModelRow>& rows, mod2nd::Boundaries& b, std::string& error) {
    modelfile::Model m;
    if (!modelfile::loadModel(o.model, m, error) || !modelfile::checkRows(m, o.model, error)) return false;
    std::optional<mod2nd::Refusal> refusal = mod2nd::checkExtent(m.rows);
    if (!refusal) refusal = mod2nd::findBoundaries(m.rows, o.moho, b);
    if (refusal) {
        const std::string where =
            refusal->row ? "line " + std::to_string(modelfile::lineOfRow(*refusal->row)) + ": " : "";
        error = o.model + ": " + where + refusal->message;
        return false;
    }
    rows = std::move(m.rows);
    return true;
}

void reportBoundaries(const Options& o, const std::vector<layergen::ModelRow>& rows, const mod2nd::Boundaries& b) {
    auto km = [&](std::size_t row) { return modelfile::valueText(rows[row].z, layergen::kFieldDecimals[0]); };
    std::fprintf(stderr,
                 "mod2nd: %s: crust-mantle boundary (mantle) at %s km (%s), core-mantle boundary (outer-core) at "
                 "%s km, inner-core boundary (inner-core) at %s km\n",
                 o.model.c_str(), km(b.moho).c_str(), o.moho ? "--moho" : "from the model", km(b.cmb).c_str(),
                 km(b.icb).c_str());
}

bool writeOutput(const Options& o, const std::string& text, std::string& error) {
    if (o.output == "-") {
        if (std::fwrite(text.data(), 1, text.size(), stdout) == text.size() && std::fflush(stdout) == 0) return true;
        error = "error writing standard output";
        return false;
    }
    return safeout::write_file(o.output, text, error);
}


int run(int argc, char** argv) {
    Options options;
    if (const std::optional<int> status = parseArguments(argc, argv, options)) return *status;
    std::vector<layergen::ModelRow> rows;
    mod2nd::Boundaries b;
    std::string error;
    if (!convert(options, rows, b, error)) {
        std::fprintf(stderr, "mod2nd: %s\n", error.c_str());
        return EXIT_FAILURE;
    }
    reportBoundaries(options, rows, b);
    if (!writeOutput(options, mod2nd::ndText(rows, b), error)) {
        std::fprintf(stderr, "mod2nd: %s\n", error.c_str());
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) { return cmdline::run_main("mod2nd", run, argc, argv); }
