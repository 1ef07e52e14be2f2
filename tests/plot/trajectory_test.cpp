#include "plot/trajectory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "platform/fp_environment.h"
#include "platform/random.h"
#include "platform/run_time_error.h"
#include "plot/projection.h"
#include "plot/raster_canvas.h"
#include "plot/screen_canvas.h"
#include "support/fp_settings.h"
#include "support/named_case.h"
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

TEST(TrajectoryRunTest, ObliqueRunDrawsNoAxesAndASegmentForEachCountOfItsCounter) {
  // The run's counter as the run describes it: an independent count of its passes.
  std::size_t passes = 0;
  for (double t = 0; t <= 1000; t = t + 0.001) ++passes;
  RecordingSurface surface(8235, 5595);
  TrajectoryRun(View::Oblique, surface, kPi, kViewAngle);
  ASSERT_EQ(surface.lines.size(), passes);
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

}  // namespace
}  // namespace kestavon

namespace kestavon {
namespace {

struct CanvasFaultCase : testing_support::NamedCase {
  OscState start;
  int width;  // pixels
  const char* error;
  std::size_t linesDrawn;  // the axes and the segments before the fault
};

class TrajectoryCanvasFaultTest : public testing::TestWithParam<CanvasFaultCase> {};

// A run raises the same error at the same pass on any surface, and keeps what it drew until then.
TEST_P(TrajectoryCanvasFaultTest, RaisesTheErrorAndKeepsTheDrawing) {
  const CanvasFaultCase& c = GetParam();
  RecordingSurface recording(static_cast<float>(c.width) * 15, 5595);
  RasterCanvas canvas(c.width, 373);
  ScreenCanvas screen(c.width, 373, DeviceGrid{1.25, 0.5, 0.5});
  for (PlotSurface* surface :
       {static_cast<PlotSurface*>(&recording), static_cast<PlotSurface*>(&canvas),
        static_cast<PlotSurface*>(&screen)}) {
    std::string error;
    try {
      TrajectoryRun(View::XYPlane, *surface, kPi, kViewAngle, c.start);
    } catch (const RunTimeError& raised) {
      error = raised.what();
    }
    EXPECT_EQ(error, c.error);
  }
  EXPECT_EQ(recording.lines.size(), c.linesDrawn);
  expectChainOfSegments(recording.lines, 2);
  RasterCanvas drawnUntilThen(c.width, 373);
  for (const RecordedLine& line : recording.lines) {
    drawnUntilThen.Line(line.x1, line.y1, line.x2, line.y2, line.colour);
  }
  const auto count = static_cast<std::ptrdiff_t>(canvas.width()) * canvas.height();
  EXPECT_TRUE(std::equal(canvas.pixels(), canvas.pixels() + count, drawnUntilThen.pixels()));
}

INSTANTIATE_TEST_SUITE_P(
    Runs, TrajectoryCanvasFaultTest,
    testing::Values(
        // 60,000 twips wide: x beyond about 1.4 goes past 16 bits, after 11,331 segments (the
        // count and the text of the program's earlier two ways of drawing, which agreed).
        CanvasFaultCase{{"beyond_16_bits"},
                        {0.5, 0.25, 0.125},
                        4000,
                        "Run-time error: Conversion overflow (32767.717250595575 does not fit in a "
                        "16-bit integer)",
                        11333},
        // The run's first step overflows: stage 3's (x - 5.7) * z passes the largest double.
        CanvasFaultCase{{"step_overflow"},
                        {0.5, 0.25, 1e150},
                        549,
                        "Run-time error: Floating-point overflow",
                        2}),
    testing_support::caseName);

TEST(TrajectoryRunTest, FixedStartGivesTheSameRunAndTouchesNoRandomValue) {
  RecordingSurface first(8235, 5595), second(8235, 5595);
  const OscState start{0.25, 0.5, 0.75};
  FixRandomSeed(7);
  const float firstValueOfSeed7 = Rnd();
  FixRandomSeed(7);
  TrajectoryRun(View::XYPlane, first, kPi, kViewAngle, start);
  EXPECT_EQ(Rnd(), firstValueOfSeed7);  // the run drew none
  FixRandomSeed(std::nullopt);
  Randomize();
  TrajectoryRun(View::XYPlane, second, kPi, kViewAngle, start);
  ASSERT_EQ(first.lines.size(), second.lines.size());
  EXPECT_TRUE(std::equal(first.lines.begin(), first.lines.end(), second.lines.begin(),
                         [](const RecordedLine& a, const RecordedLine& b) {
                           return a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2;
                         }));
  // After the two axes, the first segment starts at the start's projection, worked by hand:
  // x 4117.5 + 0.25 * 274.5 = 4186.125, y 5595 - (2797.5 + 0.5 * 139.875) = 2727.5625.
  EXPECT_EQ(first.lines[2].x1, 4186);
  EXPECT_EQ(first.lines[2].y1, 2728);
}

}  // namespace
}  // namespace kestavon

namespace kestavon {
namespace {

class TrajectoryEnvironmentTest : public testing::TestWithParam<testing_support::Setting> {
 protected:
  void TearDown() override { testing_support::restoreDefault(); }
};

// A run left another floating-point environment by other code draws exactly what it draws in the
// default one, computes in the default one throughout, and gives the other back at its end.
TEST_P(TrajectoryEnvironmentTest, RunsInTheDefaultEnvironmentAndRestoresTheOther) {
  const OscState start{0.5, 0.25, 0.125};
  RecordingSurface expected(8235, 5595);
  TrajectoryRun(View::Oblique, expected, kPi, kViewAngle, start);

  testing_support::apply(GetParam());
  const std::uint64_t other = testing_support::controlRegister();
  if (fpEnvironmentIsDefault()) GTEST_SKIP() << "this platform cannot set it";
  RecordingSurface surface(8235, 5595);
  bool alwaysDefault = true;
  surface.onLine = [&](std::size_t) { alwaysDefault = alwaysDefault && fpEnvironmentIsDefault(); };
  TrajectoryRun(View::Oblique, surface, kPi, kViewAngle, start);
  EXPECT_TRUE(alwaysDefault);
  EXPECT_EQ(testing_support::controlRegister(), other);
  ASSERT_EQ(surface.lines.size(), expected.lines.size());
  for (std::size_t i = 0; i < surface.lines.size(); ++i) {
    const RecordedLine &a = surface.lines[i], &b = expected.lines[i];
    ASSERT_TRUE(a.x2 == b.x2 && a.y2 == b.y2) << "segment " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(Settings, TrajectoryEnvironmentTest,
                         testing::Values(testing_support::Setting::RoundUp,
                                         testing_support::Setting::RoundTowardZero,
                                         testing_support::Setting::FlushToZero,
                                         testing_support::Setting::DenormalsAreZero),
                         testing_support::settingName);

}  // namespace
}  // namespace kestavon
