// Models for ray tracing: read from our fixed-column files or from .nd
// files, checked, the core found.
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <string_view>

#include "modelfile.h"
#include "text.h"
#include "traveltime.h"

namespace traveltime {

namespace {

std::string at_row(const Model& model, std::size_t i) {
    return model.name + ": row " + std::to_string(i + 1) + " (depth " + number(model.depth_km[i]) + " km): ";
}

bool is_discontinuity(const Model& m, std::size_t i) {
    return i + 1 < m.depth_km.size() && m.depth_km[i] == m.depth_km[i + 1];
}

bool check_rows(const Model& m, std::string& error) {
    const std::size_t n = m.depth_km.size();
    if (n < 2 || m.vp_km_s.size() != n || m.vs_km_s.size() != n) {
        error = m.name + ": fewer than two rows";
        return false;
    }
    if (n > kMaxRows) {
        error = m.name + ": more than " + std::to_string(kMaxRows) + " rows";
        return false;
    }
    if (m.depth_km.front() != 0.0 || m.depth_km.back() != kEarthRadiusKm) {
        error = m.name + ": the rows must run from the surface (0 km) to the centre of the earth (" +
                number(kEarthRadiusKm) + " km), not from " + number(m.depth_km.front()) + " to " +
                number(m.depth_km.back()) + " km";
        return false;
    }
    for (std::size_t i = 0; i < n; ++i) {
        if (!std::isfinite(m.depth_km[i]) || (i > 0 && m.depth_km[i] < m.depth_km[i - 1])) {
            error = at_row(m, i) + "depths must go down from the surface";
            return false;
        }
        if (i > 1 && m.depth_km[i] == m.depth_km[i - 2]) {
            error = at_row(m, i) + "third row at one depth; a discontinuity is two rows";
            return false;
        }
        if (!(m.vp_km_s[i] > 0.0) || !std::isfinite(m.vp_km_s[i]) || !(m.vs_km_s[i] >= 0.0) ||
            !std::isfinite(m.vs_km_s[i])) {
            error = at_row(m, i) + "P velocity must be positive and S velocity not negative";
            return false;
        }
    }
    return true;
}

bool ends_with(const std::string& s, std::string_view tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string_view trimmed(std::string_view s) {
    const std::size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string_view::npos) return {};
    return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

// Lines "depth vp vs [rho qp qs]"; boundary names and comments skipped.
// The values are read to float, as our model files hold them, so that a
// model and its .nd text give the same times.
bool read_nd(std::istream& in, Model& m, std::string& error) {
    constexpr std::size_t kNeeded = 3;   // depth, vp, vs
    constexpr std::size_t kAllowed = 6;  // and rho, qp, qs
    std::string line;
    std::size_t line_no = 0;
    while (std::getline(in, line)) {
        ++line_no;
        std::string_view text = line;
        text = trimmed(text.substr(0, text.find('#')));
        if (text.empty() || text == "mantle" || text == "outer-core" || text == "inner-core") continue;
        float values[kAllowed] = {};  // single precision, as in our model files
        std::size_t count = 0;
        while (!text.empty()) {
            const std::size_t end = std::min(text.find_first_of(" \t"), text.size());
            const std::string_view word = text.substr(0, end);
            float v = 0.0f;
            const std::from_chars_result r = std::from_chars(word.data(), word.data() + word.size(), v);
            if (count == kAllowed || r.ec != std::errc() || r.ptr != word.data() + word.size()) {
                error = m.name + ": line " + std::to_string(line_no) + ": not \"depth vp vs [rho qp qs]\": \"" +
                        line + "\"";
                return false;
            }
            values[count++] = v;
            text = trimmed(text.substr(end));
        }
        if (count < kNeeded) {
            error = m.name + ": line " + std::to_string(line_no) + ": not \"depth vp vs [rho qp qs]\": \"" + line +
                    "\"";
            return false;
        }
        m.depth_km.push_back(values[0]);
        m.vp_km_s.push_back(values[1]);
        m.vs_km_s.push_back(values[2]);
    }
    if (in.bad()) {
        error = m.name + ": read error";
        return false;
    }
    return true;
}

}  // namespace

bool check_model(Model& m, std::string& error) {
    if (!check_rows(m, error)) return false;
    const std::size_t n = m.depth_km.size();
    std::optional<std::size_t> cmb;
    for (std::size_t i = 0; i + 1 < n; ++i)
        if (is_discontinuity(m, i) && m.vs_km_s[i] > 0.0 && m.vs_km_s[i + 1] == 0.0) cmb = i;
    if (!cmb) {
        error = m.name + ": a model without a core (no discontinuity where the S velocity drops to zero)";
        return false;
    }
    m.cmb_depth_km = m.depth_km[*cmb];
    if (!(m.cmb_depth_km > m.depth_km.front())) {
        error = m.name + ": a model without a mantle (the S velocity drops to zero at the surface)";
        return false;
    }
    m.icb_depth_km.reset();
    for (std::size_t i = *cmb + 1; i + 1 < n; ++i) {
        if (is_discontinuity(m, i) && m.vs_km_s[i] == 0.0 && m.vs_km_s[i + 1] > 0.0) {
            m.icb_depth_km = m.depth_km[i];
            break;
        }
    }
    return true;
}

bool read_model(std::istream& in, const std::string& name, bool nd, Model& model, std::string& error) {
    model = Model{};
    model.name = name;
    if (nd) {
        if (!read_nd(in, model, error)) return false;
    } else {
        modelfile::Model file;
        if (!modelfile::readModel(in, name, file, error) || !modelfile::checkRows(file, name, error)) return false;
        for (const layergen::ModelRow& row : file.rows) {
            model.depth_km.push_back(row.z);
            model.vp_km_s.push_back(row.vp);
            model.vs_km_s.push_back(row.vs);
        }
    }
    return check_model(model, error);
}

bool load_model(const std::string& path, Model& model, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    return read_model(in, path, ends_with(path, ".nd"), model, error);
}

bool default_reflector_depth(const Model& m, bool for_s, double& depth_km, std::string& error) {
    const std::vector<double>& v = for_s ? m.vs_km_s : m.vp_km_s;
    const double top = m.cmb_depth_km - kReflectorSearchKm;
    double largest = 0.0;
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i + 1 < m.depth_km.size() && m.depth_km[i + 1] < m.cmb_depth_km; ++i) {
        if (m.depth_km[i] < top) continue;
        const double jump = std::fabs(v[i + 1] - v[i]);
        if (jump > largest && jump >= kMinReflectorJump * v[i]) {
            largest = jump;
            found = i;
        }
    }
    if (!found) {
        error = m.name + ": no " + (for_s ? "S" : "P") + " velocity jump of " +
                number(kMinReflectorJump * 100.0) + " % or more in the " + number(kReflectorSearchKm) +
                " km above the core; give the reflector's depth";
        return false;
    }
    depth_km = m.depth_km[*found];
    return true;
}

}  // namespace traveltime
