#include "plot/trajectory.h"

#include <array>

#include "dynamics/runge_kutta.h"
#include "platform/fp_check.h"
#include "platform/random.h"
#include "plot/projection.h"

namespace kestavon {

namespace {

constexpr double kRunLength = 1000;  // time units
constexpr double kLoopStep = 0.001;  // the counter's own step, the same value as StepSize

// Twips per unit of the oscillator, from a surface size read once at the start of the run.
double scaleFactor(float size, double divisor) {
  clearFpFaults();
  fpFence(size, divisor);
  double wide = size;  // widening a signalling NaN is itself an invalid operation
  double factor = wide / divisor;
  fpFence(factor);
  checkFpFaults();
  return factor;
}

template <class Project>
void integrateAndDraw(PlotSurface& surface, Project project) {
  OscState state{};
  // Three consecutive values of the sequence: x, then y, then z.
  state.x = Rnd();
  state.y = Rnd();
  state.z = Rnd();

  std::array<double, 4> kx{}, ky{}, kz{};
  const Colour green = RGB(0, 255, 0);
  ScreenPoint previous = project(state);
  // The counter accumulates 0.001 in double precision and passes 1000 only after the pass at
  // t = 999.99999998: 1,000,001 passes.
  for (double t = 0; t <= kRunLength; t = t + kLoopStep) {
    RungeKuttaStep(state, kx, ky, kz);
    const ScreenPoint next = project(state);
    surface.Line(previous.px, previous.py, next.px, next.py, green);
    previous = next;
  }
}

}  // namespace

void TrajectoryRun(View view, PlotSurface& surface, double Pi, double ViewAngle) {
  const double sx = scaleFactor(surface.ScaleWidth(), 30);
  const double sy = scaleFactor(surface.ScaleHeight(), view == View::XYPlane ? 40 : 60);

  if (view == View::XYPlane) {
    Draw_Axis(surface);
    Randomize();
    integrateAndDraw(surface, [&](const OscState& s) { return ProjectXY(surface, s, sx, sy); });
  } else {
    Randomize();
    integrateAndDraw(surface, [&](const OscState& s) {
      return ProjectOblique(surface, s, sx, sy, Pi, ViewAngle);
    });
  }
}

}  // namespace kestavon
