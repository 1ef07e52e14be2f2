#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "dynamics/checked.h"
#include "dynamics/lanes.h"
#include "dynamics/oscillator.h"
#include "plot/geometry.h"
#include "plot/surface.h"

#if defined(__x86_64__) && defined(__SSE2_MATH__)
#include <emmintrin.h>
#else
#include <cmath>
#endif

namespace kestavon {

// The window's two constants of the oblique view, as its Form_Load sets them: Pi as this
// ten-digit value, not pi to full precision, and the view angle in degrees. The headless renderer
// uses them too, so that its pictures are the window's.
inline constexpr double kFormLoadPi = 3.141592654;
inline constexpr double kFormLoadViewAngle = 120;

// Surface coordinates of a plotted point, in twips.
struct ScreenPoint {
  std::int16_t px, py;

  friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// Raises the conversion overflow of round16 for `value`.
[[noreturn]] void throwConversionOverflow(double value);

// The nearest integer to `value`, halves to the even neighbour, when it lies in the 16-bit range;
// outside it or for NaN, a value that does not. Rounds as the floating-point environment does,
// which runs and projections hold at the default.
inline int nearestInteger(double value) {
#if defined(__x86_64__) && defined(__SSE2_MATH__)
  // One conversion; out of the 32-bit range or NaN it gives INT32_MIN.
  return _mm_cvtsd_si32(_mm_set_sd(value));
#else
  const double nearest = std::nearbyint(value);
  return nearest >= INT16_MIN && nearest <= INT16_MAX ? static_cast<int>(nearest) : INT16_MIN - 1;
#endif
}

inline bool fitsInt16(int value) { return value >= INT16_MIN && value <= INT16_MAX; }

// nearestInteger for lanes: each lane's nearest integer, halves to even, where it fits 16 bits, and
// far outside that range for any other value (NaN included).
template <int W>
[[gnu::always_inline]] inline std::array<std::int64_t, W> nearestIntegers(const Lanes<W>& values) {
  // 1.5 * 2^52 plus a value of a magnitude below 2^51 is that value rounded to an integer as the
  // environment rounds, in the sum's last bits: the sums within 2^15 of it lie in one binade,
  // whose unit in the last place is 1. Any other value's sum lies far from it, bit for bit.
  constexpr double kRounding = 0x1.8p52;
  // (the builtin behind std::bit_cast, which emscripten's libc++ lacks)
  constexpr auto kRoundingBits = __builtin_bit_cast(std::int64_t, kRounding);
  const typename Lanes<W>::Vector sum = values.v + kRounding;
  typename Lanes<W>::Integers integers;
  std::memcpy(&integers, &sum, sizeof integers);
  integers -= kRoundingBits;
  std::array<std::int64_t, W> result;
  std::memcpy(result.data(), &integers, sizeof result);
  return result;
}

// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2, -2.5 -> -2). Throws
// RunTimeError (ConversionOverflow) when the result is outside -32768..32767 or the value is NaN.
inline std::int16_t round16(double value) {
  const int rounded = nearestInteger(value);
  if (!fitsInt16(rounded)) [[unlikely]] {
    throwConversionOverflow(value);
  }
  return static_cast<std::int16_t>(rounded);
}

// Draws the vertical and the horizontal axis through the centre of the surface, in yellow.
void Draw_Axis(PlotSurface& surface);

// The x-y plane view: the centre of the surface is the origin, y grows upward, z is ignored.
// sx and sy are the run's scale factors (twips per unit). Reads the surface size at every call.
ScreenPoint ProjectXY(const PlotSurface& surface, const OscState& state, double sx, double sy);

// The oblique view at the angle Pi - Pi * ViewAngle / 180: y runs horizontally, z upward, and x
// adds cos(angle) * x to the horizontal and sin(angle) * x to the upward coordinate before
// scaling. Reads the surface size and evaluates the angle at every call.
ScreenPoint ProjectOblique(const PlotSurface& surface, const OscState& state, double sx, double sy,
                           double Pi, double ViewAngle);

// The two projections as a run uses them, inline for any surface type; the functions above and
// the runs share them. coordinates() is the formula alone, before rounding, for one state or for
// lanes of states; a call projects one state with its checks.
struct XYProjection {
  double sx, sy;

  template <class Number>
  [[gnu::always_inline]] std::array<Number, 2> coordinates(float width, float height, Number x,
                                                           Number y, Number /*z*/) const {
    return geometry::xyPoint(width, height, x, y, sx, sy);
  }

  template <class Surface>
  [[gnu::always_inline]] ScreenPoint operator()(const Surface& surface,
                                                const OscState& state) const {
    const auto [px, py] = checked<geometry::xyPoint>(surface.ScaleWidth(), surface.ScaleHeight(),
                                                     state.x, state.y, sx, sy);
    return {round16(px), round16(py)};
  }
};

struct ObliqueProjection {
  double sx, sy, cosAngle, sinAngle;

  // The projection at the angle Pi - Pi * ViewAngle / 180, its cos and sin evaluated with their
  // fault checks. The same arguments always give the same bits, so a run evaluates them once.
  static ObliqueProjection at(double sx, double sy, double Pi, double ViewAngle);

  template <class Number>
  [[gnu::always_inline]] std::array<Number, 2> coordinates(float width, float height, Number x,
                                                           Number y, Number z) const {
    return geometry::obliquePoint(width, height, x, y, z, sx, sy, cosAngle, sinAngle);
  }

  template <class Surface>
  [[gnu::always_inline]] ScreenPoint operator()(const Surface& surface,
                                                const OscState& state) const {
    const auto [px, py] =
        checked<geometry::obliquePoint>(surface.ScaleWidth(), surface.ScaleHeight(), state.x,
                                        state.y, state.z, sx, sy, cosAngle, sinAngle);
    return {round16(px), round16(py)};
  }
};

}  // namespace kestavon
