// The perturbation's row-to-row state and its handling of faulty models.
// The printed edge values are checked in program_test.cpp.
#include "perturb.h"

#include <gtest/gtest.h>

using layergen::ModelRow;
using layergen::PerturbNotes;
using layergen::Perturbation;

namespace {

ModelRow mantle(float z) { return ModelRow{z, 5.5f, 10.0f, 5.0f, 800.0f, 312.0f}; }

}  // namespace

TEST(Perturb, OnlyVelocitiesChange) {
    Perturbation p;
    EXPECT_EQ(p.perturbRow(ModelRow{0.0f, 1.02f, 1.45f, 0.0f, 57823.0f, 0.0f}).modout.vp, 1.45f);  // 1 - d is 1
    const auto at = p.perturbRow(mantle(2641.0f));
    EXPECT_NEAR(at.modout.vp, 10.1f, 1e-5f);
    EXPECT_EQ(at.modout2.vs, at.modout.vs);
    EXPECT_EQ(at.modout.z, 2641.0f);
    EXPECT_EQ(at.modout2.rho, 5.5f);
    EXPECT_EQ(at.modout2.qp, 800.0f);
    EXPECT_EQ(at.modout2.qs, 312.0f);
}

TEST(Perturb, EverythingAfterTheBoundaryRowPassesThrough) {
    Perturbation p;
    p.perturbRow(mantle(2740.0f));
    const auto cmb = p.perturbRow(ModelRow{2891.0f, 5.6f, 99.0f, 99.0f, 800.0f, 312.0f});
    EXPECT_NEAR(cmb.modout.vp, 13.9335f, 1e-4f);  // input velocities dropped
    EXPECT_NEAR(cmb.modout2.vs, 6.6364f, 1e-4f);
    for (const ModelRow row : {ModelRow{2891.0f, 9.903f, 8.06f, 0.0f, 57823.0f, 0.0f}, mantle(2800.0f)}) {
        const auto out = p.perturbRow(row);
        EXPECT_EQ(out.modout.vp, row.vp);
        EXPECT_EQ(out.modout2.vs, row.vs);
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
    const auto basal = p.perturbRow(mantle(2890.0f), &notes);
    EXPECT_NE(basal.modout2.vp, basal.modout.vp);
    EXPECT_FALSE(notes.noBoundaryRow);
    const auto core = p.perturbRow(mantle(2900.0f), &notes);
    EXPECT_TRUE(notes.noBoundaryRow);
    EXPECT_EQ(core.modout.vp, 10.0f);
    EXPECT_EQ(core.modout2.vs, 5.0f);
    PerturbNotes later;
    p.perturbRow(mantle(3000.0f), &later);
    EXPECT_FALSE(later.noBoundaryRow);
}
