// A whole run's worth of integration steps (1,000,001), checked against bare.
//
// BareLoop is the reference of every figure in this program: the same arithmetic in the same order
// with no fault checks and no call boundary. CheckedSteps calls the program's RungeKuttaStep, which
// clears, fences and tests the floating-point flags on every step. Target: CheckedSteps <= 1.10x
// BareLoop.

#include <benchmark/benchmark.h>

#include <array>

#include "dynamics/runge_kutta.h"
#include "dynamics/runge_kutta_arithmetic.h"

namespace {

using kestavon::OscState;

constexpr int kStepsPerRun = 1'000'001;
constexpr OscState kStart{0.5, 0.25, 0.125};

void BareLoop(benchmark::State& bench) {
  for (auto _ : bench) {
    OscState state = kStart;
    kestavon::field::StageSlopes slopes;
    for (int n = 0; n < kStepsPerRun; ++n)
      state = kestavon::field::rungeKuttaAdvance(state, slopes);
    benchmark::DoNotOptimize(state);
    benchmark::DoNotOptimize(slopes);
  }
}

void CheckedSteps(benchmark::State& bench) {
  for (auto _ : bench) {
    OscState state = kStart;
    std::array<double, 4> kx{}, ky{}, kz{};
    for (int n = 0; n < kStepsPerRun; ++n) kestavon::RungeKuttaStep(state, kx, ky, kz);
    benchmark::DoNotOptimize(state);
    benchmark::DoNotOptimize(kx);
  }
}

BENCHMARK(BareLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(CheckedSteps)->Unit(benchmark::kMillisecond);

}  // namespace
