// Batches of --render runs, side by side in one process: one run after another on one core (the
// path of a single run, and of batches before runs went in flight together), the runs in flight
// together on one thread, and in flight on every core this process may use; for both views at
// --scale 1 and 4. Each batch is 16 runs a core from starts of the sequence, on a new canvas with
// the axes first, as the renderer makes a picture. Targets: in flight on one core at least 3 times
// the runs per second of one after another; on all cores at least 0.85 x cores x that.
//
// Two references tell the drawing's share: the integration alone, one run after another
// (nextState, as a run steps) and in flight (the lanes' step with its check, at the program's
// width, for the processor's vectors; and at other widths, for every kind of vectors this
// processor has). Run it under `taskset -c 1` for the figures of one core; the all-cores figures
// need every core.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/batch.h"
#include "dynamics/lanes.h"
#include "dynamics/runge_kutta.h"
#include "form/layout.h"
#include "platform/cores.h"
#include "platform/random.h"
#include "plot/projection.h"
#include "plot/runs_in_flight.h"
#include "plot/screen_canvas.h"
#include "ratio_report.h"

namespace {

using kestavon::OscState;
using kestavon::View;

constexpr int kRunsPerCore = 16;

std::vector<OscState> batchStarts(int cores) {
  kestavon::FixRandomSeed(1);
  std::vector<OscState> starts(static_cast<std::size_t>(kRunsPerCore * cores));
  for (OscState& start : starts) start = kestavon::runStart(std::nullopt);
  return starts;
}

kestavon::RasterCanvas pictureCanvas(int scale) {
  kestavon::RasterCanvas canvas(kestavon::form::kPlotAreaWidth * scale,
                                kestavon::form::kPlotAreaHeight * scale,
                                kestavon::twipsPerDevicePixel(scale));
  kestavon::Draw_Axis(canvas);
  return canvas;
}

void countRuns(benchmark::State& bench, std::size_t runs) {
  bench.counters["runs"] =
      benchmark::Counter(static_cast<double>(runs * static_cast<std::size_t>(bench.iterations())),
                         benchmark::Counter::kIsRate);
}

// One run after another on the picture, as clicks draw them.
void OneAtATime(benchmark::State& bench, View view, int scale) {
  const std::vector<OscState> starts = batchStarts(1);
  for (auto _ : bench) {
    kestavon::RasterCanvas canvas = pictureCanvas(scale);
    for (const OscState& start : starts) {
      kestavon::TrajectoryRun(view, canvas, kestavon::kFormLoadPi, kestavon::kFormLoadViewAngle,
                              start);
    }
    benchmark::DoNotOptimize(canvas.pixels());
  }
  countRuns(bench, starts.size());
}

// renderBatch on one thread, or on every core.
void InFlight(benchmark::State& bench, View view, int scale, bool allCores) {
  const int cores = allCores ? kestavon::usableCores() : 1;
  const std::vector<OscState> starts = batchStarts(cores);
  for (auto _ : bench) {
    kestavon::RasterCanvas canvas = pictureCanvas(scale);
    kestavon::renderBatch(view, canvas, kestavon::kFormLoadPi, kestavon::kFormLoadViewAngle, starts,
                          cores, [](int) {});
    benchmark::DoNotOptimize(canvas.pixels());
  }
  countRuns(bench, starts.size());
}

// The integration alone, one run after another: a run's checked steps without their points.
// A function of its own, as a run's passes are (trajectory.cpp), so that the loop has the
// registers to itself.
[[gnu::noinline]] OscState stepsOfARun(OscState state) {
  for (int pass = 0; pass < kestavon::kPassesPerRun; ++pass) state = kestavon::nextState(state);
  return state;
}

void StepsOneAtATime(benchmark::State& bench) {
  const std::vector<OscState> starts = batchStarts(1);
  for (auto _ : bench) {
    for (const OscState& start : starts) {
      OscState end = stepsOfARun(start);
      benchmark::DoNotOptimize(end);
    }
  }
  countRuns(bench, starts.size());
}

// The integration alone in flight: the lanes' step and its check, W runs at a time.
template <int W>
[[gnu::always_inline]] inline void laneSteps(const std::vector<OscState>& starts) {
  for (std::size_t first = 0; first < starts.size(); first += W) {
    kestavon::Lanes<W> x, y, z;
    for (int lane = 0; lane < W; ++lane) {
      const OscState& start = starts[first + static_cast<std::size_t>(lane)];
      x.set(lane, start.x);
      y.set(lane, start.y);
      z.set(lane, start.z);
    }
    for (int pass = 0; pass < kestavon::kPassesPerRun; ++pass) {
      const auto next = kestavon::field::rungeKuttaState(x, y, z);
      if (!kestavon::allFinite(next)) [[unlikely]]
        std::abort();
      x = next[0];
      y = next[1];
      z = next[2];
    }
    benchmark::DoNotOptimize(x);
  }
}

using LaneSteps = void (*)(const std::vector<OscState>&);

// The lanes' steps compiled for each kind of processor this machine has, at each width: what the
// program's width was chosen from (docs/performance.md). The program's own choice comes first.
struct LaneCode {
  std::string name;
  LaneSteps steps;
};

template <int W>
void laneStepsBaseline(const std::vector<OscState>& starts) {
  laneSteps<W>(starts);
}
#if defined(__x86_64__)
template <int W>
[[gnu::target("avx2")]] void laneStepsAvx2(const std::vector<OscState>& starts) {
  laneSteps<W>(starts);
}
template <int W>
[[gnu::target("avx512f")]] void laneStepsAvx512(const std::vector<OscState>& starts) {
  laneSteps<W>(starts);
}
#endif

std::vector<LaneCode> laneCodes() {
  std::vector<LaneCode> codes;
  const auto add = [&codes](const std::string& vectors, auto... steps) {
    int width = 2;
    ((codes.push_back({vectors + "/" + std::to_string(width), steps}), width *= 2), ...);
  };
#if defined(__x86_64__)
  if (__builtin_cpu_supports("avx512f")) {
    add("avx512", laneStepsAvx512<2>, laneStepsAvx512<4>, laneStepsAvx512<8>, laneStepsAvx512<16>);
  }
  if (__builtin_cpu_supports("avx2")) {
    add("avx2", laneStepsAvx2<2>, laneStepsAvx2<4>, laneStepsAvx2<8>, laneStepsAvx2<16>);
  }
#endif
  add("baseline", laneStepsBaseline<2>, laneStepsBaseline<4>, laneStepsBaseline<8>,
      laneStepsBaseline<16>);
  return codes;
}

void StepsInFlight(benchmark::State& bench, LaneSteps steps) {
  const std::vector<OscState> starts = batchStarts(1);
  for (auto _ : bench) steps(starts);
  countRuns(bench, starts.size());
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

double perRun(const std::map<std::string, double>& medians, const std::string& name, int runs) {
  const auto found = medians.find(name);
  return found == medians.end() ? 0 : found->second / runs;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<benchmark::internal::Benchmark*> registered;
  for (const Batches& batch : kBatches) {
    const std::string name = batch.name;
    registered.push_back(benchmark::RegisterBenchmark(("OneAtATime/" + name).c_str(), OneAtATime,
                                                      batch.view, batch.scale));
    registered.push_back(benchmark::RegisterBenchmark(("InFlight/" + name + "/one_core").c_str(),
                                                      InFlight, batch.view, batch.scale, false));
    registered.push_back(benchmark::RegisterBenchmark(("InFlight/" + name + "/all_cores").c_str(),
                                                      InFlight, batch.view, batch.scale, true));
  }
  registered.push_back(benchmark::RegisterBenchmark("Steps/one_at_a_time", StepsOneAtATime));
  // The program's code: the first of its kind at its width.
  kestavon::RasterCanvas canvas(1, 1);
  const std::string width =
      "/" + std::to_string(kestavon::RunsInFlight(View::XYPlane, canvas, 0, 0).width());
  bool programs = true;
  for (const LaneCode& code : laneCodes()) {
    const bool program = programs && code.name.ends_with(width);
    programs = programs && !program;
    registered.push_back(benchmark::RegisterBenchmark(
        (program ? std::string("Steps/in_flight") : "Steps/in_flight/" + code.name).c_str(),
        StepsInFlight, code.steps));
  }
  for (benchmark::internal::Benchmark* each : registered) {
    each->Unit(benchmark::kMillisecond)->UseRealTime();
  }
  const std::map<std::string, double> medians = kestavon::bench::runForMedians(argc, argv);
  if (medians.empty()) return 0;

  const int cores = kestavon::usableCores();
  std::printf("\nms a run (medians); %d runs in flight together on a thread; %d cores:\n",
              kestavon::RunsInFlight(View::XYPlane, canvas, 0, 0).width(), cores);
  const double stepsAlone = perRun(medians, "Steps/one_at_a_time", kRunsPerCore);
  const double stepsInFlight = perRun(medians, "Steps/in_flight", kRunsPerCore);
  std::printf("  integration alone: one at a time %6.2f, in flight %6.2f\n", stepsAlone,
              stepsInFlight);
  for (const auto& [name, time] : medians) {
    if (name.starts_with("Steps/in_flight/")) {
      std::printf("    in flight, %-14s %6.2f\n", name.substr(16).c_str(), time / kRunsPerCore);
    }
  }
  std::printf("  %-10s %22s %30s %26s\n", "batch", "one at a time (drawing)",
              "in flight, one core (drawing)", "in flight, all cores");
  for (const Batches& batch : kBatches) {
    const std::string name = batch.name;
    const double alone = perRun(medians, "OneAtATime/" + name, kRunsPerCore);
    const double one = perRun(medians, "InFlight/" + name + "/one_core", kRunsPerCore);
    const double all = perRun(medians, "InFlight/" + name + "/all_cores", kRunsPerCore * cores);
    const auto drawing = [](double run, double steps) { return steps > 0 ? run - steps : 0; };
    std::printf("  %-10s %9.2f (%5.2f)", batch.name, alone, drawing(alone, stepsAlone));
    if (alone > 0 && one > 0) {
      std::printf("       %9.2f (%5.2f): %5.2fx", one, drawing(one, stepsInFlight), alone / one);
    }
    if (alone > 0 && all > 0) std::printf("       %9.2f: %5.2fx", all, alone / all);
    std::printf("\n");
  }
  return 0;
}
