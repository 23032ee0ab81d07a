// Filtering a day of 100 Hz data (8,640,000 samples) in this process:
// Butterworth of 4 corners, band-pass and low-pass, zero-phase and causal.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "processing.h"

namespace {

constexpr std::size_t kDaySamples = 8640000;  // 24 h at 100 Hz
constexpr double kRate = 100;

// Microseism-like wave with a little deterministic noise, as float counts.
std::vector<float> day_of_samples() {
  std::vector<float> x(kDaySamples);
  unsigned seed = 12345u;
  for (std::size_t i = 0; i < x.size(); ++i) {
    seed = seed * 1103515245u + 12345u;
    const double noise = static_cast<double>((seed >> 16) & 0x7FFF) / 32768.0 - 0.5;
    x[i] = static_cast<float>(2000 * std::sin(static_cast<double>(i) * 0.0126) + 300 * noise);
  }
  return x;
}

void filter_day(benchmark::State& state, processing::Band band, bool zerophase) {
  const std::vector<float> day = day_of_samples();
  processing::Steps steps;
  steps.band = band;
  steps.f1 = 1;
  steps.f2 = 5;
  steps.zerophase = zerophase;
  std::vector<float> x;
  for (auto _ : state) {
    state.PauseTiming();
    x = day;
    state.ResumeTiming();
    std::string error;
    if (!processing::apply(steps, kRate, x, error)) state.SkipWithError(error.c_str());
    benchmark::DoNotOptimize(x.data());
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kDaySamples));
}

void BM_DayBandpassZerophase(benchmark::State& state) { filter_day(state, processing::Band::bandpass, true); }
void BM_DayBandpassCausal(benchmark::State& state) { filter_day(state, processing::Band::bandpass, false); }
void BM_DayLowpassZerophase(benchmark::State& state) { filter_day(state, processing::Band::lowpass, true); }

BENCHMARK(BM_DayBandpassZerophase)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DayBandpassCausal)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DayLowpassZerophase)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
