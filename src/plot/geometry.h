#pragma once

// The plot's arithmetic: the one definition of each formula, in its evaluation order, checked
// where it is used (platform/checked.h). Surface sizes are single precision, in twips; everything
// else is double, exactly as the formulas mix them.

#include <array>

namespace kestavon::geometry {

// Half a surface size, in single precision: where the vertical axis stands.
constexpr float halfOf(float size) { return size / 2; }

// The ends of the horizontal axis, from its left end down to its right: H - H/2 and H/2.
constexpr std::array<float, 2> horizontalAxis(float height) {
  const float half = height / 2;
  return {height - half, half};
}

// Twips per unit of the oscillator, from a surface size widened to double: W/30 in both views,
// H/40 in the x-y plane view and H/60 in the oblique view.
constexpr double widthScale(float width) { return static_cast<double>(width) / 30; }
constexpr double xyHeightScale(float height) { return static_cast<double>(height) / 40; }
constexpr double obliqueHeightScale(float height) { return static_cast<double>(height) / 60; }

// The oblique view's angle, Pi - Pi * ViewAngle / 180 (60 degrees, near enough, for the window's
// constants).
constexpr double obliqueAngle(double pi, double viewAngle) { return pi - ((pi * viewAngle) / 180); }

// The x-y plane view: px = W/2 + x sx, py = H - (H/2 + y sy).
constexpr std::array<double, 2> xyPoint(float width, float height, double x, double y, double sx,
                                        double sy) {
  const float halfWidth = width / 2, halfHeight = height / 2;
  return {halfWidth + x * sx, height - (halfHeight + y * sy)};
}

// The oblique view: px = (cos(angle) x + y) sx + W/2, py = H - ((sin(angle) x + z) sy + H/2).
constexpr std::array<double, 2> obliquePoint(float width, float height, double x, double y,
                                             double z, double sx, double sy, double cosAngle,
                                             double sinAngle) {
  const float halfWidth = width / 2, halfHeight = height / 2;
  return {(cosAngle * x + y) * sx + halfWidth, height - ((sinAngle * x + z) * sy + halfHeight)};
}

}  // namespace kestavon::geometry
