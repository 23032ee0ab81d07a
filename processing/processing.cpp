// Demean, detrend, taper and Butterworth filters over one trace, in double.
//
// The filter is built the textbook way (A. V. Oppenheim and R. W. Schafer,
// Discrete-Time Signal Processing, 3rd ed., 2010, sections 7.2.2 and 7.2.4;
// T. W. Parks and C. S. Burrus, Digital Filter Design, 1987, chapter 7):
//  1. pre-warp each corner f to the analog frequency W = 2 fs tan(pi f / fs),
//     so that the bilinear transform puts the corner back at f;
//  2. the analog Butterworth low-pass prototype of N poles and cut-off
//     1 rad/s: poles exp(i pi (2k + N + 1) / (2N)), k = 0 .. N-1;
//  3. the analog band: low-pass s -> s / W, high-pass s -> W / s, band-pass
//     s -> (s^2 + W0^2) / (s B) with W0 = sqrt(W1 W2), B = W2 - W1;
//  4. the bilinear transform z = (2 fs + s) / (2 fs - s) of every pole; the
//     zeros at s = infinity go to z = -1, those at s = 0 to z = 1;
//  5. each conjugate pair of poles (or two real poles) with two zeros makes
//     a second-order section, scaled to unit gain at the middle of the pass
//     band; an odd low- or high-pass keeps one first-order section.
// The sections run in transposed direct form II (Oppenheim and Schafer,
// section 6.5) with double-precision state.
#include "processing.h"

#include <charconv>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>

namespace processing {

namespace {

using Complex = std::complex<double>;

// One second-order section, a0 = 1:
// y[n] = b0 x[n] + b1 x[n-1] + b2 x[n-2] - a1 y[n-1] - a2 y[n-2].
struct Section {
  double b0, b1, b2, a1, a2;
};

// A number as the user typed it: the shortest text that reads back as v.
std::string number(double v) {
  char text[32];
  const auto r = std::to_chars(text, text + sizeof text, v);
  return std::string(text, r.ptr);
}

// A rate or frequency derived from a float interval, to 7 digits: the
// 20 Hz of an interval of 0.05f is 19.9999997 Hz.
std::string rounded(double v) {
  char text[32];
  const auto r = std::to_chars(text, text + sizeof text, v, std::chars_format::general, 7);
  return std::string(text, r.ptr);
}

// ---- Filter design ----

double prewarp(double f, double rate) { return 2 * rate * std::tan(std::numbers::pi * f / rate); }

// The prototype's poles on or above the real axis; each complex one stands
// for itself and its conjugate.
std::vector<Complex> prototype_poles(int n) {
  std::vector<Complex> poles;
  for (int k = 0; 2 * k + 1 <= n; ++k) {
    if (2 * k + 1 == n) {
      poles.push_back(Complex(-1, 0));  // the real pole of an odd prototype, exactly
    } else {
      const double angle = std::numbers::pi * (2 * k + n + 1) / (2 * n);
      poles.push_back(Complex(std::cos(angle), std::sin(angle)));
    }
  }
  return poles;
}

// The analog poles of the band, each complex one standing for its pair.
std::vector<Complex> analog_poles(const Steps& steps, double rate) {
  std::vector<Complex> poles;
  const double w1 = prewarp(steps.f1, rate);
  for (const Complex& s : prototype_poles(steps.corners)) {
    if (steps.band == Band::lowpass) {
      poles.push_back(w1 * s);
    } else if (steps.band == Band::highpass) {
      poles.push_back(w1 / s);
    } else {
      // p^2 - s B p + W0^2 = 0: two poles for each prototype pole.
      const double w2 = prewarp(steps.f2, rate);
      const double w0_squared = w1 * w2;
      const Complex half = s * (w2 - w1) / 2.0;
      const Complex root = std::sqrt(half * half - w0_squared);
      poles.push_back(half + root);
      // From a complex prototype pole both are complex and both are needed;
      // from the real one they are either a conjugate pair (one kept) or
      // two real poles.
      if (s.imag() != 0 || root.imag() == 0) poles.push_back(half - root);
    }
  }
  return poles;
}

// |H| of a section at the angular frequency omega (radians per sample).
double section_gain(const Section& s, double omega) {
  const Complex e = std::polar(1.0, -omega);
  return std::abs((s.b0 + (s.b1 + s.b2 * e) * e) / (1.0 + (s.a1 + s.a2 * e) * e));
}

// A section's denominator 1 + a1/z + a2/z^2 with its zeros: two at z = -1
// for a low-pass, two at z = 1 for a high-pass, one at each for a
// band-pass; a first-order section (a2 = 0) has one.
Section with_zeros(Band band, bool first_order, double a1, double a2) {
  if (band == Band::bandpass) return Section{1, 0, -1, a1, a2};
  const double sign = band == Band::lowpass ? 1 : -1;
  return first_order ? Section{1, sign, 0, a1, 0} : Section{1, 2 * sign, 1, a1, a2};
}

std::vector<Section> design(const Steps& steps, double rate) {
  const double k = 2 * rate;
  std::vector<Section> sections;
  std::vector<double> real_poles;
  for (const Complex& p : analog_poles(steps, rate)) {
    const Complex z = (k + p) / (k - p);
    if (p.imag() == 0) {
      real_poles.push_back(z.real());
    } else {
      sections.push_back(with_zeros(steps.band, false, -2 * z.real(), std::norm(z)));
    }
  }
  for (std::size_t i = 0; i < real_poles.size(); i += 2) {
    if (i + 1 < real_poles.size()) {
      const double za = real_poles[i], zb = real_poles[i + 1];
      sections.push_back(with_zeros(steps.band, false, -(za + zb), za * zb));
    } else {
      sections.push_back(with_zeros(steps.band, true, -real_poles[i], 0));
    }
  }

  // Unit gain at the middle of the pass band.
  double omega = 0;  // low-pass: 0 Hz
  if (steps.band == Band::highpass) omega = std::numbers::pi;
  if (steps.band == Band::bandpass)
    omega = 2 * std::atan(std::sqrt(prewarp(steps.f1, rate) * prewarp(steps.f2, rate)) / k);
  for (Section& s : sections) {
    const double gain = section_gain(s, omega);
    s.b0 /= gain, s.b1 /= gain, s.b2 /= gain;
  }
  return sections;
}

// ---- Running the filter ----

// The cascade of kCount sections over x from rest, sample by sample
// through every section.  With the count fixed at compile time and the
// loop over sections unrolled (also at -O2) the state stays in registers
// and the sections of successive samples overlap: twice as fast as a
// loop over a vector of states.
template <std::size_t kCount, typename Iterator>
void run_cascade(const Section* sections, Iterator first, Iterator last) {
  double z1[kCount] = {}, z2[kCount] = {};
  for (Iterator it = first; it != last; ++it) {
    double v = *it;
#pragma GCC unroll 10
    for (std::size_t j = 0; j < kCount; ++j) {
      const Section& s = sections[j];
      const double y = s.b0 * v + z1[j];
      z1[j] = s.b1 * v - s.a1 * y + z2[j];
      z2[j] = s.b2 * v - s.a2 * y;
      v = y;
    }
    *it = v;
  }
}

template <typename Iterator>
void run_sections(const std::vector<Section>& sections, Iterator first, Iterator last) {
  const Section* s = sections.data();
  switch (sections.size()) {
    case 1: return run_cascade<1>(s, first, last);
    case 2: return run_cascade<2>(s, first, last);
    case 3: return run_cascade<3>(s, first, last);
    case 4: return run_cascade<4>(s, first, last);
    case 5: return run_cascade<5>(s, first, last);
    case 6: return run_cascade<6>(s, first, last);
    case 7: return run_cascade<7>(s, first, last);
    case 8: return run_cascade<8>(s, first, last);
    case 9: return run_cascade<9>(s, first, last);
    default: return run_cascade<10>(s, first, last);
  }
}

// ---- Demean, detrend, taper ----

double mean(const std::vector<double>& x) {
  double sum = 0;
  for (double v : x) sum += v;
  return sum / static_cast<double>(x.size());
}

void remove_mean(std::vector<double>& x) {
  const double m = mean(x);
  for (double& v : x) v -= m;
}

// The least-squares line a + b (i - c) through the samples, with c the
// middle index, so that a is the mean and b = sum (i - c) x_i / sum (i - c)^2.
void remove_line(std::vector<double>& x) {
  const double a = mean(x);
  const double c = (static_cast<double>(x.size()) - 1) / 2;
  double sxy = 0, sxx = 0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const double d = static_cast<double>(i) - c;
    sxy += d * (x[i] - a);
    sxx += d * d;
  }
  const double b = sxx > 0 ? sxy / sxx : 0;
  for (std::size_t i = 0; i < x.size(); ++i) x[i] -= a + b * (static_cast<double>(i) - c);
}

// Half a cosine bell over m = floor(fraction n) samples at each end: sample
// i from its end gets 0.5 (1 - cos(pi i / m)), the first 0, and the middle
// stays as it is.
void apply_taper(std::vector<double>& x, double fraction) {
  const std::size_t n = x.size();
  const auto m = static_cast<std::size_t>(std::floor(fraction * static_cast<double>(n)));
  for (std::size_t i = 0; i < m; ++i) {
    const double w = 0.5 * (1 - std::cos(std::numbers::pi * static_cast<double>(i) / static_cast<double>(m)));
    x[i] *= w;
    x[n - 1 - i] *= w;
  }
}

// Appended piece by piece: GCC 12 at -O3 misreads a chain of concatenations here.
std::string filter_text(const Steps& steps) {
  std::string text = band_option(steps.band);
  text.erase(0, 2);  // the option without "--"
  text += ' ';
  text += number(steps.f1);
  if (steps.band == Band::bandpass) {
    text += '-';
    text += number(steps.f2);
  }
  text += " Hz ";
  text += std::to_string(steps.corners);
  text += steps.corners == 1 ? " corner" : " corners";
  if (steps.zerophase) text += " zero-phase";
  return text;
}

}  // namespace

const char* band_option(Band band) {
  switch (band) {
    case Band::lowpass: return "--lowpass";
    case Band::highpass: return "--highpass";
    case Band::bandpass: return "--bandpass";
    case Band::none: break;
  }
  return "";
}

std::string describe(const Steps& steps) {
  std::vector<std::string> parts;
  if (steps.demean) parts.push_back("demean");
  if (steps.detrend) parts.push_back("detrend");
  if (steps.taper > 0) parts.push_back("taper " + number(steps.taper));
  if (steps.band != Band::none) parts.push_back(filter_text(steps));
  std::string text;
  for (const std::string& p : parts) text += (text.empty() ? "" : ", ") + p;
  return text;
}

bool check(const Steps& steps, std::string& error) {
  if (!(steps.taper >= 0 && steps.taper <= kMaxTaper)) {
    error = "--taper " + number(steps.taper) + ": the fraction must be above 0 and at most 0.5";
    return false;
  }
  if (steps.band == Band::none) {
    if (steps.zerophase) error = "--zerophase needs a filter: --lowpass, --highpass or --bandpass";
    return !steps.zerophase;
  }
  const std::string option = band_option(steps.band);
  if (steps.corners < kMinCorners || steps.corners > kMaxCorners) {
    error = "--corners " + std::to_string(steps.corners) + ": the number of corners must be 1 to 10";
    return false;
  }
  if (!(std::isfinite(steps.f1) && steps.f1 > 0) ||
      (steps.band == Band::bandpass && !(std::isfinite(steps.f2) && steps.f2 > 0))) {
    error = option + ": a corner must be a positive number of Hz";
    return false;
  }
  if (steps.band == Band::bandpass && steps.f1 >= steps.f2) {
    error = option + " " + number(steps.f1) + "," + number(steps.f2) + ": the first corner must be below the second";
    return false;
  }
  return true;
}

std::size_t min_filter_samples(const Steps& steps, double rate_hz) {
  if (steps.band == Band::none) return 0;
  // A relative allowance of 1e-9 keeps decimal corners such as 0.01 Hz at
  // 100 Hz at their exact count (10000) despite the rounding of rate / f1.
  const double periods = std::ceil(rate_hz / steps.f1 * (1 - 1e-9));
  if (!(periods < 1e18)) return std::numeric_limits<std::size_t>::max();
  return static_cast<std::size_t>(periods);
}

bool apply(const Steps& steps, double rate_hz, std::vector<float>& samples, std::string& error) {
  if (!check(steps, error)) return false;
  if (!steps.any()) return true;
  if (steps.band != Band::none) {
    const std::string option = band_option(steps.band);
    const double top = steps.band == Band::bandpass ? steps.f2 : steps.f1;
    if (!(rate_hz > 0 && std::isfinite(rate_hz))) {
      error = option + ": the trace has no usable sampling rate (" + rounded(rate_hz) + " Hz)";
      return false;
    }
    if (!(top < rate_hz / 2)) {
      error = option + " " + number(top) + " Hz: at or above the Nyquist frequency, " + rounded(rate_hz / 2) +
              " Hz at a sampling rate of " + rounded(rate_hz) + " Hz";
      return false;
    }
    const std::size_t need = min_filter_samples(steps, rate_hz);
    if (samples.size() < need) {
      error = option + ": " + std::to_string(samples.size()) + " samples are too few: a filter needs at least "
              "one period of its lowest corner, " + std::to_string(need) + " samples at a sampling rate of " +
              rounded(rate_hz) + " Hz";
      return false;
    }
  }
  if (samples.empty()) return true;

  std::vector<double> x(samples.begin(), samples.end());
  if (steps.demean) remove_mean(x);
  if (steps.detrend) remove_line(x);
  if (steps.taper > 0) apply_taper(x, steps.taper);
  if (steps.band != Band::none) {
    const std::vector<Section> sections = design(steps, rate_hz);
    run_sections(sections, x.begin(), x.end());
    if (steps.zerophase) run_sections(sections, x.rbegin(), x.rend());
  }
  for (double v : x) {
    if (!(std::abs(v) <= std::numeric_limits<float>::max())) {
      error = "a processed sample is not a finite 32-bit float";
      return false;
    }
  }
  for (std::size_t i = 0; i < x.size(); ++i) samples[i] = static_cast<float>(x[i]);
  return true;
}

}  // namespace processing
