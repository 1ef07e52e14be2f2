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
  field::StepOutputs<double> outputs = field::RungeKuttaFormula{}(state.x, state.y, state.z);
  // The slopes are working storage: stored as they come, before the check, so that none has to
  // wait in a register for it; each store on its own (volatile), since GCC would otherwise pack
  // pairs of them into vectors and put the shuffles on the step's chain of dependent operations.
  for (std::size_t i = 0; i < 4; ++i) {
    *static_cast<volatile double*>(&kx[i]) = outputs[3 + i];
    *static_cast<volatile double*>(&ky[i]) = outputs[7 + i];
    *static_cast<volatile double*>(&kz[i]) = outputs[11 + i];
  }
  checkFormula<field::kRungeKuttaResults>(field::RungeKuttaFormula{}, outputs, state.x, state.y,
                                          state.z);
  state = OscState{outputs[0], outputs[1], outputs[2]};
}

}  // namespace kestavon
