// The layers below the window in a file that includes <windows.h> first, as a Windows front end
// would: its macros (RGB, min, max, near, far, ...) must not break their headers, and the
// program's RGB and the system's must agree wherever both are defined.

#include <gtest/gtest.h>
#include <windows.h>

#include <ostream>

#include "dynamics/checked.h"
#include "dynamics/oscillator.h"
#include "dynamics/runge_kutta.h"
#include "platform/fp_environment.h"
#include "platform/random.h"
#include "platform/run_time_error.h"
#include "plot/projection.h"
#include "plot/raster_canvas.h"
#include "plot/screen_canvas.h"
#include "plot/surface.h"
#include "plot/trajectory.h"

namespace kestavon {
namespace {

static_assert((kestavon::RGB)(1, 2, 3) == RGB(1, 2, 3));

struct Components {
  int red, green, blue;
  friend std::ostream& operator<<(std::ostream& os, const Components& c) {
    return os << c.red << ", " << c.green << ", " << c.blue;
  }
};

class WindowsRgbTest : public testing::TestWithParam<Components> {};

TEST_P(WindowsRgbTest, PacksAsTheSystemMacroDoes) {
  const auto [red, green, blue] = GetParam();
  EXPECT_EQ((kestavon::RGB)(red, green, blue), static_cast<Colour>(RGB(red, green, blue)));
}

INSTANTIATE_TEST_SUITE_P(Colours, WindowsRgbTest,
                         testing::Values(Components{0, 0, 0}, Components{255, 255, 0},
                                         Components{0, 255, 0}, Components{1, 2, 3},
                                         Components{255, 0, 128}, Components{255, 255, 255}));

}  // namespace
}  // namespace kestavon
