// Whole runs as the window draws them: TrajectoryRun on a 549 x 373 canvas (the window's plot
// area), with the checked step, the checked projection and the rasteriser. Targets, as ratios to
// BareLoop: x-y run <= 1.5x, oblique run <= 1.6x.

#include <benchmark/benchmark.h>

#include "plot/raster_canvas.h"
#include "plot/trajectory.h"

namespace {

void DrawnRun(benchmark::State& bench, kestavon::View view) {
  kestavon::RasterCanvas canvas(549, 373);
  for (auto _ : bench) {
    canvas.Cls();
    kestavon::TrajectoryRun(view, canvas, 3.141592654, 120);
    benchmark::DoNotOptimize(canvas.pixels());
  }
}

BENCHMARK_CAPTURE(DrawnRun, XYPlane, kestavon::View::XYPlane)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DrawnRun, Oblique, kestavon::View::Oblique)->Unit(benchmark::kMillisecond);

}  // namespace
