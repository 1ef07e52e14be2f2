#include "plot/projection.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <string>

#include "platform/run_time_error.h"
#include "support/fp_settings.h"
#include "support/named_case.h"
#include "support/raises_fault.h"
#include "support/recording_surface.h"

namespace kestavon {
namespace {

using testing_support::RecordingSurface;

constexpr double kPi = 3.141592654;  // the window's ten-digit value
constexpr double kViewAngle = 120;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct ProjectionCase : testing_support::NamedCase {
  bool oblique;
  OscState state;
  ScreenPoint expected;
};

class ProjectionTest : public testing::TestWithParam<ProjectionCase> {};

TEST_P(ProjectionTest, MapsTheStateToItsPoint) {
  const ProjectionCase& c = GetParam();
  RecordingSurface surface(8000, 6000);
  const double sx = 8000.0 / 30;
  const ScreenPoint point = c.oblique
                                ? ProjectOblique(surface, c.state, sx, 6000.0 / 60, kPi, kViewAngle)
                                : ProjectXY(surface, c.state, sx, 6000.0 / 40);
  EXPECT_EQ(point.px, c.expected.px);
  EXPECT_EQ(point.py, c.expected.py);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ProjectionTest,
    testing::Values(ProjectionCase{{"xy_origin_is_centre"}, false, {0, 0, 0}, {4000, 3000}},
                    ProjectionCase{{"oblique_origin_is_centre"}, true, {0, 0, 0}, {4000, 3000}},
                    // sx = 266.67, sy = 150; a larger y moves the point up.
                    ProjectionCase{{"xy_one_one"}, false, {1, 1, 7}, {4267, 2850}},
                    ProjectionCase{{"xy_larger_y_is_higher"}, false, {1, 2, 7}, {4267, 2700}},
                    // x moves the point right (cos 60 = 0.5) and up (sin 60 = 0.866).
                    ProjectionCase{{"oblique_x_right_and_up"}, true, {1, 0, 0}, {4133, 2913}},
                    ProjectionCase{{"oblique_y_right"}, true, {0, 1, 0}, {4267, 3000}},
                    ProjectionCase{{"oblique_z_up"}, true, {0, 0, 1}, {4000, 2900}}),
    testing_support::caseName);

TEST(ProjectionTest, ReadsTheSurfaceSizeAtEveryCall) {
  RecordingSurface surface(8000, 6000);
  EXPECT_EQ(ProjectXY(surface, {0, 0, 0}, 1, 1), (ScreenPoint{4000, 3000}));
  surface.width = 2000;
  surface.height = 1000;
  EXPECT_EQ(ProjectXY(surface, {0, 0, 0}, 1, 1), (ScreenPoint{1000, 500}));
  EXPECT_EQ(ProjectOblique(surface, {0, 0, 0}, 1, 1, kPi, kViewAngle), (ScreenPoint{1000, 500}));
}

struct RoundCase : testing_support::NamedCase {
  double value;
  std::int16_t expected;
};

class Round16Test : public testing::TestWithParam<RoundCase> {};

TEST_P(Round16Test, RoundsHalvesToEven) {
  EXPECT_EQ(round16(GetParam().value), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Values, Round16Test,
                         testing::Values(RoundCase{{"two_and_a_half"}, 2.5, 2},
                                         RoundCase{{"three_and_a_half"}, 3.5, 4},
                                         RoundCase{{"minus_two_and_a_half"}, -2.5, -2},
                                         RoundCase{{"minus_half"}, -0.5, 0},
                                         RoundCase{{"just_above_half"}, 0.5000000001, 1},
                                         RoundCase{{"largest"}, 32767.4, 32767},
                                         RoundCase{{"smallest"}, -32768.5, -32768}),
                         testing_support::caseName);

class Round16OverflowTest : public testing::TestWithParam<double> {};

TEST_P(Round16OverflowTest, RaisesConversionOverflow) {
  EXPECT_TRUE(
      testing_support::raisesFault([] { round16(GetParam()); }, RunTimeFault::ConversionOverflow));
}

INSTANTIATE_TEST_SUITE_P(OutOfRange, Round16OverflowTest,
                         testing::Values(32767.5, -32768.500001, 40000.0, -1e10, 1e300, kInf, -kInf,
                                         kNaN, 2147483648.0, -2147483648.0));

// The message reads the same in every locale: a point, never a comma, and all the digits needed
// to read the number back.
TEST(Round16Test, MessageNumbersIgnoreTheLocale) {
  const std::string before = std::setlocale(LC_ALL, nullptr);
  // A decimal comma: the POSIX name, else the Windows one.
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr &&
      std::setlocale(LC_ALL, "German_Germany.1252") == nullptr) {
    GTEST_SKIP() << "no German locale (ctest makes de_DE.UTF-8 and names it in LOCPATH)";
  }
  std::string message;
  try {
    round16(-10094932925693.361);
  } catch (const RunTimeError& error) {
    message = error.what();
  }
  std::setlocale(LC_ALL, before.c_str());
  EXPECT_EQ(message,
            "Run-time error: Conversion overflow (-10094932925693.361 does not fit in a 16-bit "
            "integer)");
}

TEST(DrawAxisTest, DrawsBothAxesThroughTheCentreInYellow) {
  RecordingSurface surface(8235, 5595);
  Draw_Axis(surface);
  ASSERT_EQ(surface.lines.size(), 2u);
  const auto& vertical = surface.lines[0];
  const auto& horizontal = surface.lines[1];
  EXPECT_EQ(vertical.colour, RGB(255, 255, 0));
  EXPECT_EQ(horizontal.colour, RGB(255, 255, 0));
  EXPECT_EQ(vertical.x1, 4117.5f);
  EXPECT_EQ(vertical.y1, 0.0f);
  EXPECT_EQ(vertical.x2, 4117.5f);
  EXPECT_EQ(vertical.y2, 5595.0f);
  EXPECT_EQ(horizontal.x1, 0.0f);
  EXPECT_EQ(horizontal.y1, 2797.5f);
  EXPECT_EQ(horizontal.x2, 8235.0f);
  EXPECT_EQ(horizontal.y2, 2797.5f);
}

struct ProjectionFaultCase : testing_support::NamedCase {
  bool oblique;
  OscState state;
  double sx, pi;
  RunTimeFault expected;
};

class ProjectionFaultTest : public testing::TestWithParam<ProjectionFaultCase> {};

TEST_P(ProjectionFaultTest, RaisesTheRunTimeError) {
  const ProjectionFaultCase& c = GetParam();
  RecordingSurface surface(8235, 5595);
  const auto project = [&] {
    if (c.oblique) {
      ProjectOblique(surface, c.state, c.sx, 93.25, c.pi, kViewAngle);
    } else {
      ProjectXY(surface, c.state, c.sx, 139.875);
    }
  };
  EXPECT_TRUE(testing_support::raisesFault(project, c.expected));
  testing_support::apply(testing_support::Setting::RoundTowardZero);
  const bool raisedAll = testing_support::raisesFault(project, c.expected);
  testing_support::restoreDefault();
  EXPECT_TRUE(raisedAll) << "rounding toward zero";
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ProjectionFaultTest,
    testing::Values(
        ProjectionFaultCase{
            {"xy_product_overflows"}, false, {1e300, 0, 0}, 1e300, kPi, RunTimeFault::Overflow},
        ProjectionFaultCase{{"xy_beyond_16_bits"},
                            false,
                            {200, 0, 0},
                            274.5,
                            kPi,
                            RunTimeFault::ConversionOverflow},
        ProjectionFaultCase{{"oblique_beyond_16_bits"},
                            true,
                            {0, 0, -400},
                            274.5,
                            kPi,
                            RunTimeFault::ConversionOverflow},
        ProjectionFaultCase{
            {"oblique_infinite_pi"}, true, {0, 0, 0}, 274.5, kInf, RunTimeFault::InvalidOperation},
        ProjectionFaultCase{{"xy_infinite_state"},
                            false,
                            {kInf, 0, 0},
                            274.5,
                            kPi,
                            RunTimeFault::ConversionOverflow}),
    testing_support::caseName);

}  // namespace
}  // namespace kestavon
