#include "plot/projection.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string>

#include "platform/checked.h"
#include "platform/fp_environment.h"
#include "platform/run_time_error.h"
#include "plot/projection_formulas.h"

namespace kestavon {

void throwConversionOverflow(double value) {
  // The shortest text that reads back as the same double, with a point whatever the locale.
  char number[32];
  const auto written = std::to_chars(number, number + sizeof number, value);
  throw RunTimeError(RunTimeFault::ConversionOverflow,
                     std::string(number, written.ptr) + " does not fit in a 16-bit integer");
}

namespace projection {

ObliqueAxes computeObliqueAxes(double Pi, double ViewAngle) {
  const double angle = checkedFormula(
      [](auto pi, auto viewAngle) { return pi - ((pi * viewAngle) / 180); }, Pi, ViewAngle);
  // An infinite angle makes cos and sin invalid operations; they are checked like any other.
  const auto axes = checkedCall(
      [](double a) {
        return std::array{std::cos(a), std::sin(a)};
      },
      angle);
  return ObliqueAxes{axes[0], axes[1]};
}

}  // namespace projection

// Draw_Axis and the public projections hold the default floating-point environment, which their
// checks need; a run's own projections are inline and under the run's.
void Draw_Axis(PlotSurface& surface) {
  const DefaultFpEnvironment environment;
  const Colour yellow = RGB(255, 255, 0);
  {
    // The vertical axis through the middle of the width.
    const float width = surface.ScaleWidth();
    const float height = surface.ScaleHeight();
    const float middle = checkedFormula([](auto w) { return w / 2; }, width);
    surface.Line(middle, 0, middle, height, yellow);
  }
  {
    // The horizontal axis through the middle of the height, drawn as H - H/2 down to H/2.
    const float width = surface.ScaleWidth();
    const float height = surface.ScaleHeight();
    const auto [top, half] = checkedFormula(
        [](auto h) {
          const auto halfHeight = h / 2;
          return std::array{h - halfHeight, halfHeight};
        },
        height);
    surface.Line(0, top, width, half, yellow);
  }
}

ScreenPoint ProjectXY(const PlotSurface& surface, const OscState& state, double sx, double sy) {
  const DefaultFpEnvironment environment;
  return projection::projectXY(surface, state, sx, sy);
}

ScreenPoint ProjectOblique(const PlotSurface& surface, const OscState& state, double sx, double sy,
                           double Pi, double ViewAngle) {
  const DefaultFpEnvironment environment;
  return projection::projectOblique(surface, state, sx, sy, Pi, ViewAngle);
}

}  // namespace kestavon
