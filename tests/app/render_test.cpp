// The real program's --render pictures against the independent fingerprints (the same runs drawn
// in-process are checked in tests/plot/whole_run_test.cpp).

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdint>

#include "form/layout.h"
#include "plot/screen_canvas.h"
#include "support/reference_pictures.h"

namespace kestavon {
namespace {

using testing_support::ReferencePicture;

class RenderTest : public testing::TestWithParam<ReferencePicture> {};

TEST_P(RenderTest, ProgramMatchesTheReference) {
  const ReferencePicture& c = GetParam();
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
  ASSERT_EQ(picture.size(), QSize(form::kPlotAreaWidth * c.scale, form::kPlotAreaHeight * c.scale));
  EXPECT_EQ(
      testing_support::fingerprint(reinterpret_cast<const std::uint32_t*>(picture.constBits()),
                                   static_cast<long>(picture.width()) * picture.height()),
      c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, RenderTest, testing::ValuesIn(testing_support::kReferencePictures),
                         testing_support::caseName);

}  // namespace
}  // namespace kestavon

int main(int argc, char* argv[]) {
  QCoreApplication app(argc, argv);  // for QProcess
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
