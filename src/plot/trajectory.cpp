#include "plot/trajectory.h"

#include <array>
#include <cmath>
#include <optional>

#include "dynamics/runge_kutta.h"
#include "dynamics/runge_kutta_arithmetic.h"
#include "platform/all_of.h"
#include "platform/checked.h"
#include "platform/fp_environment.h"
#include "platform/random.h"
#include "plot/projection.h"
#include "plot/projection_formulas.h"
#include "plot/raster_canvas.h"
#include "plot/screen_canvas.h"

namespace kestavon {

namespace {

// A run makes as many passes as its counter allows: t starts at 0, gains 0.001 in double
// precision after each pass, and a pass is made while t <= 1000. Summed in doubles, t passes 1000
// only after the pass at t = 999.99999998: 1,000,001 passes (the tests sum it). The loops count
// the passes in an integer instead, which keeps an addition and a register off the step's path.
constexpr int kPasses = 1'000'001;

// Twips per unit of the oscillator, from a surface size read once at the start of the run: the
// size widened to double, then divided in double.
template <int Divisor>
constexpr auto kScaleFormula = [](auto size) { return formula::widen(size) / Divisor; };

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

// Whether both coordinates round to 16-bit integers as round16 rounds them; then they are in px
// and py. Plain ints and bools: the loop below must not keep anything in memory.
inline bool roundBoth16(double x, double y, int& px, int& py) {
  px = roundToInt(x);
  py = roundToInt(y);
  return allOf(fitsInt16(px), fitsInt16(py));
}

// The two views. Each projects through the checked functions on any surface, and in the fast
// loop below through the same formula without calls: a non-finite coordinate or one beyond 16 bits
// fails there, and the pass is then made again the checked way.
struct XYView {
  double sx, sy;

  void prepareFast() {}
  ScreenPoint operator()(const auto& surface, const OscState& s) const {
    return projection::projectXY(surface, s, sx, sy);
  }
  bool fast(float width, float height, double x, double y, double /*z*/, int& px, int& py) const {
    const auto c = projection::kXYFormula(width, height, x, y, sx, sy);
    return roundBoth16(c[0], c[1], px, py);
  }
};

struct ObliqueView {
  double sx, sy, Pi, ViewAngle;
  // The angle's cos and sin for the fast loop: bit for bit what every point's evaluation gives,
  // since Pi and ViewAngle stay the same throughout a run. Known once a point has been projected
  // the checked way, which raises the angle's faults where they belong.
  projection::ObliqueAxes axes{0, 0};

  void prepareFast() { axes = projection::obliqueAxes(Pi, ViewAngle); }
  ScreenPoint operator()(const auto& surface, const OscState& s) const {
    return projection::projectOblique(surface, s, sx, sy, Pi, ViewAngle);
  }
  bool fast(float width, float height, double x, double y, double z, int& px, int& py) const {
    const auto c =
        projection::kObliqueFormula(width, height, x, y, z, sx, sy, axes.cosAngle, axes.sinAngle);
    return roundBoth16(c[0], c[1], px, py);
  }
};

// Where a run stands between passes.
struct Pass {
  OscState state;
  ScreenPoint previous;
  int done;  // passes made
};

constexpr Colour kGreen = RGB(0, 255, 0);

// One whole pass the general way: the checked step, the checked projection, the surface's Line.
// Not inlined, so that the fast loop below has the registers of its function to itself.
template <class Surface, class View>
[[gnu::noinline]] void generalPass(Surface& surface, const View& view, Pass& pass,
                                   std::array<double, 4>& kx, std::array<double, 4>& ky,
                                   std::array<double, 4>& kz) {
  RungeKuttaStep(pass.state, kx, ky, kz);
  const ScreenPoint next = view(surface, pass.state);
  surface.Line(pass.previous.px, pass.previous.py, next.px, next.py, kGreen);
  pass.previous = next;
  ++pass.done;
}

// Passes on a canvas (a RasterCanvas, or a ScreenCanvas with its logical record) for as long as
// each is the common case: a finite step, a point within
// 16 bits, a segment on the canvas at most a pixel long. Everything is inlined and nothing in the
// loop is a call, so the state stays in registers (a call would make it go through memory on the
// step's chain of dependent operations); everything the loop uses is a plain value of its own,
// so that no store to the pixels can be taken to change it. A canvas never changes its size, so
// the size read once is what every point would read. Returns at the end of the run, or before a
// pass that is not the common case, with nothing of that pass done; the caller makes that one the
// general way, from the same state, which gives the same bits.
template <class View, class ShortLines>
[[gnu::noinline]] Pass fastPasses(const ShortLines lines, const float width, const float height,
                                  const View view, const Pass from) {
  const std::uint32_t green = toArgb(kGreen);
  double x = from.state.x, y = from.state.y, z = from.state.z;
  int previousX = from.previous.px, previousY = from.previous.py;
  int done = from.done;
  while (done < kPasses) {
    double nextX, nextY, nextZ;
    {
      // Only the new state: the slopes are not kept.
      const auto next = field::rungeKuttaAdvance(x, y, z);
      nextX = next[0];
      nextY = next[1];
      nextZ = next[2];
    }
    if (!allOf(std::isfinite(nextX), std::isfinite(nextY), std::isfinite(nextZ))) break;
    int px, py;
    if (!view.fast(width, height, nextX, nextY, nextZ, px, py)) break;
    if (!lines.draw(previousX, previousY, px, py, green)) break;
    x = nextX;
    y = nextY;
    z = nextZ;
    previousX = px;
    previousY = py;
    ++done;
  }
  return Pass{{x, y, z},
              {static_cast<std::int16_t>(previousX), static_cast<std::int16_t>(previousY)},
              done};
}

// The passes of a run from `start`.
template <class View>
void integrateAndDraw(PlotSurface& surface, View view, OscState start) {
  std::array<double, 4> kx{}, ky{}, kz{};
  Pass pass{start, view(surface, start), 0};
  view.prepareFast();
  // On a canvas the passes go the fast way for as long as they can, and the general way between.
  const auto alternate = [&](auto& canvas) {
    for (;;) {
      pass = fastPasses(canvas.shortLines(), canvas.ScaleWidth(), canvas.ScaleHeight(), view, pass);
      if (pass.done == kPasses) break;
      generalPass(canvas, view, pass, kx, ky, kz);
    }
  };
  if (RasterCanvas* canvas = surface.directCanvas()) {
    alternate(*canvas);
  } else if (ScreenCanvas* screen = surface.screenCanvas()) {
    alternate(*screen);
  } else {
    while (pass.done < kPasses) generalPass(surface, view, pass, kx, ky, kz);
  }
}

}  // namespace

void TrajectoryRun(View view, PlotSurface& surface, double Pi, double ViewAngle) {
  TrajectoryRun(view, surface, Pi, ViewAngle, std::nullopt);
}

void TrajectoryRun(View view, PlotSurface& surface, double Pi, double ViewAngle,
                   const std::optional<OscState>& fixedStart) {
  const DefaultFpEnvironment environment;

  const double sx = checkedFormula(kScaleFormula<30>, surface.ScaleWidth());
  const float height = surface.ScaleHeight();
  const double sy = view == View::XYPlane ? checkedFormula(kScaleFormula<40>, height)
                                          : checkedFormula(kScaleFormula<60>, height);

  if (view == View::XYPlane) {
    Draw_Axis(surface);
    integrateAndDraw(surface, XYView{sx, sy}, startState(fixedStart));
  } else {
    integrateAndDraw(surface, ObliqueView{sx, sy, Pi, ViewAngle}, startState(fixedStart));
  }
}

}  // namespace kestavon
