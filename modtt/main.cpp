// modtt: travel times of seismic phases through one of our models, as a
// table of distance, phase, time and ray parameter.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cmdline.h"
#include "traveltime.h"

namespace {

constexpr int kUsageStatus = 2;
constexpr std::size_t kMaxDistances = 100000;

void usage(std::FILE* out) {
    std::fputs(
        "usage: modtt MODEL --phases LIST --distances DEG [--depth KM] [--d-depth KM] [--format tsv|json]\n"
        "Travel times through a model file (the layout of prem32.mod, modout, modout2) or a .nd file.\n"
        "  --phases LIST     comma-separated: P S PcP ScS PdP SdS PKP SKS PKIKP SKIKS\n"
        "  --distances DEG   degrees, A:B:STEP (A, A+STEP, ... up to B) or a comma list; 0 to 180\n"
        "  --depth KM        source depth in the mantle (default 0)\n"
        "  --d-depth KM      depth of the reflector of PdP and SdS (default: the largest velocity\n"
        "                    jump of 1 % or more in the 300 km above the core)\n"
        "  --format F        tsv (default): a header line, then distance, phase, time (s) and ray\n"
        "                    parameter (s/deg) tab-separated; json: an array of such objects\n"
        "  --help            this text\n"
        "Arrivals are sorted by distance, then time; a phase that does not reach a distance is absent.\n",
        out);
}

struct Options {
    std::string model;
    std::vector<std::string> phases;
    std::vector<double> distances;
    double depth_km = 0.0;
    std::optional<double> d_depth_km;
    bool json = false;
};

std::optional<double> number(std::string_view text) {
    double v = 0.0;
    const std::from_chars_result r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || r.ec != std::errc() || r.ptr != text.data() + text.size() || !std::isfinite(v))
        return std::nullopt;
    return v;
}

std::vector<std::string_view> split(std::string_view text, char sep) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(sep, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) return parts;
        start = end + 1;
    }
}

// A:B:STEP or a comma list into `out`; false with a message.
bool read_distances(std::string_view text, std::vector<double>& out, std::string& error) {
    const std::vector<std::string_view> range = split(text, ':');
    if (range.size() == 3) {
        const std::optional<double> a = number(range[0]), b = number(range[1]), step = number(range[2]);
        if (!a || !b || !step || !(*step > 0.0) || *b < *a) {
            error = "bad --distances range '" + std::string(text) + "' (A:B:STEP with A <= B and STEP > 0)";
            return false;
        }
        // Steps counted from A, the last one kept when it misses B by rounding only.
        const double count = std::floor((*b - *a) / *step * (1.0 + 1e-12)) + 1.0;
        if (count > kMaxDistances) {
            error = "--distances gives more than " + std::to_string(kMaxDistances) + " distances";
            return false;
        }
        for (std::size_t k = 0; k < static_cast<std::size_t>(count); ++k) out.push_back(*a + static_cast<double>(k) * *step);
        return true;
    }
    const std::vector<std::string_view> list = split(text, ',');
    for (const std::string_view item : list) {
        const std::optional<double> d = number(item);
        if (!d || range.size() != 1) {
            error = "bad --distances '" + std::string(text) + "' (A:B:STEP or a comma list of degrees)";
            return false;
        }
        out.push_back(*d);
    }
    if (out.size() > kMaxDistances) {
        error = "--distances gives more than " + std::to_string(kMaxDistances) + " distances";
        return false;
    }
    return true;
}

// Reads the command line into `o`.  Returns the exit status when the run
// ends here (help or a usage error), nothing when it goes on.
std::optional<int> parse_arguments(int argc, char** argv, Options& o) {
    const auto args =
        cmdline::read_args(argc, argv, {"--phases", "--distances", "--depth", "--d-depth", "--format"}, "modtt");
    if (!args) return kUsageStatus;
    bool have_distances = false;
    for (const auto& [a, value, option] : *args) {
        std::string error;
        if (a == "--help" || a == "-h") {
            usage(stdout);
            return EXIT_SUCCESS;
        } else if (a == "--phases") {
            for (const std::string_view phase : split(value, ','))
                if (!phase.empty() && std::find(o.phases.begin(), o.phases.end(), phase) == o.phases.end())
                    o.phases.emplace_back(phase);
        } else if (a == "--distances") {
            have_distances = true;
            if (!read_distances(value, o.distances, error)) {
                std::fprintf(stderr, "modtt: %s\n", error.c_str());
                return kUsageStatus;
            }
        } else if (a == "--depth" || a == "--d-depth") {
            const std::optional<double> km = number(value);
            if (!km) {
                std::fprintf(stderr, "modtt: bad %s value '%s' (a depth in km)\n", a.c_str(), value.c_str());
                return kUsageStatus;
            }
            (a == "--depth" ? o.depth_km : o.d_depth_km.emplace()) = *km;
        } else if (a == "--format") {
            if (value != "tsv" && value != "json") {
                std::fprintf(stderr, "modtt: bad --format '%s' (tsv or json)\n", value.c_str());
                return kUsageStatus;
            }
            o.json = value == "json";
        } else if (option) {
            std::fprintf(stderr, "modtt: unknown option %s\n", a.c_str());
            usage(stderr);
            return kUsageStatus;
        } else if (o.model.empty()) {
            o.model = a;
        } else {
            std::fprintf(stderr, "modtt: one model file at a time (got %s and %s)\n", o.model.c_str(), a.c_str());
            return kUsageStatus;
        }
    }
    if (o.model.empty() || o.phases.empty() || !have_distances) {
        std::fputs("modtt: a model, --phases and --distances are needed\n", stderr);
        usage(stderr);
        return kUsageStatus;
    }
    std::sort(o.distances.begin(), o.distances.end());
    return std::nullopt;
}

// Distances as given, without the last bits of a stepped range (0.30000000000000004 is 0.3).
std::string distance_text(double deg) {
    constexpr double kMicro = 1e6;
    const double rounded = std::round(deg * kMicro) / kMicro;
    char buf[64];
    const std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, rounded == 0.0 ? 0.0 : rounded);
    return std::string(buf, r.ptr);
}

void print(const std::vector<traveltime::Arrival>& all, bool json) {
    if (json) std::fputs("[", stdout);
    else std::fputs("distance\tphase\ttime\tray_param\n", stdout);
    for (std::size_t i = 0; i < all.size(); ++i) {
        const traveltime::Arrival& a = all[i];
        const std::string d = distance_text(a.distance_deg);
        if (json)
            std::printf("%s\n{\"distance\": %s, \"phase\": \"%s\", \"time\": %.3f, \"ray_param\": %.4f}",
                        i == 0 ? "" : ",", d.c_str(), a.phase.c_str(), a.time_s, a.ray_param_s_per_deg);
        else
            std::printf("%s\t%s\t%.3f\t%.4f\n", d.c_str(), a.phase.c_str(), a.time_s, a.ray_param_s_per_deg);
    }
    if (json) std::fputs("\n]\n", stdout);
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (const std::optional<int> status = parse_arguments(argc, argv, o)) return *status;
    std::string error;
    traveltime::Model model;
    std::vector<traveltime::PhaseTable> tables;
    bool ok = traveltime::load_model(o.model, model, error);
    for (std::size_t i = 0; ok && i < o.phases.size(); ++i) {
        tables.emplace_back();
        ok = traveltime::PhaseTable::make(model, o.phases[i], o.depth_km, tables.back(), error, o.d_depth_km);
    }
    std::vector<traveltime::Arrival> all;
    for (std::size_t i = 0; ok && i < o.distances.size(); ++i) {
        std::vector<traveltime::Arrival> here;
        for (std::size_t k = 0; ok && k < tables.size(); ++k) ok = tables[k].arrivals(o.distances[i], here, error);
        std::stable_sort(here.begin(), here.end(),
                         [](const traveltime::Arrival& a, const traveltime::Arrival& b) { return a.time_s < b.time_s; });
        all.insert(all.end(), here.begin(), here.end());
    }
    if (!ok) {
        std::fprintf(stderr, "modtt: %s\n", error.c_str());
        return EXIT_FAILURE;
    }
    print(all, o.json);
    if (std::fflush(stdout) != 0) {
        std::fputs("modtt: error writing standard output\n", stderr);
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
