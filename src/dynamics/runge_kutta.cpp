#include "dynamics/runge_kutta.h"

#include <algorithm>
#include <cmath>

#include "dynamics/runge_kutta_arithmetic.h"
#include "platform/fp_check.h"

namespace kestavon {

void RungeKuttaStep(OscState& state, std::array<double, 4>& kx, std::array<double, 4>& ky,
                    std::array<double, 4>& kz) {
  field::StageSlopes slopes;
  const OscState next = checkedArithmetic(
      [&](auto fence) {
        OscState start = state;
        fence(start.x, start.y, start.z);
        OscState end = field::rungeKuttaAdvance(start, slopes);
        fence(end.x, end.y, end.z);
        return end;
      },
      // Every argument and every slope feeds the new state.
      [](const OscState& end) {
        return std::isfinite(end.x) && std::isfinite(end.y) && std::isfinite(end.z);
      });

  std::copy_n(slopes.kx, 4, kx.begin());
  std::copy_n(slopes.ky, 4, ky.begin());
  std::copy_n(slopes.kz, 4, kz.begin());
  state = next;
}

}  // namespace kestavon
