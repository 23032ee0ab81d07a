#include "perturb.h"

#include <cmath>

namespace layergen {

PerturbedRows Perturbation::perturbRow(const ModelRow& in, PerturbNotes* notes) {
    // Core rows after the boundary row pass through.
    if (ifl == 1) return {in, in};

    // A model without a boundary row: rows below it are core as well.
    if (in.z > kBoundaryDepth) {
        if (!noBoundaryNoted && notes) notes->noBoundaryRow = true;
        noBoundaryNoted = true;
        return {in, in};
    }

    ModelRow out = in;

    if (out.z == kGradientTopDepth) {
        vptop = kVpTop;
        vstop = kVsTop;
        topSet = true;
    }

    // Straight-line gradient below 2740 km; the input velocities are dropped.
    if (out.z > kGradientTopDepth) {
        if (!topSet) {
            // No 2740 km row above: start from the same top values.
            vptop = kVpTop;
            vstop = kVsTop;
            topSet = true;
            if (notes) notes->noGradientTopRow = true;
        }
        const float t = (out.z - kGradientTopDepth) / kGradientThickness;
        out.vp = vptop + t * (kVpBottom - vptop);
        out.vs = vstop + t * (kVsBottom - vstop);
    }

    const float y = kBoundaryDepth - out.z;  // height above the boundary, km

    if (y > z0) {
        // Above the step: lowered by d0, fading upward over del1*d0/d1 = 160 km.
        const float q = -((y - z0) * d1) / (del1 * d0);
        const float d = d0 * std::exp(q);
        out.vp = out.vp * (1.0f - d);
        out.vs = out.vs * (1.0f - d);
        return {out, out};
    }

    // At and below the step: raised by 1 %, easing toward 0.5 % at the boundary.
    if (out.z == kBoundaryDepth) ifl = 1;
    const float d = ((d0 + d1) - d1 * std::exp((y - z0) / del1)) - deld;
    out.vp = out.vp * (1.0f - d);
    out.vs = out.vs * (1.0f - d);

    if (y <= kBasalThickness) {
        ModelRow basal = out;
        basal.vp = out.vp * kBasalFactor;
        basal.vs = out.vs * kBasalFactor;
        return {out, basal};
    }
    return {out, out};
}

}  // namespace layergen
