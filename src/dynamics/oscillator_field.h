#pragma once

// The oscillator's right-hand sides as formulas: the one definition of the arithmetic, shared by
// the checked public fx, fy, fz and by the integration step. Templates, so that the compile-time
// proof of checked.h can trace them; the program uses them with double. The parameters 0.2, 0.2
// and 5.7 are part of the formulas, not settings.

namespace kestavon::field {

// dx/dt = -(y + z)
template <class T>
constexpr T fx(T y, T z) {
  return -(y + z);
}

// dy/dt = x + 0.2 y, evaluated as y * 0.2 + x
template <class T>
constexpr T fy(T x, T y) {
  return y * 0.2 + x;
}

// dz/dt = 0.2 + z (x - 5.7), evaluated as (x - 5.7) * z + 0.2
template <class T>
constexpr T fz(T x, T z) {
  return (x - 5.7) * z + 0.2;
}

}  // namespace kestavon::field
