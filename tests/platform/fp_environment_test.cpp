#include "platform/fp_environment.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>

#include "support/fp_settings.h"

namespace kestavon {
namespace {

using testing_support::apply;
using testing_support::controlRegister;
using testing_support::kFlushToZero;
using testing_support::Setting;

// Arithmetic whose results tell the environment: each setting changes at least one of them.
struct Probe {
  double up, down, towardZero, halfOfSmallest, smallestTimesOne;

  // Bit for bit: under denormals-are-zero a comparison of doubles would take 2^-1074 for 0.
  friend bool operator==(const Probe& a, const Probe& b) {
    return std::memcmp(&a, &b, sizeof(Probe)) == 0;
  }
};

[[gnu::noinline]] Probe probe() {
  volatile double one = 1, quarterUlp = 0x1p-54, threeQuarterUlp = 0x1.8p-53;
  volatile double smallestNormal = 0x1p-1022, smallestSubnormal = 0x1p-1074;
  return {one + quarterUlp, -one - quarterUlp, one + threeQuarterUlp, smallestNormal / 2,
          smallestSubnormal * one};
}

class DefaultFpEnvironmentTest : public testing::TestWithParam<Setting> {
 protected:
  void TearDown() override { testing_support::restoreDefault(); }
};

TEST_P(DefaultFpEnvironmentTest, PutsTheDefaultInPlaceAndGivesTheOtherBack) {
#if defined(__wasm__)
  GTEST_SKIP() << "WebAssembly has one floating-point environment, and no other to set";
#endif
  const Probe expected = probe();
  apply(GetParam());
  const std::uint64_t changed = controlRegister();
  if (!(kFlushToZero != 0 || GetParam() < Setting::FlushToZero)) {
    GTEST_SKIP() << "this platform has no flush-to-zero control the test can set";
  }
  const Probe other = probe();
  ASSERT_NE(other, expected) << "the setting changed nothing";
  EXPECT_FALSE(fpEnvironmentIsDefault());
  {
    const DefaultFpEnvironment environment;
    EXPECT_TRUE(fpEnvironmentIsDefault());
    EXPECT_EQ(probe(), expected);
  }
  EXPECT_EQ(controlRegister(), changed);
}

INSTANTIATE_TEST_SUITE_P(Settings, DefaultFpEnvironmentTest,
                         testing::Values(Setting::RoundUp, Setting::RoundDown,
                                         Setting::RoundTowardZero, Setting::FlushToZero,
                                         Setting::DenormalsAreZero),
                         testing_support::settingName);

}  // namespace
}  // namespace kestavon
