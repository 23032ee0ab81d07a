// The processing measured on its output samples: gains of sines against the
// Butterworth magnitude, zero phase, decay, stability at low corners, the
// exact demean, detrend and taper, the descriptions and the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "processing.h"

namespace {

using processing::Band;
using processing::Steps;

Steps filter(Band band, double f1, double f2, int corners, bool zerophase) {
  Steps s;
  s.band = band;
  s.f1 = f1;
  s.f2 = f2;
  s.corners = corners;
  s.zerophase = zerophase;
  return s;
}

// The Butterworth magnitude through the bilinear transform: 1 / sqrt(1 +
// v^2N), v the prototype frequency of the pre-warped frequency f.
double butterworth_gain(const Steps& s, double rate, double f) {
  const auto warp = [rate](double x) { return std::tan(std::numbers::pi * x / rate); };
  double v = warp(f) / warp(s.f1);
  if (s.band == Band::highpass) v = 1 / v;
  if (s.band == Band::bandpass) v = (warp(f) * warp(f) - warp(s.f1) * warp(s.f2)) / (warp(f) * (warp(s.f2) - warp(s.f1)));
  const double g = 1 / std::sqrt(1 + std::pow(v * v, s.corners));
  return s.zerophase ? g * g : g;
}

double rms(const std::vector<float>& x, std::size_t first, std::size_t count) {
  double sum = 0;
  for (std::size_t i = first; i < first + count; ++i) sum += static_cast<double>(x[i]) * x[i];
  return std::sqrt(sum / static_cast<double>(count));
}

// Gain of a sine of `period` samples through the filter: output RMS over
// whole periods in the middle half of a trace of 60 times the longest of
// the signal's period, the lowest corner's period and, for a band-pass,
// N / bandwidth (its ringing grows with the poles and the narrowness), so
// that the switch-on transients at both ends have died away.
double measured_gain(const Steps& s, double rate, std::size_t period) {
  double settle = std::max(static_cast<double>(period), rate / s.f1);
  if (s.band == Band::bandpass) settle = std::max(settle, s.corners * rate / (s.f2 - s.f1));
  const std::size_t n = 60 * static_cast<std::size_t>(std::ceil(settle));
  std::vector<float> x(n);
  for (std::size_t i = 0; i < n; ++i)
    x[i] = static_cast<float>(1000 * std::sin(2 * std::numbers::pi * static_cast<double>(i % period) /
                                              static_cast<double>(period)));
  const std::vector<float> in = x;
  std::string error;
  EXPECT_TRUE(processing::apply(s, rate, x, error)) << error;
  const std::size_t count = (n / 2) / period * period;
  return rms(x, n / 4, count) / rms(in, n / 4, count);
}

TEST(Processing, SineGainsAtCornersAndInPassAndStopBands) {
  const double kHalfPower = 1 / std::sqrt(2.0);
  struct Case {
    Steps steps;
    double rate;
    std::size_t period;  // of the sine, in samples
    double expected;     // 0: the Butterworth magnitude
  };
  const Case cases[] = {
      {filter(Band::lowpass, 1, 0, 4, false), 100, 100, kHalfPower},
      {filter(Band::lowpass, 1, 0, 4, true), 100, 100, 0.5},
      {filter(Band::lowpass, 1, 0, 4, false), 100, 1000, 0},  // pass band, 0.1 Hz
      {filter(Band::lowpass, 1, 0, 4, true), 100, 10, 0},     // stop band, 10 Hz
      {filter(Band::lowpass, 1, 0, 1, false), 100, 100, kHalfPower},
      {filter(Band::lowpass, 1, 0, 3, true), 100, 20, 0},
      {filter(Band::lowpass, 25, 0, 3, false), 100, 4, kHalfPower},  // the real pole at z = 0
      {filter(Band::highpass, 1, 0, 4, false), 100, 100, kHalfPower},
      {filter(Band::highpass, 1, 0, 4, true), 100, 100, 0.5},
      {filter(Band::highpass, 1, 0, 4, false), 100, 10, 0},
      {filter(Band::highpass, 1, 0, 4, false), 100, 400, 0},
      {filter(Band::highpass, 1, 0, 5, true), 100, 50, 0},
      {filter(Band::bandpass, 1, 5, 4, false), 100, 100, kHalfPower},
      {filter(Band::bandpass, 1, 5, 4, false), 100, 20, kHalfPower},
      {filter(Band::bandpass, 1, 5, 4, true), 100, 100, 0.5},
      {filter(Band::bandpass, 1, 5, 4, true), 100, 20, 0.5},
      {filter(Band::bandpass, 1, 5, 4, false), 100, 50, 0},
      {filter(Band::bandpass, 1, 5, 4, false), 100, 4, 0},
      {filter(Band::bandpass, 1, 5, 4, false), 100, 500, 0},
      // A wide band: the odd prototype's real pole gives two real poles.
      {filter(Band::bandpass, 0.5, 10, 3, false), 100, 200, kHalfPower},
      {filter(Band::bandpass, 0.5, 10, 3, false), 100, 10, kHalfPower},
      {filter(Band::bandpass, 0.5, 10, 3, true), 100, 25, 0},
      {filter(Band::bandpass, 2, 2.5, 10, false), 100, 50, 0},
      // Corners far below the sampling rate.
      {filter(Band::highpass, 0.01, 0, 4, false), 100, 10000, kHalfPower},
      {filter(Band::highpass, 0.01, 0, 4, true), 100, 10000, 0.5},
      {filter(Band::lowpass, 0.001, 0, 4, false), 20, 20000, kHalfPower},
      {filter(Band::highpass, 0.001, 0, 4, true), 20, 20000, 0.5},
      {filter(Band::lowpass, 0.001, 0, 4, false), 20, 2000, 0},
      {filter(Band::bandpass, 0.001, 0.01, 4, false), 20, 20000, kHalfPower},
      {filter(Band::bandpass, 0.001, 0.01, 4, true), 20, 2000, 0.5},
  };
  for (const Case& c : cases) {
    const double expected = c.expected > 0 ? c.expected : butterworth_gain(c.steps, c.rate, c.rate / c.period);
    // Over whole periods the RMS of a sine is exact; what remains is the
    // rounding of input and output to float (6e-8 of a sample at most,
    // less on average) and transients far below that.  A corner moved by
    // 1e-4 of itself (the pre-warping at 1 Hz of 100 Hz is 3e-4) changes
    // the gain there by more than 1e-4.
    EXPECT_NEAR(measured_gain(c.steps, c.rate, c.period) / expected, 1, 1e-6)
        << processing::describe(c.steps) << " at " << c.rate << " Hz, period " << c.period << ", expected " << expected;
  }
}

TEST(Processing, ZeroPhaseKeepsASymmetricPulseSymmetricAndInPlace) {
  for (const Steps& s : {filter(Band::bandpass, 1, 5, 4, true), filter(Band::lowpass, 2, 0, 7, true),
                        filter(Band::highpass, 0.5, 0, 4, true)}) {
    const std::size_t n = 4001, middle = 2000;
    std::vector<float> x(n);
    for (std::size_t i = 0; i < n; ++i) {
      const double t = (static_cast<double>(i) - middle) / 10;
      x[i] = static_cast<float>(1000 * std::exp(-t * t));
    }
    std::string error;
    ASSERT_TRUE(processing::apply(s, 100, x, error)) << error;
    const float peak = *std::max_element(x.begin(), x.end());
    EXPECT_EQ(std::max_element(x.begin(), x.end()) - x.begin(), static_cast<std::ptrdiff_t>(middle));
    for (std::size_t i = 0; i < middle; ++i)
      ASSERT_NEAR(x[i], x[n - 1 - i], 1e-5 * peak) << processing::describe(s) << " sample " << i;
  }
}

TEST(Processing, StepsSettleAtTheGainOfZeroFrequency) {
  struct Case {
    Steps steps;
    double rate;
    std::size_t n;
    float settled;  // at the end of a step of 1000 from rest
  };
  const Case cases[] = {
      {filter(Band::highpass, 1, 0, 4, false), 100, 6000, 0},
      {filter(Band::bandpass, 1, 5, 2, false), 100, 6000, 0},
      {filter(Band::highpass, 0.001, 0, 4, false), 20, 400000, 0},
      {filter(Band::highpass, 0.01, 0, 10, false), 100, 800000, 0},
      {filter(Band::lowpass, 1, 0, 4, false), 100, 6000, 1000},
      {filter(Band::lowpass, 0.001, 0, 4, false), 20, 400000, 1000},
  };
  for (const Case& c : cases) {
    std::vector<float> x(c.n, 1000.0f);
    std::string error;
    ASSERT_TRUE(processing::apply(c.steps, c.rate, x, error)) << error;
    float largest = 0;
    for (float v : x) largest = std::max(largest, std::abs(v));
    EXPECT_LT(largest, 2000) << processing::describe(c.steps);  // bounded: a Butterworth step overshoots little
    EXPECT_NEAR(x.back(), c.settled, 1e-3) << processing::describe(c.steps) << " at " << c.rate << " Hz";
  }
}

TEST(Processing, DemeanDetrendAndTaperAreExact) {
  Steps demean, detrend, taper, all;
  demean.demean = true;
  detrend.detrend = true;
  taper.taper = 0.25;
  all.demean = all.detrend = true;
  all.taper = 0.5;
  struct Case {
    Steps steps;
    std::vector<float> in, out;
  };
  const Case cases[] = {
      {demean, {1, 2, 3, 6}, {-2, -1, 0, 3}},
      {detrend, {3, 3.5f, 4, 4.5f, 5}, {0, 0, 0, 0, 0}},
      {detrend, {1, -1, 1, -1}, {0.4f, -1.2f, 1.2f, -0.4f}},  // line 0.6 - 0.4 i removed
      {detrend, {7}, {0}},
      // floor(0.25 * 8) = 2 samples at each end: weights 0 and 1/2.
      {taper, {2, 2, 2, 2, 2, 2, 2, 2}, {0, 1, 2, 2, 2, 2, 1, 0}},
      {taper, {4, 4, 4}, {4, 4, 4}},  // floor(0.75) = 0: nothing tapered
      {all, {1, 2, 3, 4, 5}, {0, 0, 0, 0, 0}},
      {all, {5, 5, 9, 5, 5}, {-0, -0.4f, 3.2f, -0.4f, -0}},  // weights 0, 1/2, 1
  };
  for (const Case& c : cases) {
    std::vector<float> x = c.in;
    std::string error;
    ASSERT_TRUE(processing::apply(c.steps, 1, x, error)) << error;
    EXPECT_EQ(x, c.out) << processing::describe(c.steps);
  }
}

TEST(Processing, Descriptions) {
  Steps all = filter(Band::bandpass, 1, 5, 4, true);
  all.demean = true;
  all.taper = 0.05;
  Steps detrend;
  detrend.detrend = true;
  const std::pair<Steps, std::string> cases[] = {
      {Steps{}, ""},
      {all, "demean, taper 0.05, bandpass 1-5 Hz 4 corners zero-phase"},
      {detrend, "detrend"},
      {filter(Band::lowpass, 0.001, 0, 1, false), "lowpass 0.001 Hz 1 corner"},
      {filter(Band::highpass, 12.5, 0, 10, true), "highpass 12.5 Hz 10 corners zero-phase"},
  };
  for (const auto& [steps, text] : cases) {
    EXPECT_EQ(processing::describe(steps), text);
    EXPECT_EQ(steps.any(), !text.empty()) << text;
  }
}

TEST(Processing, Refusals) {
  Steps taper_high, taper_negative, zerophase_alone;
  taper_high.taper = 0.5000001;
  taper_negative.taper = -0.1;
  zerophase_alone.zerophase = true;
  struct Case {
    Steps steps;
    double rate;
    std::size_t n;
    std::string error;  // empty: accepted
  };
  const Case cases[] = {
      {taper_high, 100, 100, "--taper 0.5000001: the fraction must be above 0 and at most 0.5"},
      {taper_negative, 100, 100, "--taper -0.1: the fraction must be above 0 and at most 0.5"},
      {zerophase_alone, 100, 100, "--zerophase needs a filter: --lowpass, --highpass or --bandpass"},
      {filter(Band::lowpass, 1, 0, 0, false), 100, 100, "--corners 0: the number of corners must be 1 to 10"},
      {filter(Band::lowpass, 1, 0, 11, false), 100, 100, "--corners 11: the number of corners must be 1 to 10"},
      {filter(Band::lowpass, 1, 0, 10, false), 100, 100, ""},
      {filter(Band::highpass, 0, 0, 4, false), 100, 100, "--highpass: a corner must be a positive number of Hz"},
      {filter(Band::bandpass, 1, NAN, 4, false), 100, 100, "--bandpass: a corner must be a positive number of Hz"},
      {filter(Band::bandpass, 5, 5, 4, false), 100, 100,
       "--bandpass 5,5: the first corner must be below the second"},
      {filter(Band::lowpass, 50, 0, 4, false), 100, 100,
       "--lowpass 50 Hz: at or above the Nyquist frequency, 50 Hz at a sampling rate of 100 Hz"},
      {filter(Band::bandpass, 1, 10, 4, false), 20, 100,
       "--bandpass 10 Hz: at or above the Nyquist frequency, 10 Hz at a sampling rate of 20 Hz"},
      {filter(Band::lowpass, 49.999, 0, 4, false), 100, 100, ""},
      {filter(Band::lowpass, 1, 0, 4, false), INFINITY, 100,
       "--lowpass: the trace has no usable sampling rate (inf Hz)"},
      // One period of the lowest corner: 10000 samples of 100 Hz for 0.01 Hz.
      {filter(Band::highpass, 0.01, 0, 4, false), 100, 10000, ""},
      {filter(Band::highpass, 0.01, 0, 4, false), 100, 9999,
       "--highpass: 9999 samples are too few: a filter needs at least one period of its lowest corner, "
       "10000 samples at a sampling rate of 100 Hz"},
      {filter(Band::bandpass, 0.001, 0.01, 4, false), 20, 19999,
       "--bandpass: 19999 samples are too few: a filter needs at least one period of its lowest corner, "
       "20000 samples at a sampling rate of 20 Hz"},
      {filter(Band::lowpass, 25, 0, 4, false), 100, 4, ""},
      {filter(Band::lowpass, 25, 0, 4, false), 100, 3,
       "--lowpass: 3 samples are too few: a filter needs at least one period of its lowest corner, "
       "4 samples at a sampling rate of 100 Hz"},
  };
  for (const Case& c : cases) {
    std::vector<float> x(c.n, 1.0f);
    const std::vector<float> before = x;
    std::string error;
    EXPECT_EQ(processing::apply(c.steps, c.rate, x, error), c.error.empty()) << c.error;
    EXPECT_EQ(error, c.error);
    if (!c.error.empty()) {
      EXPECT_EQ(x, before);
    }
  }
}

}  // namespace
