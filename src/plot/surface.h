#pragma once

#include <algorithm>
#include <cstdint>

namespace kestavon {

// A 24-bit colour: red + 256 * green + 65536 * blue.
using Colour = std::uint32_t;

// The colour with the given components; each is clamped to 0..255, so a stray value can never
// spill into a neighbouring component. The name is in parentheses so that <windows.h>, whose RGB
// macro packs the components the same way, cannot expand it: there, call it as
// (kestavon::RGB)(...).
constexpr Colour(RGB)(int red, int green, int blue) {
  const auto component = [](int value) { return static_cast<Colour>(std::clamp(value, 0, 255)); };
  return component(red) + 256 * component(green) + 65536 * component(blue);
}

// What the program needs of a drawing surface. Sizes and coordinates are single precision, in
// twips (1/1440 inch), origin at the top-left of the inner drawing area, y growing downward.
// A failed property read or drawing call throws RunTimeError.
class PlotSurface {
 public:
  virtual ~PlotSurface() = default;

  // Inner width and height of the drawing area, read afresh at every use.
  virtual float ScaleWidth() const = 0;
  virtual float ScaleHeight() const = 0;

  // Erases all drawing, leaving the background colour.
  virtual void Cls() = 0;

  // A straight one-pixel segment between two absolute points, both ends included; what falls
  // outside the area is not shown.
  virtual void Line(float x1, float y1, float x2, float y2, Colour colour) = 0;
};

}  // namespace kestavon
