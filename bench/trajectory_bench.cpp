// Whole runs as the window draws them: TrajectoryRun on a 549 x 373 canvas (the window's plot
// area), with the checked step, the checked projection and the rasteriser. Target, as a ratio to
// BareLoop: <= 1.10x for both views. The same on the window's canvas at two other screen densities.

#include <benchmark/benchmark.h>

#include "form/layout.h"
#include "plot/raster_canvas.h"
#include "plot/screen_canvas.h"
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

// The window's own canvas on a screen of device pixel ratio 1.25 (the drawing area starting half
// a device pixel in) and 2: the same run, also keeping the record of logical pixels.
void DrawnScreenRun(benchmark::State& bench, kestavon::DeviceGrid grid) {
  kestavon::ScreenCanvas canvas(kestavon::form::kPlotAreaWidth, kestavon::form::kPlotAreaHeight,
                                grid);
  for (auto _ : bench) {
    canvas.Cls();
    kestavon::TrajectoryRun(kestavon::View::XYPlane, canvas, 3.141592654, 120);
    benchmark::DoNotOptimize(canvas.device().pixels());
  }
}

BENCHMARK_CAPTURE(DrawnRun, XYPlane, kestavon::View::XYPlane)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DrawnRun, Oblique, kestavon::View::Oblique)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DrawnScreenRun, XYPlaneAtRatio1_25, kestavon::DeviceGrid{1.25, 0.5, 0.5})
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(DrawnScreenRun, XYPlaneAtRatio2, kestavon::DeviceGrid{2, 0, 0})
    ->Unit(benchmark::kMillisecond);

}  // namespace
