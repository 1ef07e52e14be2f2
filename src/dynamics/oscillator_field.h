#pragma once

// The oscillator's right-hand sides, without fault checks: the one definition of the arithmetic,
// shared by the checked public fx, fy, fz and by the integration step (which checks a whole step
// at once). The parameters 0.2, 0.2 and 5.7 are part of the formulas, not settings.

namespace kestavon::field {

// dx/dt = -(y + z)
inline double fx(double y, double z) noexcept { return -(y + z); }

// dy/dt = x + 0.2 y, evaluated as y * 0.2 + x
inline double fy(double x, double y) noexcept { return y * 0.2 + x; }

// dz/dt = 0.2 + z (x - 5.7), evaluated as (x - 5.7) * z + 0.2
inline double fz(double x, double z) noexcept { return (x - 5.7) * z + 0.2; }

}  // namespace kestavon::field
