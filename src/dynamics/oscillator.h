#pragma once

// The oscillator's three right-hand sides, each checked: an invalid operation or an overflow
// raises RunTimeError instead of returning. Each computes in the default floating-point
// environment (rounding to nearest), whatever the caller's. Infinite or NaN arguments pass through
// when they make no invalid operation (fx(+inf, 1) is -inf). Argument order is part of the
// interface.

namespace kestavon {

double fx(double y, double z);  // -(y + z)
double fy(double x, double y);  // y * 0.2 + x
double fz(double x, double z);  // (x - 5.7) * z + 0.2

}  // namespace kestavon
