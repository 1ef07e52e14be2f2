#pragma once

// The arithmetic of one Runge-Kutta step without fault checks, in the prescribed order. Shared by
// the checked RungeKuttaStep and the benchmark's bare reference loop, so both do the same work.
//
// The twelve slopes are returned in a local aggregate rather than written into the caller's
// arrays as they are formed: such stores may alias each other, and the compiler would reload
// values on the step's dependency chain (measured 1.5 times slower).

#include "dynamics/oscillator_field.h"
#include "dynamics/runge_kutta.h"

namespace kestavon::field {

struct StageSlopes {
  double kx[4], ky[4], kz[4];
};

// Always inlined: as a call, the slopes would go through memory on the step's dependency chain.
[[gnu::always_inline]] inline OscState rungeKuttaAdvance(const OscState& s,
                                                         StageSlopes& k) noexcept {
  const double h = StepSize;
  const double x = s.x, y = s.y, z = s.z;

  // Stage 1: slopes at the start of the step.
  k.kx[0] = fx(y, z) * h;
  k.ky[0] = fy(x, y) * h;
  k.kz[0] = fz(x, z) * h;

  // Stages 2 and 3: slopes at the midpoint reached with half the previous stage's increments.
  for (int i = 1; i <= 2; ++i) {
    k.kx[i] = fx(k.ky[i - 1] / 2 + y, k.kz[i - 1] / 2 + z) * h;
    k.ky[i] = fy(k.kx[i - 1] / 2 + x, k.ky[i - 1] / 2 + y) * h;
    k.kz[i] = fz(k.kx[i - 1] / 2 + x, k.kz[i - 1] / 2 + z) * h;
  }

  // Stage 4: slopes at the end point reached with the full stage-3 increments.
  k.kx[3] = fx(y + k.ky[2], z + k.kz[2]) * h;
  k.ky[3] = fy(x + k.kx[2], y + k.ky[2]) * h;
  k.kz[3] = fz(x + k.kx[2], z + k.kz[2]) * h;

  // Weighted mean of the increments (1/6, 1/3, 1/3, 1/6), summed strictly left to right.
  return OscState{
      (((k.kx[0] / 6 + x) + k.kx[1] / 3) + k.kx[2] / 3) + k.kx[3] / 6,
      (((k.ky[0] / 6 + y) + k.ky[1] / 3) + k.ky[2] / 3) + k.ky[3] / 6,
      (((k.kz[0] / 6 + z) + k.kz[1] / 3) + k.kz[2] / 3) + k.kz[3] / 6,
  };
}

}  // namespace kestavon::field
