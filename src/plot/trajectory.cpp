#include "plot/trajectory.h"

#include <optional>

#include "dynamics/checked.h"
#include "dynamics/runge_kutta.h"
#include "platform/fp_environment.h"
#include "platform/random.h"
#include "plot/geometry.h"
#include "plot/projection.h"
#include "plot/raster_canvas.h"
#include "plot/screen_canvas.h"

namespace kestavon {

namespace {

constexpr Colour kGreen = RGB(0, 255, 0);

// The passes of a run: step, project, draw the segment from the previous point. A template, so
// that on the program's own canvases Line is inlined and the state stays in registers (a call
// would make it go through memory on the step's chain of dependent operations); any other surface
// gets its virtual calls. Not inlined into the run, so that the loop has the registers of a
// function to itself.
template <class Surface, class Projection>
[[gnu::noinline]] void drawPasses(Surface& surface, const Projection& project, OscState state) {
  ScreenPoint previous = project(surface, state);
  for (int pass = 0; pass < kPassesPerRun; ++pass) {
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

std::array<double, 2> scaleFactors(View view, const PlotSurface& surface) {
  const double sx = checked<geometry::widthScale>(surface.ScaleWidth());
  const float height = surface.ScaleHeight();
  const double sy = view == View::XYPlane ? checked<geometry::xyHeightScale>(height)
                                          : checked<geometry::obliqueHeightScale>(height);
  return {sx, sy};
}

void TrajectoryRun(View view, PlotSurface& surface, double Pi, double ViewAngle,
                   const std::optional<OscState>& fixedStart) {
  const DefaultFpEnvironment environment;

  const auto [sx, sy] = scaleFactors(view, surface);
  if (view == View::XYPlane) {
    Draw_Axis(surface);
    drawRun(surface, XYProjection{sx, sy}, runStart(fixedStart));
  } else {
    const OscState start = runStart(fixedStart);
    drawRun(surface, ObliqueProjection::at(sx, sy, Pi, ViewAngle), start);
  }
}

}  // namespace kestavon
