// Lowermost-mantle perturbation of a layered earth model.
//
// Each data row, in file order, becomes a row for "modout" and a row for
// "modout2".  Only vp and vs change, and only in the mantle:
//   - a straight-line gradient from 2740 km depth to the core-mantle
//     boundary at 2891 km replaces the input velocities below 2740 km;
//   - a 3 % velocity step 250 km above the boundary (2641 km): lowered by
//     up to 2 % above it, fading upward; raised by 1 % easing to about
//     0.5 % below it;
//   - in "modout2" only, both velocities 10 % lower in the lowest 25 km.
// All arithmetic is float, each operation in the order written, with the
// float exponential.
#pragma once

#include "model.h"

namespace layergen {

struct PerturbedRows {
    ModelRow modout;   // row for "modout"
    ModelRow modout2;  // row for "modout2" (differs only in the basal layer)
};

// Model faults met by one call, each reported once per run.
struct PerturbNotes {
    // A row below 2740 km came before any row at exactly 2740 km: the
    // gradient starts from the PREM values at 2740 km (13.6792, 7.26547).
    bool noGradientTopRow = false;
    // A row below 2891 km came before any row at exactly 2891 km: it is
    // taken as core and passes through unchanged, as do all such rows.
    bool noBoundaryRow = false;
};

class Perturbation {
public:
    // Step parameters, set once per run.
    static constexpr float z0 = 250.0f;   // height of the step above the boundary, km
    static constexpr float del1 = 40.0f;  // length scale of the exponential below the step, km
    static constexpr float d0 = 0.02f;    // fractional lowering just above the step
    static constexpr float d1 = 0.005f;   // amplitude of the exponential below the step
    static constexpr float deld = 0.03f;  // size of the step

    static constexpr float kBoundaryDepth = 2891.0f;     // core-mantle boundary, km
    static constexpr float kGradientTopDepth = 2740.0f;  // km
    static constexpr float kGradientThickness = 151.0f;  // 2891 - 2740, km
    static constexpr float kVpTop = 13.6792f;            // PREM vp at 2740 km, km/s
    static constexpr float kVsTop = 7.26547f;            // PREM vs at 2740 km, km/s
    static constexpr float kVpBottom = 13.864f;          // gradient vp at the boundary, km/s
    static constexpr float kVsBottom = 7.337f;           // gradient vs at the boundary, km/s
    static constexpr float kBasalThickness = 25.0f;      // basal layer of modout2, km
    static constexpr float kBasalFactor = 0.9f;          // velocity factor in the basal layer

    // Perturbs the next row in file order.  `notes`, if given, is set for
    // the model faults this row reveals the first time they show.
    PerturbedRows perturbRow(const ModelRow& in, PerturbNotes* notes = nullptr);

private:
    float vptop = 0.0f;  // gradient top vp; set at the first 2740 km row
    float vstop = 0.0f;  // gradient top vs; set at the first 2740 km row
    int ifl = 0;         // 1 after the first 2891 km row: all later rows pass through
    bool topSet = false;         // vptop and vstop hold their values
    bool noBoundaryNoted = false;
};

}  // namespace layergen
