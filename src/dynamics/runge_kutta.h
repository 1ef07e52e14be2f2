#pragma once

// One step of the classical fourth-order Runge-Kutta method, of StepSize time units.
//
// Defined inline, so that a loop of steps keeps the state in registers: a call would store and
// reload it on the step's chain of dependent operations, which is what a run waits for.

#include <array>
#include <cstddef>

#include "dynamics/checked.h"
#include "dynamics/oscillator.h"

namespace kestavon {

inline constexpr double StepSize = 0.001;

namespace field {

// The new state after one step, in the step's evaluation order: stage by stage, x then y then z,
// each second argument formed before the first, the divisions by 2, 3 and 6 kept as divisions,
// the update summed strictly left to right. Every slope reaches the new state. Each stage's three
// slopes go to slopes(stage, kx, ky, kz) as they are formed: kept in registers until the end, they
// would crowd out the values that the step's chain of dependent operations is waiting for.
template <class Number, class Slopes>
[[gnu::always_inline]] inline std::array<Number, 3> rungeKutta(Number x, Number y, Number z,
                                                               Slopes&& slopes) {
  const double h = StepSize;

  // Stage 1: the slopes at the start of the step.
  const Number kx0 = fx(y, z) * h;
  const Number ky0 = fy(x, y) * h;
  const Number kz0 = fz(x, z) * h;
  slopes(0, kx0, ky0, kz0);
  // The new state: the increments weighted 1/6, 1/3, 1/3, 1/6 and summed strictly left to right,
  // (((k0/6 + x) + k1/3) + k2/3) + k3/6, term by term as the slopes come, so that the divisions
  // need not all wait for the last stage.
  Number nx = kx0 / 6 + x, ny = ky0 / 6 + y, nz = kz0 / 6 + z;

  // Stages 2 and 3: the slopes at the midpoint reached with half the previous stage's increments.
  const Number x1 = kx0 / 2 + x, y1 = ky0 / 2 + y, z1 = kz0 / 2 + z;
  const Number kx1 = fx(y1, z1) * h;
  const Number ky1 = fy(x1, y1) * h;
  const Number kz1 = fz(x1, z1) * h;
  slopes(1, kx1, ky1, kz1);
  nx = nx + kx1 / 3, ny = ny + ky1 / 3, nz = nz + kz1 / 3;

  const Number x2 = kx1 / 2 + x, y2 = ky1 / 2 + y, z2 = kz1 / 2 + z;
  const Number kx2 = fx(y2, z2) * h;
  const Number ky2 = fy(x2, y2) * h;
  const Number kz2 = fz(x2, z2) * h;
  slopes(2, kx2, ky2, kz2);
  nx = nx + kx2 / 3, ny = ny + ky2 / 3, nz = nz + kz2 / 3;

  // Stage 4: the slopes at the end point reached with the full stage-3 increments.
  const Number x3 = x + kx2, y3 = y + ky2, z3 = z + kz2;
  const Number kx3 = fx(y3, z3) * h;
  const Number ky3 = fy(x3, y3) * h;
  const Number kz3 = fz(x3, z3) * h;
  slopes(3, kx3, ky3, kz3);
  return {nx + kx3 / 6, ny + ky3 / 6, nz + kz3 / 6};
}

// The new state alone: the formula that the step's check evaluates. Inlined wherever it is used,
// as the step is.
inline constexpr auto rungeKuttaState = [](auto x, auto y, auto z) __attribute__((always_inline)) {
  return rungeKutta(x, y, z, [](std::size_t, const auto&...) {});
};

}  // namespace field

// The state one step after `state`, checked (dynamics/checked.h): the step of RungeKuttaStep
// without its slopes, as a run makes it. Requires the default floating-point environment
// (rounding to nearest, subnormals kept), which a run holds.
[[gnu::always_inline]] inline OscState nextState(const OscState& state) {
  const auto next = checked<field::rungeKuttaState>(state.x, state.y, state.z);
  return {next[0], next[1], next[2]};
}

// Advances `state` by one step. kx, ky, kz are the caller's working storage: their contents on
// entry do not matter, and on return index i holds the increment of stage i + 1. On an invalid
// operation or an overflow anywhere in the step it throws RunTimeError and leaves the state
// untouched (the slopes then hold what the step formed). Allocates nothing. Requires the default
// floating-point environment, as nextState does.
[[gnu::always_inline]] inline void RungeKuttaStep(OscState& state, std::array<double, 4>& kx,
                                                  std::array<double, 4>& ky,
                                                  std::array<double, 4>& kz) {
  const auto next = checkedResults<field::rungeKuttaState>(
      field::rungeKutta(state.x, state.y, state.z,
                        [&kx, &ky, &kz](std::size_t stage, double sx, double sy, double sz) {
                          kx[stage] = sx;
                          ky[stage] = sy;
                          kz[stage] = sz;
                        }),
      state.x, state.y, state.z);
  state = {next[0], next[1], next[2]};
}

}  // namespace kestavon
