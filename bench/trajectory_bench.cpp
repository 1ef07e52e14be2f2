// Whole runs as the window draws them: TrajectoryRun on a 549 x 373 canvas (the window's plot
// area), with the checked step, the checked projection and the rasteriser. Target, as a ratio to
// BareLoop: <= 1.10x for both views.

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
