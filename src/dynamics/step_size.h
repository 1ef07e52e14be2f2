#pragma once

namespace kestavon {

// The integration step, 0.001 time units.
inline constexpr double StepSize = 0.001;

}  // namespace kestavon
