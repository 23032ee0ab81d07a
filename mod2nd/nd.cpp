#include "nd.h"

#include "modelfile.h"

namespace mod2nd {

namespace {

using layergen::kFieldDecimals;
using layergen::ModelRow;

constexpr int kZ = 0, kRho = 1, kVp = 2, kVs = 3, kQp = 4, kQs = 5;  // field order in a model row

std::string km(float z) { return modelfile::valueText(z, kFieldDecimals[kZ]) + " km"; }

bool discontinuity(const std::vector<ModelRow>& rows, std::size_t i) {
    return i + 1 < rows.size() && rows[i].z == rows[i + 1].z;
}

std::optional<std::size_t> coreMantleBoundary(const std::vector<ModelRow>& rows) {
    std::optional<std::size_t> found;
    for (std::size_t i = 0; i + 1 < rows.size(); ++i) {
        if (discontinuity(rows, i) && rows[i].vs > 0.0f && rows[i + 1].vs == 0.0f) found = i;
    }
    return found;
}

std::optional<std::size_t> innerCoreBoundary(const std::vector<ModelRow>& rows, std::size_t cmb) {
    for (std::size_t i = cmb + 1; i + 1 < rows.size(); ++i) {
        if (discontinuity(rows, i) && rows[i].vs == 0.0f && rows[i + 1].vs > 0.0f) return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> mohoFromModel(const std::vector<ModelRow>& rows, std::size_t cmb) {
    for (std::size_t i = 0; i < cmb; ++i) {
        if (rows[i].z > 0.0f && discontinuity(rows, i) && rows[i].vp < kMantleMinVp &&
            rows[i + 1].vp >= kMantleMinVp)
            return i;
    }
    return std::nullopt;
}

}  // namespace

std::optional<Refusal> checkExtent(const std::vector<ModelRow>& rows) {
    if (rows.front().z != 0.0f)
        return Refusal{"the first row is at depth " + km(rows.front().z) + "; the model must start at the surface (0 km)",
                       0};
    if (rows.back().z != kEarthRadius)
        return Refusal{"the last row is at depth " + km(rows.back().z) +
                           "; the model must reach the centre of the earth (" + km(kEarthRadius) + ")",
                       rows.size() - 1};
    return std::nullopt;
}

std::optional<Refusal> findBoundaries(const std::vector<ModelRow>& rows, std::optional<float> mohoDepth,
                                      Boundaries& found) {
    const std::optional<std::size_t> cmb = coreMantleBoundary(rows);
    if (!cmb)
        return Refusal{"no core: no discontinuity (two rows at one depth) where the S velocity drops from a "
                       "positive value to zero",
                       std::nullopt};
    const std::optional<std::size_t> icb = innerCoreBoundary(rows, *cmb);
    if (!icb)
        return Refusal{"no inner core: no discontinuity below the core-mantle boundary at " + km(rows[*cmb].z) +
                           " where the S velocity rises from zero",
                       std::nullopt};

    std::optional<std::size_t> moho;
    if (mohoDepth) {
        const float z = *mohoDepth;
        if (!(z > 0.0f && z < rows[*cmb].z))
            return Refusal{"--moho " + km(z) + " is not between the surface and the core-mantle boundary at " +
                               km(rows[*cmb].z),
                           std::nullopt};
        for (std::size_t i = 0; i < *cmb && !moho; ++i) {
            if (rows[i].z == z) moho = i;
        }
        if (!moho) return Refusal{"--moho " + km(z) + ": the model has no row at that depth", std::nullopt};
    } else {
        moho = mohoFromModel(rows, *cmb);
        if (!moho)
            return Refusal{"no crust-mantle boundary found (no discontinuity above the core where the P velocity "
                           "rises to " +
                               modelfile::valueText(kMantleMinVp, 1) + " km/s or more); give its depth with --moho",
                           std::nullopt};
    }
    found = Boundaries{*moho, *cmb, *icb};
    return std::nullopt;
}

std::string ndText(const std::vector<ModelRow>& rows, const Boundaries& b) {
    std::string out;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const ModelRow& r = rows[i];
        out += modelfile::valueText(r.z, kFieldDecimals[kZ]) + ' ' + modelfile::valueText(r.vp, kFieldDecimals[kVp]) +
               ' ' + modelfile::valueText(r.vs, kFieldDecimals[kVs]) + ' ' +
               modelfile::valueText(r.rho, kFieldDecimals[kRho]) + ' ' +
               modelfile::valueText(r.qp, kFieldDecimals[kQp]) + ' ' +
               modelfile::valueText(r.qs, kFieldDecimals[kQs]) + '\n';
        if (i == b.moho) out += "mantle\n";
        if (i == b.cmb) out += "outer-core\n";
        if (i == b.icb) out += "inner-core\n";
    }
    return out;
}

}  // namespace mod2nd
