// Whole runs drawn in-process on the plot's canvas, compared with the independent fingerprints:
// a wrong scale divisor, projection, rounding, step or libm cos/sin on any platform shows here.

#include <gtest/gtest.h>

#include <string>

#include "form/layout.h"
#include "plot/projection.h"
#include "plot/raster_canvas.h"
#include "plot/screen_canvas.h"
#include "plot/trajectory.h"
#include "support/reference_pictures.h"

namespace kestavon {
namespace {

using testing_support::Fingerprint;
using testing_support::ReferencePicture;

constexpr double kPi = 3.141592654;
constexpr double kViewAngle = 120;

Fingerprint fingerprintOf(const RasterCanvas& canvas) {
  return testing_support::fingerprint(canvas.pixels(),
                                      static_cast<long>(canvas.width()) * canvas.height());
}

// What the window shows after it opens and one click: the axes, then the run.
void drawOpeningAndRun(PlotSurface& surface, View view, const OscState& start) {
  Draw_Axis(surface);
  TrajectoryRun(view, surface, kPi, kViewAngle, start);
}

class WholeRunTest : public testing::TestWithParam<ReferencePicture> {};

TEST_P(WholeRunTest, MatchesTheReference) {
  const ReferencePicture& c = GetParam();
  RasterCanvas canvas(form::kPlotAreaWidth * c.scale, form::kPlotAreaHeight * c.scale,
                      twipsPerDevicePixel(c.scale));
  drawOpeningAndRun(canvas, std::string(c.view) == "xy" ? View::XYPlane : View::Oblique, c.start);
  EXPECT_EQ(fingerprintOf(canvas), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, WholeRunTest,
                         testing::ValuesIn(testing_support::kReferencePictures),
                         testing_support::caseName);

// --render's canvas at scale K is, pixel for pixel, what the window's canvas shows at device pixel
// ratio K.
TEST(WholeRunTest, PictureAtScaleKIsTheWindowsAtRatioK) {
  for (const int scale : {2, 3, 7}) {
    RasterCanvas rendered(form::kPlotAreaWidth * scale, form::kPlotAreaHeight * scale,
                          twipsPerDevicePixel(scale));
    ScreenCanvas shown(form::kPlotAreaWidth, form::kPlotAreaHeight,
                       DeviceGrid{static_cast<double>(scale), 0, 0});
    for (PlotSurface* surface :
         {static_cast<PlotSurface*>(&rendered), static_cast<PlotSurface*>(&shown)}) {
      drawOpeningAndRun(*surface, View::Oblique, {0.5, 0.25, 0.125});
    }
    ASSERT_EQ(shown.device().width(), rendered.width());
    ASSERT_EQ(shown.device().height(), rendered.height());
    EXPECT_EQ(fingerprintOf(shown.device()), fingerprintOf(rendered)) << "scale " << scale;
  }
}

}  // namespace
}  // namespace kestavon
