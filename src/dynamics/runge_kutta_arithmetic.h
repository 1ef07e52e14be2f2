#pragma once

// The arithmetic of one Runge-Kutta step, in the prescribed order, as a formula of the start state:
// shared by the checked RungeKuttaStep and the benchmark's bare reference loop, so both do the
// same work. A template, so that the compile-time proof of checked.h can trace it.
//
// The twelve slopes are returned with the new state rather than written into the caller's arrays
// as they are formed: such stores may alias each other, and the compiler would reload values on
// the step's dependency chain (measured 1.5 times slower).

#include <array>

#include "dynamics/oscillator_field.h"
#include "dynamics/step_size.h"

namespace kestavon::field {

// The new state (x, y, z), then the slopes kx[0..3], ky[0..3], kz[0..3].
template <class T>
using StepOutputs = std::array<T, 15>;

template <class T>
[[gnu::always_inline]] constexpr StepOutputs<T> rungeKuttaAdvance(T x, T y, T z) {
  const double h = StepSize;

  // Stage 1: slopes at the start of the step.
  const T kx0 = fx(y, z) * h;
  const T ky0 = fy(x, y) * h;
  const T kz0 = fz(x, z) * h;

  // Stages 2 and 3: slopes at the midpoint reached with half the previous stage's increments.
  // Naming the midpoint's coordinates changes no value (each is formed once either way) but helps
  // the compiler keep everything in registers.
  const T x1 = kx0 / 2 + x, y1 = ky0 / 2 + y, z1 = kz0 / 2 + z;
  const T kx1 = fx(y1, z1) * h;
  const T ky1 = fy(x1, y1) * h;
  const T kz1 = fz(x1, z1) * h;

  const T x2 = kx1 / 2 + x, y2 = ky1 / 2 + y, z2 = kz1 / 2 + z;
  const T kx2 = fx(y2, z2) * h;
  const T ky2 = fy(x2, y2) * h;
  const T kz2 = fz(x2, z2) * h;

  // Stage 4: slopes at the end point reached with the full stage-3 increments.
  const T x3 = x + kx2, y3 = y + ky2, z3 = z + kz2;
  const T kx3 = fx(y3, z3) * h;
  const T ky3 = fy(x3, y3) * h;
  const T kz3 = fz(x3, z3) * h;

  // Weighted mean of the increments (1/6, 1/3, 1/3, 1/6), summed strictly left to right.
  return {(((kx0 / 6 + x) + kx1 / 3) + kx2 / 3) + kx3 / 6,
          (((ky0 / 6 + y) + ky1 / 3) + ky2 / 3) + ky3 / 6,
          (((kz0 / 6 + z) + kz1 / 3) + kz2 / 3) + kz3 / 6,
          kx0,
          kx1,
          kx2,
          kx3,
          ky0,
          ky1,
          ky2,
          ky3,
          kz0,
          kz1,
          kz2,
          kz3};
}

// The step as a checked formula: the new state is its result; every slope reaches it.
struct RungeKuttaFormula {
  template <class T>
  [[gnu::always_inline]] constexpr StepOutputs<T> operator()(T x, T y, T z) const {
    return rungeKuttaAdvance(x, y, z);
  }
};
inline constexpr std::size_t kRungeKuttaResults = 3;

}  // namespace kestavon::field
