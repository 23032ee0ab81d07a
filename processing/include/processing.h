// Processing of one contiguous, evenly sampled trace before it is drawn or
// written: mean or least-squares line removed, cosine taper at both ends,
// Butterworth low-, high- or band-pass filter, causal or zero-phase.
//
// Everything runs in double precision over the float samples, which are
// rounded to float once at the end.  The filter is designed as second-order
// sections through the bilinear transform with pre-warped corners, so that
// corners far below the sampling rate stay stable and accurate.
#ifndef PROCESSING_H
#define PROCESSING_H

#include <cstddef>
#include <string>
#include <vector>

namespace processing {

constexpr int kMinCorners = 1;
constexpr int kMaxCorners = 10;
constexpr int kDefaultCorners = 4;
constexpr double kMaxTaper = 0.5;  // the fraction of the trace tapered at each end

enum class Band { none, lowpass, highpass, bandpass };

// What to do to a trace, in this order: demean, detrend, taper, filter.
struct Steps {
  bool demean = false;        // remove the mean
  bool detrend = false;       // remove the least-squares line
  double taper = 0;           // cosine taper of this fraction at each end; 0: none
  Band band = Band::none;
  double f1 = 0, f2 = 0;      // Hz: the corner of a low- or high-pass in f1; a band f1 to f2
  int corners = kDefaultCorners;  // poles of the low-pass prototype (a band-pass has twice as many)
  bool zerophase = false;     // forward and then backward: zero phase, -6 dB at a corner

  bool any() const { return demean || detrend || taper > 0 || band != Band::none; }
};

// The command-line option of a filter band: "--lowpass", "--highpass",
// "--bandpass" ("" for none).
const char* band_option(Band band);

// Short text of what is applied, for titles and record headers, e.g.
// "demean, taper 0.05, bandpass 1-5 Hz 4 corners zero-phase"; empty when
// nothing is.
std::string describe(const Steps& steps);

// The checks that need no trace: corners positive and in order, 1 to 10
// corners, taper fraction above 0 and at most 0.5.  False with a message
// naming the option.
bool check(const Steps& steps, std::string& error);

// The fewest samples a trace at `rate_hz` needs for the filter to mean
// anything: one period of its lowest corner, ceil(rate / corner); 0
// without a filter.
std::size_t min_filter_samples(const Steps& steps, double rate_hz);

// Processes the samples of one contiguous trace sampled at rate_hz.
// Refuses (false, samples untouched, a message naming the option) what
// check() refuses, a corner at or above the Nyquist frequency, and a
// filter on a trace shorter than min_filter_samples().
bool apply(const Steps& steps, double rate_hz, std::vector<float>& samples, std::string& error);

}  // namespace processing

#endif
