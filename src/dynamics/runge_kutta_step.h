#pragma once

// The definition of RungeKuttaStep; include dynamics/runge_kutta.h instead.

#include <array>

#include "dynamics/runge_kutta.h"
#include "dynamics/runge_kutta_arithmetic.h"
#include "platform/checked.h"

namespace kestavon {

[[gnu::always_inline]] inline void RungeKuttaStep(OscState& state, std::array<double, 4>& kx,
                                                  std::array<double, 4>& ky,
                                                  std::array<double, 4>& kz) {
  field::StepOutputs<double> next = checkedFormula<field::kRungeKuttaResults>(
      field::RungeKuttaFormula{}, state.x, state.y, state.z);
  keepScalar(next[0], next[1], next[2]);
  kx = {next[3], next[4], next[5], next[6]};
  ky = {next[7], next[8], next[9], next[10]};
  kz = {next[11], next[12], next[13], next[14]};
  state = OscState{next[0], next[1], next[2]};
}

}  // namespace kestavon
