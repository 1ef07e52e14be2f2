#include "plot/projection.h"

#include <array>
#include <cmath>
#include <string>

#include "platform/fp_environment.h"
#include "platform/number_text.h"
#include "platform/run_time_error.h"

namespace kestavon {

void throwConversionOverflow(double value) {
  // The shortest text that reads back as the same double, with a point whatever the locale.
  throw RunTimeError(RunTimeFault::ConversionOverflow,
                     shortestText(value) + " does not fit in a 16-bit integer");
}

ObliqueProjection ObliqueProjection::at(double sx, double sy, double Pi, double ViewAngle) {
  const double angle = checked<geometry::obliqueAngle>(Pi, ViewAngle);
  // An infinite angle makes cos and sin invalid operations; they are checked like any other.
  const auto [cosAngle, sinAngle] = checkedCall(
      [](double a) {
        return std::array{std::cos(a), std::sin(a)};
      },
      angle);
  return {sx, sy, cosAngle, sinAngle};
}

// Draw_Axis and the public projections hold the default floating-point environment, which their
// checks need; a run's projections are under the run's.
void Draw_Axis(PlotSurface& surface) {
  const DefaultFpEnvironment environment;
  const Colour yellow = RGB(255, 255, 0);
  {
    // The vertical axis through the middle of the width.
    const float width = surface.ScaleWidth();
    const float height = surface.ScaleHeight();
    const float middle = checked<geometry::halfOf>(width);
    surface.Line(middle, 0, middle, height, yellow);
  }
  {
    // The horizontal axis through the middle of the height.
    const float width = surface.ScaleWidth();
    const float height = surface.ScaleHeight();
    const auto [top, half] = checked<geometry::horizontalAxis>(height);
    surface.Line(0, top, width, half, yellow);
  }
}

ScreenPoint ProjectXY(const PlotSurface& surface, const OscState& state, double sx, double sy) {
  const DefaultFpEnvironment environment;
  return XYProjection{sx, sy}(surface, state);
}

ScreenPoint ProjectOblique(const PlotSurface& surface, const OscState& state, double sx, double sy,
                           double Pi, double ViewAngle) {
  const DefaultFpEnvironment environment;
  return ObliqueProjection::at(sx, sy, Pi, ViewAngle)(surface, state);
}

}  // namespace kestavon
