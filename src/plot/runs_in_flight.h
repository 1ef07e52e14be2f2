#pragma once

// Several runs of a batch in flight on one thread. One run is a chain of dependent arithmetic that
// keeps the processor waiting on each result; runs side by side, one to a lane of the processor's
// vectors (dynamics/lanes.h), fill that wait. Each run is exactly the run that TrajectoryRun makes
// alone: the same formulas and checks, instantiated for lanes, the same points, and a fault ends
// its run where it would end alone, while the others go on.
//
// What the runs draw is kept as the pixels they lit, a byte a pixel, instead of colours: a batch's
// runs all draw in one colour, so its picture needs no more (app/batch.h).

#include <cstdint>
#include <exception>
#include <span>
#include <variant>

#include "dynamics/oscillator.h"
#include "plot/projection.h"
#include "plot/raster_canvas.h"
#include "plot/trajectory.h"

namespace kestavon {

// Whether a run lit a pixel. Not a character type, so that the compiler need not take a store of
// one to change the canvas's tables.
enum class Lit : std::uint8_t { No, Yes };

class RunsInFlight {
 public:
  // Runs of `view` on `canvas` (its size and scale; its pixels are left alone), with the scale
  // factors and projection that TrajectoryRun computes before its first point. Throws
  // RunTimeError where a run throws before it draws anything.
  RunsInFlight(View view, const RasterCanvas& canvas, double Pi, double ViewAngle);

  // How many runs mark() takes together on this processor: the width of the code chosen for it.
  int width() const;

  // Draws the runs from `starts` (at most width() of them) as TrajectoryRun draws them, setting
  // pixels[k][y * width + x] to Yes for every pixel (x, y) that run k lights (each pixels[k] has
  // an entry a canvas pixel, row-major; runs may share them). A run-time error in run k ends run k
  // where it would end alone, and faults[k] receives it; the other runs go on.
  void mark(std::span<const OscState> starts, std::span<const std::span<Lit>> pixels,
            std::span<std::exception_ptr> faults) const;

 private:
  const RasterCanvas& m_canvas;
  std::variant<XYProjection, ObliqueProjection> m_projection;
};

}  // namespace kestavon
