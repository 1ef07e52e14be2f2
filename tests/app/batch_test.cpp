// A --render batch, its runs in flight together on one thread or several, against the same runs
// drawn one after the other on one canvas, as clicks draw them: the same pixels, and at a run-time
// error the same picture (the runs before the failing one whole, that one up to its fault, none
// after it) and the same error.

#include "app/batch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "form/layout.h"
#include "platform/run_time_error.h"
#include "plot/projection.h"
#include "plot/screen_canvas.h"
#include "support/named_case.h"

namespace kestavon {
namespace {

// Eleven runs: more than one group of runs in flight together, and a last group that is not full,
// at every width the processors have. All but one start in the attractor's neighbourhood; that
// one ({13, 13, 0}) leaves the plot area six times and comes back.
const std::vector<OscState> kStarts = {{0.1, 0.2, 0.3},   {0.9, 0.5, 0.1},   {0.25, 0.75, 0.5},
                                       {0.6, 0.05, 0.95}, {13, 13, 0},       {0.45, 0.15, 0.85},
                                       {0.7, 0.9, 0.2},   {0.05, 0.4, 0.65}, {0.8, 0.35, 0.55},
                                       {0.55, 0.6, 0.05}, {0.15, 0.95, 0.4}};

// The same with one run, first, in the middle or last, that leaves 16-bit coordinates after some
// thousands of steps, or one whose first point is out of them (after the x-y view's axes).
std::vector<OscState> withFaultAt(std::size_t run, OscState start = {14, 14, 0}) {
  std::vector<OscState> starts = kStarts;
  starts[run] = start;
  return starts;
}
const std::vector<OscState> kFirstFaults = withFaultAt(0);
const std::vector<OscState> kMiddleFaults = withFaultAt(5);
const std::vector<OscState> kLastFaults = withFaultAt(10);
const std::vector<OscState> kFaultAtAFirstPoint = withFaultAt(5, {200, 0, 0});

// Runs beside each other that fault at different steps: the first of them to fail ({14, 14, 0},
// run 2) faults thousands of steps after runs later in the batch ({20, 20, 0} and {15, 15, 0}
// leave 16-bit coordinates sooner, {0, 0, 1e308} and {0, 0, inf} fault in their first step of
// the x-y view, {200, 0, 0} and the z's cannot be projected at all).
const std::vector<OscState> kFaultsAtDifferentSteps = {
    {0.1, 0.2, 0.3}, {0.9, 0.5, 0.1},
    {14, 14, 0},     {20, 20, 0},
    {0, 0, 1e308},   {200, 0, 0},
    {15, 15, 0},     {0, 0, std::numeric_limits<double>::infinity()},
    {0.3, 0.3, 0.3}, {0.6, 0.05, 0.95},
    {0, 0, 1e5}};

struct BatchCase : testing_support::NamedCase {
  View view;
  const std::vector<OscState>* starts;
  int threads;
  int scale;
};

struct Drawn {
  std::vector<std::uint32_t> pixels;
  std::optional<std::string> error;
};

// The window's canvas after it opens (the axes), then the runs.
template <class Runs>
Drawn draw(const BatchCase& c, Runs&& runs) {
  RasterCanvas canvas(form::kPlotAreaWidth * c.scale, form::kPlotAreaHeight * c.scale,
                      twipsPerDevicePixel(c.scale));
  Draw_Axis(canvas);
  Drawn drawn;
  try {
    runs(canvas);
  } catch (const RunTimeError& error) {
    drawn.error = error.what();
  }
  const std::size_t count =
      static_cast<std::size_t>(canvas.width()) * static_cast<std::size_t>(canvas.height());
  drawn.pixels.assign(canvas.pixels(), canvas.pixels() + count);
  return drawn;
}

class BatchTest : public testing::TestWithParam<BatchCase> {};

TEST_P(BatchTest, DrawsWhatOneRunAfterAnotherDraws) {
  const BatchCase& c = GetParam();
  const Drawn oneAtATime = draw(c, [&c](RasterCanvas& canvas) {
    for (const OscState& start : *c.starts)
      TrajectoryRun(c.view, canvas, kFormLoadPi, kFormLoadViewAngle, start);
  });
  std::vector<int> shown;
  const Drawn batch = draw(c, [&c, &shown](RasterCanvas& canvas) {
    renderBatch(c.view, canvas, kFormLoadPi, kFormLoadViewAngle, *c.starts, c.threads,
                [&shown](int finished) { shown.push_back(finished); });
  });
  EXPECT_EQ(batch.error, oneAtATime.error);
  EXPECT_TRUE(batch.pixels == oneAtATime.pixels);
  EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()) &&
              std::adjacent_find(shown.begin(), shown.end()) == shown.end());
  if (!oneAtATime.error) {
    EXPECT_EQ(shown.back(), static_cast<int>(c.starts->size()));
  }
}

// Every scale from 1 to 8, both views, one core and several.
INSTANTIATE_TEST_SUITE_P(
    Batches, BatchTest,
    testing::Values(
        BatchCase{{"xy_scale_1_one_core"}, View::XYPlane, &kStarts, 1, 1},
        BatchCase{{"xy_scale_1_two_cores"}, View::XYPlane, &kStarts, 2, 1},
        BatchCase{{"oblique_scale_2_one_core"}, View::Oblique, &kStarts, 1, 2},
        BatchCase{{"oblique_scale_2_three_cores"}, View::Oblique, &kStarts, 3, 2},
        BatchCase{{"xy_scale_3_two_cores"}, View::XYPlane, &kStarts, 2, 3},
        BatchCase{{"oblique_scale_4_two_cores"}, View::Oblique, &kStarts, 2, 4},
        BatchCase{{"xy_scale_5_more_cores_than_groups"}, View::XYPlane, &kStarts, 16, 5},
        BatchCase{{"oblique_scale_6_one_core"}, View::Oblique, &kStarts, 1, 6},
        BatchCase{{"xy_scale_7_one_core"}, View::XYPlane, &kStarts, 1, 7},
        BatchCase{{"oblique_scale_8_two_cores"}, View::Oblique, &kStarts, 2, 8},
        BatchCase{{"xy_fault_in_the_first_run"}, View::XYPlane, &kFirstFaults, 2, 1},
        BatchCase{{"oblique_fault_in_the_first_run_one_core"}, View::Oblique, &kFirstFaults, 1, 2},
        BatchCase{{"xy_fault_in_a_middle_run_one_core"}, View::XYPlane, &kMiddleFaults, 1, 1},
        BatchCase{{"oblique_fault_in_a_middle_run"}, View::Oblique, &kMiddleFaults, 2, 3},
        BatchCase{{"xy_fault_in_the_last_run"}, View::XYPlane, &kLastFaults, 2, 2},
        BatchCase{{"oblique_fault_in_the_last_run_one_core"}, View::Oblique, &kLastFaults, 1, 1},
        BatchCase{{"xy_fault_at_a_first_point"}, View::XYPlane, &kFaultAtAFirstPoint, 2, 1},
        BatchCase{{"xy_faults_at_different_steps_one_core"},
                  View::XYPlane,
                  &kFaultsAtDifferentSteps,
                  1,
                  1},
        BatchCase{{"xy_faults_at_different_steps"}, View::XYPlane, &kFaultsAtDifferentSteps, 2, 2},
        BatchCase{
            {"oblique_faults_at_different_steps"}, View::Oblique, &kFaultsAtDifferentSteps, 2, 1}),
    testing_support::caseName);

}  // namespace
}  // namespace kestavon
