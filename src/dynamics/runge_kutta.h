#pragma once

#include <array>

namespace kestavon {

struct OscState {
  double x, y, z;
};

// The integration step, 0.001 time units.
inline constexpr double StepSize = 0.001;

// Advances `state` by one classical fourth-order Runge-Kutta step of StepSize. kx, ky, kz are the
// caller's working storage: their contents on entry do not matter, and on return index i holds the
// increment of stage i + 1. On an invalid operation or overflow anywhere in the step it throws
// RunTimeError and leaves the state and the slopes untouched. Allocates nothing.
void RungeKuttaStep(OscState& state, std::array<double, 4>& kx, std::array<double, 4>& ky,
                    std::array<double, 4>& kz);

}  // namespace kestavon
