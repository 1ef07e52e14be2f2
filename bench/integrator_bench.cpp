// A whole run's worth of integration steps (1,000,001), checked against bare.
//
// BareLoop is the reference of every figure in this program: the fastest loop we could write for
// the prescribed arithmetic, in the prescribed order, with the state in registers, no call and no
// store but the final state. The other bare variants are kept to show that none of them is faster
// (see the README). CheckedSteps calls the program's RungeKuttaStep, with its fault checks and its
// slope arrays. Target: CheckedSteps <= 1.03x BareLoop.

#include <benchmark/benchmark.h>

#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "dynamics/runge_kutta.h"

namespace {

using kestavon::OscState;

constexpr int kStepsPerRun = 1'000'001;
constexpr OscState kStart{0.5, 0.25, 0.125};

// The shared formula, keeping only the new state: the slopes are never stored.
void BareVariant_SharedFormula(benchmark::State& bench) {
  for (auto _ : bench) {
    double x = kStart.x, y = kStart.y, z = kStart.z;
    for (int n = 0; n < kStepsPerRun; ++n) {
      const auto next = kestavon::field::rungeKuttaState(x, y, z);
      x = next[0];
      y = next[1];
      z = next[2];
    }
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(y);
    benchmark::DoNotOptimize(z);
  }
}

// Written out by hand, with the exact rewrites a compiler may not make on its own: k / 2 as
// k * 0.5 and -(a + b) * h as (a + b) * -h (both give the same bits in every case).
[[gnu::always_inline]] inline void handWrittenStep(double& x, double& y, double& z) {
  constexpr double h = 0.001, minusH = -0.001;
  const double kx0 = (y + z) * minusH;
  const double ky0 = (y * 0.2 + x) * h;
  const double kz0 = ((x - 5.7) * z + 0.2) * h;
  const double x1 = kx0 * 0.5 + x, y1 = ky0 * 0.5 + y, z1 = kz0 * 0.5 + z;
  const double kx1 = (y1 + z1) * minusH;
  const double ky1 = (y1 * 0.2 + x1) * h;
  const double kz1 = ((x1 - 5.7) * z1 + 0.2) * h;
  const double x2 = kx1 * 0.5 + x, y2 = ky1 * 0.5 + y, z2 = kz1 * 0.5 + z;
  const double kx2 = (y2 + z2) * minusH;
  const double ky2 = (y2 * 0.2 + x2) * h;
  const double kz2 = ((x2 - 5.7) * z2 + 0.2) * h;
  const double x3 = x + kx2, y3 = y + ky2, z3 = z + kz2;
  const double kx3 = (y3 + z3) * minusH;
  const double ky3 = (y3 * 0.2 + x3) * h;
  const double kz3 = ((x3 - 5.7) * z3 + 0.2) * h;
  x = (((kx0 / 6 + x) + kx1 / 3) + kx2 / 3) + kx3 / 6;
  y = (((ky0 / 6 + y) + ky1 / 3) + ky2 / 3) + ky3 / 6;
  z = (((kz0 / 6 + z) + kz1 / 3) + kz2 / 3) + kz3 / 6;
}

// The reference: the fastest of the variants here (or as fast as any, within the noise).
void BareLoop(benchmark::State& bench) {
  for (auto _ : bench) {
    double x = kStart.x, y = kStart.y, z = kStart.z;
    for (int n = 0; n < kStepsPerRun; ++n) handWrittenStep(x, y, z);
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(y);
    benchmark::DoNotOptimize(z);
  }
}

// Two steps per pass: fewer loop branches, the same chain.
void BareVariant_Unrolled(benchmark::State& bench) {
  for (auto _ : bench) {
    double x = kStart.x, y = kStart.y, z = kStart.z;
    int n = 0;
    for (; n + 1 < kStepsPerRun; n += 2) {
      handWrittenStep(x, y, z);
      handWrittenStep(x, y, z);
    }
    for (; n < kStepsPerRun; ++n) handWrittenStep(x, y, z);
    benchmark::DoNotOptimize(x);
    benchmark::DoNotOptimize(y);
    benchmark::DoNotOptimize(z);
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

// The reference must compute what the program computes: the same bits after a whole run's steps,
// or no figure is printed at all.
bool bareLoopIsExact() {
  double x = kStart.x, y = kStart.y, z = kStart.z;
  OscState state = kStart;
  std::array<double, 4> kx{}, ky{}, kz{};
  for (int n = 0; n < kStepsPerRun; ++n) {
    handWrittenStep(x, y, z);
    kestavon::RungeKuttaStep(state, kx, ky, kz);
  }
  return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(state.x) &&
         std::bit_cast<std::uint64_t>(y) == std::bit_cast<std::uint64_t>(state.y) &&
         std::bit_cast<std::uint64_t>(z) == std::bit_cast<std::uint64_t>(state.z);
}
const bool kBareLoopChecked = [] {
  if (!bareLoopIsExact()) {
    std::fputs("BareLoop does not compute the program's numbers\n", stderr);
    std::exit(1);
  }
  return true;
}();

BENCHMARK(BareLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BareVariant_SharedFormula)->Unit(benchmark::kMillisecond);
BENCHMARK(BareVariant_Unrolled)->Unit(benchmark::kMillisecond);
BENCHMARK(CheckedSteps)->Unit(benchmark::kMillisecond);

}  // namespace
