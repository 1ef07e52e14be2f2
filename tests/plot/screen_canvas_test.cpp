#include "plot/screen_canvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <vector>

#include "plot/projection.h"
#include "plot/trajectory.h"
#include "support/named_case.h"

namespace kestavon {
namespace {

using testing_support::caseName;
using testing_support::NamedCase;

constexpr std::uint32_t kBlack = 0xFF000000u;
constexpr int kWidth = 549, kHeight = 373;

// The window's plot area starts at logical (34, 18) of the window.
DeviceGrid windowGrid(double ratio) { return DeviceGrid::at(ratio, 34, 18); }

// The axes as the window draws them when it opens, then a run: a drawing of a million lines.
void drawAxesAndRun(PlotSurface& surface) {
  Draw_Axis(surface);
  TrajectoryRun(View::Oblique, surface, 3.141592654, 120, OscState{0.25, 0.5, 0.125});
}

bool sameDevicePixels(const ScreenCanvas& a, const ScreenCanvas& b) {
  const RasterCanvas &x = a.device(), &y = b.device();
  return x.width() == y.width() && x.height() == y.height() &&
         std::equal(x.pixels(), x.pixels() + x.width() * x.height(), y.pixels());
}

struct DensityChange : NamedCase {
  double from, to;
};

class ScreenCanvasFewLinesTest : public testing::TestWithParam<DensityChange> {};

// The axes alone, as the window draws them when it opens, moved to a screen of another density:
// drawn again there, one device pixel wide, exactly as if drawn there first.
TEST_P(ScreenCanvasFewLinesTest, AreDrawnAgainOnTheNewGrid) {
  ScreenCanvas moved(kWidth, kHeight, windowGrid(GetParam().from));
  Draw_Axis(moved);
  EXPECT_TRUE(moved.setGrid(windowGrid(GetParam().to)));
  ScreenCanvas drawnThere(kWidth, kHeight, windowGrid(GetParam().to));
  Draw_Axis(drawnThere);
  EXPECT_TRUE(sameDevicePixels(moved, drawnThere));
}

INSTANTIATE_TEST_SUITE_P(Changes, ScreenCanvasFewLinesTest,
                         testing::Values(DensityChange{{"from_1_to_2"}, 1, 2},
                                         DensityChange{{"from_2_to_1_25"}, 2, 1.25},
                                         DensityChange{{"from_1_5_to_1"}, 1.5, 1}),
                         caseName);

// Whatever densities the window passes through, back at ratio 1 it shows exactly the drawing made
// there.
TEST(ScreenCanvasTest, ReturnsToTheSameDrawingAtRatioOne) {
  ScreenCanvas canvas(kWidth, kHeight);
  drawAxesAndRun(canvas);
  const RasterCanvas original = canvas.device();
  for (const double ratio : {1.25, 2.0, 1.75, 3.0, 1.5, 1.0}) canvas.setGrid(windowGrid(ratio));
  ASSERT_EQ(canvas.device().width(), kWidth);
  EXPECT_TRUE(std::equal(original.pixels(), original.pixels() + kWidth * kHeight,
                         canvas.device().pixels()));
}

// Two device pixels of one logical pixel at ratio 2, drawn in turn after a run: the logical pixel
// takes the colour of the later line, whichever it is.
TEST(ScreenCanvasTest, TheLaterOfTwoColoursInOneLogicalPixelWins) {
  const auto atDevicePixel = [](int pixel) { return (static_cast<float>(pixel) + 0.5f) * 7.5f; };
  for (const bool yellowLast : {false, true}) {
    ScreenCanvas canvas(kWidth, kHeight, DeviceGrid{2, 0, 0});
    drawAxesAndRun(canvas);  // far from the corner, and too many lines to draw again
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
  drawAxesAndRun(canvas);
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
