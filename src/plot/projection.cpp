#include "plot/projection.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "platform/fp_check.h"
#include "platform/run_time_error.h"

#if defined(__x86_64__) && defined(__SSE2_MATH__)
#include <emmintrin.h>
#endif

namespace kestavon {

namespace {

[[noreturn]] void throwConversionOverflow(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.17g does not fit in a 16-bit integer", value);
  throw RunTimeError(RunTimeFault::ConversionOverflow, text);
}

// cos and sin of the oblique angle Pi - Pi * ViewAngle / 180, remembered for the last (Pi,
// ViewAngle) pair, bit for bit. The same arguments give the same angle and the same libm results,
// so every point gets exactly the values a fresh evaluation would give, and a pair whose angle
// faults is never remembered; two libm calls would cost more than the rest of a point.
struct ObliqueAxes {
  double cosTheta, sinTheta;
};

ObliqueAxes obliqueAxes(double Pi, double ViewAngle) {
  struct Memo {
    std::uint64_t pi, viewAngle;
    ObliqueAxes axes;
    bool valid;
  };
  thread_local Memo memo{0, 0, {0, 0}, false};

  const auto piBits = std::bit_cast<std::uint64_t>(Pi);
  const auto angleBits = std::bit_cast<std::uint64_t>(ViewAngle);
  if (memo.valid && memo.pi == piBits && memo.viewAngle == angleBits) return memo.axes;

  clearFpFaults();
  fpFence(Pi, ViewAngle);
  double theta = Pi - ((Pi * ViewAngle) / 180);
  fpFence(theta);
  checkFpFaults();
  // An infinite angle makes cos and sin invalid operations; they are checked like any other.
  clearFpFaults();
  ObliqueAxes axes{std::cos(theta), std::sin(theta)};
  fpFence(axes.cosTheta, axes.sinTheta);
  checkFpFaults();

  memo = Memo{piBits, angleBits, axes, true};
  return axes;
}

// A projected point before its conversion to 16-bit integers.
struct Coordinates {
  double px, py;
};

bool bothFinite(const Coordinates& c) { return std::isfinite(c.px) && std::isfinite(c.py); }

}  // namespace

std::int16_t round16(double value) {
#if defined(__x86_64__) && defined(__SSE2_MATH__)
  // One conversion under the default rounding (to nearest, ties to even). Out of the 32-bit range
  // or NaN it gives INT32_MIN, which the range test below rejects too.
  const int rounded = _mm_cvtsd_si32(_mm_set_sd(value));
#else
  const double nearest = std::nearbyint(value);
  if (!(nearest >= INT16_MIN && nearest <= INT16_MAX)) throwConversionOverflow(value);
  const int rounded = static_cast<int>(nearest);
#endif
  if (rounded < INT16_MIN || rounded > INT16_MAX) [[unlikely]] {
    throwConversionOverflow(value);
  }
  return static_cast<std::int16_t>(rounded);
}

void Draw_Axis(PlotSurface& surface) {
  const Colour yellow = RGB(255, 255, 0);
  {
    // The vertical axis through the middle of the width.
    float width = surface.ScaleWidth();
    float height = surface.ScaleHeight();
    clearFpFaults();
    fpFence(width, height);
    float middle = width / 2;
    fpFence(middle);
    checkFpFaults();
    surface.Line(middle, 0, middle, height, yellow);
  }
  {
    // The horizontal axis through the middle of the height, drawn as H - H/2 down to H/2.
    float width = surface.ScaleWidth();
    float height = surface.ScaleHeight();
    clearFpFaults();
    fpFence(width, height);
    float half = height / 2;
    float top = height - half;
    fpFence(half, top);
    checkFpFaults();
    surface.Line(0, top, width, half, yellow);
  }
}

ScreenPoint ProjectXY(const PlotSurface& surface, const OscState& state, double sx, double sy) {
  float width = surface.ScaleWidth();
  float height = surface.ScaleHeight();
  const Coordinates point = checkedArithmetic(
      [=, x = state.x, y = state.y](auto fence) mutable {
        fence(width, height, x, y, sx, sy);
        const float halfWidth = width / 2;
        const float halfHeight = height / 2;
        Coordinates c{halfWidth + x * sx, height - (halfHeight + y * sy)};
        fence(c.px, c.py);
        return c;
      },
      bothFinite);
  return ScreenPoint{round16(point.px), round16(point.py)};
}

ScreenPoint ProjectOblique(const PlotSurface& surface, const OscState& state, double sx, double sy,
                           double Pi, double ViewAngle) {
  float width = surface.ScaleWidth();
  float height = surface.ScaleHeight();
  const ObliqueAxes axes = obliqueAxes(Pi, ViewAngle);
  const Coordinates point = checkedArithmetic(
      [=, x = state.x, y = state.y, z = state.z, cosTheta = axes.cosTheta,
       sinTheta = axes.sinTheta](auto fence) mutable {
        fence(width, height, x, y, z, sx, sy, cosTheta, sinTheta);
        const float halfWidth = width / 2;
        const float halfHeight = height / 2;
        Coordinates c{(cosTheta * x + y) * sx + halfWidth,
                      height - ((sinTheta * x + z) * sy + halfHeight)};
        fence(c.px, c.py);
        return c;
      },
      bothFinite);
  return ScreenPoint{round16(point.px), round16(point.py)};
}

}  // namespace kestavon
