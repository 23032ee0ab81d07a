// The lowermost-mantle perturbation row by row, with its carried state.
#include "perturb.h"

#include <gtest/gtest.h>

using layergen::ModelRow;
using layergen::PerturbNotes;
using layergen::Perturbation;

namespace {

ModelRow mantle(float z) { return ModelRow{z, 5.5f, 10.0f, 5.0f, 800.0f, 312.0f}; }

}  // namespace

TEST(Perturb, StepAndFadeAboveIt) {
    Perturbation p;
    const auto surface = p.perturbRow(ModelRow{0.0f, 1.02f, 1.45f, 0.0f, 57823.0f, 0.0f});
    EXPECT_EQ(surface.modout.vp, 1.45f);  // 1 - d rounds to 1
    const auto above = p.perturbRow(mantle(2640.0f));
    EXPECT_NEAR(above.modout.vp, 10.0f * 0.980125f, 1e-5f);
    EXPECT_NEAR(above.modout.vs, 5.0f * 0.980125f, 1e-5f);
    EXPECT_EQ(above.modout2.vp, above.modout.vp);
    const auto at = p.perturbRow(mantle(2641.0f));
    EXPECT_NEAR(at.modout.vp, 10.1f, 1e-5f);
    EXPECT_NEAR(at.modout.vs, 5.05f, 1e-5f);
    EXPECT_EQ(at.modout.rho, 5.5f);
    EXPECT_EQ(at.modout.qp, 800.0f);
    EXPECT_EQ(at.modout.qs, 312.0f);
}

TEST(Perturb, GradientFromThe2740Row) {
    Perturbation p;
    PerturbNotes notes;
    for (int k = 0; k < 2; ++k) {
        const auto top = p.perturbRow(mantle(2740.0f), &notes);
        EXPECT_NEAR(top.modout.vp, 10.0f * 1.0054208f, 1e-5f);  // input velocities kept
    }
    const auto below = p.perturbRow(mantle(2740.01f), &notes);
    EXPECT_NEAR(below.modout.vp, 13.6792f * 1.0054208f, 1e-4f);
    EXPECT_NEAR(below.modout.vs, 7.26547f * 1.0054208f, 1e-4f);
    EXPECT_FALSE(notes.noGradientTopRow);
}

TEST(Perturb, BasalLayerAndBoundary) {
    Perturbation p;
    p.perturbRow(mantle(2740.0f));
    const auto outside = p.perturbRow(mantle(2865.0f));
    EXPECT_EQ(outside.modout2.vp, outside.modout.vp);
    const auto inside = p.perturbRow(mantle(2866.0f));
    EXPECT_EQ(inside.modout2.vp, inside.modout.vp * 0.9f);
    const auto cmb = p.perturbRow(ModelRow{2891.0f, 5.6f, 99.0f, 99.0f, 800.0f, 312.0f});
    EXPECT_NEAR(cmb.modout.vp, 13.9335f, 1e-4f);
    EXPECT_NEAR(cmb.modout.vs, 7.3738f, 1e-4f);
    EXPECT_NEAR(cmb.modout2.vp, 12.5401f, 1e-4f);
    EXPECT_NEAR(cmb.modout2.vs, 6.6364f, 1e-4f);
    // The core side and every later row pass through, whatever their depth.
    for (const ModelRow core : {ModelRow{2891.0f, 9.903f, 8.06f, 0.0f, 57823.0f, 0.0f}, mantle(2800.0f)}) {
        const auto out = p.perturbRow(core);
        EXPECT_EQ(out.modout.vp, core.vp);
        EXPECT_EQ(out.modout2.vp, core.vp);
        EXPECT_EQ(out.modout2.vs, core.vs);
    }
}

TEST(Perturb, ModelWithout2740RowUsesTheSameTopValues) {
    Perturbation withRow, withoutRow;
    withRow.perturbRow(mantle(2740.0f));
    PerturbNotes first, second;
    const auto a = withoutRow.perturbRow(mantle(2800.0f), &first);
    const auto b = withoutRow.perturbRow(mantle(2810.0f), &second);
    EXPECT_TRUE(first.noGradientTopRow);
    EXPECT_FALSE(second.noGradientTopRow);  // noted once
    EXPECT_EQ(a.modout.vp, withRow.perturbRow(mantle(2800.0f)).modout.vp);
    EXPECT_EQ(b.modout.vs, withRow.perturbRow(mantle(2810.0f)).modout.vs);
}

TEST(Perturb, ModelWithout2891RowPassesCoreThrough) {
    Perturbation p;
    PerturbNotes notes;
    p.perturbRow(mantle(2740.0f), &notes);
    const auto mantleRow = p.perturbRow(mantle(2890.0f), &notes);
    EXPECT_NE(mantleRow.modout2.vp, mantleRow.modout.vp);  // still the basal layer
    EXPECT_FALSE(notes.noBoundaryRow);
    const auto core = p.perturbRow(mantle(2900.0f), &notes);
    EXPECT_TRUE(notes.noBoundaryRow);
    EXPECT_EQ(core.modout.vp, 10.0f);
    EXPECT_EQ(core.modout2.vs, 5.0f);
    PerturbNotes later;
    p.perturbRow(mantle(3000.0f), &later);
    EXPECT_FALSE(later.noBoundaryRow);
}
