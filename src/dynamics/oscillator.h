#pragma once

// The oscillator: its state and its three right-hand sides,
//   dx/dt = -(y + z),   dy/dt = x + 0.2 y,   dz/dt = 0.2 + z (x - 5.7).
// The parameters 0.2, 0.2 and 5.7 are part of the formulas, not settings.

namespace kestavon {

struct OscState {
  double x, y, z;
};

// The right-hand sides, checked: an invalid operation or an overflow raises RunTimeError instead
// of returning. Each computes in the default floating-point environment (rounding to nearest),
// whatever the caller's. Infinite or NaN arguments pass through when they make no invalid
// operation (fx(+inf, 1) is -inf). The argument order is part of the interface.
double fx(double y, double z);  // -(y + z)
double fy(double x, double y);  // y * 0.2 + x
double fz(double x, double z);  // (x - 5.7) * z + 0.2

// Their arithmetic, in its evaluation order: the one definition, shared by the checked functions
// above and by the integration step, which checks its result as a whole. Generic, for one run's
// doubles and for several runs' lanes (dynamics/checked.h).
namespace field {
inline constexpr auto fx = [](auto y, auto z) { return -(y + z); };
inline constexpr auto fy = [](auto x, auto y) { return y * 0.2 + x; };
inline constexpr auto fz = [](auto x, auto z) { return (x - 5.7) * z + 0.2; };
}  // namespace field

}  // namespace kestavon
