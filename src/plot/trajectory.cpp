#include "plot/trajectory.h"

#include <optional>

#include "dynamics/runge_kutta.h"
#include "dynamics/checked.h"
#include "platform/fp_environment.h"
#include "platform/random.h"
#include "plot/geometry.h"
#include "plot/projection.h"
#include "plot/raster_canvas.h"
#include "plot/screen_canvas.h"

namespace kestavon {

namespace {

// A run makes as many passes as its counter allows: t starts at 0, gains 0.001 in double
// precision after each pass, and a pass is made while t <= 1000. Summed in doubles, t passes 1000
// only after the pass at t = 999.99999998: 1,000,001 passes (the tests sum it). The loop counts
// the passes in an integer instead, which keeps an addition and a register off the step's path.
constexpr int kPasses = 1'000'001;

constexpr Colour kGreen = RGB(0, 255, 0);

// The passes of a run: step, project, draw the segment from the previous point. A template, so
// that on the program's own canvases Line is inlined and the state stays in registers (a call
// would make it go through memory on the step's chain of dependent operations); any other surface
// gets its virtual calls. Not inlined into the run, so that the loop has the registers of a
// function to itself.
template <class Surface, class Projection>
[[gnu::noinline]] void drawPasses(Surface& surface, const Projection& project, OscState state) {
  ScreenPoint previous = project(surface, state);
  for (int pass = 0; pass < kPasses; ++pass) {
    state = nextState(state);
    const ScreenPoint next = project(surface, state);
    surface.Line(previous.px, previous.py, next.px, next.py, kGreen);
    previous = next;
  }
}

// The passes on the program's own canvases, or on any other surface.
template <class Projection>
void drawRun(PlotSurface& surface, const Projection& project, const OscState& start) {
  if (auto* canvas = dynamic_cast<RasterCanvas*>(&surface)) {
    drawPasses(*canvas, project, start);
  } else if (auto* screen = dynamic_cast<ScreenCanvas*>(&surface)) {
    drawPasses(*screen, project, start);
  } else {
    drawPasses(surface, project, start);
  }
}

}  // namespace

OscState runStart(const std::optional<OscState>& fixedStart) {
  if (fixedStart) return *fixedStart;
  Randomize();
  OscState state{};
  state.x = Rnd();
  state.y = Rnd();
  state.z = Rnd();
  return state;
}

void TrajectoryRun(View view, PlotSurface& surface, double Pi, double ViewAngle) {
  TrajectoryRun(view, surface, Pi, ViewAngle, std::nullopt);
}

void TrajectoryRun(View view, PlotSurface& surface, double Pi, double ViewAngle,
                   const std::optional<OscState>& fixedStart) {
  const DefaultFpEnvironment environment;

  const double sx = checked<geometry::widthScale>(surface.ScaleWidth());
  const float height = surface.ScaleHeight();
  if (view == View::XYPlane) {
    const double sy = checked<geometry::xyHeightScale>(height);
    Draw_Axis(surface);
    drawRun(surface, XYProjection{sx, sy}, runStart(fixedStart));
  } else {
    const double sy = checked<geometry::obliqueHeightScale>(height);
    const OscState start = runStart(fixedStart);
    drawRun(surface, ObliqueProjection::at(sx, sy, Pi, ViewAngle), start);
  }
}

}  // namespace kestavon
