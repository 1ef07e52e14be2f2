#pragma once

#include <array>

#include "dynamics/step_size.h"

namespace kestavon {

struct OscState {
  double x, y, z;
};

// Advances `state` by one classical fourth-order Runge-Kutta step of StepSize. kx, ky, kz are the
// caller's working storage: their contents on entry do not matter, and on return index i holds the
// increment of stage i + 1. On an invalid operation or overflow anywhere in the step it throws
// RunTimeError and leaves the state untouched (the slopes then hold what the step had formed).
// Allocates nothing.
//
// Requires the default floating-point environment (rounding to nearest, subnormals kept), which a
// run holds: its fault check relies on it (see platform/checked.h).
//
// Defined inline (runge_kutta_step.h, included below) so that a loop of steps keeps the state in
// registers: a call would store and reload it on the step's chain of dependent operations.
inline void RungeKuttaStep(OscState& state, std::array<double, 4>& kx, std::array<double, 4>& ky,
                           std::array<double, 4>& kz);

}  // namespace kestavon

#include "dynamics/runge_kutta_step.h"
