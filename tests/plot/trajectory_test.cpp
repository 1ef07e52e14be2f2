#include "plot/trajectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "platform/run_time_error.h"
#include "plot/raster_canvas.h"
#include "support/raises_fault.h"
#include "support/recording_surface.h"

namespace kestavon {
namespace {

using testing_support::RecordedLine;
using testing_support::RecordingSurface;

constexpr double kPi = 3.141592654;
constexpr double kViewAngle = 120;
constexpr std::size_t kSegmentsPerRun = 1'000'001;
constexpr Colour kGreen = RGB(0, 255, 0);
constexpr Colour kYellow = RGB(255, 255, 0);

bool isWholeNumber(float value) { return std::nearbyint(value) == value; }

// Checks the green segments from `first` on: a chain of integer points, each segment starting
// where the previous one ended.
void expectChainOfSegments(const std::vector<RecordedLine>& lines, std::size_t first) {
  for (std::size_t i = first; i < lines.size(); ++i) {
    const RecordedLine& line = lines[i];
    ASSERT_EQ(line.colour, kGreen) << "segment " << i;
    ASSERT_TRUE(isWholeNumber(line.x1) && isWholeNumber(line.y1) && isWholeNumber(line.x2) &&
                isWholeNumber(line.y2))
        << "segment " << i;
    if (i > first) {
      ASSERT_EQ(line.x1, lines[i - 1].x2) << "segment " << i;
      ASSERT_EQ(line.y1, lines[i - 1].y2) << "segment " << i;
    }
  }
}

TEST(TrajectoryRunTest, XYPlaneRunDrawsTheAxesThenAWholeRun) {
  RecordingSurface surface(8235, 5595);
  TrajectoryRun(View::XYPlane, surface, kPi, kViewAngle);
  ASSERT_EQ(surface.lines.size(), 2 + kSegmentsPerRun);
  EXPECT_EQ(surface.lines[0].colour, kYellow);
  EXPECT_EQ(surface.lines[1].colour, kYellow);
  EXPECT_EQ(surface.clsCalls, 0u);
  expectChainOfSegments(surface.lines, 2);

  // The start lies in [0, 1)^3: with sx = 274.5 and sy = 139.875 its point is right of and above
  // the centre by less than one unit.
  const RecordedLine& first = surface.lines[2];
  EXPECT_GE(first.x1, 4117.0f);
  EXPECT_LE(first.x1, 4392.0f);
  EXPECT_LE(first.y1, 2798.0f);
  EXPECT_GE(first.y1, 2657.0f);
}

TEST(TrajectoryRunTest, ObliqueRunDrawsNoAxes) {
  RecordingSurface surface(8235, 5595);
  TrajectoryRun(View::Oblique, surface, kPi, kViewAngle);
  ASSERT_EQ(surface.lines.size(), kSegmentsPerRun);
  expectChainOfSegments(surface.lines, 0);
}

TEST(TrajectoryRunTest, EachRunStartsFromANewRandomState) {
  RecordingSurface first(8235, 5595), second(8235, 5595);
  first.onLine = second.onLine = [](std::size_t count) {
    if (count == 3) throw RunTimeError(RunTimeFault::OperationFailed, "enough");
  };
  EXPECT_THROW(TrajectoryRun(View::XYPlane, first, kPi, kViewAngle), RunTimeError);
  EXPECT_THROW(TrajectoryRun(View::XYPlane, second, kPi, kViewAngle), RunTimeError);
  const RecordedLine& a = first.lines[2];
  const RecordedLine& b = second.lines[2];
  EXPECT_FALSE(a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2);
}

TEST(TrajectoryRunTest, ProjectionOverflowEndsTheRunAndKeepsWhatWasDrawn) {
  // So wide that W/2 + x * sx passes 32767 once x exceeds about 1.4.
  RecordingSurface surface(60000, 5595);
  EXPECT_TRUE(
      testing_support::raisesFault([&] { TrajectoryRun(View::XYPlane, surface, kPi, kViewAngle); },
                                   RunTimeFault::ConversionOverflow));
  EXPECT_GT(surface.lines.size(), 2u + 10u);
  EXPECT_LT(surface.lines.size(), 2 + kSegmentsPerRun);
  expectChainOfSegments(surface.lines, 2);
}

TEST(TrajectoryRunTest, FailingSurfaceStopsTheRunWithItsError) {
  RecordingSurface surface(8235, 5595);
  surface.onLine = [](std::size_t count) {
    if (count == 1000) throw RunTimeError(RunTimeFault::OperationFailed, "device lost");
  };
  EXPECT_TRUE(
      testing_support::raisesFault([&] { TrajectoryRun(View::Oblique, surface, kPi, kViewAngle); },
                                   RunTimeFault::OperationFailed));
  EXPECT_EQ(surface.lines.size(), 1000u);
}

TEST(TrajectoryRunTest, WholeRunOnTheCanvasLightsAPlausiblePicture) {
  RasterCanvas canvas(549, 373);
  TrajectoryRun(View::XYPlane, canvas, kPi, kViewAngle);
  std::size_t green = 0, yellow = 0;
  for (int i = 0; i < canvas.width() * canvas.height(); ++i) {
    green += canvas.pixels()[i] == 0xFF00FF00u;
    yellow += canvas.pixels()[i] == 0xFFFFFF00u;
  }
  // The attractor covers a band of loops around the centre: thousands of pixels, far from all.
  EXPECT_GT(green, 5'000u);
  EXPECT_LT(green, 549u * 373u / 2);
  EXPECT_GT(yellow, 200u);                       // most of the axes are still visible
  EXPECT_EQ(canvas.pixel(0, 186), 0xFFFFFF00u);  // the far end of the horizontal axis
}

}  // namespace
}  // namespace kestavon
