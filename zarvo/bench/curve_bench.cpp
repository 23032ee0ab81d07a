// Throughput of the data curve: points per second written through the plot
// file stream (to /dev/null, so the disk does not count).
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <vector>

#include "curve.h"
#include "state.h"

namespace {

// A seismogram-like trace: a decaying oscillation with a little noise,
// every sample on its own plot position.
struct Trace {
  std::vector<float> x;
  std::vector<float> y;
  explicit Trace(int n) : x(static_cast<size_t>(n)), y(static_cast<size_t>(n)) {
    unsigned seed = 12345u;
    for (int i = 0; i < n; ++i) {
      seed = seed * 1103515245u + 12345u;
      const float noise = static_cast<float>((seed >> 16) & 0x7FFF) / 32768.0f - 0.5f;
      x[static_cast<size_t>(i)] = static_cast<float>(i) * 0.05f;
      y[static_cast<size_t>(i)] = 1000.0f * std::sin(static_cast<float>(i) * 0.01f) + 50.0f * noise;
    }
  }
};

void run_curve(benchmark::State& state, float marker_size) {
  const int n = static_cast<int>(state.range(0));
  const Trace trace(n);
  std::array<float, 22> para{};
  para[0] = 8.0f;
  para[1] = 4.0f;
  para[2] = 0.0f;
  para[4] = static_cast<float>(n) * 0.05f;
  para[3] = -1100.0f;
  para[5] = 1100.0f;
  para[13] = marker_size;
  zarvo::Frame frame;
  frame.xo = 400;
  frame.yo = 320;
  frame.sx = para[4] / 2400.0f;
  frame.sy = 2200.0f / 1200.0f;
  zarvo::lib.plotfile = std::fopen("/dev/null", "w");
  for (auto _ : state) {
    zarvo::draw_curve(n, trace.x.data(), trace.y.data(), para.data(), frame);
  }
  std::fclose(zarvo::lib.plotfile);
  zarvo::lib.plotfile = nullptr;
  state.SetItemsProcessed(state.iterations() * n);
}

void BM_SolidCurve(benchmark::State& state) { run_curve(state, 0.0f); }
void BM_DashedCurve(benchmark::State& state) { run_curve(state, -1.0f); }

BENCHMARK(BM_SolidCurve)->Arg(99999)->Arg(2000000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DashedCurve)->Arg(99999)->Unit(benchmark::kMillisecond);

}  // namespace
