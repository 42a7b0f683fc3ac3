// The run's trigonometric functions (orbit/math.h) against the C library's,
// on arguments like the run's: Neptune's eccentric anomalies (0 to 2000
// radians, in the order a run meets them) and the longitudes of points on a
// 30 AU circle. Each benchmark works through the same 4096 arguments; the
// rate is per argument.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "orbit/kepler.h"
#include "orbit/math.h"

namespace quorvex {
namespace {

constexpr int kCount = 4096;

// Eccentric anomalies of Neptune at 4096 consecutive days late in a long
// run, and positions on its orbit at 4096 days spread over its period.
struct Arguments {
  std::vector<double> anomaly, y, x, longitude;
  Arguments() {
    const KeplerOrbit neptune(NeptuneElements);
    for (int i = 0; i < kCount; ++i) {
      anomaly.push_back(SolveKepler(neptune.MeanAt(15000000.0 + i), neptune.e));
      const Vec3 p = neptune.PositionAt(20.0 * i);
      y.push_back(p.y);
      x.push_back(p.x);
      longitude.push_back(std::atan2(p.y, p.x));
    }
  }
};
const Arguments& Args() {
  static const Arguments args;
  return args;
}

template <class F>
void Run(benchmark::State& state, F f) {
  for (auto _ : state)
    for (int i = 0; i < kCount; ++i) f(i);
  state.SetItemsProcessed(state.iterations() * kCount);
}

void BM_LibrarySinCos(benchmark::State& state) {
  const std::vector<double>& a = Args().anomaly;
  Run(state, [&](int i) {
    benchmark::DoNotOptimize(std::sin(a[i]));
    benchmark::DoNotOptimize(std::cos(a[i]));
  });
}
BENCHMARK(BM_LibrarySinCos);

void BM_SinCos(benchmark::State& state) {
  const std::vector<double>& a = Args().anomaly;
  Run(state, [&](int i) { benchmark::DoNotOptimize(SinCos(a[i])); });
}
BENCHMARK(BM_SinCos);

void BM_SinCosMany(benchmark::State& state) {
  const std::vector<double>& a = Args().anomaly;
  std::vector<SinCosPair> out(kCount);
  for (auto _ : state) {
    SinCosMany(a.data(), kCount, out.data());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_SinCosMany);

void BM_LibrarySin(benchmark::State& state) {
  const std::vector<double>& a = Args().longitude;
  Run(state, [&](int i) { benchmark::DoNotOptimize(std::sin(a[i])); });
}
BENCHMARK(BM_LibrarySin);

void BM_Sin(benchmark::State& state) {
  const std::vector<double>& a = Args().longitude;
  Run(state, [&](int i) { benchmark::DoNotOptimize(Sin(a[i])); });
}
BENCHMARK(BM_Sin);

void BM_LibraryCos(benchmark::State& state) {
  const std::vector<double>& a = Args().longitude;
  Run(state, [&](int i) { benchmark::DoNotOptimize(std::cos(a[i])); });
}
BENCHMARK(BM_LibraryCos);

void BM_Cos(benchmark::State& state) {
  const std::vector<double>& a = Args().longitude;
  Run(state, [&](int i) { benchmark::DoNotOptimize(Cos(a[i])); });
}
BENCHMARK(BM_Cos);

void BM_LibraryAtan2(benchmark::State& state) {
  const Arguments& a = Args();
  Run(state, [&](int i) { benchmark::DoNotOptimize(std::atan2(a.y[i], a.x[i])); });
}
BENCHMARK(BM_LibraryAtan2);

void BM_Atan2(benchmark::State& state) {
  const Arguments& a = Args();
  Run(state, [&](int i) { benchmark::DoNotOptimize(Atan2(a.y[i], a.x[i])); });
}
BENCHMARK(BM_Atan2);

void BM_Atan2Many(benchmark::State& state) {
  const Arguments& a = Args();
  std::vector<double> out(kCount);
  for (auto _ : state) {
    Atan2Many(a.y.data(), a.x.data(), kCount, out.data());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetItemsProcessed(state.iterations() * kCount);
}
BENCHMARK(BM_Atan2Many);

}  // namespace
}  // namespace quorvex
