// Runs in flight together against the same runs made one at a time by TrajectoryRun: each run
// lights exactly the pixels that it turns green alone, and ends with the error it ends with alone,
// at the same pass, while the runs beside it go on; among them runs that fault at their first
// point, at their first step, and thousands of steps in, in the lanes of one group.

#include "plot/runs_in_flight.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <exception>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "form/layout.h"
#include "platform/run_time_error.h"
#include "plot/screen_canvas.h"
#include "support/named_case.h"

namespace kestavon {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// Ordinary starts among starts that leave 16-bit coordinates after some thousands of steps
// ({20, 20, 0} first, then {15, 15, 0}, then {14, 14, 0}), overflow in the first step of the x-y
// view ({0, 0, 1e308}: (x - 5.7) z) or make an invalid operation there ({0, 0, inf}: inf - inf),
// and that cannot be projected at all ({200, 0, 0} in the x-y view, the z's in the oblique one);
// and one that leaves the plot area six times and comes back ({13, 13, 0}).
const std::vector<OscState> kStarts = {{0.1, 0.2, 0.3},   {14, 14, 0}, {20, 20, 0},  {0, 0, 1e308},
                                       {200, 0, 0},       {13, 13, 0}, {0, 0, kInf}, {15, 15, 0},
                                       {0.25, 0.75, 0.5}, {0, 0, 1e5}};

struct FlightCase : testing_support::NamedCase {
  View view;
  int scale;
};

// The pixels a run turns green alone, on a canvas that has nothing green, and its error.
struct Alone {
  std::vector<bool> green;
  std::optional<std::string> error;
};

Alone runAlone(const FlightCase& c, const OscState& start) {
  RasterCanvas canvas(form::kPlotAreaWidth * c.scale, form::kPlotAreaHeight * c.scale,
                      twipsPerDevicePixel(c.scale));
  Alone alone;
  try {
    TrajectoryRun(c.view, canvas, kFormLoadPi, kFormLoadViewAngle, start);
  } catch (const RunTimeError& error) {
    alone.error = error.what();
  }
  const std::size_t count =
      static_cast<std::size_t>(canvas.width()) * static_cast<std::size_t>(canvas.height());
  for (std::size_t i = 0; i < count; ++i) {
    alone.green.push_back(canvas.pixels()[i] == toArgb(RGB(0, 255, 0)));
  }
  return alone;
}

std::optional<std::string> messageOf(const std::exception_ptr& fault) {
  if (!fault) return std::nullopt;
  try {
    std::rethrow_exception(fault);
  } catch (const RunTimeError& error) {
    return error.what();
  }
}

class RunsInFlightTest : public testing::TestWithParam<FlightCase> {};

TEST_P(RunsInFlightTest, EachRunLightsWhatItTurnsGreenAloneAndFaultsWhereItFaultsAlone) {
  const FlightCase& c = GetParam();
  const RasterCanvas canvas(form::kPlotAreaWidth * c.scale, form::kPlotAreaHeight * c.scale,
                            twipsPerDevicePixel(c.scale));
  const RunsInFlight flight(c.view, canvas, kFormLoadPi, kFormLoadViewAngle);
  const std::size_t size =
      static_cast<std::size_t>(canvas.width()) * static_cast<std::size_t>(canvas.height());
  std::vector<std::vector<Lit>> lit(kStarts.size(), std::vector<Lit>(size, Lit::No));
  std::vector<std::span<Lit>> pixels(lit.begin(), lit.end());
  std::vector<std::exception_ptr> faults(kStarts.size());
  const auto width = static_cast<std::size_t>(flight.width());
  for (std::size_t first = 0; first < kStarts.size(); first += width) {
    const std::size_t count = std::min(width, kStarts.size() - first);
    flight.mark(std::span(kStarts).subspan(first, count), std::span(pixels).subspan(first, count),
                std::span(faults).subspan(first, count));
  }
  for (std::size_t k = 0; k < kStarts.size(); ++k) {
    const Alone alone = runAlone(c, kStarts[k]);
    EXPECT_EQ(messageOf(faults[k]), alone.error) << "run " << k;
    std::size_t differ = 0;
    for (std::size_t i = 0; i < size; ++i) differ += (lit[k][i] == Lit::Yes) != alone.green[i];
    EXPECT_EQ(differ, 0u) << "pixels of run " << k;
  }
}

INSTANTIATE_TEST_SUITE_P(Runs, RunsInFlightTest,
                         testing::Values(FlightCase{{"xy_scale_1"}, View::XYPlane, 1},
                                         FlightCase{{"oblique_scale_1"}, View::Oblique, 1},
                                         FlightCase{{"xy_scale_3"}, View::XYPlane, 3},
                                         FlightCase{{"oblique_scale_4"}, View::Oblique, 4}),
                         testing_support::caseName);

TEST(RunsInFlightTest, RefusesRunsThatDoNotMatchTheirPixelsAndFaults) {
  const RasterCanvas canvas(10, 10);
  const RunsInFlight flight(View::XYPlane, canvas, kFormLoadPi, kFormLoadViewAngle);
  std::vector<Lit> lit(100), tooFew(99);
  std::vector<std::span<Lit>> pixels = {lit, tooFew};
  std::vector<std::exception_ptr> faults(2);
  const std::vector<OscState> starts(2);
  EXPECT_THROW(flight.mark(starts, pixels, faults), std::invalid_argument);
  const std::vector<OscState> tooMany(static_cast<std::size_t>(flight.width()) + 1);
  EXPECT_THROW(flight.mark(tooMany, pixels, faults), std::invalid_argument);
}

}  // namespace
}  // namespace kestavon
