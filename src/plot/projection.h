#pragma once

#include <cstdint>

#include "dynamics/runge_kutta.h"
#include "plot/surface.h"

#if defined(__x86_64__) && defined(__SSE2_MATH__)
#include <emmintrin.h>
#else
#include <cmath>
#endif

namespace kestavon {

// Surface coordinates of a plotted point, in twips.
struct ScreenPoint {
  std::int16_t px, py;

  friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2, -2.5 -> -2). Throws
// RunTimeError (ConversionOverflow) when the result is outside -32768..32767 or the value is NaN.
inline std::int16_t round16(double value);

// Draws the vertical and the horizontal axis through the centre of the surface, in yellow.
void Draw_Axis(PlotSurface& surface);

// The x-y plane view: the centre of the surface is the origin, y grows upward, z is ignored.
// sx and sy are the run's scale factors (twips per unit). Reads the surface size at every call.
ScreenPoint ProjectXY(const PlotSurface& surface, const OscState& state, double sx, double sy);

// The oblique view at angle Pi - Pi * ViewAngle / 180: y runs horizontally, z upward, and x adds
// cos(angle) * x to the horizontal and sin(angle) * x to the upward coordinate before scaling.
ScreenPoint ProjectOblique(const PlotSurface& surface, const OscState& state, double sx, double sy,
                           double Pi, double ViewAngle);

// Raises the conversion overflow of round16 for `value`.
[[noreturn]] void throwConversionOverflow(double value);

// The nearest integer, halves to even, as an int when the value lies well within the int range;
// otherwise any int outside the 16-bit range (for NaN too).
inline int roundToInt(double value) {
#if defined(__x86_64__) && defined(__SSE2_MATH__)
  // One conversion under the default rounding (to nearest, ties to even). Out of the 32-bit range
  // or NaN it gives INT32_MIN.
  return _mm_cvtsd_si32(_mm_set_sd(value));
#else
  const double nearest = std::nearbyint(value);
  if (!(nearest >= INT16_MIN && nearest <= INT16_MAX)) return INT16_MIN - 1;
  return static_cast<int>(nearest);
#endif
}

inline bool fitsInt16(int value) { return value >= INT16_MIN && value <= INT16_MAX; }

inline std::int16_t round16(double value) {
  const int rounded = roundToInt(value);
  if (!fitsInt16(rounded)) [[unlikely]]
    throwConversionOverflow(value);
  return static_cast<std::int16_t>(rounded);
}

}  // namespace kestavon
