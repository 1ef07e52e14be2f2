#include "plot/trajectory.h"

#include <array>

#include "dynamics/runge_kutta.h"
#include "platform/fp_check.h"
#include "platform/random.h"
#include "plot/projection.h"
#include "plot/raster_canvas.h"

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

// The start of a run: the fixed state, or three consecutive values of the sequence, x, then y,
// then z, after reseeding it.
OscState startState(const std::optional<OscState>& fixedStart) {
  if (fixedStart) return *fixedStart;
  Randomize();
  OscState state{};
  state.x = Rnd();
  state.y = Rnd();
  state.z = Rnd();
  return state;
}

// The run's loop, for a surface of static type Surface: on a RasterCanvas (a final class) the
// drawing is inlined, on any other surface it goes through the virtual calls.
template <class Surface, class Project>
void integrateAndDraw(Surface& surface, OscState state, Project project) {
  std::array<double, 4> kx{}, ky{}, kz{};
  const Colour green = RGB(0, 255, 0);
  ScreenPoint previous = project(surface, state);
  // The counter accumulates 0.001 in double precision and passes 1000 only after the pass at
  // t = 999.99999998: 1,000,001 passes.
  for (double t = 0; t <= kRunLength; t = t + kLoopStep) {
    RungeKuttaStep(state, kx, ky, kz);
    const ScreenPoint next = project(surface, state);
    surface.Line(previous.px, previous.py, next.px, next.py, green);
    previous = next;
  }
}

template <class Project>
void drawOn(PlotSurface& surface, OscState start, Project project) {
  if (RasterCanvas* canvas = surface.directCanvas()) {
    integrateAndDraw(*canvas, start, project);
  } else {
    integrateAndDraw(surface, start, project);
  }
}

}  // namespace

void TrajectoryRun(View view, PlotSurface& surface, double Pi, double ViewAngle) {
  TrajectoryRun(view, surface, Pi, ViewAngle, std::nullopt);
}

void TrajectoryRun(View view, PlotSurface& surface, double Pi, double ViewAngle,
                   const std::optional<OscState>& fixedStart) {
  const double sx = scaleFactor(surface.ScaleWidth(), 30);
  const double sy = scaleFactor(surface.ScaleHeight(), view == View::XYPlane ? 40 : 60);

  if (view == View::XYPlane) {
    Draw_Axis(surface);
    drawOn(surface, startState(fixedStart), [sx, sy](const auto& on, const OscState& s) {
      return ProjectXY(on, s, sx, sy);
    });
  } else {
    drawOn(surface, startState(fixedStart), [=](const auto& on, const OscState& s) {
      return ProjectOblique(on, s, sx, sy, Pi, ViewAngle);
    });
  }
}

}  // namespace kestavon
