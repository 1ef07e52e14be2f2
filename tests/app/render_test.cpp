// Whole pictures pinned against an independent computation: tests/app/reference_render.py worked
// out the fingerprints below from the description of the program. Each case is drawn in-process
// on a RasterCanvas and made by the real program with --render, and both must match.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdint>
#include <string>

#include "plot/projection.h"
#include "plot/raster_canvas.h"
#include "plot/screen_canvas.h"
#include "plot/trajectory.h"
#include "support/named_case.h"

namespace kestavon {
namespace {

using testing_support::caseName;
using testing_support::NamedCase;

constexpr double kPi = 3.141592654;
constexpr double kViewAngle = 120;

struct Fingerprint {
  std::uint64_t hash;  // 64-bit FNV-1a of the pixels, row by row, 0xFFRRGGBB little-endian
  long lit;            // pixels that are not black
  friend bool operator==(const Fingerprint&, const Fingerprint&) = default;
  friend std::ostream& operator<<(std::ostream& os, const Fingerprint& f) {
    return os << std::hex << "0x" << f.hash << std::dec << " with " << f.lit << " lit";
  }
};

Fingerprint fingerprint(const std::uint32_t* pixels, long count) {
  Fingerprint result{0xCBF29CE484222325u, 0};
  for (long i = 0; i < count; ++i) {
    for (int shift = 0; shift < 32; shift += 8) {
      result.hash ^= (pixels[i] >> shift) & 0xFFu;
      result.hash *= 0x100000001B3u;
    }
    result.lit += pixels[i] != 0xFF000000u ? 1 : 0;
  }
  return result;
}

Fingerprint fingerprint(const RasterCanvas& canvas) {
  return fingerprint(canvas.pixels(), static_cast<long>(canvas.width()) * canvas.height());
}

struct RenderCase : NamedCase {
  const char* view;
  OscState start;
  int scale;
  Fingerprint expected;
};

// The output of reference_render.py.
const RenderCase kCases[] = {
    {{"xy_start_a_scale_1"}, "xy", {0.5, 0.25, 0.125}, 1, {0x474D489972E90231u, 35567}},
    {{"xy_start_a_scale_2"}, "xy", {0.5, 0.25, 0.125}, 2, {0xB2305B719431330Bu, 104445}},
    {{"3d_start_a_scale_1"}, "3d", {0.5, 0.25, 0.125}, 1, {0x8D6EF470E593CBCCu, 29622}},
    {{"3d_start_a_scale_2"}, "3d", {0.5, 0.25, 0.125}, 2, {0x8080D4C882F69DB8u, 90065}},
    {{"xy_start_b_scale_1"}, "xy", {-1.5, 2.25, 0.75}, 1, {0x5B77AD0366BCF289u, 35539}},
    {{"xy_start_b_scale_2"}, "xy", {-1.5, 2.25, 0.75}, 2, {0x101AB258FC19E5F2u, 107222}},
    {{"3d_start_b_scale_1"}, "3d", {-1.5, 2.25, 0.75}, 1, {0xBD27927DA02E87ADu, 29609}},
    {{"3d_start_b_scale_2"}, "3d", {-1.5, 2.25, 0.75}, 2, {0x3A964FE8BF6B2A60u, 91819}},
};

View viewOf(const RenderCase& c) {
  return std::string(c.view) == "xy" ? View::XYPlane : View::Oblique;
}

// What the window shows after it opens and one click: the axes, then the run.
void drawOpeningAndRun(PlotSurface& surface, View view, const OscState& start) {
  Draw_Axis(surface);
  TrajectoryRun(view, surface, kPi, kViewAngle, start);
}

class RenderTest : public testing::TestWithParam<RenderCase> {};

TEST_P(RenderTest, InProcessMatchesTheReference) {
  const RenderCase& c = GetParam();
  RasterCanvas canvas(kPlotAreaWidth * c.scale, kPlotAreaHeight * c.scale,
                      twipsPerDevicePixel(c.scale));
  drawOpeningAndRun(canvas, viewOf(c), c.start);
  EXPECT_EQ(fingerprint(canvas), c.expected);
}

TEST_P(RenderTest, ProgramMatchesTheReference) {
  const RenderCase& c = GetParam();
  QTemporaryDir folder;
  const QString output = folder.filePath("picture.png");
  QProcess program;
  program.start(
      KESTAVON_PROGRAM,
      {"--render", c.view, "--output", output, "--scale", QString::number(c.scale), "--start",
       QStringLiteral("%1,%2,%3").arg(c.start.x).arg(c.start.y).arg(c.start.z)});
  ASSERT_TRUE(program.waitForFinished(60000));
  ASSERT_EQ(program.exitStatus(), QProcess::NormalExit);
  ASSERT_EQ(program.exitCode(), 0) << program.readAllStandardError().toStdString();
  EXPECT_TRUE(program.readAllStandardError().isEmpty());
  const QImage picture = QImage(output).convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(picture.size(), QSize(kPlotAreaWidth * c.scale, kPlotAreaHeight * c.scale));
  EXPECT_EQ(fingerprint(reinterpret_cast<const std::uint32_t*>(picture.constBits()),
                        static_cast<long>(picture.width()) * picture.height()),
            c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, RenderTest, testing::ValuesIn(kCases), caseName);

// --render's canvas at scale K is, pixel for pixel, what the window's canvas shows at device pixel
// ratio K.
TEST(RenderTest, PictureAtScaleKIsTheWindowsAtRatioK) {
  for (const int scale : {2, 3, 7}) {
    RasterCanvas rendered(kPlotAreaWidth * scale, kPlotAreaHeight * scale,
                          twipsPerDevicePixel(scale));
    ScreenCanvas shown(kPlotAreaWidth, kPlotAreaHeight,
                       DeviceGrid{static_cast<double>(scale), 0, 0});
    for (PlotSurface* surface :
         {static_cast<PlotSurface*>(&rendered), static_cast<PlotSurface*>(&shown)}) {
      drawOpeningAndRun(*surface, View::Oblique, {0.5, 0.25, 0.125});
    }
    ASSERT_EQ(shown.device().width(), rendered.width());
    ASSERT_EQ(shown.device().height(), rendered.height());
    EXPECT_EQ(fingerprint(shown.device()), fingerprint(rendered)) << "scale " << scale;
  }
}

}  // namespace
}  // namespace kestavon

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);  // for QProcess
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
