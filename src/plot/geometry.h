#pragma once

// The plot's arithmetic: the one definition of each formula, in its evaluation order, checked
// where it is used (dynamics/checked.h). Surface sizes are single precision, in twips; everything
// else is double, exactly as the formulas mix them: a float meeting a double is widened to double
// first, as the language does. Generic, for one run's numbers and for several runs' lanes.

#include <array>

namespace kestavon::geometry {

// Half a surface size, in single precision: where the vertical axis stands.
inline constexpr auto halfOf = [](auto size) { return size / 2; };

// The ends of the horizontal axis, from its left end down to its right: H - H/2 and H/2.
inline constexpr auto horizontalAxis = [](auto height) {
  const auto half = height / 2;
  return std::array{height - half, half};
};

// Twips per unit of the oscillator, divided in double from a surface size: W/30 in both views,
// H/40 in the x-y plane view and H/60 in the oblique view.
inline constexpr auto widthScale = [](auto width) { return width / 30.0; };
inline constexpr auto xyHeightScale = [](auto height) { return height / 40.0; };
inline constexpr auto obliqueHeightScale = [](auto height) { return height / 60.0; };

// The oblique view's angle, Pi - Pi * ViewAngle / 180 (60 degrees, near enough, for the window's
// constants).
inline constexpr auto obliqueAngle = [](auto pi, auto viewAngle) {
  return pi - ((pi * viewAngle) / 180);
};

// The x-y plane view: px = W/2 + x sx, py = H - (H/2 + y sy), the halves in single precision.
inline constexpr auto xyPoint = [](auto width, auto height, auto x, auto y, auto sx, auto sy) {
  const auto halfWidth = width / 2, halfHeight = height / 2;
  return std::array{halfWidth + x * sx, height - (halfHeight + y * sy)};
};

// The oblique view: px = (cos(angle) x + y) sx + W/2, py = H - ((sin(angle) x + z) sy + H/2).
inline constexpr auto obliquePoint = [](auto width, auto height, auto x, auto y, auto z, auto sx,
                                        auto sy, auto cosAngle, auto sinAngle) {
  const auto halfWidth = width / 2, halfHeight = height / 2;
  return std::array{(cosAngle * x + y) * sx + halfWidth,
                    height - ((sinAngle * x + z) * sy + halfHeight)};
};

}  // namespace kestavon::geometry
