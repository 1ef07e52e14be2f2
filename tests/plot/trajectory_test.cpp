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

namespace kestavon {
namespace {

// A canvas seen only through the PlotSurface calls: a run on it takes the general way, with a
// virtual call per segment, where a run on the canvas itself takes the inlined one.
template <class Canvas>
class Forwarding : public PlotSurface {
 public:
  explicit Forwarding(Canvas& canvas) : m_canvas(canvas) {}
  float ScaleWidth() const override { return m_canvas.ScaleWidth(); }
  float ScaleHeight() const override { return m_canvas.ScaleHeight(); }
  void Cls() override { m_canvas.Cls(); }
  void Line(float x1, float y1, float x2, float y2, Colour colour) override {
    m_canvas.Line(x1, y1, x2, y2, colour);
  }

 private:
  Canvas& m_canvas;
};

struct WayCase : testing_support::NamedCase {
  View view;
  OscState start;
  int width, height;  // pixels
  float twipsPerPixel;
  bool faults;
};

class TrajectoryWayTest : public testing::TestWithParam<WayCase> {};

std::string runOn(PlotSurface& surface, const WayCase& c) {
  try {
    TrajectoryRun(c.view, surface, kPi, kViewAngle, c.start);
  } catch (const RunTimeError& error) {
    return error.what();
  }
  return {};
}

// The inlined way and the general way draw the same pixels and raise the same error after the
// same segments: the first is only a faster way to make the second's passes.
TEST_P(TrajectoryWayTest, DirectAndGeneralDrawTheSame) {
  const WayCase& c = GetParam();
  RasterCanvas direct(c.width, c.height, c.twipsPerPixel);
  RasterCanvas general(c.width, c.height, c.twipsPerPixel);
  Forwarding<RasterCanvas> forwarding(general);
  const std::string directError = runOn(direct, c);
  const std::string generalError = runOn(forwarding, c);
  EXPECT_EQ(directError, generalError);
  EXPECT_EQ(!directError.empty(), c.faults) << directError;
  const auto count = static_cast<std::size_t>(c.width) * static_cast<std::size_t>(c.height);
  EXPECT_TRUE(std::equal(direct.pixels(), direct.pixels() + count, general.pixels()));
  if (!c.faults) {
    EXPECT_GT(std::count(direct.pixels(), direct.pixels() + count, 0xFF00FF00u), 100);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, TrajectoryWayTest,
    testing::Values(
        WayCase{{"xy"}, View::XYPlane, {0.5, 0.25, 0.125}, 549, 373, 15, false},
        WayCase{{"oblique"}, View::Oblique, {0.1, 0.9, 0.3}, 549, 373, 15, false},
        WayCase{{"xy_twice_the_density"}, View::XYPlane, {0.7, 0.2, 0.6}, 1098, 746, 7.5, false},
        WayCase{{"oblique_at_1_25"}, View::Oblique, {0.3, 0.3, 0.3}, 687, 467, 12, false},
        // Long segments at eight times the density, and a start off the canvas's middle.
        WayCase{{"xy_eight_times"}, View::XYPlane, {5, -5, 1}, 4392, 2984, 1.875, false},
        // 60,000 twips wide: x beyond about 1.4 goes past 16 bits, after some segments.
        WayCase{{"xy_16_bit_overflow"}, View::XYPlane, {0.5, 0.25, 0.125}, 4000, 373, 15, true},
        // The step itself overflows: fz's (x - 5.7) * z passes the largest double at once.
        WayCase{{"xy_step_overflow"}, View::XYPlane, {0.5, 0.25, 1e150}, 549, 373, 15, true}),
    testing_support::caseName);

struct ScreenWayCase : testing_support::NamedCase {
  View view;
  DeviceGrid grid;
};

class TrajectoryScreenWayTest : public testing::TestWithParam<ScreenWayCase> {};

// On a screen of another density the window's canvas keeps a logical record; the inlined way
// keeps it as the general way does, and lights the same device pixels.
TEST_P(TrajectoryScreenWayTest, DirectAndGeneralDrawAndRecordTheSame) {
  const ScreenWayCase& c = GetParam();
  ScreenCanvas direct(kPlotAreaWidth, kPlotAreaHeight, c.grid);
  ScreenCanvas general(kPlotAreaWidth, kPlotAreaHeight, c.grid);
  ASSERT_NE(direct.screenCanvas(), nullptr);
  Forwarding<ScreenCanvas> forwarding(general);
  for (PlotSurface* surface :
       {static_cast<PlotSurface*>(&direct), static_cast<PlotSurface*>(&forwarding)}) {
    Draw_Axis(*surface);
    TrajectoryRun(c.view, *surface, kPi, kViewAngle, OscState{0.5, 0.25, 0.125});
  }
  const RasterCanvas &a = direct.device(), &b = general.device();
  const auto count = static_cast<std::size_t>(a.width()) * static_cast<std::size_t>(a.height());
  EXPECT_TRUE(std::equal(a.pixels(), a.pixels() + count, b.pixels()));
  int differing = 0;
  for (int y = 0; y < kPlotAreaHeight; ++y) {
    for (int x = 0; x < kPlotAreaWidth; ++x) {
      differing += direct.logicalPixel(x, y) != general.logicalPixel(x, y) ? 1 : 0;
    }
  }
  EXPECT_EQ(differing, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Grids, TrajectoryScreenWayTest,
    testing::Values(ScreenWayCase{{"xy_at_2"}, View::XYPlane, {2, 0, 0}},
                    ScreenWayCase{{"oblique_at_1_25"}, View::Oblique, {1.25, 0.5, 0.5}},
                    ScreenWayCase{{"xy_at_1_75"}, View::XYPlane, {1.75, 0.5, 0.5}},
                    ScreenWayCase{{"oblique_at_3"}, View::Oblique, {3, 0, 0}}),
    testing_support::caseName);

TEST(TrajectoryRunTest, CounterSummedInDoublesAllowsExactly1000001Passes) {
  // The run's counter as the run describes it: an independent count of its passes.
  int passes = 0;
  for (double t = 0; t <= 1000; t = t + 0.001) ++passes;
  EXPECT_EQ(passes, 1'000'001);
  RecordingSurface surface(8235, 5595);
  TrajectoryRun(View::Oblique, surface, kPi, kViewAngle, OscState{0.5, 0.5, 0.5});
  EXPECT_EQ(surface.lines.size(), static_cast<std::size_t>(passes));
}

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

// The same on a canvas the run draws on directly, through its call-free loop.
TEST_P(TrajectoryEnvironmentTest, DirectRunDrawsTheDefaultPixelsAndRestoresTheOther) {
  const OscState start{0.5, 0.25, 0.125};
  RasterCanvas expected(549, 373, 15);
  TrajectoryRun(View::XYPlane, expected, kPi, kViewAngle, start);

  testing_support::apply(GetParam());
  const std::uint64_t other = testing_support::controlRegister();
  if (fpEnvironmentIsDefault()) GTEST_SKIP() << "this platform cannot set it";
  RasterCanvas canvas(549, 373, 15);
  ASSERT_NE(canvas.directCanvas(), nullptr);
  TrajectoryRun(View::XYPlane, canvas, kPi, kViewAngle, start);
  EXPECT_EQ(testing_support::controlRegister(), other);
  EXPECT_TRUE(std::equal(canvas.pixels(), canvas.pixels() + 549 * 373, expected.pixels()));
}

INSTANTIATE_TEST_SUITE_P(Settings, TrajectoryEnvironmentTest,
                         testing::Values(testing_support::Setting::RoundUp,
                                         testing_support::Setting::RoundTowardZero,
                                         testing_support::Setting::FlushToZero,
                                         testing_support::Setting::DenormalsAreZero),
                         testing_support::settingName);

}  // namespace
}  // namespace kestavon
