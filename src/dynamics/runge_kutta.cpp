#include "dynamics/runge_kutta.h"

#include <algorithm>

#include "dynamics/runge_kutta_arithmetic.h"
#include "platform/fp_check.h"

namespace kestavon {

void RungeKuttaStep(OscState& state, std::array<double, 4>& kx, std::array<double, 4>& ky,
                    std::array<double, 4>& kz) {
  clearFpFaults();
  OscState start = state;
  fpFence(start.x, start.y, start.z);

  field::StageSlopes slopes;
  OscState next = field::rungeKuttaAdvance(start, slopes);

  // Every argument and every slope feeds the new state, so once it exists the flags cover the
  // whole step.
  fpFence(next.x, next.y, next.z);
  checkFpFaults();

  std::copy_n(slopes.kx, 4, kx.begin());
  std::copy_n(slopes.ky, 4, ky.begin());
  std::copy_n(slopes.kz, 4, kz.begin());
  state = next;
}

}  // namespace kestavon
