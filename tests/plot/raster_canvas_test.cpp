#include "plot/raster_canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <utility>
#include <vector>

#include "plot/projection.h"
#include "support/named_case.h"

namespace kestavon {
namespace {

constexpr std::uint32_t kBlack = 0xFF000000u;
constexpr std::uint32_t kGreen = 0xFF00FF00u;
constexpr std::uint32_t kYellow = 0xFFFFFF00u;
constexpr float kTwips = RasterCanvas::kTwipsPerPixel;

using Pixel = std::pair<int, int>;

std::vector<Pixel> litPixels(const RasterCanvas& canvas) {
  std::vector<Pixel> lit;
  for (int y = 0; y < canvas.height(); ++y) {
    for (int x = 0; x < canvas.width(); ++x) {
      if (canvas.pixel(x, y) != kBlack) lit.emplace_back(x, y);
    }
  }
  return lit;
}

// A segment between the centres of two pixels.
void drawBetweenPixels(RasterCanvas& canvas, Pixel from, Pixel to) {
  const auto centre = [](int p) { return (static_cast<float>(p) + 0.5f) * kTwips; };
  canvas.Line(centre(from.first), centre(from.second), centre(to.first), centre(to.second),
              RGB(0, 255, 0));
}

TEST(RasterCanvasTest, StartsBlackWithItsSizeInTwips) {
  RasterCanvas canvas(549, 373);
  EXPECT_EQ(canvas.ScaleWidth(), 8235.0f);
  EXPECT_EQ(canvas.ScaleHeight(), 5595.0f);
  EXPECT_TRUE(litPixels(canvas).empty());
  EXPECT_EQ(canvas.pixels()[0], kBlack);

  RasterCanvas fine(1098, 746, kTwips / 2);  // a screen of twice the density
  EXPECT_EQ(fine.ScaleWidth(), 8235.0f);
  EXPECT_EQ(fine.ScaleHeight(), 5595.0f);
}

TEST(RasterCanvasTest, RejectsANegativeSizeOrABadScale) {
  EXPECT_THROW(RasterCanvas(-1, 10), std::invalid_argument);
  EXPECT_THROW(RasterCanvas(10, -1), std::invalid_argument);
  EXPECT_THROW(RasterCanvas(10, 10, 0), std::invalid_argument);
  EXPECT_THROW(RasterCanvas(10, 10, std::numeric_limits<float>::quiet_NaN()),
               std::invalid_argument);
  EXPECT_THROW(RasterCanvas(10, 10, 15, -1, 0), std::invalid_argument);
  EXPECT_THROW(RasterCanvas(10, 10, 15, 0, std::numeric_limits<float>::infinity()),
               std::invalid_argument);
  RasterCanvas empty(0, 0);
  empty.Line(0, 0, 100, 100, RGB(0, 255, 0));  // nothing to draw on, and no harm
  EXPECT_EQ(empty.ScaleWidth(), 0.0f);
}

TEST(RasterCanvasTest, ColoursAreStoredAsOpaqueRgb) {
  RasterCanvas canvas(4, 1);
  canvas.Line(0, 0, 0, 0, RGB(255, 255, 0));
  canvas.Line(15, 0, 15, 0, RGB(0, 255, 0));
  canvas.Line(30, 0, 30, 0, RGB(1, 2, 3));
  EXPECT_EQ(canvas.pixel(0, 0), kYellow);
  EXPECT_EQ(canvas.pixel(1, 0), kGreen);
  EXPECT_EQ(canvas.pixel(2, 0), 0xFF010203u);
  canvas.Cls();
  EXPECT_TRUE(litPixels(canvas).empty());
}

struct SegmentCase : testing_support::NamedCase {
  Pixel from, to;
};

class RasterCanvasOctantTest : public testing::TestWithParam<SegmentCase> {};

// In every octant and direction: both ends lit, one pixel per step along the major axis, each a
// neighbour of the last, and none further than half a pixel from the ideal line across it.
TEST_P(RasterCanvasOctantTest, LightsAConnectedLineBetweenItsEnds) {
  const SegmentCase& c = GetParam();
  RasterCanvas canvas(40, 40);
  drawBetweenPixels(canvas, c.from, c.to);
  const std::vector<Pixel> lit = litPixels(canvas);

  const int dx = c.to.first - c.from.first, dy = c.to.second - c.from.second;
  const int major = std::max(std::abs(dx), std::abs(dy));
  EXPECT_EQ(static_cast<int>(lit.size()), major + 1);
  EXPECT_NE(std::find(lit.begin(), lit.end(), c.from), lit.end());
  EXPECT_NE(std::find(lit.begin(), lit.end(), c.to), lit.end());
  for (const auto& [x, y] : lit) {
    const double along = std::abs(dx) >= std::abs(dy) ? x - c.from.first : y - c.from.second;
    const double across = std::abs(dx) >= std::abs(dy) ? c.from.second + along * dy / dx - y
                                                       : c.from.first + along * dx / dy - x;
    EXPECT_LE(std::abs(across), 0.5) << "pixel (" << x << ", " << y << ")";
  }
}

INSTANTIATE_TEST_SUITE_P(Octants, RasterCanvasOctantTest,
                         testing::Values(SegmentCase{{"east_shallow"}, {5, 5}, {17, 9}},
                                         SegmentCase{{"east_steep"}, {5, 5}, {9, 17}},
                                         SegmentCase{{"west_shallow"}, {30, 20}, {18, 16}},
                                         SegmentCase{{"west_steep"}, {30, 20}, {26, 8}},
                                         SegmentCase{{"north_east"}, {5, 30}, {17, 26}},
                                         SegmentCase{{"north_west"}, {30, 30}, {27, 18}},
                                         SegmentCase{{"south_west"}, {30, 5}, {18, 9}},
                                         SegmentCase{{"south_west_steep"}, {30, 5}, {26, 17}},
                                         SegmentCase{{"diagonal"}, {3, 3}, {12, 12}},
                                         SegmentCase{{"horizontal"}, {2, 7}, {9, 7}},
                                         SegmentCase{{"vertical"}, {7, 9}, {7, 2}}),
                         testing_support::caseName);

TEST(RasterCanvasTest, DrawAxisLightsOneFullColumnAndOneFullRow) {
  RasterCanvas canvas(549, 373);
  Draw_Axis(canvas);
  const std::vector<Pixel> lit = litPixels(canvas);
  EXPECT_EQ(lit.size(), 549u + 373u - 1u);
  for (const auto& [x, y] : lit) {
    EXPECT_TRUE(x == 274 || y == 186) << "pixel (" << x << ", " << y << ")";
    EXPECT_EQ(canvas.pixel(x, y), kYellow);
  }
}

struct FarSegmentCase : testing_support::NamedCase {
  float x1, y1, x2, y2;
  std::size_t expectedLit;
};

class RasterCanvasFarTest : public testing::TestWithParam<FarSegmentCase> {};

// Ends far off the canvas or not finite: only what lies inside is drawn, nothing outside written
// (the sanitizer build would catch a stray write), and nothing hangs.
TEST_P(RasterCanvasFarTest, DrawsOnlyWhatLiesInside) {
  const FarSegmentCase& c = GetParam();
  RasterCanvas canvas(30, 20);
  canvas.Line(c.x1, c.y1, c.x2, c.y2, RGB(0, 255, 0));
  EXPECT_EQ(litPixels(canvas).size(), c.expectedLit);
}

constexpr float kMax = std::numeric_limits<float>::max();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Segments, RasterCanvasFarTest,
    testing::Values(FarSegmentCase{{"across_the_float_range"}, -kMax, 37, kMax, 37, 30},
                    FarSegmentCase{{"entering_from_the_left"}, -1500, 37, 150, 37, 11},
                    FarSegmentCase{{"passing_outside"}, -1e20f, -100, 1e20f, -100, 0},
                    FarSegmentCase{{"wholly_right_of_it"}, 1e6f, 1, 2e6f, 1e5f, 0},
                    FarSegmentCase{{"nan_end"}, kNaN, 10, 100, 100, 0},
                    FarSegmentCase{{"all_nan"}, kNaN, kNaN, kNaN, kNaN, 0},
                    FarSegmentCase{{"infinite_end"}, 10, 10, kInf, 10, 0},
                    FarSegmentCase{{"opposite_infinities"}, -kInf, 10, kInf, 10, 0}),
    testing_support::caseName);

TEST(RasterCanvasTest, ClippedSegmentStaysOnItsLineAndReachesTheBorders) {
  // From well left of the canvas to well below it: what is drawn runs from the left border to
  // the bottom border, connected and within a pixel of the ideal line.
  RasterCanvas canvas(30, 20);
  const double x1 = -40.3, y1 = -10, x2 = 51.2, y2 = 35;  // in pixels
  canvas.Line(static_cast<float>(x1 * kTwips), static_cast<float>(y1 * kTwips),
              static_cast<float>(x2 * kTwips), static_cast<float>(y2 * kTwips), RGB(0, 255, 0));
  const std::vector<Pixel> lit = litPixels(canvas);
  ASSERT_FALSE(lit.empty());
  const double slope = (y2 - y1) / (x2 - x1);
  int lowestX = 30, highestY = -1;
  for (const auto& [x, y] : lit) {
    const double ideal = y1 + (x + 0.5 - x1) * slope;
    EXPECT_LE(std::abs(y + 0.5 - ideal), 1.0) << "pixel (" << x << ", " << y << ")";
    lowestX = std::min(lowestX, x);
    highestY = std::max(highestY, y);
  }
  EXPECT_EQ(lowestX, 0);
  EXPECT_EQ(highestY, 19);
  EXPECT_EQ(lit.size(), static_cast<std::size_t>(lit.back().first - lit.front().first + 1));
}

TEST(RasterCanvasTest, DiagonalFromFarAwayIsDrawnNearItsLine) {
  RasterCanvas canvas(30, 20);
  canvas.Line(-1e30f, -1e30f, 1e30f, 1e30f, RGB(0, 255, 0));
  const std::vector<Pixel> lit = litPixels(canvas);
  EXPECT_GE(lit.size(), 19u);
  EXPECT_LE(lit.size(), 20u);
  for (const auto& [x, y] : lit) EXPECT_LE(std::abs(x - y), 1) << x << ", " << y;
}

}  // namespace
}  // namespace kestavon

namespace kestavon {
namespace {

struct ConversionCase : testing_support::NamedCase {
  float ratio, shiftX, shiftY;  // the shifts in twips
};

class RasterCanvasWholeTwipTest : public testing::TestWithParam<ConversionCase> {};

// A point at whole twips, as a run draws them, lights the pixel that holds its coordinates
// (twips + shift) / twipsPerPixel in single precision, or nothing off the canvas: for every whole
// twip along and around each side of a small canvas, at the device pixel ratios most screens
// have. A segment from that point to one far off the canvas, clipped, ends in the same pixel.
TEST_P(RasterCanvasWholeTwipTest, LightsThePixelThatHoldsThePoint) {
  const ConversionCase& c = GetParam();
  const float twipsPerPixel = kTwips / c.ratio;
  RasterCanvas canvas(60, 40, twipsPerPixel, c.shiftX, c.shiftY);
  const auto pixelOf = [twipsPerPixel](int twips, float shift) {
    const float position = (static_cast<float>(twips) + shift) / twipsPerPixel;
    return position < 0 ? -1 : static_cast<int>(position);
  };
  const float fixedX = 40, fixedY = 25, far = 1e5f;  // on the canvas at every scale here
  const auto lit = [&canvas](float x1, float y1, float x2, float y2) {
    canvas.Cls();
    canvas.Line(x1, y1, x2, y2, RGB(0, 255, 0));
    return litPixels(canvas);
  };
  int wrong = 0, clippedWrong = 0;
  for (int twips = -40; twips <= static_cast<int>(canvas.ScaleWidth()) + 40; ++twips) {
    const auto x = static_cast<float>(twips);
    const Pixel pixel{pixelOf(twips, c.shiftX), pixelOf(25, c.shiftY)};
    const bool inside = pixel.first >= 0 && pixel.first < 60;
    wrong += lit(x, fixedY, x, fixedY) != (inside ? std::vector{pixel} : std::vector<Pixel>{});
    if (!inside) continue;
    clippedWrong += lit(x, fixedY, -far, fixedY).back() != pixel;  // drawn leftward from it
    clippedWrong += lit(x, fixedY, far, fixedY).front() != pixel;  // rightward
  }
  for (int twips = -40; twips <= static_cast<int>(canvas.ScaleHeight()) + 40; ++twips) {
    const auto y = static_cast<float>(twips);
    const Pixel pixel{pixelOf(40, c.shiftX), pixelOf(twips, c.shiftY)};
    const bool inside = pixel.second >= 0 && pixel.second < 40;
    wrong += lit(fixedX, y, fixedX, y) != (inside ? std::vector{pixel} : std::vector<Pixel>{});
    if (!inside) continue;
    clippedWrong += lit(fixedX, y, fixedX, -far).back() != pixel;  // upward
    clippedWrong += lit(fixedX, y, fixedX, far).front() != pixel;  // downward
  }
  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(clippedWrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Conversions, RasterCanvasWholeTwipTest,
                         testing::Values(ConversionCase{{"ratio_1"}, 1, 0, 0},
                                         ConversionCase{{"ratio_1_25_shifted"}, 1.25f, 6, 6},
                                         ConversionCase{{"ratio_1_4"}, 1.4f, 0, 0},
                                         ConversionCase{{"ratio_1_5_shifted"}, 1.5f, 5, 0},
                                         ConversionCase{{"ratio_1_75"}, 1.75f, 0, 0},
                                         ConversionCase{{"ratio_1_75_shifted"}, 1.75f, 2, 6},
                                         ConversionCase{{"ratio_2"}, 2, 0, 0},
                                         ConversionCase{{"ratio_7_shifted"}, 7, 1, 0.5f}),
                         testing_support::caseName);

}  // namespace
}  // namespace kestavon
