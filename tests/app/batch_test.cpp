// A --render batch drawn on several threads against the same runs drawn one after the other on one
// canvas, as clicks draw them: the same pixels, and at a run-time error in a middle run the same
// picture and the same error.

#include "app/batch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/run_time_error.h"
#include "plot/projection.h"
#include "plot/screen_canvas.h"
#include "support/named_case.h"

namespace kestavon {
namespace {

// Runs from the attractor's neighbourhood, and one, third of five, that leaves it: drawn for a
// while, then too far out for 16-bit coordinates.
const std::vector<OscState> kStarts = {
    {0.1, 0.2, 0.3}, {0.9, 0.5, 0.1}, {0.25, 0.75, 0.5}, {0.6, 0.05, 0.95}, {0.3, 0.3, 0.3}};
const std::vector<OscState> kMiddleFault = {
    {0.1, 0.2, 0.3}, {0.9, 0.5, 0.1}, {14, 14, 0}, {0.6, 0.05, 0.95}, {0.3, 0.3, 0.3}};

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
  RasterCanvas canvas(549 * c.scale, 373 * c.scale, twipsPerDevicePixel(c.scale));
  Draw_Axis(canvas);
  Drawn drawn;
  try {
    runs(canvas);
  } catch (const RunTimeError& error) {
    drawn.error = error.what();
  }
  const std::size_t count = static_cast<std::size_t>(canvas.width()) * canvas.height();
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

INSTANTIATE_TEST_SUITE_P(
    Batches, BatchTest,
    testing::Values(BatchCase{{"xy_one_thread"}, View::XYPlane, &kStarts, 1, 1},
                    BatchCase{{"xy_two_threads"}, View::XYPlane, &kStarts, 2, 1},
                    BatchCase{{"xy_three_threads_scale_2"}, View::XYPlane, &kStarts, 3, 2},
                    BatchCase{{"oblique_two_threads"}, View::Oblique, &kStarts, 2, 1},
                    BatchCase{{"oblique_more_threads_than_runs"}, View::Oblique, &kStarts, 8, 1},
                    BatchCase{{"xy_fault_in_run_3_of_5"}, View::XYPlane, &kMiddleFault, 2, 1},
                    BatchCase{
                        {"xy_fault_in_a_block_of_its_own"}, View::XYPlane, &kMiddleFault, 5, 1},
                    BatchCase{{"oblique_fault_in_run_3_of_5"}, View::Oblique, &kMiddleFault, 3, 1}),
    testing_support::caseName);

}  // namespace
}  // namespace kestavon
