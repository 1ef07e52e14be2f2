// Batches of --render runs on every core this process may use against the same batch on one core:
// runs per second on all cores over runs per second on one core, for both views at --scale 1 and
// 4. Target on a machine of two cores: 1.8 or more. Each batch is eight runs a core, from starts
// of the sequence as the renderer draws them, on a new canvas with the axes first, as the renderer
// makes a picture: the canvases made and laid over each other are part of the figure.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/batch.h"
#include "platform/cores.h"
#include "platform/random.h"
#include "plot/projection.h"
#include "plot/screen_canvas.h"
#include "ratio_report.h"

namespace {

using kestavon::View;

std::vector<kestavon::OscState> batchStarts() {
  kestavon::FixRandomSeed(1);
  std::vector<kestavon::OscState> starts(static_cast<std::size_t>(8 * kestavon::usableCores()));
  for (kestavon::OscState& start : starts) start = kestavon::runStart(std::nullopt);
  return starts;
}

void Batch(benchmark::State& bench, View view, int scale, bool allCores) {
  const std::vector<kestavon::OscState> starts = batchStarts();
  const int threads = allCores ? kestavon::usableCores() : 1;
  for (auto _ : bench) {
    kestavon::RasterCanvas canvas(kestavon::kPlotAreaWidth * scale,
                                  kestavon::kPlotAreaHeight * scale,
                                  kestavon::twipsPerDevicePixel(scale));
    kestavon::Draw_Axis(canvas);
    kestavon::renderBatch(view, canvas, kestavon::kFormLoadPi, kestavon::kFormLoadViewAngle, starts,
                          threads, [](int) {});
    benchmark::DoNotOptimize(canvas.pixels());
  }
  bench.counters["runs"] = benchmark::Counter(
      static_cast<double>(starts.size() * static_cast<std::size_t>(bench.iterations())),
      benchmark::Counter::kIsRate);
}

struct Batches {
  const char* name;
  View view;
  int scale;
};
constexpr Batches kBatches[] = {{"xy_scale1", View::XYPlane, 1},
                                {"3d_scale1", View::Oblique, 1},
                                {"xy_scale4", View::XYPlane, 4},
                                {"3d_scale4", View::Oblique, 4}};

}  // namespace

int main(int argc, char** argv) {
  for (const Batches& batch : kBatches) {
    for (const bool allCores : {false, true}) {
      benchmark::RegisterBenchmark(
          (std::string("Batch/") + batch.name + (allCores ? "/all_cores" : "/one_core")).c_str(),
          Batch, batch.view, batch.scale, allCores)
          ->Unit(benchmark::kMillisecond)
          ->UseRealTime();
    }
  }
  const std::map<std::string, double> medians = kestavon::bench::runForMedians(argc, argv);
  std::printf("\nruns per second on %d cores over runs per second on one core (medians):\n",
              kestavon::usableCores());
  for (const Batches& batch : kBatches) {
    const std::string name = std::string("Batch/") + batch.name;
    const auto one = medians.find(name + "/one_core"), all = medians.find(name + "/all_cores");
    if (one == medians.end() || all == medians.end() || all->second <= 0) continue;
    std::printf("  %-12s one core %8.1f ms, all cores %8.1f ms a batch: %5.2fx\n", batch.name,
                one->second, all->second, one->second / all->second);
  }
  return 0;
}
