// modplot: P and S velocity and density against depth for one or more model
// files, drawn through the plotting library into a plot file and rendered
// to PNG, SVG or PDF in the same process.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include <zarvo/zarvo.hpp>

#include "cmdline.h"
#include "figure.h"
#include "modelfile.h"
#include "plotfile.h"
#include "render.h"
#include "textlayout.h"

namespace {

constexpr int kUsageStatus = 2;
constexpr std::size_t kMaxModels = 20;       // legend entries that fit beside the frame
constexpr std::size_t kPlotNameMax = 80;     // the longest plot file name the library accepts
constexpr const char* kDefaultOutput = "modplot.png";
constexpr const char* kDefaultPlotFile = "pltfil";
constexpr double kMaxDpi = 2400;

void usage(std::FILE* out) {
    std::fputs(
        "usage: modplot MODEL... [-o OUT.{png,svg,pdf}] [--zoom ZTOP,ZBOT] [--plotfile F] [--dpi N]\n"
        "Draws P velocity, S velocity and density against depth for up to 20 model\n"
        "files in the layout of prem32.mod, modout and modout2: the first model solid,\n"
        "the others dashed, each named in a legend.\n"
        "  -o OUT            the figure; the format follows the extension\n"
        "                    (default modplot.png)\n"
        "  --zoom ZTOP,ZBOT  depth window in km (default: the surface to the deepest\n"
        "                    row); --zoom 2400,2891 shows the lowermost mantle\n"
        "  --plotfile F      the plot file written on the way (default pltfil, in the\n"
        "                    working directory; the environment variable pltfil is\n"
        "                    not used)\n"
        "  --dpi N           PNG resolution (default 150)\n"
        "  --help            this text\n",
        out);
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
    std::string output = kDefaultOutput;
    std::string plotFile = kDefaultPlotFile;
    std::optional<modplot::Window> zoom;
    pltrender::RenderOptions render;
};

// Reads the command line into `o`.  Returns the exit status when the run
// ends here (help or a usage error), nothing when it goes on.
std::optional<int> parseArguments(int argc, char** argv, Options& o) {
    const auto args = cmdline::read_args(argc, argv, {"-o", "--zoom", "--plotfile", "--dpi"}, "modplot");
    if (!args) return kUsageStatus;
    for (const auto& [a, value, option] : *args) {
        if (a == "--help" || a == "-h") {
            usage(stdout);
            return EXIT_SUCCESS;
        } else if (a == "-o") {
            o.output = value;
        } else if (a == "--zoom") {
            o.zoom = parseZoom(value);
            if (!o.zoom) {
                std::fprintf(stderr, "modplot: bad --zoom value '%s' (ZTOP,ZBOT in km, 0 <= ZTOP < ZBOT)\n",
                             value.c_str());
                return kUsageStatus;
            }
        } else if (a == "--plotfile") {
            o.plotFile = value;
        } else if (a == "--dpi") {
            const std::optional<float> dpi = cmdline::finite_float(value);
            if (!dpi || !(*dpi > 0.0f) || *dpi > kMaxDpi) {
                std::fprintf(stderr, "modplot: bad --dpi value '%s'\n", value.c_str());
                return kUsageStatus;
            }
            o.render.dpi = *dpi;
        } else if (option) {
            std::fprintf(stderr, "modplot: unknown option %s\n", a.c_str());
            usage(stderr);
            return kUsageStatus;
        } else {
            o.files.push_back(a);
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
    if (pltrender::format_from_path(o.output) == pltrender::Format::unknown) {
        std::fprintf(stderr, "modplot: %s: the figure must end in .png, .svg or .pdf\n", o.output.c_str());
        return kUsageStatus;
    }
    if (o.plotFile.empty() || o.plotFile.size() > kPlotNameMax) {
        std::fprintf(stderr, "modplot: the plot file name must have 1 to %zu characters\n", kPlotNameMax);
        return kUsageStatus;
    }
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

// Draws the figure into the plot file through the library, then reads the
// plot file back and renders it.
bool drawAndRender(const Options& o, modplot::Window window, const std::vector<modplot::ModelProfiles>& profiles,
                   std::string& error) {
    // The library takes the plot file name from the environment when it
    // opens the file.
    if (setenv("pltfil", o.plotFile.c_str(), 1) != 0) {
        error = "cannot set the plot file name";
        return false;
    }
    if (!modplot::drawFigure(profiles, window, error)) return false;
    // The library keeps its plot file open; flushing it puts the whole plot
    // on the disk before it is read back.
    if (!zarvo::plotfile_flush_ok()) {
        error = "error writing the plot file " + o.plotFile;
        return false;
    }
    std::vector<uint8_t> bytes;
    if (!pltrender::read_file(o.plotFile, bytes, error)) return false;
    pltrender::FontSet fonts(pltrender::default_font_dir());
    return pltrender::render_bytes(bytes.data(), bytes.size(), o.output, o.render, fonts, error);
}

}  // namespace

int main(int argc, char** argv) {
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
