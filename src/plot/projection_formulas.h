#pragma once

// The projections as checked formulas, inline for any surface type: the public ProjectXY and
// ProjectOblique use them on a PlotSurface, and a run on a RasterCanvas inlines them into its loop
// so that the state stays in registers. Widths and heights are single precision, everything else
// double, exactly as the arithmetic below mixes them.

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

#include "dynamics/runge_kutta.h"
#include "platform/checked.h"
#include "plot/projection.h"

namespace kestavon::projection {

// px = W/2 + x sx, py = H - (H/2 + y sy); W and H halved in single precision.
inline constexpr auto kXYFormula = [](auto width, auto height, auto x, auto y, auto sx, auto sy) {
  const auto halfWidth = width / 2;
  const auto halfHeight = height / 2;
  return std::array{halfWidth + x * sx, height - (halfHeight + y * sy)};
};

// px = (cos(angle) x + y) sx + W/2, py = H - ((sin(angle) x + z) sy + H/2).
inline constexpr auto kObliqueFormula = [](auto width, auto height, auto x, auto y, auto z, auto sx,
                                           auto sy, auto cosAngle, auto sinAngle) {
  const auto halfWidth = width / 2;
  const auto halfHeight = height / 2;
  return std::array{(cosAngle * x + y) * sx + halfWidth,
                    height - ((sinAngle * x + z) * sy + halfHeight)};
};

// cos and sin of the oblique angle Pi - Pi * ViewAngle / 180.
struct ObliqueAxes {
  double cosAngle, sinAngle;
};

// Computes the axes with their fault checks (out of line: it runs once per pair of arguments).
ObliqueAxes computeObliqueAxes(double Pi, double ViewAngle);

// The axes for the last (Pi, ViewAngle) pair, remembered bit for bit. The same arguments give the
// same angle and the same libm results, so every point gets exactly the values a fresh evaluation
// would give, and a pair whose angle faults is never remembered; two libm calls would cost more
// than the rest of a point.
struct ObliqueAxesMemo {
  std::uint64_t pi = 0, viewAngle = 0;
  ObliqueAxes axes{0, 0};
  bool valid = false;
};
constinit inline thread_local ObliqueAxesMemo obliqueAxesMemo;

inline ObliqueAxes obliqueAxes(double Pi, double ViewAngle) {
  ObliqueAxesMemo& memo = obliqueAxesMemo;
  const auto piBits = std::bit_cast<std::uint64_t>(Pi);
  const auto angleBits = std::bit_cast<std::uint64_t>(ViewAngle);
  if (memo.valid && memo.pi == piBits && memo.viewAngle == angleBits) [[likely]] {
    return memo.axes;
  }
  const ObliqueAxes axes = computeObliqueAxes(Pi, ViewAngle);
  memo = ObliqueAxesMemo{piBits, angleBits, axes, true};
  return axes;
}

template <class Surface>
inline ScreenPoint projectXY(const Surface& surface, const OscState& state, double sx, double sy) {
  const float width = surface.ScaleWidth();
  const float height = surface.ScaleHeight();
  const auto point = checkedFormula(kXYFormula, width, height, state.x, state.y, sx, sy);
  return ScreenPoint{round16(point[0]), round16(point[1])};
}

template <class Surface>
inline ScreenPoint projectOblique(const Surface& surface, const OscState& state, double sx,
                                  double sy, double Pi, double ViewAngle) {
  const float width = surface.ScaleWidth();
  const float height = surface.ScaleHeight();
  const ObliqueAxes axes = obliqueAxes(Pi, ViewAngle);
  const auto point = checkedFormula(kObliqueFormula, width, height, state.x, state.y, state.z, sx,
                                    sy, axes.cosAngle, axes.sinAngle);
  return ScreenPoint{round16(point[0]), round16(point[1])};
}

}  // namespace kestavon::projection
