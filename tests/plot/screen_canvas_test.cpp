#include "plot/screen_canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <vector>

#include "plot/projection.h"
#include "plot/trajectory.h"
#include "support/logical_owner.h"
#include "support/named_case.h"

namespace kestavon {
namespace {

using testing_support::caseName;
using testing_support::logicalOwner;
using testing_support::NamedCase;

constexpr std::uint32_t kBlack = 0xFF000000u;
constexpr std::uint32_t kGreen = 0xFF00FF00u;
constexpr std::uint32_t kYellow = 0xFFFFFF00u;
constexpr int kWidth = 549, kHeight = 373;

// The window's plot area starts at logical (34, 18) of the window.
DeviceGrid windowGrid(double ratio) { return DeviceGrid::at(ratio, 34, 18); }

// The axes as the window draws them when it opens, then an oblique run, which draws no axes: a
// logical pixel's last colour is green if any of its device pixels is green, else yellow if any
// is yellow.
void drawAxesAndRun(PlotSurface& surface) {
  Draw_Axis(surface);
  TrajectoryRun(View::Oblique, surface, 3.141592654, 120, OscState{0.25, 0.5, 0.125});
}

// Each logical pixel's last colour, worked out from the device pixels of a drawing made by
// drawAxesAndRun.
std::vector<std::uint32_t> lastColours(const ScreenCanvas& canvas) {
  const DeviceGrid& grid = canvas.grid();
  std::vector<std::uint32_t> colour(kWidth * kHeight, kBlack);
  for (int y = 0; y < canvas.device().height(); ++y) {
    for (int x = 0; x < canvas.device().width(); ++x) {
      const std::uint32_t shown = canvas.device().pixel(x, y);
      std::uint32_t& last = colour[static_cast<std::size_t>(
          logicalOwner(y, grid.offsetY, grid.ratio, kHeight) * kWidth +
          logicalOwner(x, grid.offsetX, grid.ratio, kWidth))];
      if (shown == kGreen || (shown == kYellow && last == kBlack)) last = shown;
    }
  }
  return colour;
}

struct DensityChange : NamedCase {
  double from, to;
};

class ScreenCanvasDensityTest : public testing::TestWithParam<DensityChange> {};

// After a change of density every logical pixel shows the colour last drawn there, and every new
// device pixel shows the colour of the logical pixel that holds most of it.
TEST_P(ScreenCanvasDensityTest, KeepsEveryLogicalPixelInTheColourDrawnLast) {
  const DensityChange& c = GetParam();
  ScreenCanvas canvas(kWidth, kHeight, windowGrid(c.from));
  drawAxesAndRun(canvas);
  const std::vector<std::uint32_t> expected = lastColours(canvas);

  canvas.setGrid(windowGrid(c.to));
  ASSERT_EQ(canvas.grid(), windowGrid(c.to));
  EXPECT_EQ(canvas.ScaleWidth(), 8235.0f);
  int lost = 0, wrong = 0;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      lost += canvas.logicalPixel(x, y) != expected[static_cast<std::size_t>(y * kWidth + x)];
    }
  }
  const DeviceGrid& grid = canvas.grid();
  for (int y = 0; y < canvas.device().height(); ++y) {
    for (int x = 0; x < canvas.device().width(); ++x) {
      const auto owner =
          static_cast<std::size_t>(logicalOwner(y, grid.offsetY, c.to, kHeight) * kWidth +
                                   logicalOwner(x, grid.offsetX, c.to, kWidth));
      wrong += canvas.device().pixel(x, y) != expected[owner];
    }
  }
  EXPECT_EQ(lost, 0) << "logical pixels that lost their colour";
  EXPECT_EQ(wrong, 0) << "device pixels that do not show their logical pixel";
}

INSTANTIATE_TEST_SUITE_P(Changes, ScreenCanvasDensityTest,
                         testing::Values(DensityChange{{"from_2_to_1"}, 2, 1},
                                         DensityChange{{"from_1_to_2"}, 1, 2},
                                         DensityChange{{"from_1_5_to_1"}, 1.5, 1},
                                         DensityChange{{"from_1_to_1_75"}, 1, 1.75},
                                         DensityChange{{"from_1_25_to_2"}, 1.25, 2},
                                         DensityChange{{"from_2_to_1_25"}, 2, 1.25},
                                         DensityChange{{"from_1_75_to_1_5"}, 1.75, 1.5},
                                         DensityChange{{"from_3_to_1"}, 3, 1}),
                         caseName);

// Whatever densities the window passes through, back at ratio 1 it shows exactly the drawing made
// there.
TEST(ScreenCanvasTest, ReturnsToTheSameDrawingAtRatioOne) {
  ScreenCanvas canvas(kWidth, kHeight);
  EXPECT_EQ(canvas.directCanvas(), &canvas.device()) << "a run at ratio 1 draws straight on it";
  drawAxesAndRun(canvas);
  const RasterCanvas original = canvas.device();
  for (const double ratio : {1.25, 2.0, 1.75, 3.0, 1.5, 1.0}) canvas.setGrid(windowGrid(ratio));
  ASSERT_EQ(canvas.device().width(), kWidth);
  EXPECT_TRUE(std::equal(original.pixels(), original.pixels() + kWidth * kHeight,
                         canvas.device().pixels()));
}

// Two device pixels of one logical pixel at ratio 2, drawn in turn: the logical pixel takes the
// colour of the later line, whichever it is.
TEST(ScreenCanvasTest, TheLaterOfTwoColoursInOneLogicalPixelWins) {
  const auto atDevicePixel = [](int pixel) { return (static_cast<float>(pixel) + 0.5f) * 7.5f; };
  for (const bool yellowLast : {false, true}) {
    ScreenCanvas canvas(kWidth, kHeight, DeviceGrid{2, 0, 0});
    const Colour first = yellowLast ? RGB(0, 255, 0) : RGB(255, 255, 0);
    const Colour last = yellowLast ? RGB(255, 255, 0) : RGB(0, 255, 0);
    canvas.Line(atDevicePixel(20), atDevicePixel(30), atDevicePixel(20), atDevicePixel(30), first);
    canvas.Line(atDevicePixel(21), atDevicePixel(31), atDevicePixel(21), atDevicePixel(31), last);
    EXPECT_EQ(canvas.device().pixel(20, 30), toArgb(first));
    canvas.setGrid(DeviceGrid{1, 0, 0});
    EXPECT_EQ(canvas.device().pixel(10, 15), toArgb(last));
    EXPECT_EQ(canvas.device().pixel(11, 15), kBlack);
  }
}

TEST(ScreenCanvasTest, ClsClearsTheLogicalRecordToo) {
  ScreenCanvas canvas(kWidth, kHeight, windowGrid(1.25));
  Draw_Axis(canvas);
  canvas.Cls();
  canvas.setGrid(windowGrid(1));
  for (int i = 0; i < kWidth * kHeight; ++i) ASSERT_EQ(canvas.device().pixels()[i], kBlack);
}

// A bad grid is refused before anything changes.
TEST(ScreenCanvasTest, RefusesABadGridAndKeepsTheDrawing) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  ScreenCanvas canvas(kWidth, kHeight, windowGrid(1.5));
  Draw_Axis(canvas);
  const RasterCanvas before = canvas.device();
  for (const DeviceGrid& bad :
       {DeviceGrid{0, 0, 0}, DeviceGrid{-1, 0, 0}, DeviceGrid{nan, 0, 0}, DeviceGrid{17, 0, 0},
        DeviceGrid{2, 1, 0}, DeviceGrid{2, 0, -0.1}, DeviceGrid{2, nan, 0}}) {
    EXPECT_THROW(canvas.setGrid(bad), std::invalid_argument);
  }
  EXPECT_EQ(canvas.grid(), windowGrid(1.5));
  EXPECT_TRUE(std::equal(before.pixels(), before.pixels() + before.width() * before.height(),
                         canvas.device().pixels()));
  EXPECT_THROW(ScreenCanvas(0, 10), std::invalid_argument);
}

}  // namespace
}  // namespace kestavon
