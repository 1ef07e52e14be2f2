#pragma once

#include <cstdint>

#include "dynamics/runge_kutta.h"
#include "plot/surface.h"

namespace kestavon {

// Surface coordinates of a plotted point, in twips.
struct ScreenPoint {
  std::int16_t px, py;

  friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2, -2.5 -> -2). Throws
// RunTimeError (ConversionOverflow) when the result is outside -32768..32767 or the value is NaN.
std::int16_t round16(double value);

// Draws the vertical and the horizontal axis through the centre of the surface, in yellow.
void Draw_Axis(PlotSurface& surface);

// The x-y plane view: the centre of the surface is the origin, y grows upward, z is ignored.
// sx and sy are the run's scale factors (twips per unit). Reads the surface size at every call.
ScreenPoint ProjectXY(const PlotSurface& surface, const OscState& state, double sx, double sy);

// The oblique view at angle Pi - Pi * ViewAngle / 180: y runs horizontally, z upward, and x adds
// cos(angle) * x to the horizontal and sin(angle) * x to the upward coordinate before scaling.
ScreenPoint ProjectOblique(const PlotSurface& surface, const OscState& state, double sx, double sy,
                           double Pi, double ViewAngle);

}  // namespace kestavon
