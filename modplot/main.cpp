// modplot: P and S velocity and density against depth for one or more model
// files, drawn through the plotting library into a plot file and rendered
// to PNG, SVG or PDF in the same process.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <figure/figure.h>

#include "cmdline.h"
#include "figure.h"
#include "modelfile.h"

namespace {

constexpr int kUsageStatus = 2;
constexpr std::size_t kMaxModels = 20;       // legend entries that fit beside the frame
constexpr const char* kDefaultOutput = "modplot.png";

void usage(std::FILE* out) {
    std::fprintf(out,
        "usage: modplot MODEL... [-o OUT.{png,svg,pdf}] [--zoom ZTOP,ZBOT] [--plotfile F] [--dpi N]\n"
        "Draws P velocity, S velocity and density against depth for up to 20 model\n"
        "files in the layout of prem32.mod, modout and modout2: the first model solid,\n"
        "the others dashed, each named in a legend.  The default figure is modplot.png.\n"
        "  --zoom ZTOP,ZBOT   depth window in km (default: the surface to the deepest\n"
        "                     row); --zoom 2400,2891 shows the lowermost mantle\n"
        "%s"
        "  --help             this text\n",
        figure::options_help());
}

std::optional<modplot::Window> parseZoom(const std::string& s) {
    const std::size_t comma = s.find(',');
    if (comma == std::string::npos) return std::nullopt;
    const std::optional<float> top = cmdline::finite_float(s.substr(0, comma));
    const std::optional<float> bottom = cmdline::finite_float(s.substr(comma + 1));
    if (!top || !bottom || *top < 0.0f || !(*top < *bottom)) return std::nullopt;
    return modplot::Window{*top, *bottom};
}

std::string baseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

struct Options {
    std::vector<std::string> files;
    std::optional<modplot::Window> zoom;
    figure::Options figure;
};

// Reads the command line into `o`.  Returns the exit status when the run
// ends here (help or a usage error), nothing when it goes on.
std::optional<int> parseArguments(int argc, char** argv, Options& o) {
    o.figure.out = kDefaultOutput;
    std::vector<std::string_view> withValue = figure::value_options();
    withValue.push_back("--zoom");
    const auto args = cmdline::read_args(argc, argv, withValue, "modplot");
    if (!args) return kUsageStatus;
    for (const cmdline::Arg& arg : *args) {
        const cmdline::Take took = figure::take_option(arg, o.figure, "modplot");
        if (took == cmdline::Take::bad) return kUsageStatus;
        if (took == cmdline::Take::taken) continue;
        if (arg.name == "--help" || arg.name == "-h") {
            usage(stdout);
            return EXIT_SUCCESS;
        } else if (arg.name == "--zoom") {
            o.zoom = parseZoom(arg.value);
            if (!o.zoom) {
                std::fprintf(stderr, "modplot: bad --zoom value '%s' (ZTOP,ZBOT in km, 0 <= ZTOP < ZBOT)\n",
                             arg.value.c_str());
                return kUsageStatus;
            }
        } else if (arg.option) {
            std::fprintf(stderr, "modplot: unknown option %s\n", arg.name.c_str());
            usage(stderr);
            return kUsageStatus;
        } else {
            o.files.push_back(arg.name);
        }
    }
    if (o.files.empty()) {
        usage(stderr);
        return kUsageStatus;
    }
    if (o.files.size() > kMaxModels) {
        std::fprintf(stderr, "modplot: at most %zu models in one figure\n", kMaxModels);
        return kUsageStatus;
    }
    if (!figure::check_options(o.figure, o.files, "modplot")) return kUsageStatus;
    return std::nullopt;
}

// Reads and checks every model file, settles the window (the zoom, or the
// surface to the deepest row) and cuts the profiles to it.
bool loadProfiles(const Options& o, modplot::Window& window, std::vector<modplot::ModelProfiles>& profiles,
                  std::string& error) {
    std::vector<modelfile::Model> models(o.files.size());
    for (std::size_t k = 0; k < o.files.size(); ++k) {
        if (!modelfile::loadModel(o.files[k], models[k], error) ||
            !modelfile::checkRows(models[k], o.files[k], error))
            return false;
    }
    window = modplot::Window{0.0f, 0.0f};
    if (o.zoom) {
        window = *o.zoom;
    } else {
        for (const modelfile::Model& m : models) window.bottom = std::max(window.bottom, m.rows.back().z);
        if (!(window.bottom > 0.0f)) {
            error = "the models have no rows below the surface";
            return false;
        }
    }
    profiles.assign(o.files.size(), modplot::ModelProfiles{});
    for (std::size_t k = 0; k < o.files.size(); ++k) {
        profiles[k].name = baseName(o.files[k]);
        for (std::size_t j = 0; j < modplot::kPropertyCount; ++j) {
            profiles[k].curves[j] = modplot::profile(models[k].rows, modplot::kProperties[j], window);
        }
        if (profiles[k].curves[0].size() == 0) {
            char range[64];
            std::snprintf(range, sizeof range, "%g and %g", window.top, window.bottom);
            error = o.files[k] + ": no part of the model lies between " + range + " km depth";
            return false;
        }
    }
    return true;
}

// Draws the figure through the library into the plot file (in memory
// unless --plotfile names one) and renders it.
bool drawAndRender(const Options& o, modplot::Window window, const std::vector<modplot::ModelProfiles>& profiles,
                   std::string& error) {
    figure::PlotFile plot;
    std::vector<uint8_t> bytes;
    return plot.open(o.figure.plotfile, error) && modplot::drawFigure(profiles, window, error) &&
           plot.bytes(bytes, error) && figure::render(bytes, o.figure, error);
}

int run(int argc, char** argv) {
    Options options;
    if (const std::optional<int> status = parseArguments(argc, argv, options)) return *status;
    modplot::Window window;
    std::vector<modplot::ModelProfiles> profiles;
    std::string error;
    if (!loadProfiles(options, window, profiles, error) || !drawAndRender(options, window, profiles, error)) {
        std::fprintf(stderr, "modplot: %s\n", error.c_str());
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}

}  // namespace

int main(int argc, char** argv) { return cmdline::run_main("modplot", run, argc, argv); }
