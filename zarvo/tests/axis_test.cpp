// Axis range and tick selection: worked values, precision, termination.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "axis.h"

namespace zarvo {
namespace {

struct Axis {
  float lo = 0.0f;
  float hi = 0.0f;
  float first = 0.0f;
  float step = 0.0f;
  int32_t range_status = 0;
  int32_t grid_status = 0;
};

Axis scale(const std::vector<float>& v, float len = 4.0f, float marker = 0.0f) {
  std::array<float, 20> para{};
  para[13] = marker;
  Axis a;
  a.range_status = axmi(static_cast<int32_t>(v.size()), v.data(), &a.lo, &a.hi, &len, para.data());
  a.grid_status = grid(&a.lo, &a.hi, &a.first, &a.step);
  return a;
}

TEST(Fmag, PowerOfTenNotAboveMagnitude) {
  float e = -1.0f;
  fmag(999.0, &e);
  EXPECT_EQ(e, 100.0f);
  fmag(1000.0, &e);
  EXPECT_EQ(e, 1000.0f);
  fmag(-1000.0, &e);
  EXPECT_EQ(e, 1000.0f);
  fmag(0.05, &e);
  EXPECT_EQ(e, static_cast<float>(static_cast<float>(static_cast<float>(1.0 * 0.1) * 0.1)));
  fmag(0.0, &e);
  EXPECT_EQ(e, 0.0f);
}

TEST(Fmag, HugeAndNonFiniteMagnitudes) {
  // The powers of ten as fmag reaches them, by ten-fold steps from 1.
  float p37 = 1.0f;
  for (int i = 0; i < 37; ++i) p37 = static_cast<float>(static_cast<double>(p37) * 10.0);
  const auto p38 = static_cast<float>(static_cast<double>(p37) * 10.0);
  float e = -1.0f;
  for (const double x : {3.0e38, 1.5e38, -2.0e38}) {
    SCOPED_TRACE(x);
    ASSERT_EQ(fmag(x, &e), 0);
    EXPECT_EQ(e, p38);
  }
  ASSERT_EQ(fmag(9.9e37, &e), 0);
  EXPECT_EQ(e, p37);
  e = -1.0f;
  EXPECT_EQ(fmag(std::numeric_limits<double>::infinity(), &e), -1);
  EXPECT_EQ(fmag(std::nan(""), &e), -1);
  EXPECT_EQ(fmag(1e39, &e), -1);  // infinite in single precision
  EXPECT_EQ(e, -1.0f);
  float first = 0.0f;
  float step = 0.0f;
  float lo = 0.0f;
  float hi = 3.0e38f;
  EXPECT_EQ(grid(&lo, &hi, &first, &step), -1);  // caller-given ends
  EXPECT_EQ(step, 0.0f);
}

TEST(Fint, SimplestValueInInterval) {
  float w = 0.0f;
  ASSERT_EQ(fint(0.35, 0.71, &w), 0);
  EXPECT_FLOAT_EQ(w, 0.4f);
  ASSERT_EQ(fint(1.17, 1.392, &w), 0);
  EXPECT_FLOAT_EQ(w, 1.2f);
  ASSERT_EQ(fint(97.3, 106.72, &w), 0);
  EXPECT_EQ(w, 100.0f);
}

TEST(Fint, EmptyOrNonFiniteIntervalsFailWithoutHanging) {
  float w = 42.0f;
  EXPECT_EQ(fint(1.0, 1.0, &w), -1);
  EXPECT_EQ(fint(2.0, 1.0, &w), -1);
  EXPECT_EQ(fint(std::nan(""), 1.0, &w), -1);
  EXPECT_EQ(fint(0.0, std::numeric_limits<double>::infinity(), &w), -1);
  EXPECT_EQ(fint(3e38, 3.3e38, &w), -1);  // the stride overflows
  // b rounds onto a in single precision.
  EXPECT_EQ(fint(1000.0, 1000.00001, &w), -1);
  EXPECT_EQ(w, 42.0f);
}

TEST(Axmi, WorkedValues) {
  Axis a = scale({-0.83f, 0.2f, 1.17f});
  EXPECT_FLOAT_EQ(a.lo, -1.0f);
  EXPECT_FLOAT_EQ(a.hi, 1.2f);
  EXPECT_FLOAT_EQ(a.step, 0.5f);
  EXPECT_FLOAT_EQ(a.first, -1.0f);

  a = scale({12.5f, 97.3f});
  EXPECT_EQ(a.lo, 10.0f);
  EXPECT_EQ(a.hi, 100.0f);
  EXPECT_EQ(a.step, 20.0f);
  EXPECT_EQ(a.first, 10.0f);

  a = scale({0.0f, 19.99f});
  EXPECT_EQ(a.lo, 0.0f);
  EXPECT_EQ(a.hi, 20.0f);
  EXPECT_EQ(a.step, 5.0f);
  EXPECT_EQ(a.first, 0.0f);
}

TEST(Axmi, FlatDataAndSinglePoints) {
  Axis a = scale({3.0f, 3.0f, 3.0f});
  EXPECT_EQ(a.lo, 0.0f);
  EXPECT_EQ(a.hi, 6.0f);
  EXPECT_EQ(a.step, 2.0f);
  EXPECT_EQ(a.first, 0.0f);

  a = scale({0.0f, 0.0f});
  EXPECT_EQ(a.lo, 0.0f);
  EXPECT_EQ(a.hi, 1.0f);
  EXPECT_FLOAT_EQ(a.step, 0.2f);
  EXPECT_EQ(a.first, 0.0f);

  a = scale({7.0f});
  EXPECT_EQ(a.lo, 0.0f);
  EXPECT_EQ(a.hi, 14.0f);
}

TEST(Axmi, FlatNegativeDataMirrorsThePositiveRange) {
  const Axis a = scale({-3.0f, -3.0f});
  EXPECT_EQ(a.range_status, 0);
  EXPECT_EQ(a.lo, -6.0f);
  EXPECT_EQ(a.hi, 0.0f);
  EXPECT_EQ(a.grid_status, 0);
  EXPECT_EQ(a.step, 2.0f);
  EXPECT_EQ(a.first, -6.0f);
}

TEST(Axmi, SpreadBelowResolutionIsScaledAsFlat) {
  const float above = std::nextafter(1000.0f, 2000.0f);
  Axis a = scale({1000.0f, above});
  EXPECT_EQ(a.range_status, 0);
  // Scaled as flat data at the upper value 1000.0001: 0 to 2000.0001,
  // whose simple upper end is 2100.
  EXPECT_EQ(a.lo, 0.0f);
  EXPECT_EQ(a.hi, 2100.0f);
  EXPECT_EQ(a.grid_status, 0);

  const float below = std::nextafter(-1000.0f, -2000.0f);
  a = scale({-1000.0f, below});
  EXPECT_EQ(a.range_status, 0);
  EXPECT_EQ(a.hi, 0.0f);
  EXPECT_EQ(a.lo, -2100.0f);
}

TEST(Axmi, NonFiniteSamplesAreRefused) {
  for (const float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                          -std::numeric_limits<float>::infinity()}) {
    float lo = 0.0f;
    float hi = 0.0f;
    const float len = 4.0f;
    std::array<float, 20> para{};
    const std::vector<float> first_bad{bad, 1.0f, 2.0f};
    const std::vector<float> later_bad{1.0f, bad, 2.0f};
    EXPECT_EQ(axmi(3, first_bad.data(), &lo, &hi, &len, para.data()), -1);
    EXPECT_EQ(axmi(3, later_bad.data(), &lo, &hi, &len, para.data()), -1);
    EXPECT_EQ(lo, 0.0f);
    EXPECT_EQ(hi, 0.0f);
  }
}

TEST(Axmi, RangeWhoseNinthUnderflowsFails) {
  const float tiny = std::numeric_limits<float>::denorm_min();
  const Axis a = scale({0.0f, tiny});
  EXPECT_EQ(a.range_status, -1);
  EXPECT_EQ(a.lo, 0.0f);
  EXPECT_EQ(a.hi, 0.0f);
  EXPECT_EQ(a.grid_status, -1);
}

TEST(Axmi, SubnormalSpreads) {
  // Near 3e-41 a spread of 1 or 2 units has a ninth of 0: refused, not
  // scaled as flat.  Nine units leave a ninth of one unit.
  const float tiny = std::numeric_limits<float>::denorm_min();
  const float base = 3e-41f;
  for (const int units : {1, 2}) {
    SCOPED_TRACE(units);
    const Axis a = scale({base, base + static_cast<float>(units) * tiny});
    EXPECT_EQ(a.range_status, -1);
    EXPECT_EQ(a.lo, 0.0f);
    EXPECT_EQ(a.hi, 0.0f);
    EXPECT_EQ(a.grid_status, -1);
  }
  const Axis a = scale({base, base + 9.0f * tiny});
  EXPECT_EQ(a.range_status, 0);
  EXPECT_EQ(a.lo, base);
  EXPECT_EQ(a.hi, 0x1.4ea8p-135f);
  EXPECT_EQ(a.step, 2.0f * tiny);
}

TEST(Axmi, MagnitudesBeyondSinglePrecisionRangesAreRefused) {
  // Each of these once kept fmag multiplying infinity by 0.1 for ever.
  for (const std::vector<float>& v : std::vector<std::vector<float>>{
           {1.0e38f}, {5.15e37f}, {-1.0e38f}, {0.0f, 3.0e37f, 6.0e37f}, {-3.4e38f, 3.4e38f}}) {
    SCOPED_TRACE(v.front());
    const Axis a = scale(v);
    EXPECT_EQ(a.range_status, -1);
    EXPECT_EQ(a.grid_status, -1);
  }
  // 1e37 still has simple ends (as single-precision steps reach them).
  const Axis a = scale({1.0e37f});
  EXPECT_EQ(a.range_status, 0);
  EXPECT_EQ(a.lo, 0.0f);
  EXPECT_EQ(a.hi, 0x1.e17b86p+123f);
  EXPECT_EQ(a.step, 0x1.e17b86p+121f);
  EXPECT_EQ(a.first, 0.0f);
}

TEST(Axmi, MarkersWidenTheRangeByHalfAMarker) {
  // Size 2 on 4 inches widens 0..9 by 2*0.5*9/1200 = 0.0075 at each end:
  // without markers the ends would stay 0 and 9.
  const Axis plain = scale({0.0f, 9.0f});
  EXPECT_EQ(plain.lo, 0.0f);
  EXPECT_EQ(plain.hi, 9.0f);
  const Axis marked = scale({0.0f, 9.0f}, 4.0f, 2.0f);
  EXPECT_EQ(marked.lo, -1.0f);
  EXPECT_EQ(marked.hi, 10.0f);
}

TEST(Grid, EndsInEitherOrderGiveTheSameTicks) {
  float a = -0.83f;
  float b = 1.17f;
  float up_first = 0.0f;
  float up_step = 0.0f;
  float down_first = 0.0f;
  float down_step = 0.0f;
  ASSERT_EQ(grid(&a, &b, &up_first, &up_step), 0);
  ASSERT_EQ(grid(&b, &a, &down_first, &down_step), 0);
  EXPECT_EQ(up_first, down_first);
  EXPECT_EQ(up_step, down_step);
}

TEST(Grid, EqualEndsOrTicksBelowResolutionStoreNothing) {
  float a = 5.0f;
  float first = 9.0f;
  float step = 0.0f;
  EXPECT_EQ(grid(&a, &a, &first, &step), -1);
  EXPECT_EQ(first, 9.0f);
  EXPECT_EQ(step, 0.0f);
  float lo = 1000.0f;
  float hi = std::nextafter(1000.0f, 2000.0f);
  EXPECT_EQ(grid(&lo, &hi, &first, &step), -1);
  EXPECT_EQ(step, 0.0f);
}

}  // namespace
}  // namespace zarvo
